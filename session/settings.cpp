// The general settings file: the keyed read of a settings record, the
// in-memory interface record "0sysinterface  " with its loader and getters,
// and the records taken from the accounting company when interfaced.

#include "bwps/settings.h"

#include "bwps/records/copy.h"
#include "bwps/table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/testing.h"
#include "bwps/messages.h"
#include "bwps/versions.h"
#include "bwps/session.h"
#include "customers/code_replace.h"
#include "fx.h"
#include "recman.h"
#include "session/catalogue_internal.h"
#include "bwps/files.h"

using bwps::FileNo;
using bwps::No;

using bwps::catalogue::Concat;

namespace {

using bwps::Status;
using bwps::Table;

// The accounting company's system record as the store reads it.
constexpr bwps::records::ByteCopy kSystemFromAccounting[] = {
    {offsetof(TagSystemRecord, Byte16), offsetof(TagAccountingSystemRecord, Byte312), 1},
    {offsetof(TagSystemRecord, Byte38), offsetof(TagAccountingSystemRecord, Byte304), 1},
    {offsetof(TagSystemRecord, Byte43), offsetof(TagAccountingSystemRecord, Byte306), 1},
    {offsetof(TagSystemRecord, Byte44), offsetof(TagAccountingSystemRecord, Byte315), 1},
    {offsetof(TagSystemRecord, Byte45), offsetof(TagAccountingSystemRecord, Byte314), 1},
    {offsetof(TagSystemRecord, ProductActivity), offsetof(TagAccountingSystemRecord, Byte319), 1},
    {offsetof(TagSystemRecord, Byte47), offsetof(TagAccountingSystemRecord, Bytes326), 3},
};
static_assert(bwps::records::FitsBoth<TagSystemRecord, TagAccountingSystemRecord>(
    kSystemFromAccounting));

TagSysInterface gInterface;                 // the library's copy
char gAccountingOverride[FOLDER_BUFFER_SIZE]; // takes the record's folder's place when set

constexpr int kKeyCompare = 15;

bool IsKey(const char* key, const char* name)
{
    return std::memcmp(key, name, kKeyCompare) == 0;
}

// Trims trailing blanks of a text held in a field of `size` bytes.
void TrimField(char* text, size_t size)
{
    text[size - 1] = '\0';
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ')
        text[--n] = '\0';
}

bool IsEmptyText(const char* text, size_t size)
{
    for (size_t i = 0; i < size && text[i]; ++i)
        if (text[i] != ' ')
            return false;
    return true;
}

// Rebuilds the picture path of "0Company       ": only its file name stays,
// and its folder becomes the images folder of the data files.
void MovePictureToImages(unsigned char* record, int length)
{
    constexpr int kPicture = static_cast<int>(offsetof(TagCompanyRecord, Picture));
    if (length <= kPicture)
        return;
    char* picture = reinterpret_cast<char*>(record + kPicture);
    size_t width = static_cast<size_t>(length - kPicture);
    size_t n = strnlen(picture, width);
    if (n == 0 || n == width)
        return;
    const char* name = picture;
    for (size_t i = 0; i < n; ++i)
        if (picture[i] == '/' || picture[i] == '\\' || picture[i] == ':')
            name = picture + i + 1;
    char file[FOLDER_BUFFER_SIZE];
    std::snprintf(file, sizeof file, "%s", name);
    char images[FOLDER_BUFFER_SIZE];
    GetImagesPath(No(FileNo::General), images);
    char path[FOLDER_BUFFER_SIZE];
    Concat(path, sizeof path, images, file);
    std::memset(picture, 0, width);
    std::memcpy(picture, path, std::min(std::strlen(path), width - 1));
}

bwps::KeyBuffer GeneralKey(const char* key)
{
    bwps::KeyBuffer buffer;
    std::memcpy(buffer.bytes, key, GENERAL_KEY_SIZE);
    return buffer;
}

// Reads one record of a general file by key into its struct.
template <class R>
Status ReadKeyed(Table& file, int op, const char* key, R& record)
{
    bwps::KeyBuffer buffer = GeneralKey(key);
    return file.Get(op, buffer, record);
}

// Reads one record of a general file by key.
template <class R>
Status ReadFromFile(FileNo which, const char* key, R& record)
{
    Table file;
    Status s = file.Open(which);
    if (s.Ok())
        s = ReadKeyed(file, B_GET_EQUAL, key, record);
    return s;
}

// Reads "0sysinterface  " of the store's general file locked (stations
// that rewrite it at the same time take turns instead of meeting a
// conflict), lets `change` alter it (false: nothing to write) and writes it
// back.
template <typename Change>
Status RewriteSysInterface(Change change)
{
    Table file;
    Status s = file.Open(FileNo::General);
    if (!s.Ok())
        return s;
    TagSysInterface record{};
    s = ReadKeyed(file, B_GET_EQUAL + B_LOCK_SINGLE_WAIT, GENERAL_KEY_SYSINTERFACE, record);
    if (!s.Ok())
        return s;
    if (change(record)) {
        bwps::KeyBuffer key = GeneralKey(GENERAL_KEY_SYSINTERFACE);
        return file.Update(record, &key);
    }
    file.Unlock();
    return s;
}

// An exported call's result: its failure reported once; 1 on success.
int Reported(const Status& s)
{
    s.Report();
    return s.Ok() ? 1 : 0;
}

}  // namespace

