// Cash registers: open (with the opening amount and a shift number),
// close (with a saved reconciliation), and purge once every sale of their
// detail file is posted.
#include "bwps/cash_registers.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/general.h"
#include "bwps/records/tenders.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "bwps/users.h"
#include "fx.h"

using namespace bwps;

namespace {

constexpr int kSlots = 39;
constexpr int kShiftCounter = 7;          // of "0lastnumbers   "
constexpr int kRightOpenRegister = 72;
constexpr uint16_t kPostedFlag = SALE_POSTED;
constexpr int kEscaped = 27;
constexpr int kAccepted = 0x4400;

std::string Prefix()
{
    char prefix[16] = {};
    GetDefaultRegisterPrefix(prefix);
    return prefix;
}

// The register's key: the prefix and the number, upper case, blank padded
// to 11 characters.
void RegisterKey(int number, KeyBuffer& key)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%d", Prefix().c_str(), number);
    FxTrimText(5, name);
    key.Clear();
    std::memset(key.bytes, ' ', sizeof(RegisterRecord::Name));
    for (std::size_t i = 0; name[i] != '\0' && i < sizeof(RegisterRecord::Name); ++i)
        key.bytes[i] = static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(name[i])));
}

bool InUse(const Status& s) { return s.status == 80 || s.status == 84 || s.status == 85; }

// Asks a message with a button list; the button chosen (1-based), 0 when
// the message could not be shown.
int Ask(int message, const char* buttons)
{
    int choice = 1;
    return AskMessage(message, 1, &choice, buttons, nullptr, -1, -1, 0, 0, 0) == 0 ? choice : 0;
}

// The register read with a lock that lasts until the file is closed.
Status ReadLocked(Table& file, KeyBuffer& key, RegisterRecord& record)
{
    return file.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, record);
}

void SumSlotsIntoTotal(RegisterRecord& record)
{
    record.Total = 0.0;
    for (const RegisterTenderSlot& slot : record.Slots)
        record.Total += slot.Amount;
}

// ---- the opening-amount screen "RSEditInitRegister"

struct InitContext {
    FxContext fx;
    FxForm form;
    FxWindow window;
    RegisterRecord* record = nullptr;
};

void LoadRegisterTenders(RegisterRecord& record)
{
    Table tenders;
    int filled = 0;
    if (tenders.Open(FileNo::Tenders).Ok()) {
        KeyBuffer key;
        TagTender tender;
        for (Status s = tenders.Get(B_GET_FIRST, key, tender); s.Ok() && filled < kSlots;
             s = tenders.Get(B_GET_NEXT, key, tender), ++filled) {
            RegisterTenderSlot& slot = record.Slots[filled];
            std::memset(slot.Code, 0, sizeof slot.Code);
            std::memcpy(slot.Code, &tender, sizeof slot.Code - 1);
            slot.Amount = 0.0;
        }
    }
    for (int i = filled; i < kSlots; ++i) {
        std::memset(record.Slots[i].Code, ' ', sizeof record.Slots[i].Code - 1);
        record.Slots[i].Code[sizeof record.Slots[i].Code - 1] = '\0';
        record.Slots[i].Amount = 0.0;
    }
}

int OnAcceptOpening(void* context)
{
    InitContext& c = *static_cast<InitContext*>(context);
    double total = 0.0;
    if (FxParseNumber(FxFieldGet(&c.form, 2), 0, &total) != 0) {
        ShowMessage(185, 1);
        return FX_STAY;
    }
    c.record->Total = total;
    LoadRegisterTenders(*c.record);
    return FX_LEAVE;
}

// ---- the reconciliation screen "RSSaveReconScr"

struct ReconContext {
    FxContext fx;
    FxForm form;
    FxWindow window;
    RegisterReconRecord recon{};
    bool saved = false;
    bool declined = false;
};

int OnSaveChoice(void* context)
{
    ReconContext& c = *static_cast<ReconContext*>(context);
    const bool save = FxChoiceGet(&c.form, 1) == 1;
    if (!save)
        FxFieldSet(&c.form, 3, "  ");
    FxFieldSetDisplayOnly(&c.form, 3, save ? 0 : 1);
    FxFieldSetDisplayOnly(&c.form, 2, save ? 0 : 1);
    return FX_GO_ON;
}

