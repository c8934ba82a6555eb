// Creating a company: a new data folder with every data file created empty,
// the general settings file seeded, the default tenders and the seed files
// of the base folder.
#include "extensions/company/company.h"
#include "extensions/company/session_steps.h"
#include "extensions/company/services.h"

#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace bwps1;

namespace {

constexpr int kGeneralFile = 31;
constexpr int kTenderFile = 33;
constexpr int kAccountingGeneralFile = 15;

std::string JoinPath(const std::string& folder, const std::string& name)
{
    std::string p = folder;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (!p.empty()) p += '/';
    return p + name;
}

void PutKey(char* record, const char* name)
{
    std::memset(record, ' ', 15);
    std::memcpy(record, name, std::strlen(name));
    record[15] = 0;
}

template <typename T>
void PutAt(char* record, int offset, T value)
{
    std::memcpy(record + offset, &value, sizeof value);
}

// True when the folder holds any data file of kind 1 or 2 under the name
// that the creation would use: a company, or the remains of one, whose files
// must not be replaced without asking.
bool FolderHoldsDataFiles(const std::string& folder)
{
    for (int file = 1; DataFileKind(file) != -1; ++file) {
        const int kind = DataFileKind(file);
        if (kind != 1 && kind != 2) continue;
        std::error_code ec;
        if (fs::exists(JoinPath(folder, CatalogueFileName(file)), ec)) return true;
    }
    return false;
}

bool CopyFromBase(const std::string& name)
{
    std::error_code ec;
    fs::copy_file(JoinPath(BasePath(), name), JoinPath(DataPath(), name),
                  fs::copy_options::overwrite_existing, ec);
    return !ec;
}

struct Tender {
    const char* code;
    const char* description;
    char kind;
    const char* account;
};
const Tender kTenders[] = {
    {"CASH", "CASH", 'C', "11021"},
    {"CHECK", "CHECK", 'K', "11021"},
    {"M/C", "Master Card", 'O', "11023"},
    {"VISA", "VISA", 'O', "11024"},
    {"AMEX", "American Express", 'O', "11025"},
};
constexpr int kTenderLength = 97;

void PadInto(char* field, int width, const char* text)
{
    std::memset(field, ' ', width);
    std::memcpy(field, text, std::min<size_t>(std::strlen(text), width));
}

} // namespace

BWPS1_API int BuildCompanyRecord(void* record818)
{
    char* r = static_cast<char*>(record818);
    std::memset(r, 0, 818);
    PutKey(r, "0Company");
    for (int offset : {16, 98, 139, 180}) {
        std::memset(r + offset, ' ', 30);
        r[offset + 30] = 0;
    }
    return 0;
}

BWPS1_API void InitSysInterfaceRecord(void* record477)
{
    char* r = static_cast<char*>(record477);
    std::memset(r, 0, 477);
    PutKey(r, "0sysinterface");
    for (int offset : {21, 27, 31, 35, 47, 55, 63, 69}) PutAt<int16_t>(r, offset, 1);
    PutAt<int16_t>(r, 39, 30);
    for (int offset : {71, 73, 75, 77, 79}) PutAt<int16_t>(r, offset, 0x59);
    r[441] = 'N';
    r[443] = 'N';
    r[444] = 'Y';
    r[445] = 1;
    r[446] = 'N';
    r[447] = 'N';
    for (int offset = 449; offset <= 453; ++offset) r[offset] = 'N';
    std::memcpy(r + 85, "CASH      ", 10);
    PutAt<int16_t>(r, 51, 0);
}