extern "C" {

int ReadGeneralRecord(int bias, uint16_t handle, int length, const char* key, void* record)
{
    if (!key || !record)
        return B_INVALID_OPERATION;
    if (IsKey(key, GENERAL_KEY_INTERFACE))
        return ReadInterfaceRecord(record);
    if (IsKey(key, GENERAL_KEY_PERIODS))
        return LoadPeriodsRecord(record);
    if (IsKey(key, GENERAL_KEY_SYSTEM))
        return ReadSystemRecordRaw(record);

    Table file;
    Status s = file.Borrow(FileNo::General, handle);
    if (!s.Ok()) {
        // A missing general file is no error here.
        if (!s.Is(B_FILE_NOT_FOUND))
            s.Report();
        return s.status;
    }
    bwps::KeyBuffer buffer = GeneralKey(key);
    s = file.Get(B_GET_EQUAL + bias, buffer.bytes, record, length);
    s.Report();
    if (s.Ok() && IsKey(key, GENERAL_KEY_COMPANY))
        MovePictureToImages(static_cast<unsigned char*>(record), length);
    return s.status;
}

int LoadSysInterfaceRecord(void)
{
    if (!FileExistsAt(GetDataFilePath(No(FileNo::General)))) {
        std::memset(&gInterface, 0, sizeof gInterface);
        FxSetInterfaced(0);
        return 0;
    }
    const Status s = ReadFromFile(FileNo::General, GENERAL_KEY_SYSINTERFACE, gInterface);
    // The shorter record of an earlier release is the conversion's to read.
    const int release = s.Is(B_DATA_BUFFER_TOO_SHORT) ? DetectDataSetVersion(GetFilesPath()) : 0;
    if (release < 10 || release > 15)
        s.Report();
    if (!s.Ok()) {
        std::memset(&gInterface, 0, sizeof gInterface);
        FxSetInterfaced(0);
        return 0;
    }
    TrimField(gInterface.AccountingFolder, sizeof gInterface.AccountingFolder);
    EnsureLaterReleaseFiles();
    // a code replacement stopped between its commit and its end
    bwps::customers::FinishCodeReplacement(GetSessionPaths()->DataPath);
    ConvertSalesHeaderFile();
    ApplySysInterfaceFlags(&gInterface);
    FxSetInterfaced(gInterface.InterfacedChar == 'Y' ? 1 : 0);
    return 1;
}

TagSysInterface* GetSysInterfaceRecord(void)
{
    return &gInterface;
}

int WriteSysInterfaceRecord(void)
{
    return Reported(RewriteSysInterface([](TagSysInterface&) { return true; }));
}

int IsInterfacedToAccounting(void)
{
    return gInterface.Interfaced;
}

void SetInterfacedFlag(int flag)
{
    gInterface.Interfaced = static_cast<int16_t>(static_cast<uint8_t>(flag));
}

int GetSysInterfaceWord25(void)
{
    return gInterface.Word25;
}

int GetSessionOptionWord(void)
{
    return gInterface.SessionOption;
}

int GetSysInterfaceWord53(void)
{
    return gInterface.Word53;
}

int GetSysInterfaceWord57(void)
{
    return gInterface.Word57;
}

char* GetSysInterfaceText96(void)
{
    return gInterface.Text96;
}

char* GetSysInterfaceText102(void)
{
    return gInterface.DefaultTaxCode;
}

int GetInterfaceWord(const void* block, int index)
{
    if (!block || index < 0)
        return 0;
    int16_t value;
    std::memcpy(&value, static_cast<const unsigned char*>(block) + 2 * index, sizeof value);
    return value;
}

char* GetAccountingCompanyPath(void)
{
    if (gAccountingOverride[0])
        return gAccountingOverride;
    gInterface.AccountingFolder[sizeof gInterface.AccountingFolder - 1] = '\0';
    return gInterface.AccountingFolder;
}

void SetAccountingCompanyPath(const char* folder)
{
    std::memset(gInterface.AccountingFolder, 0, sizeof gInterface.AccountingFolder);
    if (folder)
        std::strncpy(gInterface.AccountingFolder, folder, sizeof gInterface.AccountingFolder - 1);
    TrimField(gInterface.AccountingFolder, sizeof gInterface.AccountingFolder);
}

int SetAccountingFolderIfValid(const char* folder)
{
    char text[FOLDER_BUFFER_SIZE] = {};
    if (folder)
        std::strncpy(text, folder, sizeof text - 1);
    TrimField(text, sizeof text);
    if (text[0]) {
        int fileNumber = 0;
        int code = FindAccountingFiles(text, &fileNumber);
        bool accepted = code >= 8 && code <= DATASET_CURRENT && code != 9;
        if (!accepted)
            return 0;
    }
    std::memcpy(gAccountingOverride, text, sizeof gAccountingOverride);
    return 1;
}

int ReadAccountingLinkPath(const char* companyFolder, char* folderOut, int* flagOut)
{
    if (flagOut)
        *flagOut = 0;
    char path[FOLDER_BUFFER_SIZE];
    JoinCompanyFilePath(path, companyFolder, GetDataFileEntry(No(FileNo::General))->Name);
    Table file;
    Status s = file.OpenPath(FileNo::General, path);
    if (!s.Ok()) {
        s.Report();
        return s.status;
    }
    TagSysInterface record{};
    s = ReadKeyed(file, B_GET_EQUAL, GENERAL_KEY_SYSINTERFACE, record);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    if (flagOut)
        *flagOut = record.Interfaced;
    if (record.Interfaced == 1 && folderOut) {
        record.AccountingFolder[sizeof record.AccountingFolder - 1] = '\0';
        std::strcpy(folderOut, record.AccountingFolder);
    }
    return 1;
}

int ApplySysInterfaceFlags(TagSysInterface* record)
{
    if (!record || !IsInterfacedToAccounting())
        return 0;
    TagSystemRecord system;
    std::memset(&system, 0, sizeof system);
    if (ReadSystemRecordRaw(&system) != 0)
        return 0;
    record->SystemByte43 = static_cast<int8_t>(system.Byte43);
    record->SystemByte44 = static_cast<int8_t>(system.Byte44);
    record->ProductActivity = system.ProductActivity;
    record->SystemByte47 = system.Byte47;
    record->SystemByte48 = system.Byte48;
    record->SystemByte49 = system.Byte49;
    std::memset(record->SystemText, 0, sizeof record->SystemText);
    const size_t n = strnlen(system.Text345, sizeof record->SystemText - 1);
    std::memcpy(record->SystemText, system.Text345, n);
    return 1;
}

int FixSysInterfaceRecord(void)
{
    return Reported(RewriteSysInterface([](TagSysInterface& record) {
        if (record.CardAddressEntry != '\0')
            return false;
        record.CardAddressEntry = 'O';
        return true;
    }));
}

int SysInterfaceOptionSet(void)
{
    TagSysInterface record{};
    const Status s = ReadFromFile(FileNo::General, GENERAL_KEY_SYSINTERFACE, record);
    s.Report();
    return s.Ok() && record.OptionSet != '\0';
}

int ReadSystemRecordRaw(void* buffer360)
{
    if (!buffer360)
        return B_INVALID_OPERATION;
    TagSystemRecord* out = static_cast<TagSystemRecord*>(buffer360);
    if (!IsInterfacedToAccounting()) {
        std::memset(out, 0, sizeof *out);
        std::memcpy(out->Key, GENERAL_KEY_SYSTEM, GENERAL_KEY_SIZE);
        out->Byte16 = 'A';
        return 0;
    }
    TagAccountingSystemRecord work;
    const Status s = ReadFromFile(FileNo::AccountingGeneral, GENERAL_KEY_SYSTEM, work);
    // A failed read leaves the buffer as it was, and says so.
    if (!s.Ok())
        return s.Report(), s.status;
    std::memset(out, 0, sizeof *out);
    bwps::records::CopyBytes(out, &work, kSystemFromAccounting);
    out->Byte29 = work.Byte365 == 'Y' ? 'D' : 'S';
    const size_t n = strnlen(work.Text414, std::min(sizeof work.Text414, sizeof out->Text345 - 1));
    std::memcpy(out->Text345, work.Text414, n);
    return 0;
}

int ReadInterfaceRecord(void* record204)
{
    if (!record204)
        return B_INVALID_OPERATION;
    if (!IsInterfacedToAccounting()) {
        InterfaceRecordDefaults(record204, nullptr);
        return 0;
    }
    TagInterfaceRecord record;
    const Status s = ReadFromFile(FileNo::AccountingGeneral, GENERAL_KEY_INTERFACE, record);
    s.Report();
    if (s.Ok())
        std::memcpy(record204, &record, sizeof record);
    return s.status;
}

int CheckInterfaceAccountsFilled(void)
{
    if (!IsInterfacedToAccounting())
        return 1;
    LoadSysInterfaceRecord();
    for (const auto& account : gInterface.Accounts) {
        if (IsEmptyText(account, sizeof account)) {
            ShowMessage(461, 1);
            return 0;
        }
    }
    if (IsEmptyText(gInterface.DefaultTaxCode, sizeof gInterface.DefaultTaxCode)) {
        ShowMessage(463, 1);
        return 0;
    }
    return 1;
}

void ResetSettingsState(void)
{
    std::memset(&gInterface, 0, sizeof gInterface);
    std::memset(gAccountingOverride, 0, sizeof gAccountingOverride);
    bwps::catalogue::ResetStationPrintSettings();
}

}  // extern "C"
