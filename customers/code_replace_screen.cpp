// RSSearchReplaceCode: the screen on which a customer, product or service
// code is replaced everywhere; the run itself is ReplaceCode.
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/masters.h"
#include "bwps/records/products.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/status_windows.h"
#include "bwps/table.h"
#include "customers/code_replace.h"
#include "fx.h"
#include "recman.h"

namespace bwps::customers {
namespace {

constexpr int kMsgCodeEmpty = 193;
constexpr int kMsgConfirm = 1429;
constexpr int kMsgDone = 1431;
constexpr int kMsgFailed = 3605;
constexpr int kKeyLookUp = 0x3F00;  // F5
constexpr int kKeyRun = 0x4400;     // F10
constexpr int kKeyUp = 0x4800;
constexpr int kWorkLength = 4096;

enum Field { kCurrent = 1, kDescription, kNewCode };

struct ReplaceScreen {
    FxContext fx;  // first: the framework hands the context to the handlers
    FxForm form;
    FxWindow window;
    std::array<ScreenField, 4> fields;
    uint8_t colours[COLOR_SET_SIZE];
    CodeKind kind;
    Table master;
    std::string start;
};

ReplaceScreen& Of(void* context) { return *static_cast<ReplaceScreen*>(context); }

std::string Trim(const char* text)
{
    std::string s = text;
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const size_t last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

// The description of a master record: the customer's name, the item's
// description.
std::string Description(CodeKind kind, const uint8_t* record)
{
    if (kind == CodeKind::Customer) {
        const auto* c = reinterpret_cast<const CustomerRecord*>(record);
        return std::string(c->Name, strnlen(c->Name, sizeof c->Name));
    }
    const auto* p = reinterpret_cast<const TagProduct*>(record);
    return std::string(p->Description, strnlen(p->Description, sizeof p->Description));
}

// Shows the record of the code in field 1; false (reported) when it is not there.
bool ShowCurrent(ReplaceScreen& s, const std::string& code, bool report)
{
    std::vector<uint8_t> record(kWorkLength, 0);
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min(code.size(), sizeof key.bytes - 1));
    const Status st = s.master.Get(B_GET_EQUAL, key.bytes, record.data(), kWorkLength);
    if (!st.Ok()) {
        if (report)
            st.Report();
        FxFieldSet(&s.form, kDescription, "");
        return false;
    }
    FxFieldSet(&s.form, kCurrent, code.c_str());
    FxFieldSet(&s.form, kDescription, Description(s.kind, record.data()).c_str());
    return true;
}

int OnStart(void* context)
{
    ReplaceScreen& s = Of(context);
    if (!s.start.empty())
        ShowCurrent(s, s.start, true);
    s.start.clear();
    return FX_GO_ON;
}

int OnCurrentExit(void* context)
{
    ReplaceScreen& s = Of(context);
    const std::string code = Trim(FxFieldGet(&s.form, kCurrent));
    if (code.empty()) {
        ShowMessage(kMsgCodeEmpty, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    return ShowCurrent(s, code, true) ? FX_GO_ON : FX_STAY;
}

// The status window of the run: the file walked on its first line.
class StatusLines {
public:
    StatusLines() : open_(OpenStatusWindow(3, -1, -1, 4, 40, nullptr) == 0)
    {
        if (!open_)
            return;
        SetStatusWindowTitle("RSSEARCHREPLACESTATUS");
        const FxLineItem items[1] = {{LINE_TEXT, 1, 0, "%-12s"}};
        SetStatusWindowKeys(items, sizeof items);
        OpenGenericStatusWindow(0);
    }
    ~StatusLines() { Close(); }
    StatusLines(const StatusLines&) = delete;
    StatusLines& operator=(const StatusLines&) = delete;
    void Line(const char* text)
    {
        if (open_)
            AddStatusLine(0, -1, text);
    }
    void Close()
    {
        if (open_)
            CloseStatusWindow();
        open_ = false;
    }

private:
    bool open_;
};

int RunReplace(ReplaceScreen& s)
{
    const std::string oldCode = Trim(FxFieldGet(&s.form, kCurrent));
    const std::string newCode = Trim(FxFieldGet(&s.form, kNewCode));
    if (newCode.empty()) {
        ShowMessage(kMsgCodeEmpty, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    int choice = 1;
    if (AskMessage(kMsgConfirm, MESSAGE_DEFAULT_CONTEXT, &choice, nullptr, nullptr, -1, -1, 0, 0, 0) != 0 ||
        choice == 1)
        return FX_STAY;
    StatusLines status;
    const ReplaceOutcome outcome =
        ReplaceCode(s.kind, s.master.Handle(), oldCode, newCode, [&status](const char* name) { status.Line(name); });
    status.Close();
    if (!outcome.status.Ok())
        outcome.status.Report();
    if (outcome.message != 0) {
        ShowMessage(outcome.message, MESSAGE_DEFAULT_CONTEXT);
        if (!outcome.failed.empty())
            FxTranscriptNote(outcome.failed.c_str());
    }
    if (!outcome.Ok()) {
        if (outcome.message == 0 || !outcome.failed.empty())
            ShowMessage(kMsgFailed, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    ShowMessage(kMsgDone, MESSAGE_DEFAULT_CONTEXT);
    return FX_LEAVE;
}

int OnNewCodeExit(void* context)
{
    ReplaceScreen& s = Of(context);
    if (s.fx.key == kKeyUp)
        return FX_GO_ON;
    return RunReplace(s);
}

int OnRun(void* context) { return RunReplace(Of(context)); }

int OnLookUp(void* context)
{
    ReplaceScreen& s = Of(context);
    if (s.form.currentField != kCurrent)
        return FX_STAY;
    const std::string start = Trim(FxFieldGet(&s.form, kCurrent));
    std::vector<uint8_t> picked(kWorkLength, 0);
    const char* text = start.empty() ? nullptr : start.c_str();
    int found = 0;
    switch (s.kind) {
    case CodeKind::Customer:
        found = FlyCustomers(text, 0, s.master.Handle(), picked.data(), 4, 5, 13, 68, nullptr, 0);
        break;
    case CodeKind::Product:
        found = FlyProducts(text, 0, s.master.Handle(), picked.data(), 4, 5, 13, 68, nullptr, 0);
        break;
    case CodeKind::Service:
        found = FlyServices(text, 0, s.master.Handle(), picked.data(), 4, 5, 13, 68, nullptr, 0);
        break;
    }
    if (!found)
        return FX_STAY;
    const char* code = reinterpret_cast<const char*>(picked.data());
    const std::string picked_code(code, strnlen(code, 15));
    return ShowCurrent(s, picked_code, true) ? FX_LOOKUP_SET : FX_STAY;
}

}  // namespace
}  // namespace bwps::customers

using namespace bwps;
using namespace bwps::customers;

extern "C" int RSSearchReplaceCode(int32_t fileNumber, uint16_t masterFile, const char* code)
{
    auto screen = std::make_unique<ReplaceScreen>();
    ReplaceScreen& s = *screen;
    s.kind = CodeKindOfFile(fileNumber);
    const FileNo file = s.kind == CodeKind::Customer  ? FileNo::Customers
                        : s.kind == CodeKind::Service ? FileNo::Services
                                                      : FileNo::Products;
    Status opened = s.master.Borrow(file, masterFile);
    if (!opened.Ok()) {
        opened.Report();
        return 0;
    }
    // the caller's place in its file comes back at the end
    uint32_t position = 0;
    const bool positioned = BtrPosition(B_GET_DIRECT, s.master.Handle(), &position) == 0;
    s.start = code != nullptr ? Trim(code) : std::string();
    const bool customer = s.kind == CodeKind::Customer;
    s.fields = {{
        bwps::Field(kCurrent, 2, 17, customer ? "%-10sC" : "%-14sC").Flags(FX_FIELD_UPPER).Exit(OnCurrentExit),
        bwps::Field(kDescription, 3, 17, "%-40s").DisplayOnly(),
        bwps::Field(kNewCode, 5, 17, customer ? "%-10sC" : "%-14sC").Flags(FX_FIELD_UPPER).Exit(OnNewCodeExit),
        {},
    }};
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, s.fields.data(), 0) != 0 &&
        FxWindowCreate(&s.window, 4, 7, 4 + 15 - 1, 7 + 72 - 1, 1, 1, ' ', nullptr) == 0) {
        SetColorSet(s.colours, 3);
        FxWindowSetName(&s.window, "RSSearchReplaceCode");
        SetupStandardScreen(&s.form, 0, 0);
        FxSetKeyHandler(&s.form, kKeyLookUp, OnLookUp);
        FxSetKeyHandler(&s.form, kKeyRun, OnRun);
        FxSetKeyCaption(&s.form, kKeyRun, "Replace");
        s.form.newRecord = OnStart;
        FxWindowAttachForm(&s.window, &s.form, 0);
        const char* what = customer ? "customer" : s.kind == CodeKind::Service ? "service" : "product";
        char title[64];
        std::snprintf(title, sizeof title, "Replace a %s code in every file", what);
        FxWindowText(&s.window, 1, 2, -1, title, 0);
        FxWindowText(&s.window, 2, 2, -1, "Current code:", 0);
        FxWindowText(&s.window, 3, 2, -1, "Description:", 0);
        FxWindowText(&s.window, 5, 2, -1, "New code:", 0);
        FxAppRun(&s.fx, 1);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    if (positioned)
        BtrPosition(0, s.master.Handle(), &position);
    return 0;
}

BWPS_ORDINAL(625, RSSearchReplaceCode);
