// The service editor: the services of BPOSSERV.DB on one form, with their
// user-defined fields, and the keys that open the service's notes, history,
// item descriptions and code replacement.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bwps/accounts.h"
#include "bwps/code_editors.h"
#include "bwps/db_table.h"
#include "bwps/editor_frame.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/param_string.h"
#include "bwps/products.h"
#include "bwps/records/masters.h"
#include "bwps/records/udf.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/setup_screens.h"
#include "bwps/udf.h"
#include "bwps/users.h"
#include "fx.h"
#include "recman.h"

namespace bwps {
namespace {

enum FieldNo {
    kCode = 1, kDescription, kInactive, kAccount, kFlag89, kFlag90, kFlag92, kText52, kPrice, kUnitFactor,
    kDate, kFirstLabel, kFirstUdf = 24, kUdfDate1 = 34, kUdfDate2
};

// Rights and the audit entity of services.
constexpr int kServiceFunction = 124;
constexpr int kAddRight = 16, kChangeRight = 111, kDeleteRight = 112;
constexpr int kInactiveRight = 121, kDeleteInactiveRight = 122;
constexpr int kServiceEntity = 5;
// The status column of the service file's inactive index.
constexpr int kStatusColumn = 26;

enum Key : int {
    kKeyNotes = 0x3D00,          // F3
    kKeyNew = 0x4200,            // F8
    kKeyHistory = 0x5600,        // Shift+F3
    kKeyNoteName = 0x5700,       // Shift+F4
    kKeyReplace = 0x5900,        // Shift+F6
    kKeyDescriptions = 0x1F00,   // Alt+S
    kKeyDeleteInactive = 0x1600  // Alt+U
};

enum Message : int {
    kAccountMissing = 1963,
    kCodeEmpty = 207,
    kUnitsZero = 227,
    kNotInterfaced = 559,
    kConfirmDelete = 965,
    kDeleteNotes = 1107,
    kHistoryExists = 1303,
    kInAssembly = 1527,
    kConfirmDeleteInactive = 1728,
    kProductCode = 1965
};

const char kYesNoChoices[] = "\001Yes,No";
const char kInactiveChoices[] = "\001No,Yes";

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Text(const char* field, size_t width) { return Trim(std::string(field, strnlen(field, width))); }

template <size_t N>
void Put(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

bool HasRight(int right)
{
    char user[BWPS_USER_ID_SIZE + 1] = {};
    std::memcpy(user, GetSessionPaths()->UserId, BWPS_USER_ID_SIZE);
    return CheckUserAccess(right, 0, user, 0) != 0;
}

int NotAvailable(const char* screen)
{
    char text[128];
    std::snprintf(text, sizeof text, "%s is not available in this build.", screen);
    FxMessageBox(nullptr, text, nullptr, 0x40, 0);
    return FX_STAY;
}

int Ask(int message, const char* buttons, int choice)
{
    AskMessage(message, MESSAGE_DEFAULT_CONTEXT, &choice, buttons, LibraryColorSets() + 5 * COLOR_SET_SIZE, -1,
               -1, 0, 0, 0);
    return choice;
}

// The record of a new service: all zero but for its defaults.
void ServiceDefaults(ServiceRecord& s)
{
    s = ServiceRecord{};
    std::memcpy(s.Flags, "YNNN", 4);
    s.UnitFactor = 1;
    s.Status = 'A';
}

// What goes with a deleted service: its item descriptions and its note
// file (after a question unless quiet).
void DeleteServiceSatellites(const ServiceRecord& service, bool askNotes)
{
    const std::string code = Text(service.Code, sizeof service.Code);
    DeleteItemDetails(0, code.c_str());
    const std::string note = Text(service.NoteName, sizeof service.NoteName);
    // only a plain name in the folder of the file: never a path elsewhere
    if (note.empty() || note.find('/') != std::string::npos || note.find('\\') != std::string::npos ||
        note == "." || note == "..")
        return;
    std::error_code ec;
    const std::filesystem::path file =
        std::filesystem::path(GetDataFilePath(No(FileNo::Services))).parent_path() / note;
    if (!std::filesystem::is_regular_file(file, ec))
        return;
    if (askNotes && Ask(kDeleteNotes, MESSAGE_BUTTONS_YES_NO, 1) != 1)
        return;
    std::filesystem::remove(file, ec);
}

class UdfCompanion : public EditorCompanion {
public:
    UdfCompanion() : data_(No(FileNo::Services)) {}
    bool Open() override { return data_.Open(); }
    void Close() override { data_.Close(); }
    void Start(const void* record, bool existing) override
    {
        const char* code = static_cast<const ServiceRecord*>(record)->Code;
        if (!existing || !data_.Find(code))
            data_.InitStruct(code);
    }
    bool Save(const void* record) override
    {
        Recode(record);
        return data_.Save();
    }
    bool Delete(const void* record) override
    {
        Recode(record);
        return data_.Delete();
    }
    CBwUDFDPS& Data() { return data_; }

private:
    // The record may have been started before its code was typed.
    void Recode(const void* record)
    {
        const TagUDFDataPS values = data_.Record();
        data_.InitStruct(static_cast<const ServiceRecord*>(record)->Code);
        TagUDFDataPS& r = data_.Record();
        std::memcpy(reinterpret_cast<char*>(&r) + data_.GetCodeSize(),
                    reinterpret_cast<const char*>(&values) + data_.GetCodeSize(),
                    sizeof r - data_.GetCodeSize());
    }
    CBwUDFDPS data_;
};

class SatelliteCompanion : public EditorCompanion {
public:
    bool Open() override { return true; }
    void Close() override {}
    void Start(const void*, bool) override {}
    bool Save(const void*) override { return true; }
    bool Delete(const void* record) override
    {
        DeleteServiceSatellites(*static_cast<const ServiceRecord*>(record), true);
        return true;
    }
};

class ServiceEditor : public EditorFrame {
public:
    explicit ServiceEditor(TagLookUp* caller) : EditorFrame(MakeSpec(), caller)
    {
        AddCompanion(UdfLabelsCompanion('S'));
        auto udf = std::make_unique<UdfCompanion>();
        udf_ = udf.get();
        AddCompanion(std::move(udf));
        AddCompanion(std::make_unique<SatelliteCompanion>());
    }

    int CodeExit();
    int NotesKey();
    int NoteNameKey();
    int HistoryKey();
    int ReplaceKey();
    int DescriptionsKey();
    int DeleteInactiveKey();
    int NewKey() { return FX_STAY; }

protected:
    static EditorSpec MakeSpec()
    {
        EditorSpec s;
        s.screenName = "RSEditService";
        s.top = 2, s.left = 10, s.bottom = 13, s.right = 77;
        s.file = FileNo::Services;
        s.recordLength = sizeof(ServiceRecord);
        s.codeOffset = offsetof(ServiceRecord, Code);
        s.codeLength = sizeof(ServiceRecord::Code);
        s.auditEntity = kServiceEntity;
        s.function = kServiceFunction;
        s.deleteRight = kDeleteRight;
        s.addRight = kAddRight;
        s.changeRight = kChangeRight;
        s.blankCodeMessage = kCodeEmpty;
        s.deleteQuestion = kConfirmDelete;
        s.keyOptions = 35;
        s.menu = 319;
        s.workOnCallerRecord = true;
        return s;
    }

    std::span<const ScreenField> Template() const override;
    void BindFields(ScreenField* table) override;
    void BindKeys() override;
    void BindNestedKeys() override;
    bool Prepare() override;
    void ClearRecord() override { ServiceDefaults(Service()); }
    void RecordToScreen() override;
    void ScreenToRecord() override;
    int CheckBeforeSave() override;
    int CheckBeforeDelete() override { return DeleteChecks(); }
    bool CodeTakenElsewhere(const std::string& code) override;
    int LookUp(int field) override;
    void AfterNewRecord() override;
    void AfterLoad() override;

private:
    ServiceRecord& Service() { return *static_cast<ServiceRecord*>(Record()); }
    std::string FieldText(int field) { return Trim(FxFieldGet(Form(), field)); }
    static bool Saved(int answer) { return answer == FX_LEAVE || answer == FX_RECORD_DONE; }
    int DeleteChecks();
    void Reposition();

    UdfCompanion* udf_ = nullptr;
    bool interfaced_ = false;
    Table accounts_, products_, assemblies_;
};

std::span<const ScreenField> ServiceEditor::Template() const
{
    using bwps::Field;
    static constexpr std::array<ScreenField, 36> kFields{{
        Field(kCode, 1, 15, "%-14sC").Prompt(38).Flags(FX_FIELD_UPPER),
        Field(kDescription, 2, 15, "%-30s").Prompt(39),
        Field(kInactive, 1, 50, "%-10sm").Prompt(807).Choices(kInactiveChoices),
        Field(kAccount, 3, 15, "%-5s").Prompt(40).Flags(FX_FIELD_UPPER),
        Field(kFlag89, 5, 15, "%-10sm").Prompt(453).Choices(kYesNoChoices),
        Field(kFlag90, 6, 15, "%-10sm").Prompt(454).Choices(kYesNoChoices),
        Field(kFlag92, 7, 15, "%-10sm").Prompt(41).Choices(kYesNoChoices),
        Field(kText52, 4, 15, "%-8s").Prompt(42),
        Field(kPrice, 8, 15, "%11.4fu").Prompt(52),
        Field(kUnitFactor, 9, 15, "%-4u").Prompt(46),
        Field(kDate, 10, 15, "nn/nn/nn").Prompt(1).DisplayOnly(),
        Field(12, 0, 0, "%-30s").Prompt(1).DisplayOnly(), Field(13, 0, 0, "%-30s").Prompt(1).DisplayOnly(),
        Field(14, 0, 0, "%-30s").Prompt(1).DisplayOnly(), Field(15, 0, 0, "%-30s").Prompt(1).DisplayOnly(),
        Field(16, 0, 0, "%-30s").Prompt(1).DisplayOnly(), Field(17, 0, 0, "%-30s").Prompt(1).DisplayOnly(),
        Field(18, 0, 0, "%-30s").Prompt(1).DisplayOnly(), Field(19, 0, 0, "%-30s").Prompt(1).DisplayOnly(),
        Field(20, 0, 0, "%-30s").Prompt(1).DisplayOnly(), Field(21, 0, 0, "%-30s").Prompt(1).DisplayOnly(),
        Field(22, 0, 0, "%-30s").Prompt(1).DisplayOnly(), Field(23, 0, 0, "%-30s").Prompt(1).DisplayOnly(),
        Field(24, 0, 0, "%-40s").Prompt(765), Field(25, 0, 0, "%-40s").Prompt(765),
        Field(26, 0, 0, "%-40s").Prompt(765), Field(27, 0, 0, "%-40s").Prompt(765),
        Field(28, 0, 0, "%-40s").Prompt(765), Field(29, 0, 0, "%-40s").Prompt(765),
        Field(30, 0, 0, "%10.2f").Prompt(765), Field(31, 0, 0, "%10.2f").Prompt(765),
        Field(32, 0, 0, "%10.2f").Prompt(765), Field(33, 0, 0, "%10.2f").Prompt(765),
        Field(kUdfDate1, 0, 0, "nn/nn/nnnn").Prompt(765), Field(kUdfDate2, 0, 0, "nn/nn/nnnn").Prompt(765),
        {},
    }};
    return kFields;
}

void ServiceEditor::BindFields(ScreenField* table)
{
    table[kCode - 1].exitHandler = EditorHandler<ServiceEditor, &ServiceEditor::CodeExit>;
    table[kUdfDate1 - 1].exitHandler = ValidateDateField;
    table[kUdfDate2 - 1].exitHandler = ValidateDateField;
}

void ServiceEditor::BindKeys()
{
    auto bind = [this](int key, FxHandler handler) { FxSetKeyHandler(Form(), key, handler); };
    bind(kKeyNotes, EditorHandler<ServiceEditor, &ServiceEditor::NotesKey>);
    bind(kKeyNoteName, EditorHandler<ServiceEditor, &ServiceEditor::NoteNameKey>);
    bind(kKeyNew, EditorHandler<ServiceEditor, &ServiceEditor::NewKey>);
    bind(kKeyHistory, EditorHandler<ServiceEditor, &ServiceEditor::HistoryKey>);
    bind(kKeyReplace, EditorHandler<ServiceEditor, &ServiceEditor::ReplaceKey>);
    bind(kKeyDescriptions, EditorHandler<ServiceEditor, &ServiceEditor::DescriptionsKey>);
    if (HasRight(kDeleteInactiveRight)) {
        bind(kKeyDeleteInactive, EditorHandler<ServiceEditor, &ServiceEditor::DeleteInactiveKey>);
        FxSetKeyCaption(Form(), kKeyDeleteInactive, "DELETE");
    }
}

void ServiceEditor::BindNestedKeys()
{
    for (int key : {static_cast<int>(kKeyDelete), static_cast<int>(kKeyNew), static_cast<int>(kKeyDescriptions),
                    static_cast<int>(kKeyDeleteInactive)})
        FxSetKeyHandler(Form(), key, nullptr);
}

bool ServiceEditor::Prepare()
{
    interfaced_ = IsInterfacedToAccounting() != 0;
    if (!CheckInterfaceAccountsSet(0, 5, 6, 4, 0))
        return false;
    for (auto [table, file] : {std::pair{&accounts_, FileNo::Accounts}, std::pair{&products_, FileNo::Products},
                               std::pair{&assemblies_, FileNo::Assemblies}}) {
        const Status s = table->Open(file);
        if (!s.Ok()) {
            s.Report();
            accounts_.Close();
            products_.Close();
            assemblies_.Close();
            return false;
        }
    }
    return true;
}

void ServiceEditor::RecordToScreen()
{
    ServiceRecord& s = Service();
    char text[64];
    FxFieldSet(Form(), kCode, Text(s.Code, sizeof s.Code).c_str());
    FxFieldSet(Form(), kDescription, Text(s.Description, sizeof s.Description).c_str());
    PutYesNoChoice(Form(), kInactive, s.Status == 'I' ? 'Y' : 'N');
    FxFieldSet(Form(), kAccount, Text(s.Account, sizeof s.Account).c_str());
    PutYesNoChoice(Form(), kFlag89, s.Flags[0]);
    PutYesNoChoice(Form(), kFlag90, s.Flags[1]);
    PutYesNoChoice(Form(), kFlag92, s.Flags[3]);
    FxFieldSet(Form(), kText52, Text(s.Text52, sizeof s.Text52).c_str());
    FxFieldSet(Form(), kPrice, FxFormatAmount(s.Price, text, 4));
    std::snprintf(text, sizeof text, "%d", static_cast<int>(s.UnitFactor));
    FxFieldSet(Form(), kUnitFactor, text);
    const int32_t date = s.LastDate;
    text[0] = '\0';
    if (date != 0)
        FxDateFormat(text, date);
    FxFieldSet(Form(), kDate, text);
    for (int kind = 0, field = kFirstLabel; kind < 3; ++kind) {
        static const int kKinds[3] = {UDF_TEXT, UDF_AMOUNT, UDF_DATE};
        static const int kCounts[3] = {6, 4, 2};
        for (int i = 1; i <= kCounts[kind]; ++i, ++field) {
            char label[64] = {};
            if (CBwUDFSMngr::IsActive())
                CBwUDFSMngr::GetLabel('S', kKinds[kind], i, label, sizeof label);
            FxFieldSet(Form(), field, label);
        }
    }
    udf_->Data().StructToScreen(Form(), kFirstUdf);
}

void ServiceEditor::ScreenToRecord()
{
    ServiceRecord& s = Service();
    Put(s.Description, std::string(FxFieldGet(Form(), kDescription)));
    s.Status = ReadYesNoChoice(Form(), kInactive) == 'Y' ? 'I' : 'A';
    Put(s.Account, FieldText(kAccount));
    s.Flags[0] = static_cast<char>(ReadYesNoChoice(Form(), kFlag89));
    s.Flags[1] = static_cast<char>(ReadYesNoChoice(Form(), kFlag90));
    s.Flags[3] = static_cast<char>(ReadYesNoChoice(Form(), kFlag92));
    Put(s.Text52, FieldText(kText52));
    double price = 0;
    if (FxParseNumber(FxFieldGet(Form(), kPrice), 0, &price) != 0)
        price = 0;
    s.Price = price;
    // the unit factor of an existing service stays as stored
    if (!Existing())
        s.UnitFactor = static_cast<int16_t>(std::atoi(FieldText(kUnitFactor).c_str()));
    udf_->Data().ScreenToStruct(Form(), kFirstUdf);
}

void ServiceEditor::AfterNewRecord()
{
    FxFieldSetDisplayOnly(Form(), kUnitFactor, Existing() ? 1 : 0);
    FxFieldSetDisplayOnly(Form(), kInactive, HasRight(kInactiveRight) ? 0 : 1);
}

void ServiceEditor::AfterLoad() { FxFieldSetDisplayOnly(Form(), kUnitFactor, Existing() ? 1 : 0); }

int ServiceEditor::CodeExit()
{
    if (ScreenCode().empty() && KeySlot() == kKeyDeleteInactive)
        return FX_GO_ON;
    return CodeCheck();
}

bool ServiceEditor::CodeTakenElsewhere(const std::string& code)
{
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), 14));
    uint8_t product[1024];
    const Status s = products_.Get(B_GET_EQUAL, key.bytes, product, sizeof product);
    if (s.Ok()) {
        ShowMessage(kProductCode, MESSAGE_DEFAULT_CONTEXT);
        return true;
    }
    if (!s.Is(B_KEY_NOT_FOUND)) {
        // the code cannot be shown to be free: it is not taken
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::Products), 0);
        return true;
    }
    return false;
}

