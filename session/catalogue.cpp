// The data-file catalogue: file number to folder kind, name, record length
// and page size, and the names derived from it (session, accounting and
// older-release names).

#include "bwps/catalogue.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "bwps/settings.h"
#include "session/catalogue_internal.h"

using bwps::catalogue::Concat;

namespace {

// Entry 0 is what out-of-range lookups give.
const DataFileEntry kCatalogue[DATA_FILE_COUNT + 1] = {
    {0, nullptr, -1, 0},
    {2, "BPOSACCT.DB", 569, 4096},   // 1
    {3, "BPOSAPOP.DB", 123, 4096},   // 2
    {2, "BPOSAROP.DB", 123, 4096},   // 3
    {2, "BPOSASSM.DB", 40, 4096},    // 4
    {2, "BPOSASTD.DB", 72, 4096},    // 5
    {2, "BPOSASTH.DB", 70, 4096},    // 6
    {2, "BPOSBICD.DB", 89, 4096},    // 7
    {3, "BPOSCHCK.DB", 120, 4096},   // 8
    {2, "BPOSCUSA.DB", 401, 4096},   // 9
    {2, "BPOSCUST.DB", 795, 4096},   // 10
    {2, "BPOSGLJL.DB", 11, 4096},    // 11
    {2, "BPOSGLTD.DB", 84, 4096},    // 12
    {2, "BPOSGLTH.DB", 79, 4096},    // 13
    {3, "BPOSGNRA.DB", 401, 4096},   // 14
    {3, "BPOSGNRL.DB", 16, 4096},    // 15: the accounting company's general file
    {2, "BPOSMSGS.DB", 130, 4096},   // 16
    {2, "BPOSPRBK.DB", 87, 4096},    // 17
    {3, "BPOSPHYS.DB", 24, 4096},    // 18
    {3, "BPOSPOHD.DB", 1311, 4096},  // 19
    {2, "BPOSPROD.DB", 668, 4096},   // 20
    {2, "BPOSSERV.DB", 196, 4096},   // 21
    {3, "BPOSSLDT.DB", 259, 2560},   // 22
    {2, "BPOSSNUM.DB", 57, 4096},    // 23
    {2, "BPOSSNDT.DB", 69, 4096},    // 24
    {2, "BPOSSPER.DB", 572, 4096},   // 25
    {1, "BPOSSPTM.DB", 73, 4096},    // 26
    {2, "BPOSTERM.DB", 36, 4096},    // 27
    {2, "BPOSTXTB.DB", 995, 4096},   // 28
    {3, "BPOSVENA.DB", 401, 4096},   // 29
    {3, "BPOSVEND.DB", 795, 3072},   // 30
    {1, "BPOSGNRL.DB", 16, 4096},    // 31: the store's general file
    {1, "BPOSREGS.DB", 777, 4096},   // 32
    {1, "BPOSTEND.DB", 97, 4096},    // 33
    {1, "BPOSLAYH.DB", 172, 4096},   // 34
    {1, "BPOSLAYD.DB", 97, 4096},    // 35
    {1, "BPOSINHD.DB", 586, 4096},   // 36
    {1, "BPOSINDT.DB", 182, 4096},   // 37
    {1, "BPOSPRHI.DB", 227, 4096},   // 38
    {1, "BPOSCUHI.DB", 223, 4096},   // 39
    {2, "BPOSCUHD.DB", 157, 4096},   // 40
    {2, "BPOSCUHS.DB", 125, 4096},   // 41
    {1, "BPOSQTEH.DB", 586, 4096},   // 42
    {1, "BPOSQTED.DB", 182, 4096},   // 43
    {1, "BPOSSERH.DB", 123, 4096},   // 44
    {1, "BPOSCARD.DB", 185, 4096},   // 45
    {1, "BPOSPPHD.DB", 120, 4096},   // 46
    {1, "BPOSPPDD.DB", 63, 4096},    // 47
    {1, "BPOSRSAV.DB", 793, 4096},   // 48
    {3, "BPOSARTH.DB", 120, 4096},   // 49
    {3, "BPOSINHD.DB", 1311, 4096},  // 50
    {3, "BPOSINDT.DB", 260, 4096},   // 51
    {3, "BPOSINRH.DB", 1311, 4096},  // 52
    {3, "BPOSINRD.DB", 260, 4096},   // 53
    {3, "BPOSBORD.DB", 145, 4096},   // 54
    {3, "BPOSPODT.DB", 260, 4096},   // 55
    {3, "BPOSPURD.DB", 260, 4096},   // 56
    {3, "BPOSCHTH.DB", 480, 4096},   // 57
    {3, "BPOSCHTD.DB", 108, 4096},   // 58
    {3, "BPOSCHRH.DB", 480, 4096},   // 59
    {3, "BPOSCHRD.DB", 108, 4096},   // 60
    {1, "BPOSGEN3.DB", 231, 4096},   // 61
    {2, "BPOSITMD.DB", 64, 4096},    // 62
    {2, "BPOSPRTD.DB", 175, 4096},   // 63
    {2, "BPOSUDFC.DB", 297, 4096},   // 64
    {3, "BPOSUDFV.DB", 297, 4096},   // 65
    {2, "BPOSUDFP.DB", 301, 4096},   // 66
    {2, "BPOSUDFS.DB", 301, 4096},   // 67
    {2, "BPOSSVIA.DB", 114, 4096},   // 68
    {3, "BPOSAPOH.DB", 124, 4096},   // 69
    {2, "BPOSAROH.DB", 124, 4096},   // 70
    {2, "BPOSWUNI.DB", 47, 4096},    // 71
    {2, "BPOSPALT.DB", 63, 4096},    // 72
    {2, "BPOSAULG.DB", 71, 4096},    // 73
    {2, "BPOSPBMP.DB", 535, 4096},   // 74
    {1, "BPOSPPCU.DB", 24, 4096},    // 75
    {2, "BPOSWHSE.DB", 362, 4096},   // 76
    {2, "BPOSMITM.DB", 290, 4096},   // 77
    {2, "BPOSGEN4.DB", 19, 4096},    // 78
    {4, "BPOSQHED.DB", 169, 4096},   // 79
    {4, "BPOSQCOL.DB", 222, 4096},   // 80
    {4, "BPOSRHED.DB", 149, 4096},   // 81
    {4, "BPOSRTXT.DB", 21, 4096},    // 82
    {4, "BPOSQEXP.DB", 327, 4096},   // 83
    {4, "BPOSRFLD.DB", 121, 4096},   // 84
    {0, "BPOSCID.DB", 168, 4096},    // 85
    {0, "BPOSSTN.DB", 1573, 4096},   // 86
    {0, "BPOSPRN.DB", 119, 4096},    // 87
    {0, "BPOSKEY.DB", 36, 4096},     // 88
    {5, "WBWPOCOL.DB", 130, 4096},   // 89
    {0, "WBPSRSC1.DAT", 0, 0},       // 90
    {0, "WBPSRSC2.DAT", 0, 0},       // 91
    {0, "WBPSRSC3.DAT", 0, 0},       // 92
    {0, "WBPSRSC4.DAT", 0, 0},       // 93
    {0, "WBPSRSC5.DAT", 0, 0},       // 94
    {0, "WBPSRSC6.DAT", 0, 0},       // 95
    {0, "BPOSGEN2.DB", 65, 4096},    // 96
    {0, "WBPSDTL.HLP", 0, 0},        // 97
    {0, "BPOSVAR.DB", 98, 4096},     // 98
    {0, "BPOSBPRN.DB", 50, 4096},    // 99
    {0, "BPOSDRWR.DB", 442, 4096},   // 100
};

// The conversion table of bwpos-1: one entry, index -1.
const DataFileEntry kConversionEntry = {1, "BWPSMMCS.DB", 809, 4096};

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
        return kCatalogue[0].Name;
    const DataFileEntry& e = kCatalogue[fileNumber];
    int kind = fileNumber == 23 ? static_cast<int>(FOLDER_DATA) : e.Kind;
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
        return kCatalogue[0].Name;
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
    if (fileNumber == 23)
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
        GetFolderOfKind(kCatalogue[fileNumber].Kind, own);
        Concat(path, sizeof path, own, name);
    }
    return FileExistsAt(path) != 0;
}

}  // namespace

