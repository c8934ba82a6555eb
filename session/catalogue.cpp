// The data-file catalogue: file number to folder kind, name, record length
// and page size, and the names derived from it (session, accounting and
// older-release names).

#include "bwps/files.h"
#include "bwps/catalogue.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "bwps/catalogue_rows.h"
#include "bwps/settings.h"
#include "session/catalogue_internal.h"

using bwps::catalogue::Concat;

namespace {

// The catalogue rows (bwps/catalogue_rows.h); entry 0 is what out-of-range
// lookups give.
const DataFileEntry& Entry(int fileNumber)
{
    return bwps::kCatalogueRows[fileNumber].entry;
}
const DataFileEntry& kConversionEntry = bwps::kConversionFile;

bool InRange(int fileNumber)
{
    return fileNumber >= 1 && fileNumber <= DATA_FILE_COUNT;
}

// Static result buffers; each function overwrites its own at the next call.
char gAccountingName[FOLDER_BUFFER_SIZE];
char gOlderName[FOLDER_BUFFER_SIZE];
char gDataFilePath[FOLDER_BUFFER_SIZE];
char gRelease5Path[FOLDER_BUFFER_SIZE];
char gRelease1Path[FOLDER_BUFFER_SIZE];

void CopyText(char* out, size_t size, const char* text)
{
    std::snprintf(out, size, "%s", text ? text : "");
}

// The older-release name of a file: its catalogue name with the first four
// characters replaced by the prefix of its kind.
const char* OlderFileName(int fileNumber, const char* plainPrefix)
{
    if (!InRange(fileNumber))
        return Entry(0).Name;
    const DataFileEntry& e = Entry(fileNumber);
    int kind = fileNumber == bwps::No(bwps::FileNo::SerialNumbers) ? static_cast<int>(FOLDER_DATA) : e.Kind;
    const char* prefix = nullptr;
    switch (kind) {
    case FOLDER_BASE:
    case FOLDER_DATA:
    case FOLDER_QUERY:
        prefix = plainPrefix;
        break;
    case FOLDER_SHARED:
        prefix = IsInterfacedToAccounting() ? "BA43" : plainPrefix;
        break;
    case FOLDER_ACCOUNTING:
        prefix = "BA43";
        break;
    default:
        return Entry(0).Name;
    }
    CopyText(gOlderName, sizeof gOlderName, e.Name);
    std::memcpy(gOlderName, prefix, 4);
    return gOlderName;
}

const char* OlderFilePath(int fileNumber, const char* name, char* buffer, size_t size)
{
    if (!name)
        return nullptr;
    char folder[FOLDER_BUFFER_SIZE];
    if (fileNumber == bwps::No(bwps::FileNo::SerialNumbers))
        GetFolderOfKind(FOLDER_DATA, folder);
    else
        GetFolderOfKind(GetDataFileKind(fileNumber), folder);
    Concat(buffer, size, folder, name);
    return buffer;
}

bool ExistsUnder(int fileNumber, const char* folder, const char* name)
{
    if (!InRange(fileNumber) || !name)
        return false;
    char path[FOLDER_BUFFER_SIZE];
    if (folder)
        JoinCompanyFilePath(path, folder, name);
    else {
        char own[FOLDER_BUFFER_SIZE];
        GetFolderOfKind(Entry(fileNumber).Kind, own);
        Concat(path, sizeof path, own, name);
    }
    return FileExistsAt(path) != 0;
}

}  // namespace

