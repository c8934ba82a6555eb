// Library load and the session API: the session block, the start and stop
// of a session, paths, the interfaced flag, company information, the
// customer and product picks and the company-id list.
#include "bwps/files.h"
#include "bwps/session.h"

#include <dlfcn.h>
#include <strings.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/check_table.h"
#include "bwps/messages.h"
#include "bwps/lookups.h"
#include "bwps/neighbours.h"
#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/settings.h"
#include "bwps/stations.h"
#include "bwps/table.h"
#include "bwps/users.h"
#include "bwps/versions.h"
#include "bwps/window_positions.h"
#include "fx.h"
#include "recman.h"
#include "session/services_internal.h"
#include "session/session_internal.h"

namespace {

SessionBlock g_session;            // zero at load
void* g_moduleHandle = nullptr;
char g_libraryFolder[BWPS_PATH_SIZE];

// Company-id enumerator: built on first use, freed at unload.
struct AppCidList {
    CompanyIdRecord* records = nullptr;
    int next = 0;
    int count = 0;

    void Clear()
    {
        if (records != nullptr)
            FxFree(records);
        records = nullptr;
        next = 0;
        count = 0;
    }
};
AppCidList g_appCids;

const char kInterfaceKey[] = "0sysinterface  ";
const char kCompanyKey[] = "0Company       ";
const int kInterfaceLength = 477;
const int kCompanyLength = 818;

// Copies at most size - 1 characters into a cleared buffer.
void CopyBounded(char* out, int size, const char* text)
{
    if (out == nullptr || size <= 0)
        return;
    std::memset(out, 0, static_cast<size_t>(size));
    if (text == nullptr)
        return;
    size_t n = strnlen(text, static_cast<size_t>(size - 1));
    std::memcpy(out, text, n);
}

// Clears a path field of the session block and sets it.
void SetPathField(char* field, const char* text, const char* suffix = nullptr)
{
    std::memset(field, 0, BWPS_PATH_SIZE);
    size_t n = strnlen(text, BWPS_PATH_SIZE - 1);
    std::memcpy(field, text, n);
    if (suffix != nullptr) {
        size_t room = BWPS_PATH_SIZE - 1 - n;
        size_t m = strnlen(suffix, room);
        std::memcpy(field + n, suffix, m);
    }
}

// The folder of this library, from the dynamic loader.
void FindLibraryFolder()
{
    std::memset(g_libraryFolder, 0, sizeof g_libraryFolder);
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&FindLibraryFolder), &info) == 0 || info.dli_fname == nullptr)
        return;
    g_moduleHandle = info.dli_fbase;
    char resolved[PATH_MAX];
    const char* name = info.dli_fname;
    if (realpath(name, resolved) != nullptr)
        name = resolved;
    const char* slash = std::strrchr(name, '/');
    if (slash == nullptr)
        return;  // a name without a folder is cut to empty
    size_t n = static_cast<size_t>(slash - name);
    if (n >= sizeof g_libraryFolder)
        n = sizeof g_libraryFolder - 1;
    std::memcpy(g_libraryFolder, name, n);
}

// Start-up routine of the library: keep the module handle and take the
// program folder from the library's own location.
__attribute__((constructor)) void LibraryLoaded()
{
    FindLibraryFolder();
    BWPSSetExePath(g_libraryFolder);
}

__attribute__((destructor)) void LibraryUnloaded()
{
    g_appCids.Clear();
}

// Fills a fixed field of a settings record: blanks over the whole width, at
// most width - 1 characters of the text, a NUL in the last byte.
template <size_t Width>
void FillCompanyField(char (&field)[Width], const char* text)
{
    std::memset(field, ' ', Width);
    if (text != nullptr) {
        size_t n = strnlen(text, Width - 1);
        std::memcpy(field, text, n);
    }
    field[Width - 1] = '\0';
}

