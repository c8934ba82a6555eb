// Creating a company: a new data folder with every data file created empty,
// the general settings file seeded, the default tenders and the seed files
// of the base folder.
#include "extensions/company/company.h"
#include "extensions/company/session_steps.h"
#include "extensions/company/services.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "bwps/files.h"
#include "bwps/records/copy.h"
#include "bwps/records/tenders.h"
#include "bwps/table.h"

namespace fs = std::filesystem;
using namespace bwps1;
using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

namespace {

std::string JoinPath(const std::string& folder, const std::string& name)
{
    std::string p = folder;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (!p.empty()) p += '/';
    return p + name;
}

// A settings key: the name blank padded to 15 characters, then NUL.
void PutKey(char (&key)[GENERAL_KEY_SIZE], const char* name)
{
    std::memset(key, ' ', GENERAL_KEY_SIZE - 1);
    std::memcpy(key, name, std::strlen(name));
    key[GENERAL_KEY_SIZE - 1] = 0;
}

// A 41-byte company text: 30 blanks and a NUL.
void BlankCompanyText(char (&field)[41])
{
    std::memset(field, ' ', 30);
    field[30] = 0;
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
// The text blank padded to width characters; the bytes after are left as
// they are.
template <std::size_t N>
void PadInto(char (&field)[N], std::size_t width, const char* text)
{
    static_assert(N > 1);
    width = std::min(width, N);
    std::memset(field, ' ', width);
    std::memcpy(field, text, std::min(std::strlen(text), width));
}

} // namespace

BWPS1_API int BuildCompanyRecord(void* record818)
{
    TagCompanyRecord r;
    std::memset(&r, 0, sizeof r);
    PutKey(r.Key, "0Company");
    BlankCompanyText(r.Name);
    BlankCompanyText(r.Address1);
    BlankCompanyText(r.Address2);
    BlankCompanyText(r.Address3);
    std::memcpy(record818, &r, sizeof r);
    return 0;
}

BWPS1_API void InitSysInterfaceRecord(void* record477)
{
    TagSysInterface r;
    std::memset(&r, 0, sizeof r);
    PutKey(r.Key, "0sysinterface");
    r.LookupOrder = 1;
    r.Word27 = 1;
    r.Word31 = 1;
    r.Word35 = 1;
    r.SerialLevel = 1;
    r.CheckJournalPrinted = 1;
    r.Word63 = 1;
    r.Word69 = 1;
    r.Number39 = 30;
    r.VerifyBeforeCopy = 'Y';
    r.SystemByte43 = 'Y';
    r.SystemByte44 = 'Y';
    r.TimeClock = 'Y';
    r.Word79 = 'Y';
    r.OpeningAmount = 'N';
    r.PasswordsInForce = 'N';
    r.ProductActivity = 'Y';
    r.SerialLevelByte = 1;
    r.InterfacedChar = 'N';
    r.Flag447 = 'N';
    r.SystemByte47 = 'N';
    r.SystemByte48 = 'N';
    r.SystemByte49 = 'N';
    r.OnlineLedger = 'N';
    r.OnlineCheckRegister = 'N';
    std::memcpy(r.TenderCode, "CASH      ", 10);
    r.Interfaced = 0;
    std::memcpy(record477, &r, sizeof r);
}

BWPS1_API int SeedCompanySettingsRecords(const char* folder, const void* sysInterface)
{
    const std::string path = JoinPath(folder, DataFileName(FileNo::General));
    Table general;
    Status status = general.OpenPath(FileNo::General, path.c_str(), 256);
    if (!status.Ok()) {
        ReportError(status, path.c_str());
        return status.status;
    }

    TagCompanyRecord company;
    BuildCompanyRecord(&company);

    PasswordsRecord passwords{};
    PutKey(passwords.Key, "0Passwords");
    passwords.Unused1 = 'L';

    TagSysInterface iface;
    if (sysInterface) std::memcpy(&iface, sysInterface, sizeof iface);
    else InitSysInterfaceRecord(&iface);

    TagDefaults defaults{};
    PutKey(defaults.Key, "0Defaults");
    defaults.Byte133 = 'N';
    defaults.Byte134 = 'O';
    defaults.Byte135 = 'Y';
    defaults.Byte137 = 'R';
    defaults.Word138 = 0;
    defaults.Word150 = 0;
    defaults.Word154 = 0;
    InitProductRecord(defaults.Product);

    TagLastNumbers lastNumbers{};
    PutKey(lastNumbers.Key, "0lastnumbers");
    lastNumbers.Counters[1] = 0;   // the counter at 20
    lastNumbers.Counters[3] = 1;   // the counter at 28

    TagCurrentYear currentYear{};
    PutKey(currentYear.Key, "0currentyear");
    currentYear.Year = static_cast<int16_t>(CurrentYear());
    currentYear.Zero = 0;

    char lookUps[GENERAL_LOOKUPS_SIZE];
    InitLookUpsRecord(lookUps);

    struct Seed {
        void* record;
        int length;
    };
    const Seed seeds[] = {
        {&company, sizeof company},         {&passwords, sizeof passwords},
        {&iface, sizeof iface},             {&defaults, sizeof defaults},
        {&lastNumbers, sizeof lastNumbers}, {&currentYear, sizeof currentYear},
        {lookUps, sizeof lookUps},
    };
    for (const Seed& s : seeds) {
        KeyBuffer key;
        status = general.Write(B_INSERT, s.record, s.length, &key);
        if (!status.Ok()) {
            ReportError(status, path.c_str());
            break;
        }
    }
    int result = status.status;
    if (result == 0) {
        if (!StartUdfManager(folder)) result = 2;
        int stampStatus = 0;
        if (!WriteDataVersionStamp(general.Handle(), folder, &stampStatus))
            result = stampStatus ? stampStatus : 2;
    }
    return result;
}

BWPS1_API int SeedTenders(const char* folder, int interfaced)
{
    const std::string path = JoinPath(Trim(folder), DataFileName(FileNo::Tenders));
    Table tenders;
    Status status = tenders.OpenPath(FileNo::Tenders, path.c_str());
    if (!status.Ok()) {
        ReportError(status, path.c_str());
        return status.status;
    }
    for (const Tender& t : kTenders) {
        TagTender r{};
        PadInto(r.Code, 10, t.code);
        PadInto(r.Description, 30, t.description);
        r.Processing = 'N';
        r.ProcessingKind = 0;
        PadInto(r.Account, 10, interfaced ? "" : t.account);
        r.Type = t.kind;
        KeyBuffer key;
        status = tenders.Insert(r, &key);
        if (!status.Ok()) {
            ReportError(status, path.c_str());
            break;
        }
    }
    return status.status;
}

namespace {

// The first part and the product part of the accounting company's
// "0Defaults" over the store's.
constexpr bwps::records::ByteCopy kDefaultsFromAccounting[] = {
    {offsetof(TagDefaults, reserved16), offsetof(TagAccountingDefaults, Settings),
     sizeof(TagAccountingDefaults::Settings)},
    {offsetof(TagDefaults, Product), offsetof(TagAccountingDefaults, Product),
     sizeof(TagDefaults::Product)},
};
static_assert(bwps::records::FitsBoth<TagDefaults, TagAccountingDefaults>(kDefaultsFromAccounting));

// A settings key in a key buffer.
KeyBuffer SettingsKey(const char* name)
{
    char text[GENERAL_KEY_SIZE];
    PutKey(text, name);
    KeyBuffer key;
    key.Set(text);
    return key;
}

// The accounting company's "0Company", "0LookUps" and the first part and the
// product part of its "0Defaults" become the new company's.
bool CopyAccountingSettings()
{
    TagCompanyRecord company{};
    char lookUps[GENERAL_LOOKUPS_SIZE] = {};
    TagAccountingDefaults defaults{};
    const std::string accPath = DataFilePathOf(bwps::No(FileNo::AccountingGeneral));
    Table accounting;
    Status status = accounting.OpenPath(FileNo::AccountingGeneral, accPath.c_str());
    if (status.Is(B_PERMISSION_ERROR)) return false;
    if (!status.Ok()) {
        ReportError(status, accPath.c_str());
        return false;
    }
    struct Read {
        const char* key;
        void* buffer;
        int length;
    };
    for (const Read& r : {Read{"0Company", &company, sizeof company},
                          Read{"0LookUps", lookUps, sizeof lookUps},
                          Read{"0Defaults", &defaults, sizeof defaults}}) {
        KeyBuffer key = SettingsKey(r.key);
        status = accounting.Get(B_GET_EQUAL, key.data(), r.buffer, r.length);
        if (!status.Ok()) {
            ReportError(status, accPath.c_str());
            return false;
        }
    }
    accounting.Close();

    const std::string path = JoinPath(DataPath(), DataFileName(FileNo::General));
    Table general;
    status = general.OpenPath(FileNo::General, path.c_str());
    if (status.Is(B_PERMISSION_ERROR)) return false;
    if (!status.Ok()) {
        ReportError(status, path.c_str());
        return false;
    }
    TagDefaults scratch;
    for (const Read& r : {Read{"0Company", &company, sizeof company},
                          Read{"0LookUps", lookUps, sizeof lookUps}}) {
        KeyBuffer key = SettingsKey(r.key);
        status = general.Get(B_GET_EQUAL, key.data(), &scratch, r.length);
        if (status.Ok()) status = general.Write(B_UPDATE, r.buffer, r.length, &key);
        if (!status.Ok()) {
            ReportError(status, path.c_str());
            return false;
        }
    }
    KeyBuffer key = SettingsKey("0Defaults");
    status = general.Get(B_GET_EQUAL, key.data(), &scratch, sizeof scratch);
    if (status.Ok()) {
        bwps::records::CopyBytes(&scratch, &defaults, kDefaultsFromAccounting);
        status = general.Update(scratch, &key);
    }
    if (!status.Ok()) {
        ReportError(status, path.c_str());
        return false;
    }
    return true;
}

// Every tender without an account gets the accounting interface's first
// default account.
bool FillTenderAccounts()
{
    char account[11] = {};
    if (ReadAccountingInterfaceAccount(account) != 0) return false;
    const std::string path = JoinPath(DataPath(), DataFileName(FileNo::Tenders));
    Table tenders;
    Status status = tenders.OpenPath(FileNo::Tenders, path.c_str());
    if (!status.Ok()) {
        ReportError(status, path.c_str());
        return false;
    }
    KeyBuffer key;
    TagTender r;
    for (status = tenders.Get(B_GET_FIRST, key.data(), &r, sizeof r); status.Ok();
         status = tenders.Get(B_GET_NEXT, key.data(), &r, sizeof r)) {
        if (!Trim(std::string(r.Account, 10).c_str()).empty()) continue;
        PadInto(r.Account, 10, account);
        const Status s = tenders.Update(r, &key);
        if (!s.Ok()) {
            ReportError(s, path.c_str());
            return false;
        }
    }
    return true;
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
    if (sysInterface) {
        TagSysInterface iface;
        std::memcpy(&iface, sysInterface, sizeof iface);
        interfacedFlag = iface.Interfaced;
    }
    const bool interfaced = interfacedFlag != 0;
    if ((*result = SeedTenders(folder, interfaced)) != 0) return 1;
    if (listHandle != 0) {
        *result = AddCompanyToList(listHandle, name, folder);
    }

    SetDataPath(folder);
    SetDataFolders(DataPath());
    ReloadSysInterface();
    SetAccountingFolderIfValid(" ");

    for (FileNo file : {FileNo::Accounts, FileNo::BillingCodes, FileNo::TaxTable, FileNo::Terms,
                        FileNo::Units, FileNo::MessageCodes}) {
        if (!CopyFromBase(CatalogueFileName(bwps::No(file)))) {
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
    TagSysInterface iface;
    InitSysInterfaceRecord(&iface);
    int result = 0;
    return CreateCompanyInFolder(0, name, folder, &iface, &result) == 0 ? 1 : 0;
}