int OnReconDate(void* context)
{
    ReconContext& c = *static_cast<ReconContext*>(context);
    const char* text = FxFieldGet(&c.form, 2);
    if (!FxDateValid(text)) {
        ShowMessage(185, 1);
        return FX_STAY;
    }
    c.recon.Date = FxDateParse(text);
    return FX_GO_ON;
}

int OnSaveRecon(void* context)
{
    ReconContext& c = *static_cast<ReconContext*>(context);
    if (FxChoiceGet(&c.form, 1) == 2) {
        c.declined = true;
        return FX_LEAVE;
    }
    const char* name = FxFieldGet(&c.form, 3);
    if (FxIsEmpty(name)) {
        ShowMessage(1395, 1);
        FxFocusField(&c.form, 3);
        return FX_STAY_FOCUSED;
    }
    if (OnReconDate(context) != FX_GO_ON)
        return FX_STAY;
    std::memset(c.recon.Name, 0, sizeof c.recon.Name);
    std::snprintf(c.recon.Name, sizeof c.recon.Name, "%s", name);
    Table saved;
    Status s = saved.Open(FileNo::RegisterReconciliations);
    if (!s.Ok()) {
        s.Report();
        return FX_STAY;
    }
    KeyBuffer key;
    std::memcpy(key.bytes, c.recon.Name, sizeof c.recon.Name);
    RegisterReconRecord found;
    s = saved.Get(B_GET_EQUAL, key, found);
    if (s.Ok()) {
        if (Ask(1397, "No,Yes") != 2) {
            FxFocusField(&c.form, 3);
            return FX_STAY_FOCUSED;
        }
        found.Date = c.recon.Date;
        found.Register = c.recon.Register;
        s = saved.Update(found);
    } else {
        s = saved.Insert(c.recon);
    }
    if (!s.Ok()) {
        s.Report();
        return FX_STAY;
    }
    c.saved = true;
    return FX_LEAVE;
}

// 1 saved, 2 the user chose not to save, 27 escaped, 0 not shown.
int SaveRegisterReconciliation(const RegisterRecord& record)
{
    static constexpr std::array<ScreenField, 4> kFields{{
        bwps::Field(1, 2, 30, "%-5sm").Choices("\001Yes,No").Exit(OnSaveChoice),
        bwps::Field(2, 4, 30, "%-10s").Exit(OnReconDate),
        bwps::Field(3, 5, 30, "%-11s"),
        {},
    }};
    std::array<ScreenField, kFields.size()> fields = kFields;
    ReconContext c{};
    c.recon.Register = record;
    c.recon.Date = FxToday();
    FxAppBegin(&c.fx);
    int result = 0;
    if (FxFormLoad(&c.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&c.window, 7, 12, 14, 66, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&c.window, "RSSaveReconScr");
        SetupStandardScreen(&c.form, 0, 0);
        FxSetKeyHandler(&c.form, FX_KEY_F10, OnSaveRecon);
        FxWindowAttachForm(&c.window, &c.form, 0);
        FxWindowText(&c.window, 2, 3, -1, "Save the reconciliation:", 0);
        FxWindowText(&c.window, 4, 3, -1, "Date:", 0);
        FxWindowText(&c.window, 5, 3, -1, "Name:", 0);
        FxChoiceSet(&c.form, 1, 1);
        char date[12] = {};
        FxFieldSet(&c.form, 2, FxDateFormat(date, c.recon.Date));
        const int key = FxAppRun(&c.fx, 0);
        FxWindowClose(&c.window, 1);
        result = c.saved ? 1 : c.declined ? 2 : key == kEscaped ? kEscaped : 0;
    }
    FxAppEnd(&c.fx);
    return result;
}