// Copies a field of a picked record: at most `width` characters, padded
// with NULs to the width.
void CopyPickField(char* out, int outOffset, const uint8_t* record, int offset, int width)
{
    const char* src = reinterpret_cast<const char*>(record + offset);
    size_t n = strnlen(src, static_cast<size_t>(width));
    std::memcpy(out + outOffset, src, n);
    std::memset(out + outOffset + n, 0, static_cast<size_t>(width) - n);
}

// A field of a lookup's pick buffer: where it goes, where it comes from in
// the picked record, and its width.
struct PickField {
    int to;
    int from;
    int width;
};

using LookupDialog = int (*)(const char*, int, uint16_t, void*, uint16_t, uint16_t, uint16_t, uint16_t,
                             FxHandler, char);

// Runs a lookup dialog over a data file and, when a record was picked,
// copies its fields into the buffer. The dialog's result (masked), or 0
// when the file cannot be opened.
template <size_t RecordSize, size_t FieldCount>
int LookupAndPick(bwps::FileNo file, LookupDialog dialog, int resultMask,
                  const PickField (&fields)[FieldCount], char* buffer)
{
    bwps::Table table;
    const bwps::Status status = table.Open(file);
    if (!status.Ok()) {
        bwps::Status{status.status, 0, file}.Report();  // an open reported as operation 0
        return 0;
    }
    uint8_t record[RecordSize] = {};
    int result = dialog(nullptr, 0, table.Handle(), record, 4, 4, 20, 60, nullptr, 1) & resultMask;
    if (result != 0 && buffer != nullptr) {
        std::memset(buffer, 0, 4);
        for (const PickField& field : fields)
            CopyPickField(buffer, field.to, record, field.from, field.width);
    }
    return result;
}

int HandOutAppCid(char* idBuffer, int idSize, char* pathBuffer, int pathSize, int32_t* date,
                  char* status)
{
    if (g_appCids.records == nullptr || g_appCids.next >= g_appCids.count) {
        g_appCids.Clear();
        return 0;
    }
    CompanyIdRecord record = g_appCids.records[g_appCids.next];
    g_appCids.next += 1;
    if (g_appCids.next >= g_appCids.count)
        g_appCids.Clear();

    char id[sizeof record.CompanyId + 1] = {};
    std::memcpy(id, record.CompanyId, sizeof record.CompanyId);
    char folder[sizeof record.Folder + 1] = {};
    std::memcpy(folder, record.Folder, sizeof record.Folder);
    CopyBounded(idBuffer, idSize, id);
    CopyBounded(pathBuffer, pathSize, folder);
    if (date != nullptr)
        *date = record.Date;
    if (status != nullptr)
        *status = record.Status;
    return 1;
}

}  // namespace

namespace bwps::session {

const char* LibraryFolder()
{
    return g_libraryFolder;
}

}  // namespace bwps::session

