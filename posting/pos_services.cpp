// Point-of-sale services: tenders, data-file helpers, the card-interface
// settings record and the tax-code check.
#include "bwps/pos_services.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/dictionary.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"
#include "posting/pos_internal.h"
#include "recman.h"

namespace {

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

constexpr int kCardInterfaceSize = 24;
constexpr int kTaxLength = 995;
constexpr int kNumberedFiles = 25;
constexpr int kFileExists = 59;
constexpr int kStatOperation = 23;

uint8_t g_cardInterface[kCardInterfaceSize] = {};

void CodeKey(KeyBuffer& key, const char* code, size_t width)
{
    key.Clear();
    if (code != nullptr)
        std::memcpy(key.bytes, code, strnlen(code, width));
}

}  // namespace

namespace bwps::posting {

const uint8_t* CardInterfaceCopy() { return g_cardInterface; }
void ResetCardInterfaceState() { std::memset(g_cardInterface, 0, sizeof g_cardInterface); }

}  // namespace bwps::posting

extern "C" {

BWPS_EXPORT int ReadTenderRecord(const char* code, TagTender* record)
{
    if (code == nullptr || record == nullptr)
        return 0;
    Table tenders;
    Status s = tenders.Open(FileNo::Tenders, OPEN_OPERATION);
    if (!s.Ok()) {
        s.Report(1, OPEN_OPERATION);
        return 0;
    }
    KeyBuffer key;
    CodeKey(key, code, sizeof record->Code);
    TagTender tender;
    s = tenders.Get(B_GET_EQUAL, key, tender);
    if (!s.Ok())
        return 0;
    *record = tender;
    return 1;
}

BWPS_EXPORT int CheckDefaultTender(void)
{
    const TagSysInterface* sys = GetSysInterfaceRecord();
    char code[12] = {};
    std::memcpy(code, reinterpret_cast<const char*>(sys) + 85, 11);
    if (FxIsEmpty(code))
        return 1;
    Table tenders;
    Status s = tenders.Open(FileNo::Tenders);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    KeyBuffer key;
    CodeKey(key, code, 11);
    TagTender tender;
    s = tenders.Get(B_GET_EQUAL, key, tender);
    if (s.Ok())
        return 1;
    if (s.Is(B_KEY_NOT_FOUND))
        ShowMessage(1329, 1);
    else
        s.Report();
    return 0;
}

BWPS_EXPORT int OpenDataFileInFolder(int fileNumber, int mode, uint16_t* handle,
                                     const char* folder)
{
    const char* name = GetDataFileName(fileNumber);
    if (handle == nullptr || folder == nullptr || name == nullptr)
        return B_INVALID_FILE_NAME;
    std::string path = folder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += name;
    const int status = BtrOpenFile(handle, path.c_str(), mode, 0);
    if (status != 0)
        ShowRecordManagerError(status, 1, OPEN_OPERATION, path.c_str(), mode);
    return status;
}

BWPS_EXPORT int DictionaryCallThrough(int16_t fileNumber, int16_t handle, int16_t column1,
                                      int16_t column2, int16_t column3)
{
    return CreateSupplementalIndex(fileNumber, static_cast<uint16_t>(handle), column1, column2,
                                   column3);
}

BWPS_EXPORT int DropTableSupIndex(int fileNumber, uint16_t handle)
{
    const int status = BtrDropSupIndex(handle, -1);
    if (status != 0)
        Status{status, kStatOperation, static_cast<FileNo>(fileNumber)}.Report();
    return status;
}

BWPS_EXPORT int CheckFileStat(int fileNumber, uint16_t handle)
{
    uint8_t buffer[RECMAN_STAT_BUFFER];
    const int status = BtrStat(handle, buffer);
    if (status != 0)
        Status{status, kStatOperation, static_cast<FileNo>(fileNumber)}.Report();
    return 0;
}

BWPS_EXPORT int CreateNumberedFile(int mode, uint16_t* handle, char* pathOut,
                                   const char* baseName, const void* fileSpec,
                                   const void* keySpecs)
{
    if (handle == nullptr || baseName == nullptr)
        return B_INVALID_FILE_NAME;
    char folder[FOLDER_BUFFER_SIZE];
    std::snprintf(folder, sizeof folder, "%s", GetProgramPath());
    NormaliseFolder(folder);
    std::string path;
    bool created = false;
    for (int n = 0; n < kNumberedFiles && !created; ++n) {
        path = std::string(folder) + baseName + std::to_string(n);
        if (FxFileAccess(path.c_str(), 0) != -1)
            continue;
        if (pathOut != nullptr)
            std::snprintf(pathOut, FOLDER_BUFFER_SIZE, "%s", path.c_str());
        const int status = BtrCreateFile(path.c_str(), fileSpec, keySpecs);
        if (status != 0) {
            ShowMessage(status == B_KEY_NOT_FOUND ? 401 : 1616, 1);
            return status;
        }
        created = true;
    }
    if (!created) {
        // Every name is taken: another run's file is never opened as ours.
        ShowMessage(1616, 1);
        return kFileExists;
    }
    const int status = BtrOpenFile(handle, path.c_str(), mode, 0);
    if (status != 0)
        ShowMessage(1616, 1);
    return status;
}

BWPS_EXPORT int WriteCardInterface(const void*, uint16_t settingsHandle)
{
    uint8_t record[kCardInterfaceSize] = {};
    std::memcpy(record, GENERAL_KEY_CCARDINTF, 16);
    Table general;
    Status s = general.Borrow(FileNo::General, settingsHandle);
    if (s.Ok())
        s = general.Write(B_INSERT, record, kCardInterfaceSize);
    s.Report();
    return s.status;
}

BWPS_EXPORT int ReadCardInterface(void)
{
    Table general;
    Status s = general.Open(FileNo::General);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_CCARDINTF, 16);
    uint8_t record[kCardInterfaceSize];
    s = general.Get(B_GET_EQUAL, key.bytes, record, kCardInterfaceSize);
    if (s.Ok()) {
        std::memcpy(g_cardInterface, record, sizeof record);
        return 0;
    }
    if (s.Is(B_KEY_NOT_FOUND)) {
        const int status = WriteCardInterface(nullptr, general.Handle());
        if (status == 0) {
            // The copy shows the record just made, not another company's.
            std::memset(g_cardInterface, 0, sizeof g_cardInterface);
            std::memcpy(g_cardInterface, GENERAL_KEY_CCARDINTF, 16);
        }
        return status;
    }
    s.Report();
    return s.status;
}