BWPS1_API int SeedCompanySettingsRecords(const char* folder, const void* sysInterface)
{
    const std::string path = JoinPath(folder, DataFileName(kGeneralFile));
    uint16_t handle = 0;
    int status = BtrOpenFile(&handle, path.c_str(), 256, 0);
    if (status != 0) {
        ReportError(status, B_OPEN_REPORT, kGeneralFile, path.c_str());
        return status;
    }

    char company[818];
    BuildCompanyRecord(company);

    char passwords[167] = {};
    PutKey(passwords, "0Passwords");
    passwords[16] = 'L';

    char iface[477];
    if (sysInterface) std::memcpy(iface, sysInterface, sizeof iface);
    else InitSysInterfaceRecord(iface);

    char defaults[1479] = {};
    PutKey(defaults, "0Defaults");
    defaults[133] = 'N';
    defaults[134] = 'O';
    defaults[135] = 'Y';
    defaults[137] = 'R';
    PutAt<int32_t>(defaults, 138, 0);
    PutAt<int32_t>(defaults, 150, 0);
    PutAt<int32_t>(defaults, 154, 0);
    InitProductRecord(defaults + 811);

    char lastNumbers[60] = {};
    PutKey(lastNumbers, "0lastnumbers");
    PutAt<int32_t>(lastNumbers, 20, 0);
    PutAt<int32_t>(lastNumbers, 28, 1);

    char currentYear[20] = {};
    PutKey(currentYear, "0currentyear");
    PutAt<int16_t>(currentYear, 16, static_cast<int16_t>(CurrentYear()));
    PutAt<int16_t>(currentYear, 18, 0);

    char lookUps[76];
    InitLookUpsRecord(lookUps);

    struct Seed {
        char* record;
        int length;
    };
    const Seed seeds[] = {
        {company, sizeof company},         {passwords, sizeof passwords},
        {iface, sizeof iface},             {defaults, sizeof defaults},
        {lastNumbers, sizeof lastNumbers}, {currentYear, sizeof currentYear},
        {lookUps, sizeof lookUps},
    };
    for (const Seed& s : seeds) {
        char key[64] = {};
        status = BtrWrite(B_INSERT, handle, key, s.record, s.length);
        if (status != 0) {
            ReportError(status, B_INSERT, kGeneralFile, path.c_str());
            break;
        }
    }
    if (status == 0) {
        if (!StartUdfManager(folder)) status = 2;
        int stampStatus = 0;
        if (!WriteDataVersionStamp(handle, folder, &stampStatus)) status = stampStatus ? stampStatus : 2;
    }
    BtrCloseFile(handle);
    return status;
}

BWPS1_API int SeedTenders(const char* folder, int interfaced)
{
    const std::string path = JoinPath(Trim(folder), DataFileName(kTenderFile));
    uint16_t handle = 0;
    int status = BtrOpenFile(&handle, path.c_str(), 0, 0);
    if (status != 0) {
        ReportError(status, B_OPEN_REPORT, kTenderFile, path.c_str());
        return status;
    }
    for (const Tender& t : kTenders) {
        char r[kTenderLength] = {};
        PadInto(r, 10, t.code);
        PadInto(r + 11, 30, t.description);
        r[42] = 'N';
        r[43] = 0;
        PadInto(r + 44, 10, interfaced ? "" : t.account);
        r[96] = t.kind;
        char key[64] = {};
        status = BtrWrite(B_INSERT, handle, key, r, sizeof r);
        if (status != 0) {
            ReportError(status, B_INSERT, kTenderFile, path.c_str());
            break;
        }
    }
    BtrCloseFile(handle);
    return status;
}