extern "C" {

BWPS_EXPORT SessionBlock* GetSessionPaths(void)
{
    return &g_session;
}

BWPS_EXPORT void* GetLibraryModuleHandle(void)
{
    return g_moduleHandle;
}

BWPS_EXPORT int BWPSSetExePath(const char* folder)
{
    if (folder == nullptr)
        return 0;
    SetPathField(g_session.ProgramPath, folder);
    SetPathField(g_session.BasePath, folder, "/RAZAVUR");
    SetPathField(g_session.DictionaryPath, folder, "/ROVAZERI");
    SetFolders(g_session.ProgramPath, g_session.DataPath, g_session.BasePath);
    return 0;
}

BWPS_EXPORT int BWPSSetFilesPath(const char* folder)
{
    if (folder == nullptr)
        return 0;
    SetPathField(g_session.DataPath, folder);
    SetFolders(g_session.ProgramPath, g_session.DataPath, g_session.BasePath);
    return 0;
}

BWPS_EXPORT int BWPSSetHelpPath(const char* folder)
{
    FxSetHelpFile("BPOS13.HLP");
    FxWindowStateRestore(FxWindowStateSave(0));
    FxSetHelpFolder(folder);
    return 1;
}

BWPS_EXPORT int BWPSSetProgramDate(int32_t date)
{
    return FxSetProgramDate(date);
}

BWPS_EXPORT void* BWPSSetOwnerWnd(void* window)
{
    FxSetOwnerWindow(window);
    return window;
}

BWPS_EXPORT void SetFrameworkIdentity(void)
{
    FxSetAppFlags(0);
    FxSetPathLength(260);
    FxSetAppMode(1);
    FxSetProductId(125);
    FxSetInterfaced(0);  // not interfaced until the interface record says so
    FxSetProductNumber(4);
    FxSetAppVersionFlag(1);
    FxSetAppTitle("Bramlow Point of Sale");
    FxSetAppCode("BWPOS");
    FxSetAppShortName("BwPOS");
    FxSetAppKey("BwPOSV13");
    FxSetProductName("Point Of Sale");
    FxSetAppVersion("13");
    FxSetHelpFile("BPOS13.HLP");
    FxSetAccountingHelpFile("BWACS13.HLP");
    FxSetSingleUserTitle("Bramlow Point of Sale (Single-User)");
}

BWPS_EXPORT int LoadScreensLibrary(const char* programFolder)
{
    const char* folder = programFolder != nullptr ? programFolder : g_libraryFolder;
    char path[FOLDER_BUFFER_SIZE + 32];
    std::snprintf(path, sizeof path, "%s/%s", folder, "DADOVIDA.DLL");
    return FxLoadScreenLibrary(path);
}

BWPS_EXPORT void FillSessionPathBlock(SessionPathBlock* block)
{
    std::memset(block, 0, sizeof *block);
    std::memcpy(block->ProgramPath, g_session.ProgramPath, BWPS_PATH_SIZE);
    std::memcpy(block->BasePath, g_session.BasePath, BWPS_PATH_SIZE);
    std::memcpy(block->DictionaryPath, g_session.DictionaryPath, BWPS_PATH_SIZE);
    std::memcpy(block->DataPath, g_session.DataPath, BWPS_PATH_SIZE);
    if (IsInterfacedToAccounting()) {
        const char* accounting = GetAccountingCompanyPath();
        if (accounting != nullptr)
            CopyBounded(block->AccountingPath, BWPS_PATH_SIZE, accounting);
    }
    block->Zero = 0;
    block->One = 1;
}

BWPS_EXPORT int StartRecordManagerSession(void)
{
    SessionPathBlock block;
    FillSessionPathBlock(&block);
    return BtrSetClientConfig(&block);
}

BWPS_EXPORT int OpenScreenResourceFiles(void)
{
    char n90[32], n91[32], n92[32], n93[32], n95[32];
    CopyDataFileName(90, n90);
    CopyDataFileName(91, n91);
    CopyDataFileName(92, n92);
    CopyDataFileName(93, n93);
    CopyDataFileName(95, n95);
    FxOpenStringFiles(g_session.BasePath, n90, n91);
    FxOpenScreenFiles(g_session.BasePath, n92, n93, n95);
    return 0;
}

BWPS_EXPORT int BWPSStartSession(const char* programFolder, const char* dataFolder)
{
    SetFrameworkIdentity();
    LoadScreensLibrary(programFolder);
    FxSetAppCode("BWPOS");
    FxStart();
    BWPSSetHelpPath(programFolder != nullptr ? programFolder : g_libraryFolder);
    BWPSSetFilesPath(dataFolder);
    StartRecordManagerSession();
    OpenScreenResourceFiles();
    RestoreWindowPositions("BPOSWPOS.DB");
    return 1;
}

BWPS_EXPORT int BWPSStopSession(void)
{
    FxUnloadScreenLibrary();
    FxStop();
    FxCloseStringFiles();
    FxCloseScreenFiles();
    SaveWindowPositions();
    SessionPathBlock zero;
    std::memset(&zero, 0, sizeof zero);
    BtrSetClientConfig(&zero);
    return 1;
}

BWPS_EXPORT int LoadInterfaceRecord(void)
{
    TagSysInterface* record = GetSysInterfaceRecord();
    const char* path = GetDataFilePath(bwps::No(bwps::FileNo::General));
    if (path == nullptr || FxFileAccess(path, 0) == -1) {
        std::memset(record, 0, sizeof *record);
        return 0;
    }
    bwps::Table general;
    bwps::Status status = general.OpenPath(bwps::FileNo::General, path);
    if (!status.Ok()) {
        status.Report();
        std::memset(record, 0, sizeof *record);
        return 0;
    }
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, kInterfaceKey, sizeof kInterfaceKey);
    status = general.Get(B_GET_EQUAL, key.data(), record, kInterfaceLength);
    if (!status.Ok()) {
        std::memset(record, 0, sizeof *record);
        status.Report();
    }
    general.Close();
    FxTrimText(5, record->AccountingFolder);
    FxSetInterfaced(record->InterfacedChar == 'Y' ? 1 : 0);
    return status.Ok() ? 1 : 0;
}

