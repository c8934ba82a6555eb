// Table names of the data dictionary and data-file names, by the running
// application's product code, and the unpacking of dictionary columns.
#include "bwps/dictionary.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/catalogue.h"
#include "fx.h"

namespace {

bool Begins(const std::string& text, const char* prefix)
{
    return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

std::string TrimRight(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

std::string Text(const char* field, size_t width)
{
    return TrimRight(std::string(field, strnlen(field, width)));
}

void Padded(char* out, const std::string& text, size_t width)
{
    std::memset(out, ' ', width);
    std::memcpy(out, text.data(), std::min(text.size(), width));
    out[width] = '\0';
}

std::string AppCode()
{
    char code[8];
    return GetAppProductCode(code);
}

}  // namespace

extern "C" {

char* GetAppProductCode(char* buffer)
{
    static const char* const kCodes[] = {"BWA13", "BWA13", "BWP13", "OE13", "POS13", "BWJC13"};
    const int product = FxGetProductNumber();
    std::strcpy(buffer, product >= 1 && product <= 5 ? kCodes[product] : "BWA13");
    return buffer;
}

char* DictTableToFileName(char* name)
{
    const std::string table = Text(name, 16);
    std::string file = table;
    if (!Begins(table, "TEMP")) {
        const std::string code = AppCode();
        if (code == "BWA13")
            file = (Begins(table, "VAR") || Begins(table, "COL") ? "WBWA" : "BWA") + table;
        else if (code == "OE13" || code == "POS13")
            file = "BWA" + table;
        else if (code == "BWP13")
            file = Begins(table, "BwaAcct") ? table : Begins(table, "Code") ? "BWPBpcd" : "BWP" + table;
    }
    file += ".DB";
    Padded(name, file.substr(0, 15), 15);
    return name;
}

char* FileToDictTableName(const char* file, char* tableOut)
{
    std::string name = file != nullptr ? file : "";
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.find('.');
    if (dot != std::string::npos)
        name.erase(dot);
    name = TrimRight(name);
    std::string table = name;
    if (!Begins(name, "TEMP")) {
        const std::string code = AppCode();
        auto drop = [&](const char* first, const char* second) {
            if (Begins(name, first))
                return name.substr(std::strlen(first));
            if (second != nullptr && Begins(name, second))
                return name.substr(std::strlen(second));
            return name;
        };
        if (code == "BWA13") {
            table = drop("WBWA", "BWA");
        } else if (code == "OE13") {
            table = drop("BWA", "BWOE");
        } else if (code == "POS13") {
            table = drop("BWA", "BPOS");
        } else if (code == "BWP13") {
            if (Begins(name, "BWA")) {
                table = name.substr(3);
            } else {
                table = drop("BWP", nullptr);
                if (Begins(table, "Bpcd"))
                    table = "Code";
            }
        } else {
            table.clear();
        }
    }
    Padded(tableOut, table.substr(0, 12), 12);
    return tableOut;
}

int DictTypeToFieldType(int type)
{
    switch (type) {
    case 1: case 3: case 5: return 1;
    case 2: case 4: return 4;
    case 6: case 7: case 8: case 9: return 2;
    case 10: return 13;
    case 11: return 5;
    case 12: return 6;
    case 13: return 7;
    case 14: return 8;
    case 15: return 3;
    case 16: return 9;
    case 17: case 19: case 20: return 10;
    case 18: return 11;
    default: return 2;
    }
}

int DictTypeToColumnKind(int type)
{
    return DictTypeToFieldType(type);
}

int DictColumnToFieldSpec(TagDictFieldSpec* out, const TagDictionaryRecord* record)
{
    if (out == nullptr || record == nullptr)
        return 0;
    std::memset(out, 0, sizeof *out);
    char name[17] = {};
    std::memcpy(name, record->TableName, sizeof record->TableName);
    DictTableToFileName(name);
    std::memcpy(out->FileName, name, sizeof out->FileName);
    out->Value1 = record->Number;
    out->Value2 = record->Offset;
    out->Value3 = static_cast<int16_t>(record->Decimals);
    out->FieldType = static_cast<int16_t>(DictTypeToFieldType(record->Type));
    out->Value4 = record->Flags;
    const std::string caption = Text(record->Caption, sizeof record->Caption);
    std::snprintf(out->Caption, sizeof out->Caption, "%s",
                  caption.empty() ? Text(record->Description, sizeof record->Description).c_str()
                                  : caption.c_str());
    std::snprintf(out->Name, sizeof out->Name, "%s",
                  Text(record->Picture, sizeof record->Picture).c_str());
    return 1;
}

char* DataFileTableName(int fileNumber, char* tableOut)
{
    char name[FOLDER_BUFFER_SIZE] = {};
    if (CopyDataFileName(fileNumber, name) == nullptr) {
        Padded(tableOut, "", 12);
        return tableOut;
    }
    std::string file = name;
    if (!Begins(file, "TEMP")) {
        const char* accounting = MapToAccountingFileName(name);
        if (accounting != nullptr)
            file = accounting;
    }
    return FileToDictTableName(file.c_str(), tableOut);
}

void UnpackColumnRecord(const TagDictionaryRecord* record, TagColumnInfo* out)
{
    std::memset(out, 0, sizeof *out);
    std::snprintf(out->Name, sizeof out->Name, "%s",
                  Text(record->ColumnName, sizeof record->ColumnName).c_str());
    out->Number = record->Number;
    out->Offset = record->Offset;
    out->Decimals = record->Decimals;
    out->Kind = static_cast<int16_t>(DictTypeToColumnKind(record->Type));
    out->Flags = record->Flags;
    out->Type = record->Type;
    out->Length = record->Length;
    const std::string caption = Text(record->Caption, sizeof record->Caption);
    std::snprintf(out->Caption, sizeof out->Caption, "%s",
                  caption.empty() ? Text(record->Description, sizeof record->Description).c_str()
                                  : caption.c_str());
    std::snprintf(out->Picture, sizeof out->Picture, "%s",
                  Text(record->Picture, sizeof record->Picture).c_str());
}

}  // extern "C"