int ServiceEditor::CheckBeforeSave()
{
    auto focus = [this](int field) {
        FxFocusField(Form(), field);
        return FX_STAY_FOCUSED;
    };
    if (GetInterfaceFlag() == 'I') {
        const std::string account = FieldText(kAccount);
        if (account.empty()) {
            ShowMessage(kAccountMissing, MESSAGE_DEFAULT_CONTEXT);
            return focus(kAccount);
        }
        char department[16] = {};
        std::snprintf(department, sizeof department, "%s", account.c_str());
        TagAccount record{};
        if (!ValidateInterfaceAccounts(accounts_.Handle(), department, &record))
            return focus(kAccount);
    }
    const int units = Existing() ? Service().UnitFactor : std::atoi(FieldText(kUnitFactor).c_str());
    if (units < 1) {
        ShowMessage(kUnitsZero, MESSAGE_DEFAULT_CONTEXT);
        return focus(kUnitFactor);
    }
    if (ReadYesNoChoice(Form(), kInactive) == 'Y' && Service().Status != 'I' && DeleteChecks() != FX_GO_ON)
        return FX_STAY;
    return FX_GO_ON;
}

int ServiceEditor::DeleteChecks()
{
    const std::string code = ScreenCode();
    if (code.empty()) {
        ShowMessage(kCodeEmpty, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    const ServiceRecord& s = Service();
    bool history = false;
    for (int period = 1; period <= 3; ++period)
        history = history || s.Amounts[period] != 0 || s.Quantities[period] != 0;
    if (history && Ask(kHistoryExists, MESSAGE_BUTTONS_CONTINUE_CANCEL, 1) != 1)
        return FX_STAY;
    if (FindByCodeOnKey1(code.c_str(), assemblies_.Handle()) != 0) {
        ShowMessage(kInAssembly, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    return FX_GO_ON;
}

int ServiceEditor::LookUp(int field)
{
    if (field == kAccount) {
        if (!interfaced_) {
            ShowMessage(kNotInterfaced, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        char text[64] = {};
        std::snprintf(text, sizeof text, "%s", FieldText(field).c_str());
        uint8_t account[1024] = {};
        const int answer = FlyAccountInterface(text, 0, accounts_.Handle(), account, 6, 1, 10, 65, nullptr);
        if (answer != ACCOUNT_INTERFACE_PICKED)
            return FX_STAY;
        FxFieldSet(Form(), field, text);
        FxFormRedrawAfterPick(Context(), Form());
        return FX_LOOKUP_SET;
    }
    return LookUpCode([](const char* start, uint16_t handle, void* record) {
        return FlyServices(start, 1, handle, record, 4, 9, 13, 60, nullptr, 0);
    });
}

// Puts the file on the service again after another screen moved it.
void ServiceEditor::Reposition()
{
    const std::string code = RecordCode();
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), 14));
    ServiceRecord work{};
    File().Get(B_GET_EQUAL, key.bytes, &work, sizeof work);
}

int ServiceEditor::NotesKey()
{
    if (!Saved(Save()))
        return FX_STAY;
    const std::string code = RecordCode();
    EditRecordNotes(Service().NoteName, code.c_str(), No(FileNo::Services));
    Reposition();
    return FX_STAY;
}

int ServiceEditor::NoteNameKey()
{
    if (!Saved(Save()))
        return FX_STAY;
    Reposition();
    const std::string code = RecordCode();
    char name[32] = {};
    std::memcpy(name, Service().NoteName, sizeof Service().NoteName);
    RSEditNoteName(name, code.c_str(), No(FileNo::Services));
    return FX_STAY;
}

int ServiceEditor::HistoryKey()
{
    if (RSEditServHist == nullptr)
        return NotAvailable("RSEditServHist");
    if (!Saved(Save()))
        return FX_STAY;
    Reposition();
    RSEditServHist(File().Handle(), &Service());
    return FX_STAY;
}

int ServiceEditor::ReplaceKey()
{
    if (RSSearchReplaceCode == nullptr)
        return NotAvailable("RSSearchReplaceCode");
    const std::string before = RecordCode().empty() ? ScreenCode() : RecordCode();
    if (!Saved(Save()))
        return FX_STAY;
    RSSearchReplaceCode(No(FileNo::Services), File().Handle(), before.c_str());
    return FX_RECORD_DONE;
}

int ServiceEditor::DescriptionsKey()
{
    if (RSEditItemDescr == nullptr)
        return NotAvailable("RSEditItemDescr");
    if (!Saved(Save()))
        return FX_STAY;
    const std::string code = RecordCode();
    RSEditItemDescr(code.c_str(), No(FileNo::Services));
    return FX_GO_ON;
}

int DeleteInactiveOne(void* data, long)
{
    const ServiceRecord service = *static_cast<const ServiceRecord*>(data);
    CBwUDFDPS udf(No(FileNo::Services));
    if (udf.Open()) {
        if (udf.Find(service.Code))
            udf.Delete();
        udf.Close();
    }
    DeleteServiceSatellites(service, false);
    return 0;
}

int ServiceEditor::DeleteInactiveKey()
{
    if (Ask(kConfirmDeleteInactive, MESSAGE_BUTTONS_CONTINUE_CANCEL, 2) != 1)
        return FX_STAY;
    ServiceRecord work{};
    const int status = CDbTblActiveRecs::DeleteInactiveRecords(No(FileNo::Services), File().Handle(),
                                                               kStatusColumn, 'I', &work, DeleteInactiveOne, 0);
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_DELETE, No(FileNo::Services), 0);
        return FX_STAY;
    }
    return FX_RECORD_DONE;
}

int EditService(TagLookUp* caller)
{
    if (caller != nullptr && caller->WorkArea != nullptr) {
        // any opening key but F8 (a new service) edits the caller's record
        int32_t word = 0;
        std::memcpy(&word, caller->WorkArea, sizeof word);
        if (word != kEditorNew) {
            word = kEditorEdit;
            std::memcpy(caller->WorkArea, &word, sizeof word);
        }
    }
    ServiceEditor editor(caller);
    return editor.Run();
}

}  // namespace
}  // namespace bwps