extern "C" {

const DataFileEntry* GetDataFileEntry(int fileNumber)
{
    return InRange(fileNumber) ? &kCatalogue[fileNumber] : &kCatalogue[0];
}

int GetDataFileKind(int fileNumber)
{
    return InRange(fileNumber) ? kCatalogue[fileNumber].Kind : -1;
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
        return kCatalogue[0].Name;
    const DataFileEntry& e = kCatalogue[fileNumber];
    if (e.Kind > FOLDER_DICTIONARY)
        return kCatalogue[0].Name;
    if (e.Kind == FOLDER_ACCOUNTING || (e.Kind == FOLDER_SHARED && IsInterfacedToAccounting()))
        return MapToAccountingFileName(e.Name);
    return e.Name;
}

char* CopyDataFileName(int fileNumber, char* buffer)
{
    if (!InRange(fileNumber))
        return const_cast<char*>(kCatalogue[0].Name);
    if (buffer) {
        const char* name = kCatalogue[fileNumber].Name;
        std::strcpy(buffer, name ? name : "");
    }
    return buffer;
}

char* GetDataFilePath(int fileNumber)
{
    if (!InRange(fileNumber))
        return const_cast<char*>(kCatalogue[0].Name);
    const char* name = GetDataFileName(fileNumber);
    if (!name)
        return nullptr;
    char folder[FOLDER_BUFFER_SIZE];
    GetFolderOfKind(kCatalogue[fileNumber].Kind, folder);
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
        return kCatalogue[0].Name;
    return MapToAccountingFileName(kCatalogue[fileNumber].Name);
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
    return ExistsUnder(fileNumber, folder, kCatalogue[fileNumber].Name);
}

int CompanyIdFileExists(void)
{
    char path[FOLDER_BUFFER_SIZE];
    JoinCompanyFilePath(path, GetBasePath(), kCatalogue[COMPANY_ID_FILE_NUMBER].Name);
    return FileExistsAt(path);
}

char* GetDefaultRegisterPrefix(char* buffer)
{
    if (buffer)
        std::strcpy(buffer, "REG");
    return buffer;
}

}  // extern "C"
