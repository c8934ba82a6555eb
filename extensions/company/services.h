// What the company jobs use of bwpsbase and of the screen framework, behind
// one small set of calls. Services that are not in this build answer
// through stand-ins that say so (see session_steps.cpp).
#pragma once

#include <cstdint>
#include <string>

#include <recman.h>

#include "bwps/files.h"

namespace bwps {
struct Status;
}

struct SessionBlock;

namespace bwps1 {

constexpr int B_OPEN_REPORT = -100;  // operation code of an open in error reports

// The session block of bwpsbase (kept from load).
SessionBlock* Session();
void SetSession(SessionBlock* block);

// Session fields used here, as plain values.
int& CommandNumber();
int& ExitCode();
const char* DataPath();
const char* ProgramPath();
const char* BasePath();
void SetDataPath(const char* folder);
void SetCompanyName(const char* name);
void SetCompanyRecord(const void* record168);
const void* CompanyRecord();

// Catalogue and folders.
std::string DataFileName(int file);       // the name the session uses
std::string CatalogueFileName(int file);  // the catalogue's own name
int DataFileKind(int file);
std::string DataFilePathOf(int file);
int CreateDataFileIn(int file, const char* folder);
std::string DataFileName(bwps::FileNo file);
int CreateDataFileIn(bwps::FileNo file, const char* folder);
int CreateMissingFiles(const char* folder);
void SetDataFolders(const char* dataFolder);  // program unchanged, data, base
int DetectDataSetVersion(const char* folder);
int RecordLength(uint16_t handle);

// Settings records.
bool ReloadSysInterface();
bool SetAccountingFolderIfValid(const char* text);
bool IsInterfaced();
bool WriteDataVersionStamp(uint16_t handle, const char* folder, int* status);

// Reports and messages.
void ReportError(int status, int operation, int file, const char* path);
// The same for a status; nothing for success.
void ReportError(const bwps::Status& status, const char* path);
// The record-manager operation of the last step of SetDefaultCompany.
int LastDefaultMarkOperation();
// Asks a numbered message with a button list such as "Yes,No" (null: the
// message's own); the chosen button from 1, 0 when none was chosen.
int AskNumberedMessage(int number, const char* buttons, int defaultChoice);
void ShowNumberedMessage(int number);
void ShowTextMessage(const char* text);
bool AskYesNoText(const char* text);

// Texts, dates, files.
std::string Trim(const char* text);

// A named status window, open for the life of the object.
class StatusWindow {
public:
    explicit StatusWindow(const char* name);
    ~StatusWindow();
    StatusWindow(const StatusWindow&) = delete;
    StatusWindow& operator=(const StatusWindow&) = delete;

private:
    intptr_t handle_ = 0;
};

// The framework context of a direct entry of the host (begun and ended
// around the call).
class FrameworkContext {
public:
    FrameworkContext(int x, int y, int z);
    ~FrameworkContext();
    FrameworkContext(const FrameworkContext&) = delete;
    FrameworkContext& operator=(const FrameworkContext&) = delete;
};
int32_t Today();
int CurrentYear();

} // namespace bwps1