// True when every whole line of the detail file belongs to a posted sale or
// to one that no longer exists.
bool AllRegisterLinesPosted(int fd, Table& headers)
{
    FxStatus* status = FxStatusOpen("RSVerifyingPosted", 0);
    bool posted = true;
    TagSalesDetail line;
    for (off_t at = 0; ::pread(fd, &line, sizeof line, at) == static_cast<ssize_t>(sizeof line);
         at += sizeof line) {
        if (status != nullptr)
            FxStatusUpdate(status, 0);
        KeyBuffer key;
        std::memcpy(key.bytes, line.InvoiceNo, sizeof line.InvoiceNo);
        TagSalesHdr sale;
        const Status s = headers.Get(B_GET_EQUAL, key, sale);
        if (s.Is(B_KEY_NOT_FOUND))
            continue;
        if (!s.Ok()) {
            s.Report();
            posted = false;
            break;
        }
        if ((sale.Flags & kPostedFlag) == 0) {
            posted = false;
            break;
        }
    }
    if (status != nullptr)
        FxStatusClose(status);
    return posted;
}

}  // namespace

extern "C" {

int RegisterNumberFromKey(const char* name)
{
    if (name == nullptr)
        return 0;
    const std::size_t skip = std::min(Prefix().size(), std::strlen(name));
    return std::atoi(name + skip);
}

int NextRegisterSessionNumber(void)
{
    Table general;
    Status s = general.Open(FileNo::General);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_LASTNUMBERS, GENERAL_KEY_SIZE);
    TagLastNumbers numbers;
    s = general.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, numbers);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    const int32_t number = numbers.Counters[kShiftCounter] == 0 ? 1 : numbers.Counters[kShiftCounter];
    numbers.Counters[kShiftCounter] = number + 1;
    s = general.Update(numbers);
    general.UnlockAll();
    if (!s.Ok()) {
        // The counter was not moved on: giving the number anyway would give
        // it twice.
        s.Report();
        return 0;
    }
    return number;
}

int InitRegisterScreen(RegisterRecord* record, int takeNumber)
{
    if (record == nullptr)
        return 0;
    if (!CheckUserAccess(kRightOpenRegister, 0, GetSessionPaths()->UserId, 1))
        return 0;
    if (record->Shift != 0) {
        ShowMessage(1383, 1);
        return 0;
    }
    static constexpr std::array<ScreenField, 3> kFields{{
        bwps::Field(1, 1, 24, "%-11s").DisplayOnly(),
        bwps::Field(2, 3, 24, "%-12s"),
        {},
    }};
    std::array<ScreenField, kFields.size()> fields = kFields;
    InitContext c{};
    c.record = record;
    FxAppBegin(&c.fx);
    int result = 0;
    if (FxFormLoad(&c.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&c.window, 8, 20, 13, 60, 1, 0, ' ', nullptr) == 0) {
        FxWindowSetName(&c.window, "RSEditInitRegister");
        SetupStandardScreen(&c.form, 0, 0);
        FxSetKeyHandler(&c.form, FX_KEY_F10, OnAcceptOpening);
        FxWindowAttachForm(&c.window, &c.form, 0);
        FxWindowText(&c.window, 1, 3, -1, "Register:", 0);
        FxWindowText(&c.window, 3, 3, -1, "Opening amount:", 0);
        double opening = 0.0;
        for (const RegisterTenderSlot& slot : record->Slots)
            opening += slot.Amount;
        char name[12] = {};
        std::memcpy(name, record->Name, sizeof record->Name);
        FxFieldSet(&c.form, 1, name);
        char amount[32];
        FxFieldSet(&c.form, 2, FxFormatAmount(opening, amount, 2));
        result = FxAppRun(&c.fx, 0) == kEscaped ? kEscaped : kAccepted;
        if (result != kEscaped && takeNumber)
            record->Shift = NextRegisterSessionNumber();
        FxWindowClose(&c.window, 1);
    }
    FxAppEnd(&c.fx);
    return result;
}

