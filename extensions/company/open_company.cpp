// Opening a company: the default company at start-up, the "Open Company"
// list, the selection of a record and the host's direct entry.
#include "bwps/files.h"
#include "extensions/company/company.h"
#include "extensions/company/session_steps.h"
#include "extensions/company/screens.h"
#include "extensions/company/services.h"

#include "bwps/catalogue.h"
#include "bwps/table.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace bwps1;

namespace bwps1 {

OpenCompanyState& DialogState()
{
    static OpenCompanyState state;
    return state;
}

// Makes the folder of the record the session's data folder.
static bool TakeFolder(const CompanyListRecord& record, bool checkReload)
{
    SetDataPath(record.Folder);
    SetCompanyRecord(&record);
    if (record.CompanyId[0]) SetCompanyName(record.CompanyId);
    SetDataFolders(DataPath());
    const bool loaded = ReloadSysInterface();
    if (checkReload && !loaded) {
        ShowNumberedMessage(371);
        return false;
    }
    SetAccountingFolderIfValid(" ");
    return true;
}

bool SelectCompanyFolder(const CompanyListRecord& record, int a, int b)
{
    const int code = DetectDataSetVersion(record.Folder);
    if (code == DataSetCurrent) {
        if (!TakeFolder(record, true)) return false;
        DialogState().chosen = true;
        return true;
    }
    if (code >= 10 && code <= 15) {
        if (ShowFileConvert(record.Folder, a, b) == 0) {
            TakeFolder(record, false);
            DialogState().chosen = true;
        }
        return true;
    }
    if (code >= 5 && code <= 9) {
        ShowNumberedMessage(897);
        return false;
    }
    if (code == 0 || code == DataSetUnusable) {
        ShowNumberedMessage(371);
        return false;
    }
    return true;
}

// The record of the session's data folder: its list record when the list
// holds it, else one built from the folder and the company name.
static void RecordOfDataPath(uint16_t handle, CompanyListRecord& record)
{
    char key[256] = {};
    CompanyListRecord r;
    int keyNumber = 0, second = 0;
    BtrGetDefaults(handle, &keyNumber, &second);
    BtrSetDefaults(handle, 2, -1);
    for (int status = BtrGet(B_GET_FIRST, handle, key, &r, sizeof r); status == 0;
         status = BtrGet(B_GET_NEXT, handle, key, &r, sizeof r)) {
        if (Trim(r.Folder) == Trim(DataPath())) {
            record = r;
            BtrSetDefaults(handle, keyNumber, second);
            return;
        }
    }
    BtrSetDefaults(handle, keyNumber, second);
    std::memset(&record, 0, sizeof record);
    record.Status = 'N';
    std::strncpy(record.Folder, DataPath(), sizeof record.Folder - 1);
    std::snprintf(record.CompanyId, sizeof record.CompanyId, "%.18s", Session()->CompanyName);
    // A record that stands for an open company carries a date: the list
    // dialog tells "a company is open" by it.
    record.Date = Today();
}

// Opens the default company (or the session's data folder). The action is
// a key code: 0x4400 opened, 0x4200 create one, 13 convert first, 27 give up.
bool OpenDefaultCompany(uint16_t handle, int* action, CompanyListRecord& record, int* defaultNotSet)
{
    *action = 0;
    *defaultNotSet = 0;
    if (DataPath()[0] == 0) {
        char key[256] = {};
        BtrSetDefaults(handle, 0, -1);
        const int status = BtrGet(B_GET_FIRST, handle, key, &record, sizeof record);
        if (status != 0) {
            if (!HostGaveCompany()) {
                *defaultNotSet = 1;
                return false;
            }
            if (!RunNewUserScreen(handle, record)) {
                DialogState().newUser = true;
                *action = 0x4200;
                return false;
            }
        }
    } else {
        RecordOfDataPath(handle, record);
    }

    const int code = DetectDataSetVersion(record.Folder);
    if (code == DataSetCurrent) {
        *action = 0x4400;
        SetFolders(ProgramPath(), record.Folder, BasePath());
        if (!ReloadSysInterface()) {
            *action = 27;
            return false;
        }
        return true;
    }
    if (code >= 10 && code <= 15) {
        *action = 13;
        return false;
    }
    if (code >= 5 && code <= 9) {
        const int choice = AskNumberedMessage(947, nullptr, 1);
        if (choice == 0 || choice == 1) {
            *action = 27;
            return false;
        }
        ExitCode() = ExitRunRestore;
        return true;
    }
    AskNumberedMessage(1487, "Continue", 1);
    *action = 27;
    return false;
}

} // namespace bwps1

