// The file converters of the conversion stages: for each data-version code
// the files its stage takes to the current layout, in their order, and for
// each of those files the record length of that release and how one record
// is rebuilt.
#pragma once

#include <cstdint>
#include <span>

#include "bwps/files.h"

namespace bwps1::convert {

// What a converter needs besides the old record.
struct ConvertContext {
    // Default receivables account for customers of codes 10 and 11 (from
    // the "0Interface     " settings record; empty when unreadable).
    char customerAccount[12] = {};
};

struct FileConverter {
    bwps::FileNo file;
    uint16_t oldLength;
    uint16_t newLength;
    // Builds the new record (newLength bytes, cleared here) from the old one.
    void (*build)(const uint8_t* old, uint8_t* out, const ConvertContext& context);
};

// The files of the stage of a code, in the order they are converted; empty
// for a code without a stage.
std::span<const bwps::FileNo> StageFiles(int code);
// The converter of a file in the stage of a code, or null (file 31, whose
// settings records are converted in place, has none).
const FileConverter* FindConverter(int code, bwps::FileNo file);

// The backup extension of the old files of a code ("V8" .. "V14"), or null.
const char* BackupExtension(int code);

// Record reshapers shared with the exported converters.
void OpenInvoiceRuleA(const uint8_t* old, uint8_t* out);
void OpenInvoiceRuleB(const uint8_t* old, uint8_t* out);
void RightsFromOlderUser(const uint8_t* old, uint8_t* out);
char TenderKind(const uint8_t* code10);

}  // namespace bwps1::convert
