// The beginning balance of a product: a quantity, a unit cost or a total
// amount and a reference. F10 posts the amount to the ledger (journal
// "SU": the inventory account debited, the difference account "D"
// credited), adds it to both accounts' period totals, records the quantity
// as product activity and writes the product's new quantity on hand,
// inventory amount, average and last cost, all in one record-manager
// transaction, so that a failure leaves none of them. The new figures are
// shown on the product editor's screen and handed back in the caller's
// product record.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/accounts.h"
#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/periods.h"
#include "bwps/products.h"
#include "bwps/records.h"
#include "bwps/records/products.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace {

using bwps::FileNo;
using bwps::No;

enum : int { F_DATE = 1, F_REFERENCE, F_QUANTITY, F_UNIT_COST, F_AMOUNT };

// Fields of the product editor's screen that this screen fills.
enum : int {
    E_AVERAGE_COST = 13,
    E_LAST_COST = 14,
    E_AMOUNT = 66,
    E_QUANTITY = 67,
    E_SECOND_QUANTITY = 68
};

constexpr int kColourSetScreen = 2;
constexpr int kNotPosted = 0x20;
constexpr int kInventoryAccount = 3;        // "0Interface     " account at 50
constexpr uint8_t kNormalProduct = 1;
constexpr double kMostUnits = 999999.0;
constexpr double kMostAmount = 99999999.99;
constexpr int kUnlockOperation = 27;
constexpr int kF4 = FX_KEY_F1 + 3 * 0x100;

constexpr int kMsgBalancesExist = 1239;
constexpr int kMsgBadQuantity = 349;
constexpr int kMsgBelowCommitted = 321;
constexpr int kMsgTooManyUnits = 329;
constexpr int kMsgTooManySecondUnits = 331;
constexpr int kMsgAmountTooLarge = 333;
constexpr int kMsgZeroAmount = 1241;
constexpr int kMsgNegativeQuantity = 411;
constexpr int kMsgNegativeAmount = 413;
constexpr int kMsgZeroQuantity = 1243;

const char kJournal[] = "SU";
const char kDescription[] = "Summ. Product Setup";

struct BalanceScreen {
    FxContext fx;  // first: the framework hands it to the handlers
    FxForm form;
    FxWindow window;
    uint16_t files[30];
    uint16_t accounts;
    uint16_t products;          // the product file (the caller's or one opened here)
    bool ownProducts;           // opened here: its reads lock the product
    TagProduct product;         // the editor's work copy as it came in
    void* handedBack;           // the caller's record: the product as written
    FxForm* editor;             // the product editor's form, or null
    TagInterfaceRecord iface;
    TagAccount difference;
    TagPeriodInfo period;
    int32_t date;
    bool posted;
    uint8_t colours[COLOR_SET_SIZE];
};

BalanceScreen* Screen(void* context) { return static_cast<BalanceScreen*>(context); }

int FirstUnits(const TagProduct& p) { return p.UnitFactor < 1 ? 1 : p.UnitFactor; }
int SecondUnits(const TagProduct& p) { return p.Value272 < 1 ? 1 : static_cast<int>(p.Value272); }

bool IsZero(double value) { return FxIsZeroAmount(&value) != 0; }

// What the typed fields come to against the product as it stands.
struct Figures {
    double quantity = 0;      // in units
    double unitCost = 0;
    double amount = 0;        // of this balance
    double onHand = 0;        // quantity on hand after it
    double value = 0;         // inventory amount after it
    double average = 0;       // 0 when nothing is on hand
};

