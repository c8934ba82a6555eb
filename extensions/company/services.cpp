// The calls of the company jobs into bwpsbase.
#include "extensions/company/services.h"

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/records.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "bwps/versions.h"

#include <cstring>
#include <string>

namespace bwps1 {

namespace {
SessionBlock* g_session = nullptr;

void CopyField(char* field, size_t size, const char* text)
{
    std::memset(field, 0, size);
    if (text) std::strncpy(field, text, size - 1);
}
} // namespace

SessionBlock* Session()
{
    if (!g_session) g_session = GetSessionPaths();
    return g_session;
}
void SetSession(SessionBlock* block) { g_session = block; }

int& CommandNumber() { return Session()->CommandNumber; }
int& ExitCode() { return Session()->ExitCode; }
const char* DataPath() { return Session()->DataPath; }
const char* ProgramPath() { return Session()->ProgramPath; }
const char* BasePath() { return Session()->BasePath; }

void SetDataPath(const char* folder)
{
    std::string f = Trim(folder);
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    CopyField(Session()->DataPath, sizeof Session()->DataPath, f.c_str());
}

void SetCompanyName(const char* name)
{
    CopyField(Session()->CompanyName, sizeof Session()->CompanyName, name);
}

void SetCompanyRecord(const void* record168)
{
    std::memcpy(Session()->CompanyRecord, record168, sizeof Session()->CompanyRecord);
}

const void* CompanyRecord() { return Session()->CompanyRecord; }

std::string DataFileName(int file)
{
    const char* name = GetDataFileName(file);
    return name ? name : "";
}

std::string CatalogueFileName(int file)
{
    char buffer[FOLDER_BUFFER_SIZE] = {};
    const char* name = CopyDataFileName(file, buffer);
    return name ? name : "";
}

int DataFileKind(int file) { return GetDataFileKind(file); }

std::string DataFilePathOf(int file)
{
    const char* path = GetDataFilePath(file);
    return path ? path : "";
}

int CreateDataFileIn(int file, const char* folder)
{
    char spec[FILE_SPEC_SIZE] = {};
    return CreateDataFile(file, 0, folder, nullptr, spec);
}

std::string DataFileName(bwps::FileNo file) { return DataFileName(bwps::No(file)); }
int CreateDataFileIn(bwps::FileNo file, const char* folder)
{
    return CreateDataFileIn(bwps::No(file), folder);
}

int CreateMissingFiles(const char* folder) { return CreateMissingDataFiles(folder); }

void SetDataFolders(const char* dataFolder) { SetFolders(nullptr, dataFolder, BasePath()); }

int DetectDataSetVersion(const char* folder) { return ::DetectDataSetVersion(folder); }

int RecordLength(uint16_t handle)
{
    alignas(8) unsigned char buffer[RECMAN_STAT_BUFFER] = {};
    if (BtrStat(handle, buffer) != 0) return -1;
    uint16_t length = 0;
    std::memcpy(&length, buffer, sizeof length);
    return length;
}

bool ReloadSysInterface() { return LoadSysInterfaceRecord() != 0; }
bool SetAccountingFolderIfValid(const char* text) { return ::SetAccountingFolderIfValid(text) != 0; }
bool IsInterfaced() { return IsInterfacedToAccounting() != 0; }
bool WriteDataVersionStamp(uint16_t handle, const char* folder, int* status)
{
    return ::WriteDataVersionStamp(handle, folder, status);
}

// The report names the file that was really used: its own path when the
// caller has one (a company that is not the session's, a file set aside),
// else the catalogue's path of the file number.
void ReportError(int status, int operation, int file, const char* path)
{
    if (path && *path) ShowRecordManagerError(status, 1, operation, path, 0);
    else ReportRecordManagerError(status, 1, operation, file, 0);
}

void ReportError(const bwps::Status& status, const char* path)
{
    if (!status.Ok()) ReportError(status.status, status.operation, bwps::No(status.file), path);
}

int AskNumberedMessage(int number, const char* buttons, int defaultChoice)
{
    int choice = defaultChoice;
    // The first byte of the list names the default button.
    char list[128] = {};
    list[0] = static_cast<char>(defaultChoice > 0 ? defaultChoice : 1);
    if (buttons) std::strncpy(list + 1, buttons, sizeof list - 2);
    uint8_t colours[COLOR_SET_SIZE];
    SetColorSet(colours, 5);
    if (AskMessage(number, 1, &choice, buttons ? list : nullptr, colours, -1, -1, 0, 0, 0) != 0)
        return 0;
    return choice;
}

void ShowNumberedMessage(int number) { ShowMessage(number, 1); }

std::string Trim(const char* text)
{
    std::string s = text ? text : "";
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    const size_t last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

} // namespace bwps1