extern "C" {

// The editor alone (null), or over a calling pick list's open service file
// and record; the key word left for the caller.
BWPS_EXPORT int RSEditService(void* lookup)
{
    return bwps::EditService(static_cast<TagLookUp*>(lookup));
}

int EditServiceByCode(const char* parameters)
{
    using namespace bwps;
    if (parameters == nullptr || parameters[0] == '\0') {
        EditService(nullptr);
        return 0;
    }
    char value[16] = {};
    CParamString params(parameters, static_cast<int32_t>(std::strlen(parameters)));
    params.GetValue(value, sizeof value);
    // the value comes blank padded: the key is the code NUL filled
    const std::string code = Trim(value);
    Table services;
    Status s = services.Open(FileNo::Services);
    if (!s.Ok()) {
        s.Report();
        return 0;
    }
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), sizeof(ServiceRecord::Code) - 1));
    ServiceRecord record{};
    s = services.Get(B_GET_EQUAL, key.bytes, &record, sizeof record);
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::Services), 0);
        return 0;
    }
    TagLookUpData data{};
    data.FileId = static_cast<uint16_t>(No(FileNo::Services));
    data.RecordLength = sizeof record;
    data.Handle = services.Handle();
    data.Record = &record;
    uint8_t work[32] = {};
    TagLookUp caller{};
    caller.Data = &data;
    caller.WorkArea = work;
    EditService(&caller);
    return 0;
}

}  // extern "C"

BWPS_ORDINAL(626, RSEditService);
BWPS_ORDINAL(5010, EditServiceByCode);