namespace {

// The accounting company's "0Company", "0LookUps" and the first part and the
// product part of its "0Defaults" become the new company's.
bool CopyAccountingSettings()
{
    char company[818] = {}, lookUps[76] = {}, defaults[2274] = {};
    const std::string accPath = DataFilePathOf(kAccountingGeneralFile);
    uint16_t handle = 0;
    int status = BtrOpenFile(&handle, accPath.c_str(), 0, 0);
    if (status == B_PERMISSION_ERROR) return false;
    if (status != 0) {
        ReportError(status, B_OPEN_REPORT, kAccountingGeneralFile, accPath.c_str());
        return false;
    }
    struct Read {
        const char* key;
        char* buffer;
        int length;
    };
    for (const Read& r : {Read{"0Company", company, 818}, Read{"0LookUps", lookUps, 76},
                          Read{"0Defaults", defaults, 2274}}) {
        char key[64] = {};
        PutKey(key, r.key);
        status = BtrGet(B_GET_EQUAL, handle, key, r.buffer, r.length);
        if (status != 0) {
            ReportError(status, B_GET_EQUAL, kAccountingGeneralFile, accPath.c_str());
            BtrCloseFile(handle);
            return false;
        }
    }
    BtrCloseFile(handle);

    const std::string path = JoinPath(DataPath(), DataFileName(kGeneralFile));
    status = BtrOpenFile(&handle, path.c_str(), 0, 0);
    if (status == B_PERMISSION_ERROR) return false;
    if (status != 0) {
        ReportError(status, B_OPEN_REPORT, kGeneralFile, path.c_str());
        return false;
    }
    bool ok = true;
    char scratch[1479];
    for (const Read& r : {Read{"0Company", company, 818}, Read{"0LookUps", lookUps, 76}}) {
        char key[64] = {};
        PutKey(key, r.key);
        int op = B_GET_EQUAL;
        status = BtrGet(op, handle, key, scratch, r.length);
        if (status == 0) status = BtrWrite(op = B_UPDATE, handle, key, r.buffer, r.length);
        if (status != 0) {
            ReportError(status, op, kGeneralFile, path.c_str());
            ok = false;
            break;
        }
    }
    if (ok) {
        char key[64] = {};
        PutKey(key, "0Defaults");
        int op = B_GET_EQUAL;
        status = BtrGet(op, handle, key, scratch, sizeof scratch);
        if (status == 0) {
            std::memcpy(scratch + 16, defaults + 16, 810 - 16 + 1);
            std::memcpy(scratch + 811, defaults + 1606, 2273 - 1606 + 1);
            status = BtrWrite(op = B_UPDATE, handle, key, scratch, sizeof scratch);
        }
        if (status != 0) {
            ReportError(status, op, kGeneralFile, path.c_str());
            ok = false;
        }
    }
    BtrCloseFile(handle);
    return ok;
}

// Every tender without an account gets the accounting interface's first
// default account.
bool FillTenderAccounts()
{
    char account[11] = {};
    if (ReadAccountingInterfaceAccount(account) != 0) return false;
    const std::string path = JoinPath(DataPath(), DataFileName(kTenderFile));
    uint16_t handle = 0;
    int status = BtrOpenFile(&handle, path.c_str(), 0, 0);
    if (status != 0) {
        ReportError(status, B_OPEN_REPORT, kTenderFile, path.c_str());
        return false;
    }
    bool ok = true;
    char key[64] = {};
    char r[kTenderLength];
    for (status = BtrGet(B_GET_FIRST, handle, key, r, sizeof r); status == 0;
         status = BtrGet(B_GET_NEXT, handle, key, r, sizeof r)) {
        if (!Trim(std::string(r + 44, 10).c_str()).empty()) continue;
        PadInto(r + 44, 10, account);
        const int s = BtrWrite(B_UPDATE, handle, key, r, sizeof r);
        if (s != 0) {
            ReportError(s, B_UPDATE, kTenderFile, path.c_str());
            ok = false;
            break;
        }
    }
    BtrCloseFile(handle);
    return ok;
}

bool CopyImportTemplates()
{
    StatusWindow window("RSMsgCopyImpFiles");
    for (const char* name : {"CUSTOMER.IPT", "PRODUCT.IPT", "SERVICE.IPT", "PROMO.IPT"}) {
        if (!CopyFromBase(name)) {
            ShowNumberedMessage(875);
            return false;
        }
    }
    return true;
}

bool CopyReportFiles()
{
    StatusWindow window("RSMsgCopyRepFiles");
    for (const char* name : {"bposrfld.db", "bposrtxt.db", "bposrhed.db", "bposqcol.db",
                             "bposqexp.db", "bposqhed.db"}) {
        if (!CopyFromBase(name)) {
            ShowNumberedMessage(881);
            return false;
        }
    }
    return true;
}

} // namespace

BWPS1_API int CreateCompanyInFolder(uint16_t listHandle, const char* name, const char* folder,
                                    const void* sysInterface, int* result)
{
    int dummy = 0;
    if (!result) result = &dummy;
    *result = 0;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        ShowNumberedMessage(361);
        *result = ExitCancelled;
        return 1;
    }

    // Creating the data files replaces every one that exists: a folder that
    // already holds data files is only emptied when the user says so.
    if (FolderHoldsDataFiles(folder) &&
        !AskYesNoText("This folder already holds company data files. Replace them with empty "
                      "files? All data in them will be lost.")) {
        *result = ExitCancelled;
        return 1;
    }

    if ((*result = CreateMissingFiles(folder)) != 0) return 1;
    if ((*result = SeedCompanySettingsRecords(folder, sysInterface)) != 0) return 1;
    int16_t interfacedFlag = 0;
    if (sysInterface) std::memcpy(&interfacedFlag, static_cast<const char*>(sysInterface) + 51, 2);
    const bool interfaced = interfacedFlag != 0;
    if ((*result = SeedTenders(folder, interfaced)) != 0) return 1;
    if (listHandle != 0) {
        *result = AddCompanyToList(listHandle, name, folder);
    }

    SetDataPath(folder);
    SetDataFolders(DataPath());
    ReloadSysInterface();
    SetAccountingFolderIfValid(" ");

    for (int file : {1, 7, 28, 27, 71, 16}) {
        if (!CopyFromBase(CatalogueFileName(file))) {
            ShowNumberedMessage(357);
            break;
        }
    }
    if (interfaced) {
        CopyAccountingSettings();
        FillTenderAccounts();
    }
    CopyImportTemplates();
    CopyReportFiles();
    return 0;
}

BWPS1_API int BWPSCreateCompany(const char* name, const char* folder, int x, int y, int z)
{
    FrameworkContext context(x, y, z);
    if (!name || !folder || !*folder) return 0;
    char iface[477];
    InitSysInterfaceRecord(iface);
    int result = 0;
    return CreateCompanyInFolder(0, name, folder, iface, &result) == 0 ? 1 : 0;
}
