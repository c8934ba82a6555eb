// What the parts of the report writer share.
#pragma once

#include <string>

#include "bwps/report_services.h"

namespace bwps::writer {

std::string ProgramFolder();
std::string BaseFolder();
std::string Trimmed(const std::string& text);
std::string Upper(std::string text);
std::string Terminated(const char* text, size_t size);
template <size_t N>
void SetText(char (&field)[N], const std::string& text)
{
    std::snprintf(field, N, "%s", text.c_str());
}

bool EngineDestination(const TagRepInfo& r);
bool OfficeActive(const TagRepInfo& r);
int LayoutDefaultTable(bool wide, const int** table);

// The text file of a report: written beside its target and renamed there
// at the close.
bool CommitTextFile(TagRepInfo& r, bool keep);

// The office export (office.cpp).
bool SheetExportStart(TagRepInfo& r);
int SheetExportWriteRow(TagRepInfo& r, const TagRepColumn* columns, int newLines);
int SheetExportWriteRule(TagRepInfo& r, const TagRepColumn* columns, int newLines, int fill);
int SheetExportEndPage(TagRepInfo& r);
int SheetExportClose(TagRepInfo& r);
int ExcelAutomationAvailable(int showErrors, int unloadAfter, int force);

// Formats a column's value as the writer prints it.
std::string FormatColumn(const TagRepColumn& c, bool editBlankZero);
bool IsNumberType(int type);
bool IsTextType(int type);

// The setup block and the session's station.
std::string StationId();
void EnsureSetup(TagRepInfo& r);

}  // namespace bwps::writer