BWPS_EXPORT int BWPSIsInterfaced(void)
{
    LoadInterfaceRecord();
    return IsInterfacedToAccounting();
}

BWPS_EXPORT int BWPSGetBasePath(char* buffer, int size)
{
    if (buffer == nullptr || size <= 0)
        return 0;
    std::memset(buffer, 0, static_cast<size_t>(size));
    const char* base = GetBasePath();
    if (base == nullptr || base[0] == '\0')
        return 0;
    CopyBounded(buffer, size, base);
    return 1;
}

BWPS_EXPORT int BWPSGetAccountingPath(const char* companyFolder, char* buffer, int size)
{
    if (buffer != nullptr && size > 0)
        std::memset(buffer, 0, static_cast<size_t>(size));
    if (companyFolder == nullptr)
        return 0;
    char folder[FOLDER_BUFFER_SIZE] = {};
    int flag = 0;
    if (ReadAccountingLinkPath(companyFolder, folder, &flag) != 1 || flag != 1)
        return 0;
    CopyBounded(buffer, size, folder);
    return 1;
}

BWPS_EXPORT int BWPSUpdateCompanyInfo(const char* t1, const char* t2, const char* t3,
                                      const char* t4, const char* t5, const char* t6,
                                      const char* t7, const char* t8, const char* t9,
                                      const char* t10, const char* t11, const char* t12,
                                      const char* t13, const char* t14)
{
    bwps::Table general;
    const bwps::Status opened = general.Open(bwps::FileNo::General);
    if (!opened.Ok()) {
        opened.Report();
        return 0;
    }
    TagCompanyRecord record{};
    static_assert(sizeof record == kCompanyLength);
    if (ReadGeneralRecord(0, general.Handle(), kCompanyLength, kCompanyKey, &record) != 0)
        return 0;
    FillCompanyField(record.ShortName, t1);
    FillCompanyField(record.Name, t1);
    FillCompanyField(record.Address1, t2);
    FillCompanyField(record.Address2, t3);
    FillCompanyField(record.Address3, t4);
    FillCompanyField(record.Text221, t5);
    FillCompanyField(record.Text237, t6);
    FillCompanyField(record.Text241, t7);
    FillCompanyField(record.Text252, t8);
    FillCompanyField(record.Text268, t9);
    FillCompanyField(record.Text284, t10);
    FillCompanyField(record.Text300, t11);
    FillCompanyField(record.Text341, t12);
    FillCompanyField(record.Text393, t13);
    FillCompanyField(record.Text424, t14);
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, kCompanyKey, sizeof kCompanyKey);
    const bwps::Status updated = general.Update(record, &key);
    if (!updated.Ok())  // reported as the read of the record
        bwps::Status{updated.status, B_GET_EQUAL, bwps::FileNo::General}.Report();
    return updated.Ok() ? 1 : 0;
}

BWPS_EXPORT int BWPSLookupCustomer(char* buffer)
{
    static constexpr PickField kFields[] = {{0, 0, 10},  {11, 350, 40}, {52, 575, 10},
                                            {63, 46, 5}, {69, 707, 10}, {80, 40, 5},
                                            {86, 64, 5}};
    return LookupAndPick<795>(bwps::FileNo::Customers, FlyCustomers, ~0, kFields, buffer);
}