// Reads the fields; false (the message shown) when the quantity cannot be
// read or the balance leaves the product outside its limits.
bool Work(BalanceScreen& s, Figures& f)
{
    const TagProduct& p = s.product;
    const int u1 = FirstUnits(p);
    if (FxParseNumber(FxFieldGet(&s.form, F_QUANTITY), u1, &f.quantity) != 0 ||
        !std::isfinite(f.quantity)) {
        ShowMessage(kMsgBadQuantity, MESSAGE_DEFAULT_CONTEXT);
        return false;
    }
    if (FxParseNumber(FxFieldGet(&s.form, F_UNIT_COST), 1, &f.unitCost) != 0 || !std::isfinite(f.unitCost))
        f.unitCost = 0;
    double typed = 0;
    if (FxParseNumber(FxFieldGet(&s.form, F_AMOUNT), 1, &typed) != 0 || !std::isfinite(typed))
        typed = 0;
    f.amount = !IsZero(f.unitCost) && !IsZero(f.quantity) ? FxRound(f.unitCost * f.quantity / u1, 2) : typed;
    f.onHand = f.quantity + p.Amounts[PRODUCT_QUANTITY];
    if (p.Kind == kNormalProduct && f.onHand < p.Amounts[PRODUCT_SECOND_QUANTITY] &&
        !IsZero(f.onHand - p.Amounts[PRODUCT_SECOND_QUANTITY])) {
        ShowMessage(kMsgBelowCommitted, MESSAGE_DEFAULT_CONTEXT);
        return false;
    }
    // The amount always reaches the product, so that its inventory amount
    // moves with the ledger's inventory account.
    f.value = p.Amounts[PRODUCT_VALUE] + f.amount;
    f.average = IsZero(f.onHand) ? 0.0 : u1 * f.value / f.onHand;
    if (std::fabs(f.onHand / u1) > kMostUnits) {
        ShowMessage(kMsgTooManyUnits, MESSAGE_DEFAULT_CONTEXT);
        return false;
    }
    if (std::fabs(f.onHand / SecondUnits(p)) > kMostUnits) {
        ShowMessage(kMsgTooManySecondUnits, MESSAGE_DEFAULT_CONTEXT);
        return false;
    }
    if (std::fabs(f.value) > kMostAmount) {
        ShowMessage(kMsgAmountTooLarge, MESSAGE_DEFAULT_CONTEXT);
        return false;
    }
    return true;
}

void ShowFigures(BalanceScreen& s, const Figures& f)
{
    char text[64];
    FxFieldSet(&s.form, F_AMOUNT, FxFormatAmount(f.amount, text, 2));
    FxFormRedraw(&s.fx, &s.form);
    if (s.editor == nullptr)
        return;
    const TagProduct& p = s.product;
    FxFormatNumber(text, "%11.4fF", 0, SecondUnits(p), f.onHand);
    FxFieldSet(s.editor, E_SECOND_QUANTITY, text);
    FxFormatNumber(text, "%11.4fF", 0, FirstUnits(p), f.onHand);
    FxFieldSet(s.editor, E_QUANTITY, text);
    FxFieldSet(s.editor, E_AVERAGE_COST,
               FxFormatAmount(IsZero(f.average) ? p.Amounts[PRODUCT_AVERAGE_COST] : f.average, text, 4));
    FxFieldSet(s.editor, E_AMOUNT, FxFormatAmount(f.value, text, 2));
    if (!IsZero(f.unitCost))
        FxFieldSet(s.editor, E_LAST_COST, FxFormatAmount(f.unitCost, text, 4));
}

int Recalculate(void* context)
{
    BalanceScreen& s = *Screen(context);
    Figures f;
    if (!Work(s, f))
        return FX_STAY;
    ShowFigures(s, f);
    return FX_GO_ON;
}

std::string Reference(BalanceScreen& s)
{
    std::string text = FxFieldGet(&s.form, F_REFERENCE);
    if (text.size() > 10)
        text.resize(10);
    return text;
}

TagProductActivity ActivityOf(BalanceScreen& s, const Figures& f)
{
    const TagProduct& p = s.product;
    TagProductActivity a;
    std::memset(&a, 0, sizeof a);
    std::memcpy(a.Code, p.Code, sizeof a.Code);
    a.Source = 'P';
    a.Value27 = s.period.Period;
    a.Date = s.date;
    a.Direction = f.quantity > 0 ? '1' : '5';
    a.DocumentKind[0] = 'U';
    const std::string reference = Reference(s);
    std::memcpy(a.Document, reference.data(), reference.size());
    std::memcpy(a.Text64, p.Text85, sizeof a.Text64);
    a.Quantity = f.quantity;
    a.UnitCost = FxRound(FxDivide(f.amount, f.quantity) * FirstUnits(p), 4);
    a.Value = f.amount;
    a.Value94 = p.Value272;
    a.UnitFactor = p.UnitFactor;
    return a;
}

int WriteActivity(BalanceScreen& s, const Figures& f)
{
    if (IsZero(f.quantity))
        return 0;
    TagProductActivity a = ActivityOf(s, f);
    return WriteProductActivity(0, &s.product, nullptr, &a);
}