extern "C" {

const DataFileEntry* GetDataFileEntry(int fileNumber)
{
    return InRange(fileNumber) ? &Entry(fileNumber) : &Entry(0);
}

int GetDataFileKind(int fileNumber)
{
    return InRange(fileNumber) ? Entry(fileNumber).Kind : -1;
}

int32_t GetDataFileRecordLength(int fileNumber)
{
    return GetDataFileEntry(fileNumber)->RecordLength;
}

int32_t GetDataFilePageSize(int fileNumber)
{
    return GetDataFileEntry(fileNumber)->PageSize;
}

const char* MapToAccountingFileName(const char* name)
{
    if (!name) {
        gAccountingName[0] = '\0';
        return gAccountingName;
    }
    if (strncasecmp(name, "BWA", 3) == 0) {
        if (name != gAccountingName)
            CopyText(gAccountingName, sizeof gAccountingName, name);
        return gAccountingName;
    }
    char copy[FOLDER_BUFFER_SIZE];
    CopyText(copy, sizeof copy, name);
    const char* rest = std::strlen(copy) > 4 ? copy + 4 : "";
    Concat(gAccountingName, sizeof gAccountingName, "BWA", rest);
    return gAccountingName;
}

const char* GetDataFileName(int fileNumber)
{
    if (!InRange(fileNumber))
        return Entry(0).Name;
    const DataFileEntry& e = Entry(fileNumber);
    if (e.Kind > FOLDER_DICTIONARY)
        return Entry(0).Name;
    if (e.Kind == FOLDER_ACCOUNTING || (e.Kind == FOLDER_SHARED && IsInterfacedToAccounting()))
        return MapToAccountingFileName(e.Name);
    return e.Name;
}

char* CopyDataFileName(int fileNumber, char* buffer)
{
    if (!InRange(fileNumber))
        return const_cast<char*>(Entry(0).Name);
    if (buffer) {
        const char* name = Entry(fileNumber).Name;
        std::strcpy(buffer, name ? name : "");
    }
    return buffer;
}

char* GetDataFilePath(int fileNumber)
{
    if (!InRange(fileNumber))
        return const_cast<char*>(Entry(0).Name);
    const char* name = GetDataFileName(fileNumber);
    if (!name)
        return nullptr;
    char folder[FOLDER_BUFFER_SIZE];
    GetFolderOfKind(Entry(fileNumber).Kind, folder);
    Concat(gDataFilePath, sizeof gDataFilePath, folder, name);
    return gDataFilePath;
}

int GetDataFileFolder(int fileNumber, char* buffer)
{
    GetFolderOfKind(GetDataFileKind(fileNumber), buffer);
    return 0;
}

char* GetImagesPath(int fileNumber, char* buffer)
{
    char folder[FOLDER_BUFFER_SIZE];
    GetDataFileFolder(fileNumber, folder);
    Concat(buffer, FOLDER_BUFFER_SIZE, folder, "IMAGES");
    NormaliseFolder(buffer);
    return buffer;
}

int IsCompanyDataFile(int fileNumber)
{
    int kind = GetDataFileKind(fileNumber);
    return kind == FOLDER_DATA || kind == FOLDER_SHARED || kind == FOLDER_ACCOUNTING;
}

int IsDictionaryFile(int fileNumber)
{
    return GetDataFileKind(fileNumber) == FOLDER_DICTIONARY;
}

const char* AccountingFileNameOfId(int fileNumber)
{
    if (!InRange(fileNumber))
        return Entry(0).Name;
    return MapToAccountingFileName(Entry(fileNumber).Name);
}

const char* GetAccountingDataFileName(int fileNumber)
{
    return AccountingFileNameOfId(fileNumber);
}

const char* AccountingNameOfSessionFile(int fileNumber)
{
    const char* name = GetDataFileName(fileNumber);
    if (!name)
        return nullptr;
    return MapToAccountingFileName(name);
}

const char* GetRelease5FileName(int fileNumber)
{
    return OlderFileName(fileNumber, "POS5");
}

const char* GetRelease1FileName(int fileNumber)
{
    return OlderFileName(fileNumber, "POS1");
}

const char* GetRelease5FilePath(int fileNumber)
{
    return OlderFilePath(fileNumber, GetRelease5FileName(fileNumber), gRelease5Path,
                         sizeof gRelease5Path);
}

const char* GetRelease1FilePath(int fileNumber)
{
    return OlderFilePath(fileNumber, GetRelease1FileName(fileNumber), gRelease1Path,
                         sizeof gRelease1Path);
}

char* GetConversionFileName(int index, char* buffer)
{
    if (!buffer)
        return buffer;
    CopyText(buffer, FOLDER_BUFFER_SIZE, index == -1 ? kConversionEntry.Name : "");
    return buffer;
}

char* GetConversionFilePath(int index, char* buffer)
{
    if (!buffer)
        return buffer;
    buffer[0] = '\0';
    if (index != -1)
        return buffer;
    char folder[FOLDER_BUFFER_SIZE];
    GetFolderOfKind(kConversionEntry.Kind, folder);
    Concat(buffer, FOLDER_BUFFER_SIZE, folder, kConversionEntry.Name);
    return buffer;
}

int32_t GetConversionFileRecordLength(int index)
{
    return index == -1 ? kConversionEntry.RecordLength : -1;
}

char* GetOlderPersonFilePath(int index, int release, char* buffer)
{
    if (!buffer)
        return buffer;
    buffer[0] = '\0';
    const char* name = nullptr;
    if (index == 0 && release == 6)
        name = "POS1PERS.DB";
    else if (index == 0 && release == 7)
        name = "POS5PERS.dB";
    if (!name)
        return buffer;
    char folder[FOLDER_BUFFER_SIZE];
    GetFolderOfKind(FOLDER_DATA, folder);
    Concat(buffer, FOLDER_BUFFER_SIZE, folder, name);
    return buffer;
}

int DataFileExists(int fileNumber, int, const char* folder)
{
    return ExistsUnder(fileNumber, folder, GetDataFileName(fileNumber));
}

int DataFileExistsPlain(int fileNumber, int, const char* folder)
{
    if (!InRange(fileNumber))
        return 0;
    return ExistsUnder(fileNumber, folder, Entry(fileNumber).Name);
}

int CompanyIdFileExists(void)
{
    char path[FOLDER_BUFFER_SIZE];
    JoinCompanyFilePath(path, GetBasePath(), Entry(bwps::No(bwps::FileNo::CompanyIds)).Name);
    return FileExistsAt(path);
}

char* GetDefaultRegisterPrefix(char* buffer)
{
    if (buffer)
        std::strcpy(buffer, "REG");
    return buffer;
}

}  // extern "C"