BWPS1_API int OpenCompany(int firstPass, int* listCreated, int* defaultKnown)
{
    DialogState() = OpenCompanyState{};
    int createdDummy = 0, knownDummy = 0;
    if (!listCreated) listCreated = &createdDummy;
    if (!defaultKnown) defaultKnown = &knownDummy;
    *listCreated = 0;
    *defaultKnown = 1;

    // Without the list's columns or the list itself no company can be
    // chosen: the caller is told so.
    if (GetColumnDefinitions85() != 0) return 0;

    // The company the host named is converted first, whether or not the
    // list holds it (and before the list is open: the conversion ends with
    // a pass over every file); then it opens as a current one.
    if (firstPass && DataPath()[0] != 0) {
        const int code = DetectDataSetVersion(DataPath());
        if (code >= 10 && code <= 15 && ShowFileConvert(DataPath(), 1, 0) != 0) return 0;
    }

    uint16_t handle = 0;
    int status = OpenCompanyList(&handle, BasePath(), 0, listCreated);
    if (status != 0) {
        ReportError(status, B_OPEN_REPORT, bwps::No(bwps::FileNo::CompanyIds), nullptr);
        return 0;
    }
    // Closed on every way out.
    bwps::Table list;
    list.Adopt(bwps::FileNo::CompanyIds, handle);

    if (firstPass && *listCreated && !HostGaveCompany()) {
        ShowTextMessage("Cannot open default company. Please try again.");
        *defaultKnown = 0;
        return 0;
    }

    BtrSetDefaults(handle, 0, -1);
    int action = 0;
    CompanyListRecord record;
    std::memset(&record, 0, sizeof record);
    if (firstPass) {
        int defaultNotSet = 0;
        OpenDefaultCompany(handle, &action, record, &defaultNotSet);
        if (defaultNotSet) {
            ShowTextMessage("Default company is not set. Please try again.");
            *defaultKnown = 0;
            return 0;
        }
        if (ExitCode() == ExitRunRestore) {
            return 0;
        }
        if (action == 0x4400) {
            SetCompanyName(record.CompanyId);
            SetDataPath(record.Folder);
            SetFolders(ProgramPath(), DataPath(), BasePath());
            HandDataFolderToFramework();
            SetCompanyRecord(&record);
            ReloadSysInterface();
            return 1;
        }
        if (action == 27) {
            return 0;
        }
    }

    if (!RunCompanyListDialog(handle, action, record)) {
        return 0;
    }

    char key[256] = {};
    CompanyListRecord first;
    status = BtrGet(B_GET_FIRST, handle, key, &first, sizeof first);
    list.Close();
    if (status != 0) return 1;
    const auto* current = static_cast<const CompanyListRecord*>(CompanyRecord());
    if (current->Date == 0) return 1;
    HandDataFolderToFramework();
    return DialogState().chosen ? 1 : 0;
}

BWPS1_API int BWPSFileOpenSelect(const char* name, const char* folder, int /*unused*/, int b,
                                 int x, int y, int z, int statusQuiet)
{
    FrameworkContext context(x, y, z);
    ReloadSysInterface();
    SetStatusWindowQuietFlag(statusQuiet);
    uint16_t handle = 0;
    int created = 0;
    const int status = OpenCompanyList(&handle, BasePath(), 0, &created);
    if (status != 0) {
        ReportError(status, B_OPEN_REPORT, bwps::No(bwps::FileNo::CompanyIds), nullptr);
        return 0;
    }
    // Opened only to make sure the list exists: closed again at once.
    bwps::Table(bwps::FileNo::CompanyIds).Adopt(bwps::FileNo::CompanyIds, handle);
    CompanyListRecord record;
    std::memset(&record, 0, sizeof record);
    record.Status = 'N';
    std::strncpy(record.CompanyId, name ? name : "", sizeof record.CompanyId - 1);
    std::strncpy(record.Folder, folder ? folder : "", sizeof record.Folder - 1);
    return SelectCompanyFolder(record, 0, b) ? 1 : 0;
}