BWPS_EXPORT int BWPSLookupProduct(char* buffer)
{
    static constexpr PickField kFields[] = {{0, 0, 14},  {15, 15, 30}, {46, 85, 5},
                                            {52, 58, 8}, {61, 102, 10}, {72, 637, 3}};
    return LookupAndPick<668>(bwps::FileNo::Products, FlyProducts, 0xFF, kFields, buffer);
}

BWPS_EXPORT int BWPSGetFirstAppCID(void* /*unused*/, char* idBuffer, int idSize, char* pathBuffer,
                                   int pathSize, int32_t* date, char* status)
{
    g_appCids.Clear();
    int count = 0;
    const char* base = GetBasePath();
    if (ReadCompanyIdRecords(base, nullptr, 0, &count) == 0 && count > 0) {
        auto* records = static_cast<CompanyIdRecord*>(FxAlloc(count, sizeof(CompanyIdRecord)));
        if (records != nullptr) {
            int read = 0;
            ReadCompanyIdRecords(base, records, count, &read);
            if (read > 0) {
                g_appCids.records = records;
                g_appCids.count = read < count ? read : count;
                g_appCids.next = 0;
            } else {
                FxFree(records);
            }
        }
    }
    return HandOutAppCid(idBuffer, idSize, pathBuffer, pathSize, date, status);
}

BWPS_EXPORT int BWPSGetNextAppCID(void* /*unused*/, char* idBuffer, int idSize, char* pathBuffer,
                                  int pathSize, int32_t* date, char* status)
{
    return HandOutAppCid(idBuffer, idSize, pathBuffer, pathSize, date, status);
}

BWPS_EXPORT int BWPSUpdateAppCID(const char* companyId, const char* folder)
{
    if (folder == nullptr)
        return 0;
    uint16_t handle = 0;
    int created = 0;
    if (OpenCompanyIdFile(&handle, GetBasePath(), 0, &created) != 0)
        return 0;
    bwps::Table list;
    list.Adopt(bwps::FileNo::CompanyIds, handle);  // closed on every way out

    CompanyIdRecord record{};
    char key[256] = {};
    bool match = false;
    bool defaultExists = false;
    int status = BtrGet(B_GET_FIRST, handle, key, &record, sizeof record);
    while (status == 0 && !match) {
        char stored[sizeof record.Folder + 1] = {};
        std::memcpy(stored, record.Folder, sizeof record.Folder);
        if (strcasecmp(stored, folder) == 0) {
            match = true;
            break;
        }
        if (record.Status == 'D')
            defaultExists = true;
        status = BtrGet(B_GET_NEXT, handle, key, &record, sizeof record);
    }

    int result = match ? 1 : 0;
    if (!match && (status == 0 || status == 4 || status == 9)) {
        std::memset(&record, 0, sizeof record);
        if (companyId != nullptr)
            std::memcpy(record.CompanyId, companyId, strnlen(companyId, 18));
        std::memcpy(record.Folder, folder, strnlen(folder, 143));
        record.Status = defaultExists ? 'N' : 'D';
        record.Date = FxToday();
        std::memset(key, 0, sizeof key);
        result = BtrWrite(B_INSERT, handle, key, &record, sizeof record) == 0 ? 1 : 0;
    }
    return result;
}

BWPS_EXPORT void BWPSResetSession(void)
{
    // Everything a session leaves in memory goes, so that a second session
    // in the same process starts as the first did.
    g_appCids.Clear();
    std::memset(&g_session, 0, sizeof g_session);
    ResetUserState();
    ResetCatalogueState();
    ResetSettingsState();
    ResetReportsState();
    ResetCheckTable();
    bwps::session::ResetErrorReports();
    bwps::detail::ResetServicesState();
    bwps::posting::ResetPostingState();
    SetStationColourKeep(0);
    BWPSSetExePath(g_libraryFolder);
}

}  // extern "C"