int OpenRegister(int registerNumber, RegisterRecord* out)
{
    RegisterRecord scratch;
    RegisterRecord& record = out != nullptr ? *out : scratch;
    Table file;
    Status s = file.Open(FileNo::Registers);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    KeyBuffer key;
    RegisterKey(registerNumber, key);
    s = ReadLocked(file, key, record);
    if (s.Is(B_KEY_NOT_FOUND)) {
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.Name, key.bytes, sizeof record.Name);
        s = file.Insert(record);
        if (!s.Ok()) {
            s.Report();
            return 0;
        }
        RegisterKey(registerNumber, key);
        s = ReadLocked(file, key, record);
    }
    if (InUse(s)) {
        ShowMessage(505, 1);
        return 0;
    }
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    if (record.Open && Ask(1179, nullptr) != 2)
        return 0;
    record.Open = 1;
    TagSysInterface iface{};
    if (ReadGeneralRecord(0, 0, sizeof iface, GENERAL_KEY_SYSINTERFACE, &iface) != 0)
        iface.OpeningAmount = 'N';
    if (iface.OpeningAmount == 'Y' && record.Shift == 0) {
        if (Ask(1385, "Yes,No") != 1)
            return 0;
        if (InitRegisterScreen(&record, 1) == kEscaped || record.Shift == 0)
            record.Open = 0;
    }
    s = file.Update(record);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    return record.Open;
}

int CloseRegister(int registerNumber, int reset)
{
    Table file;
    Status s = file.Open(FileNo::Registers);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    KeyBuffer key;
    RegisterKey(registerNumber, key);
    RegisterRecord record;
    s = ReadLocked(file, key, record);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    if (reset && Ask(1391, "No,Yes") == 2) {
        // The slots are emptied only once their amounts are kept in a saved
        // reconciliation, or the user chose to keep none.
        const int saved = SaveRegisterReconciliation(record);
        if (saved == 1 || saved == 2) {
            record.Shift = 0;
            SumSlotsIntoTotal(record);
            for (RegisterTenderSlot& slot : record.Slots)
                slot.Amount = 0.0;
            if (Ask(1393, "Yes,No") == 1)
                InitRegisterScreen(&record, 1);
        }
    }
    record.Open = 0;
    s = file.Update(record);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    return 1;
}

uint8_t PurgeRegister(void)
{
    Table headers, registers;
    if (!headers.Open(FileNo::SalesHeader).Ok() || !registers.Open(FileNo::Registers).Ok())
        return 0;
    FxStatus* status = FxStatusOpen("RSPurgingRegister", 0);
    // The registers first: deleting one must not move the walk.
    std::vector<RegisterRecord> all;
    KeyBuffer key;
    RegisterRecord record;
    Status s = registers.Get(B_GET_FIRST, key, record);
    for (; s.Ok(); s = registers.Get(B_GET_NEXT, key, record))
        all.push_back(record);
    for (const RegisterRecord& r : all) {
        if (status != nullptr)
            FxStatusUpdate(status, 0);
        char name[sizeof r.Name + 1] = {};
        std::memcpy(name, r.Name, sizeof r.Name);
        FxTrimText(5, name);
        char folder[512] = {};
        std::snprintf(folder, sizeof folder, "%s", GetFilesPath());
        FxTrimText(5, folder);
        std::string path = folder;
        if (!path.empty() && path.back() != '/')
            path += '/';
        path += std::string(name) + ".db";
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;   // no detail file: the register stays
        const bool posted = AllRegisterLinesPosted(fd, headers);
        ::close(fd);
        if (!posted)
            continue;
        KeyBuffer again;
        std::memcpy(again.bytes, r.Name, sizeof r.Name);
        Status d = registers.Get(B_GET_EQUAL, again, record);
        if (d.Ok())
            d = registers.Delete();
        if (!d.Ok()) {
            d.Report();
            continue;
        }
        ::unlink(path.c_str());
    }
    if (status != nullptr)
        FxStatusClose(status);
    return s.Ok() || s.NotFound() ? 1 : 0;
}

}  // extern "C"

BWPS_ORDINAL(439, OpenRegister);
BWPS_ORDINAL(440, CloseRegister);
BWPS_ORDINAL(441, PurgeRegister);
BWPS_ORDINAL(442, InitRegisterScreen);
BWPS_ORDINAL(443, NextRegisterSessionNumber);
BWPS_ORDINAL(444, RegisterNumberFromKey);