BWPS_EXPORT int CheckTaxCode(uint16_t taxHandle, const char* code, void* record995)
{
    static uint8_t own[kTaxLength];
    void* record = record995 != nullptr ? record995 : own;
    Table taxes;
    taxes.Borrow(FileNo::TaxTable, taxHandle);
    char padded[7] = {};
    std::snprintf(padded, sizeof padded, "%s", code != nullptr ? code : "");
    FxPadBlanks(padded, 6);
    KeyBuffer key;
    std::memcpy(key.bytes, padded, 6);
    Status s = taxes.Get(B_GET_EQUAL, key.bytes, record, kTaxLength);
    if (s.Is(B_KEY_NOT_FOUND)) {
        // Codes stored without their blanks are found as they are stored.
        char plain[7] = {};
        std::memcpy(plain, padded, 6);
        FxTrimText(5, plain);
        CodeKey(key, plain, 6);
        s = taxes.Get(B_GET_EQUAL, key.bytes, record, kTaxLength);
    }
    if (s.Ok())
        return 1;
    if (s.Is(B_KEY_NOT_FOUND))
        ShowMessage(243, 1);
    else
        Status{s.status, B_GET_EQUAL, FileNo::TaxTable}.Report();
    return 0;
}

}  // extern "C"

BWPS_ORDINAL(11, ReadTenderRecord);
BWPS_ORDINAL(13, CheckDefaultTender);
BWPS_ORDINAL(26, OpenDataFileInFolder);
BWPS_ORDINAL(27, DictionaryCallThrough);
BWPS_ORDINAL(28, DropTableSupIndex);
BWPS_ORDINAL(30, CheckFileStat);
BWPS_ORDINAL(32, CreateNumberedFile);
BWPS_ORDINAL(298, ReadCardInterface);
BWPS_ORDINAL(299, WriteCardInterface);