// The product on file takes the balance: quantity on hand and inventory
// amount grow by it, the average follows them (kept when nothing is left
// on hand), a typed unit cost becomes the last cost. Written inside the
// caller's transaction; the product as written goes into `written`.
int UpdateProduct(BalanceScreen& s, const Figures& f, TagProduct& written)
{
    char key[256] = {};
    std::memcpy(key, s.product.Code, sizeof s.product.Code);
    const int lock = s.ownProducts ? B_LOCK_MULTI_NOWAIT : 0;
    int status = BtrGet(B_GET_EQUAL + lock, s.products, key, &written, sizeof written);
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_GET_EQUAL, No(FileNo::Products), 0);
        return status;
    }
    const int u1 = FirstUnits(written);
    const double onHand = written.Amounts[PRODUCT_QUANTITY] + f.quantity;
    const double value = written.Amounts[PRODUCT_VALUE] + f.amount;
    written.Amounts[PRODUCT_QUANTITY] = onHand;
    written.Amounts[PRODUCT_VALUE] = value;
    if (!IsZero(onHand))
        written.Amounts[PRODUCT_AVERAGE_COST] = FxRound(u1 * value / onHand, 4);
    if (!IsZero(f.unitCost))
        written.Amounts[PRODUCT_LAST_COST] = f.unitCost;
    status = BtrWrite(B_UPDATE, s.products, key, &written, sizeof written);
    if (status != 0)
        ReportRecordManagerError(status, 1, B_UPDATE, No(FileNo::Products), 0);
    return status;
}

// The product as written goes back to the caller once the transaction is
// committed.
bool Commit(BalanceScreen& s, bwps::WriteBatch& batch, const TagProduct& written)
{
    const bwps::Status done = batch.Commit();
    done.Report(1, 0);
    if (done.Ok() && s.handedBack != nullptr)
        std::memcpy(s.handedBack, &written, sizeof written);
    return done.Ok();
}

// The ledger transaction, both account totals, the activity record and the
// product: all of them or none.
bool Post(BalanceScreen& s, const Figures& f)
{
    bwps::WriteBatch batch;
    if (!batch.Active()) {
        batch.Begun().Report(1, 0);
        return false;
    }
    const uint16_t journals = s.files[0], lines = s.files[1], headers = s.files[2];
    char inventory[ACCOUNT_NUMBER_WIDTH + 1] = {};
    std::memcpy(inventory, s.iface.Accounts[kInventoryAccount], ACCOUNT_NUMBER_WIDTH);
    TagAccount account;
    const int read = ReadPostingAccount(0, s.accounts, inventory, &account, nullptr);
    if (read != 0) {
        ReportRecordManagerError(read, 1, B_GET_EQUAL, No(FileNo::Accounts), 0);
        return false;
    }
    char number[16] = {};
    if (EnsureJournalCode(3, journals, kJournal, number) != 0)
        return false;
    const std::string reference = Reference(s);
    if (WriteGLTransaction(headers, lines, kJournal, number, kDescription, s.date, f.amount, &account,
                           reference.c_str()) == 0)
        return false;
    char difference[ACCOUNT_NUMBER_WIDTH + 1] = {};
    std::snprintf(difference, sizeof difference, "%-10s", "D");
    const int year = s.period.NextYear, index = s.period.Index;
    if (PostAccountAmount(s.accounts, inventory, 'D', year, index, f.amount, nullptr) != 0 ||
        PostAccountAmount(s.accounts, difference, 'C', year, index, f.amount, nullptr) != 0)
        return false;
    if (WriteActivity(s, f) != 0)
        return false;
    TagProduct written{};
    if (UpdateProduct(s, f, written) != 0)
        return false;
    return Commit(s, batch, written);
}

int OnPost(void* context)
{
    BalanceScreen& s = *Screen(context);
    // The figures are checked again: F10 may come before a field was left.
    Figures f;
    if (!Work(s, f))
        return FX_STAY;
    ShowFigures(s, f);
    int choice = 0;
    if (IsZero(f.amount)) {
        if (AskMessage(kMsgZeroAmount, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_CONTINUE_CANCEL_HELP,
                       nullptr, 0, 0, 0, 0, 0) != 0 || choice != 1)
            return FX_STAY;
        f.amount = 0;
        bwps::WriteBatch batch;
        TagProduct written{};
        s.posted = batch.Active() && WriteActivity(s, f) == 0 && UpdateProduct(s, f, written) == 0 &&
                   Commit(s, batch, written);
        return FX_LEAVE;
    }
    if (f.quantity < 0 && !IsZero(f.quantity) && f.amount > 0) {
        ShowMessage(kMsgNegativeQuantity, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (f.quantity > 0 && !IsZero(f.quantity) && f.amount < 0) {
        ShowMessage(kMsgNegativeAmount, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (IsZero(f.quantity) && f.amount > 0) {
        if (AskMessage(kMsgZeroQuantity, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_CONTINUE_CANCEL,
                       nullptr, 0, 0, 0, 0, 0) != 0 || choice != 1)
            return FX_STAY;
    }
    s.posted = Post(s, f);
    return FX_LEAVE;
}

int ShowDate(void* context)
{
    BalanceScreen& s = *Screen(context);
    char text[16] = {};
    FxFieldSet(&s.form, F_DATE, FxDateFormat(text, s.date));
    FxFormRedraw(&s.fx, &s.form);
    return FX_GO_ON;
}

void ReleaseAccountLocks(uint16_t accounts)
{
    const int status = BtrUnlock(-2, accounts, nullptr);
    if (status != 0)
        ReportRecordManagerError(status, 1, kUnlockOperation, 1, 0);
}

constexpr std::array<ScreenField, 6> kBalanceTemplate{{
    bwps::Field(F_DATE, 1, 22, "nn/nn/nn"),
    bwps::Field(F_REFERENCE, 2, 22, "%-10sC"),
    bwps::Field(F_QUANTITY, 4, 22, "%11.4fF"),
    bwps::Field(F_UNIT_COST, 5, 22, "%11.4fu"),
    bwps::Field(F_AMOUNT, 6, 22, "%12.2f"),
    {},
}};

int EditBalance(uint16_t accounts, uint16_t products, void* product, void* editorContext)
{
    if (product == nullptr)
        return kNotPosted;
    auto screen = std::make_unique<BalanceScreen>();
    BalanceScreen& s = *screen;
    std::memcpy(&s.product, product, sizeof s.product);
    s.handedBack = product;
    s.accounts = accounts;
    bwps::Table own;
    if (products == 0) {
        const bwps::Status opened = own.Open(FileNo::Products);
        if (!opened.Ok()) {
            opened.Report();
            return kNotPosted;
        }
        products = own.Handle();
        s.ownProducts = true;
    }
    s.products = products;
    if (editorContext != nullptr)
        s.editor = static_cast<FxContext*>(editorContext)->form;
    s.date = FxToday();
    if (GetPeriodInfo(0, s.date, &s.period) != 0 || s.period.Index < 0)
        return kNotPosted;
    if (ReadInterfaceRecord(&s.iface) != 0 || GetDifferenceAccount(accounts, 400, &s.difference) == 0) {
        ReleaseAccountLocks(accounts);
        return kNotPosted;
    }
    if (!IsZero(s.product.Amounts[PRODUCT_QUANTITY])) {
        int choice = 0;
        if (AskMessage(kMsgBalancesExist, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_CONTINUE_CANCEL,
                       nullptr, 0, 0, 0, 0, 0) != 0 || choice != 1) {
            ReleaseAccountLocks(accounts);
            return kNotPosted;
        }
    }
    if (OpenFileList(s.files, No(FileNo::Journals), No(FileNo::LedgerDetail), No(FileNo::LedgerHeader), 0) != 0) {
        ReleaseAccountLocks(accounts);
        return kNotPosted;
    }
    std::array<ScreenField, kBalanceTemplate.size()> fields = kBalanceTemplate;
    fields[F_QUANTITY - 1].exitHandler = Recalculate;
    fields[F_UNIT_COST - 1].exitHandler = Recalculate;
    fields[F_AMOUNT - 1].exitHandler = Recalculate;
    FxAppBegin(&s.fx);
    if (!FxFormLoad(&s.form, fields.data(), 1)) {
        FxAppEnd(&s.fx);
        CloseFileList(s.files);
        ReleaseAccountLocks(accounts);
        return kNotPosted;
    }
    SetColorSet(s.colours, kColourSetScreen);
    FxWindowCreate(&s.window, 4, 23, 4 + 10 - 1, 23 + 57 - 1, 1, 1, ' ', nullptr);
    FxWindowSetName(&s.window, "RSEditProdBal");
    SetupStandardScreen(&s.form, 0, 0);
    FxWindowAttachForm(&s.window, &s.form, 0);
    static const char* const kPrompts[] = {"Date:", "Reference:", "", "Quantity:", "Unit cost:", "Amount:"};
    for (int i = 0; i < 6; ++i)
        if (kPrompts[i][0] != '\0')
            FxWindowText(&s.window, i + 1, 3, -1, kPrompts[i], 0);
    FxSetKeyState(&s.form, kF4, 0);
    FxSetKeyHandler(&s.form, FX_KEY_F10, OnPost);
    s.form.newRecord = ShowDate;
    FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    CloseFileList(s.files);
    ReleaseAccountLocks(accounts);
    return s.posted ? 0 : kNotPosted;
}

}  // namespace

extern "C" {

int RSEditProdBal(uint16_t accountFile, uint16_t productFile, void* product, void* editorContext)
{
    return EditBalance(accountFile, productFile, product, editorContext);
}

}  // extern "C"

BWPS_ORDINAL(618, RSEditProdBal);
