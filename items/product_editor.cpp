// The product editor: the products of BPOSPROD.DB on one form, with their
// user-defined fields and picture file, the stock and type rules, and the
// keys that open the product's satellite screens.
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "bwps/accounts.h"
#include "bwps/code_editors.h"
#include "bwps/editor_frame.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/products.h"
#include "bwps/db_table.h"
#include "bwps/records/general.h"
#include "bwps/records/items.h"
#include "bwps/records/masters.h"
#include "bwps/records/products.h"
#include "bwps/related_tables.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/users.h"
#include "bwps/setup_screens.h"
#include "bwps/udf.h"
#include "fx.h"
#include "items/product_defaults.h"
#include "recman.h"

namespace bwps {
namespace {

enum FieldNo {
    kCode = 1, kDescription, kInactive, kAccount, kType, kText58, kCodePrinted, kNumber274, kNumber278,
    kText91, kPicture, kStandardCost, kAverageCost, kLastCost, kUnit1, kUnits1, kVendor1, kVendorCode1,
    kDate286, kVendor2, kVendorCode2, kVendor3, kVendorCode3, kUnit2, kUnits2, kAmount290, kDate282,
    kWeight, kWeightUnit, kPriceBreak1, kPriceBreak6 = 35, kRelated1, kRelated2, kFlag264, kSerial,
    kFlag267, kFlag263, kFirstLabel, kFirstUdf = 54, kUdfDate1 = 64, kUdfDate2, kBalance, kOnHand1, kOnHand2,
    kCommitted, kFurther, kWarehouse, kMasterCode
};

// Rights and the audit entity of products.
constexpr int kProductFunction = 122;
constexpr int kAddRight = 15, kChangeRight = 109, kDeleteRight = 110;
constexpr int kInactiveRight = 120, kDeleteInactiveRight = 122;
constexpr int kProductEntity = 4;

// Keys of this editor.
enum Key : int {
    kKeyNotes = 0x3D00,         // F3
    kKeyBalances = 0x4100,      // F7
    kKeyPriceBreak = 0x4200,    // F8
    kKeyHistory = 0x5600,       // Shift+F3
    kKeyNoteName = 0x5700,      // Shift+F4
    kKeyAssembly = 0x5800,      // Shift+F5
    kKeyReplace = 0x5900,       // Shift+F6
    kKeyDefaults = 0x5C00,      // Shift+F9
    kKeyAlternates = 0x1900,    // Alt+P
    kKeyDescriptions = 0x1F00,  // Alt+S
    kKeyActivity = 0x2000,      // Alt+D
    kKeyDeleteInactive = 0x1600 // Alt+U
};

// Messages.
enum Message : int {
    kNoAccount = 1961,      // the interface account code is missing
    kUnitsZero = 227,
    kRelatedUnknown = 239,
    kPriceBreakUnknown = 249,
    kStockNotZero = 267,
    kAssemblyOrComponent = 269,
    kNoAssemblyForNonInventory = 271,
    kNoBalancesForNonInventory = 273,
    kOnHandNotZero = 275,
    kNegativeStock = 341,
    kServiceCode = 535,
    kNotInterfaced = 559,
    kConfirmDelete = 961,
    kDeleteNotes = 1107,
    kHistoryExists = 1311,
    kDeleteActivity = 1503,
    kComponent = 1537,
    kWeightUnitMissing = 1682,
    kWeightUnitUnknown = 1694,
    kNegativeWeight = 1696,
    kConfirmDeleteInactive = 1728
};

const char kInactiveChoices[] = "\001No,Yes";
const char kTypeChoices[] = "\001Normal,Non-Inventory,Negative";
const char kPrintedChoices[] = "\001Your Code,Vendor's Code,Both";
const char kYesNoChoices[] = "\001Yes,No";

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

// Whether the signed-in user holds a right (no message).
bool HasRight(int right)
{
    char user[BWPS_USER_ID_SIZE + 1] = {};
    std::memcpy(user, GetSessionPaths()->UserId, BWPS_USER_ID_SIZE);
    return CheckUserAccess(right, 0, user, 0) != 0;
}

// The "not available" answer of a key whose screen this build lacks.
int NotAvailable(const char* screen)
{
    char text[128];
    std::snprintf(text, sizeof text, "%s is not available in this build.", screen);
    FxMessageBox(nullptr, text, nullptr, 0x40, 0);
    return FX_STAY;
}

// ---- Companions: the user-defined values and the picture file.
class UdfCompanion : public EditorCompanion {
public:
    UdfCompanion() : data_(No(FileNo::Products)) {}
    bool Open() override { return data_.Open(); }
    void Close() override { data_.Close(); }
    void Start(const void* record, bool existing) override
    {
        const char* code = static_cast<const TagProduct*>(record)->Code;
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
        data_.InitStruct(static_cast<const TagProduct*>(record)->Code);
        TagUDFDataPS& r = data_.Record();
        std::memcpy(reinterpret_cast<char*>(&r) + data_.GetCodeSize(),
                    reinterpret_cast<const char*>(&values) + data_.GetCodeSize(),
                    sizeof r - data_.GetCodeSize());
    }
    CBwUDFDPS data_;
};

class PictureCompanion : public EditorCompanion {
public:
    bool Open() override { return table_.Open(); }
    void Close() override { table_.Close(); }
    void Start(const void* record, bool existing) override
    {
        const char* code = static_cast<const TagProduct*>(record)->Code;
        if (!existing || !table_.Find(code))
            table_.InitDataBuffer(code);
    }
    bool Save(const void* record) override
    {
        Recode(record);
        return table_.Save();
    }
    bool Delete(const void* record) override
    {
        Recode(record);
        return table_.Delete();
    }
    CBwProdPictureTable& Table() { return table_; }

private:
    void Recode(const void* record)
    {
        const TagProdPicture kept = table_.Record();
        table_.InitDataBuffer(static_cast<const TagProduct*>(record)->Code);
        TagProdPicture& r = table_.Record();
        std::memcpy(reinterpret_cast<char*>(&r) + table_.GetKeySize(),
                    reinterpret_cast<const char*>(&kept) + table_.GetKeySize(), sizeof r - table_.GetKeySize());
    }
    CBwProdPictureTable table_;
};

class ProductEditor;

// What goes with a deleted product besides its companion records: its note
// file, its item descriptions and, when the user agrees, its activity.
class SatelliteCompanion : public EditorCompanion {
public:
    explicit SatelliteCompanion(ProductEditor* editor) : editor_(editor) {}
    bool Open() override { return true; }
    void Close() override {}
    void Start(const void*, bool) override {}
    bool Save(const void*) override { return true; }
    bool Delete(const void* record) override;

private:
    ProductEditor* editor_;
};

class ProductEditor : public EditorFrame {
public:
    explicit ProductEditor(TagLookUp* caller) : EditorFrame(MakeSpec(), caller)
    {
        AddCompanion(UdfLabelsCompanion('P'));
        auto udf = std::make_unique<UdfCompanion>();
        udf_ = udf.get();
        AddCompanion(std::move(udf));
        auto pictures = std::make_unique<PictureCompanion>();
        pictures_ = pictures.get();
        AddCompanion(std::move(pictures));
        AddCompanion(std::make_unique<SatelliteCompanion>(this));
    }

    // ---- field exits
    int TypeExit();
    int WeightExit();
    int WeightUnitExit();

    // ---- keys
    int BalancesKey();
    int AssemblyKey();
    int HistoryKey();
    int NotesKey();
    int NoteNameKey();
    int ReplaceKey();
    int DescriptionsKey();
    int AlternatesKey();
    int PriceBreakKey();
    int DefaultsKey();
    int ActivityKey();
    int DeleteInactiveKey();

    // The delete of the satellites after the product was deleted; the note
    // file is asked about unless quiet.
    void DeleteSatellites(const TagProduct& product, bool askNotes, bool askActivity);

protected:
    static EditorSpec MakeSpec()
    {
        EditorSpec s;
        s.screenName = "RSEditProduct";
        s.top = 1, s.left = 1, s.bottom = 24, s.right = 78;
        s.file = FileNo::Products;
        s.recordLength = sizeof(TagProduct);
        s.codeOffset = offsetof(TagProduct, Code);
        s.codeLength = sizeof(TagProduct::Code);
        s.auditEntity = kProductEntity;
        s.function = kProductFunction;
        s.deleteRight = kDeleteRight;
        s.addRight = kAddRight;
        s.changeRight = kChangeRight;
        s.blankCodeMessage = 205;
        s.deleteQuestion = kConfirmDelete;
        s.menu = 317;
        s.workOnCallerRecord = true;
        s.probeLock = true;
        return s;
    }

    std::span<const ScreenField> Template() const override;
    void BindFields(ScreenField* table) override;
    void BindKeys() override;
    void BindNestedKeys() override;
    bool Prepare() override;
    void ClearRecord() override;
    void RecordToScreen() override;
    void ScreenToRecord() override;
    int CheckBeforeSave() override;
    int CheckBeforeDelete() override;
    bool CodeTakenElsewhere(const std::string& code) override;
    int LookUp(int field) override;
    void AfterNewRecord() override;

private:
    TagProduct& Product() { return *static_cast<TagProduct*>(Record()); }
    bool Interfaced() const { return interfaced_; }
    void ReadDefaults();
    void ApplyStockRules();
    void SetUnitFields();
    // Saves before another screen opens: the save's answer.
    int SaveFirst() { return Save(); }
    static bool Saved(int answer) { return answer == FX_LEAVE || answer == FX_RECORD_DONE; }
    // Puts the file on the product again (its position taken and set back).
    void Reposition();
    bool IsComponent(const char* code);
    int DeleteChecks(const TagProduct& p);
    std::string FieldText(int field) { return Trim(FxFieldGet(Form(), field)); }
    void ShowNumber(int field, const char* picture, int pack, double value);

    UdfCompanion* udf_ = nullptr;
    PictureCompanion* pictures_ = nullptr;
    TagProduct defaults_{};
    bool interfaced_ = false;
    Table accounts_, priceBreaks_, assemblies_, services_, general_, activity_, units_, alternates_, vendors_;
};

// ---- the field table
std::span<const ScreenField> ProductEditor::Template() const
{
    using bwps::Field;
    static constexpr std::array<ScreenField, 73> kFields{{
        Field(kCode, 1, 7, "%-14sC").Prompt(38).Flags(FX_FIELD_UPPER),
        Field(kDescription, 1, 46, "%-30s").Prompt(39),
        Field(kInactive, 2, 28, "%-10sm").Prompt(807).Choices(kInactiveChoices).DisplayOnly(),
        Field(kAccount, 3, 14, "%-5s").Prompt(40).Flags(FX_FIELD_UPPER),
        Field(kType, 3, 45, "%-32sm").Prompt(450).Choices(kTypeChoices),
        Field(kText58, 4, 14, "%-8s").Prompt(42),
        Field(kCodePrinted, 4, 45, "%-29sm").Prompt(171).Choices(kPrintedChoices),
        Field(kNumber274, 5, 14, "%6lu").Prompt(43),
        Field(kNumber278, 5, 45, "%6lu").Prompt(44),
        Field(kText91, 5, 62, "%-10s").Prompt(617),
        Field(kPicture, 6, 62, "%-255s").Prompt(617),
        Field(kStandardCost, 11, 24, "%11.4fu").Prompt(48),
        Field(kAverageCost, 12, 24, "%11.4fu").Prompt(576).DisplayOnly(),
        Field(kLastCost, 13, 24, "%11.4fu").Prompt(577).DisplayOnly(),
        Field(kUnit1, 7, 10, "%-8s").Prompt(45),
        Field(kUnits1, 7, 30, "%-4u").Prompt(46),
        Field(kVendor1, 8, 10, "%-10sC").Prompt(47).Flags(FX_FIELD_UPPER),
        Field(kVendorCode1, 8, 24, "%-14sC").Prompt(451),
        Field(kDate286, 9, 23, "nn/nn/nn").Prompt(1).DisplayOnly(),
        Field(kVendor2, 15, 10, "%-10sC").Prompt(49).Flags(FX_FIELD_UPPER),
        Field(kVendorCode2, 15, 24, "%-14sC").Prompt(49),
        Field(kVendor3, 16, 10, "%-10sC").Prompt(49).Flags(FX_FIELD_UPPER),
        Field(kVendorCode3, 16, 24, "%-14sC").Prompt(49),
        Field(kUnit2, 7, 49, "%-8s").Prompt(50),
        Field(kUnits2, 7, 69, "%-4u").Prompt(51),
        Field(kAmount290, 8, 57, "%11.4fu").Prompt(52),
        Field(kDate282, 9, 57, "nn/nn/nn").Prompt(1).DisplayOnly(),
        Field(kWeight, 0, 0, "%12.4f").Prompt(799),
        Field(kWeightUnit, 0, 0, "%-6s").Prompt(800).Flags(FX_FIELD_UPPER),
        Field(kPriceBreak1, 11, 50, "%-5sC").Prompt(53).Flags(FX_FIELD_UPPER),
        Field(kPriceBreak1 + 1, 11, 67, "%-5sC").Prompt(53).Flags(FX_FIELD_UPPER),
        Field(kPriceBreak1 + 2, 12, 50, "%-5sC").Prompt(53).Flags(FX_FIELD_UPPER),
        Field(kPriceBreak1 + 3, 12, 67, "%-5sC").Prompt(53).Flags(FX_FIELD_UPPER),
        Field(kPriceBreak1 + 4, 13, 50, "%-5sC").Prompt(53).Flags(FX_FIELD_UPPER),
        Field(kPriceBreak6, 13, 67, "%-5sC").Prompt(53).Flags(FX_FIELD_UPPER),
        Field(kRelated1, 15, 49, "%-14sC").Prompt(54).Flags(FX_FIELD_UPPER),
        Field(kRelated2, 16, 49, "%-14sC").Prompt(54).Flags(FX_FIELD_UPPER),
        Field(kFlag264, 18, 17, "%-10sm").Prompt(453).Choices(kYesNoChoices),
        Field(kSerial, 18, 41, "%-10sm").Prompt(452).Choices(kYesNoChoices),
        Field(kFlag267, 18, 68, "%-10sm").Prompt(454).Choices(kYesNoChoices),
        Field(kFlag263, 19, 17, "%-10sm").Prompt(41).Choices(kYesNoChoices),
        Field(42, 0, 0, "%-30s").Prompt(1).DisplayOnly(), Field(43, 0, 0, "%-30s").Prompt(1).DisplayOnly(),
        Field(44, 0, 0, "%-30s").Prompt(1).DisplayOnly(), Field(45, 0, 0, "%-30s").Prompt(1).DisplayOnly(),
        Field(46, 0, 0, "%-30s").Prompt(1).DisplayOnly(), Field(47, 0, 0, "%-30s").Prompt(1).DisplayOnly(),
        Field(48, 0, 0, "%-30s").Prompt(1).DisplayOnly(), Field(49, 0, 0, "%-30s").Prompt(1).DisplayOnly(),
        Field(50, 0, 0, "%-30s").Prompt(1).DisplayOnly(), Field(51, 0, 0, "%-30s").Prompt(1).DisplayOnly(),
        Field(52, 0, 0, "%-30s").Prompt(1).DisplayOnly(), Field(53, 0, 0, "%-30s").Prompt(1).DisplayOnly(),
        Field(54, 0, 0, "%-40s").Prompt(765), Field(55, 0, 0, "%-40s").Prompt(765),
        Field(56, 0, 0, "%-40s").Prompt(765), Field(57, 0, 0, "%-40s").Prompt(765),
        Field(58, 0, 0, "%-40s").Prompt(765), Field(59, 0, 0, "%-40s").Prompt(765),
        Field(60, 0, 0, "%10.2f").Prompt(765), Field(61, 0, 0, "%10.2f").Prompt(765),
        Field(62, 0, 0, "%10.2f").Prompt(765), Field(63, 0, 0, "%10.2f").Prompt(765),
        Field(kUdfDate1, 0, 0, "nn/nn/nnnn").Prompt(765), Field(kUdfDate2, 0, 0, "nn/nn/nnnn").Prompt(765),
        Field(kBalance, 22, 4, "%12.2f").Prompt(1).DisplayOnly(),
        Field(kOnHand1, 22, 21, "%11.4fF").Prompt(1).DisplayOnly(),
        Field(kOnHand2, 22, 37, "%11.4fF").Prompt(1).DisplayOnly(),
        Field(kCommitted, 22, 51, "%11.4fF").Prompt(1).DisplayOnly(),
        Field(kFurther, 22, 63, "%11.4fF").Prompt(1).DisplayOnly(),
        Field(kWarehouse, 2, 50, "%-3sC").Prompt(1).DisplayOnly(),
        Field(kMasterCode, 0, 0, "%-10sC").Prompt(1).DisplayOnly(),
        {},
    }};
    return kFields;
}

void ProductEditor::BindFields(ScreenField* table)
{
    table[kType - 1].exitHandler = EditorHandler<ProductEditor, &ProductEditor::TypeExit>;
    table[kWeight - 1].exitHandler = EditorHandler<ProductEditor, &ProductEditor::WeightExit>;
    table[kWeightUnit - 1].exitHandler = EditorHandler<ProductEditor, &ProductEditor::WeightUnitExit>;
    table[kUdfDate1 - 1].exitHandler = ValidateDateField;
    table[kUdfDate2 - 1].exitHandler = ValidateDateField;
    if (!Interfaced())
        for (int f : {kVendor1, kVendor2, kVendor3})
            table[f - 1].displayOnly = 1;
}

void ProductEditor::BindKeys()
{
    const bool readOnly = false;
    auto bind = [this](int key, FxHandler handler) { FxSetKeyHandler(Form(), key, handler); };
    if (!readOnly) {
        bind(kKeyPriceBreak, EditorHandler<ProductEditor, &ProductEditor::PriceBreakKey>);
        bind(kKeyHistory, EditorHandler<ProductEditor, &ProductEditor::HistoryKey>);
        bind(kKeyAssembly, EditorHandler<ProductEditor, &ProductEditor::AssemblyKey>);
        bind(kKeyDefaults, EditorHandler<ProductEditor, &ProductEditor::DefaultsKey>);
        bind(kKeyReplace, EditorHandler<ProductEditor, &ProductEditor::ReplaceKey>);
        bind(kKeyBalances, EditorHandler<ProductEditor, &ProductEditor::BalancesKey>);
        bind(kKeyActivity, EditorHandler<ProductEditor, &ProductEditor::ActivityKey>);
        bind(kKeyDescriptions, EditorHandler<ProductEditor, &ProductEditor::DescriptionsKey>);
        if (HasRight(kDeleteInactiveRight)) {
            bind(kKeyDeleteInactive, EditorHandler<ProductEditor, &ProductEditor::DeleteInactiveKey>);
            FxSetKeyCaption(Form(), kKeyDeleteInactive, "DELETE");
        }
    }
    bind(kKeyNoteName, EditorHandler<ProductEditor, &ProductEditor::NoteNameKey>);
    bind(kKeyNotes, EditorHandler<ProductEditor, &ProductEditor::NotesKey>);
    bind(kKeyAlternates, EditorHandler<ProductEditor, &ProductEditor::AlternatesKey>);
}

void ProductEditor::BindNestedKeys()
{
    for (int key : std::initializer_list<int>{kKeyPriceBreak, kKeyHistory, kKeyAssembly, kKeyDefaults, kKeyReplace, kKeyActivity,
                    kKeyDescriptions, kKeyDeleteInactive, kKeyAlternates, static_cast<int>(kKeyDelete)})
        FxSetKeyHandler(Form(), key, nullptr);
    // a record of a pick list: its dates are not shown
    FxFieldSetState(Form(), kDate286, 2);
    FxFieldSetState(Form(), kDate282, 2);
}

bool ProductEditor::Prepare()
{
    interfaced_ = IsInterfacedToAccounting() != 0;
    if (!CheckInterfaceAccountsSet(0, 5, 6, 4, 0))
        return false;
    struct Open {
        Table* table;
        FileNo file;
    } files[] = {{&accounts_, FileNo::Accounts},   {&priceBreaks_, FileNo::PriceBook},
                 {&assemblies_, FileNo::Assemblies}, {&services_, FileNo::Services},
                 {&general_, FileNo::General},     {&activity_, FileNo::ProductActivity},
                 {&units_, FileNo::Units},         {&alternates_, FileNo::AlternateProducts},
                 {&vendors_, FileNo::Vendors}};
    for (const Open& f : files) {
        if (f.file == FileNo::Vendors && !interfaced_)
            continue;
        const Status s = f.table->Open(f.file);
        if (!s.Ok()) {
            s.Report();
            for (const Open& g : files)
                g.table->Close();
            return false;
        }
    }
    ReadDefaults();
    return true;
}

void ProductEditor::ReadDefaults()
{
    TagDefaults stored{};
    if (!ReadProductDefaults(general_.Handle(), &stored, &defaults_))
        BuiltInProductDefaults(&defaults_);
}

void ProductEditor::ClearRecord()
{
    TagProduct& p = Product();
    p = defaults_;
    StartProductFromDefaults(&p);
}

void ProductEditor::ShowNumber(int field, const char* picture, int pack, double value)
{
    char text[64] = {};
    FxFormatNumber(text, picture, 0, pack, value);
    FxFieldSet(Form(), field, text);
}

void ProductEditor::RecordToScreen()
{
    TagProduct& p = Product();
    char text[300];
    auto set = [&](int field, const char* value, size_t width) {
        FxFieldSet(Form(), field, Text(value, width).c_str());
    };
    set(kCode, p.Code, sizeof p.Code);
    set(kDescription, p.Description, sizeof p.Description);
    PutYesNoChoice(Form(), kInactive, p.Status == 'I' ? 'Y' : 'N');
    set(kAccount, p.Text85, sizeof p.Text85);
    FxChoiceSet(Form(), kType, p.Kind >= 1 && p.Kind <= 3 ? p.Kind : 1);
    set(kText58, p.Text58, sizeof p.Text58);
    FxChoiceSet(Form(), kCodePrinted, p.Byte269 == 'V' ? 2 : p.Byte269 == 'B' ? 3 : 1);
    const uint32_t number274 = p.Number274, number278 = p.Number278;
    for (auto [field, value] : {std::pair{kNumber274, number274}, std::pair{kNumber278, number278}}) {
        if (value == 0)
            text[0] = '\0';
        else
            std::snprintf(text, sizeof text, "%6lu", static_cast<unsigned long>(value));
        FxFieldSet(Form(), field, text);
    }
    set(kText91, p.Text91, sizeof p.Text91);
    char path[PICTURE_FULL_PATH_SIZE] = {};
    pictures_->Table().GetFullPath(path, sizeof path);
    FxFieldSet(Form(), kPicture, path);
    FxFieldSet(Form(), kStandardCost, FxFormatAmount(p.Amounts[PRODUCT_STANDARD_COST], text, 4));
    FxFieldSet(Form(), kAverageCost, FxFormatAmount(p.Amounts[PRODUCT_AVERAGE_COST], text, 4));
    FxFieldSet(Form(), kLastCost, FxFormatAmount(p.Amounts[PRODUCT_LAST_COST], text, 4));
    set(kUnit1, p.Unit1, sizeof p.Unit1);
    std::snprintf(text, sizeof text, "%d", static_cast<int>(p.UnitFactor));
    FxFieldSet(Form(), kUnits1, text);
    set(kUnit2, p.Unit2, sizeof p.Unit2);
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(p.Value272));
    FxFieldSet(Form(), kUnits2, text);
    set(kVendor1, p.Vendor1, sizeof p.Vendor1);
    set(kVendor2, p.Vendor2, sizeof p.Vendor2);
    set(kVendor3, p.Vendor3, sizeof p.Vendor3);
    set(kVendorCode1, p.VendorCodes[0], sizeof p.VendorCodes[0]);
    set(kVendorCode2, p.VendorCodes[1], sizeof p.VendorCodes[1]);
    set(kVendorCode3, p.VendorCodes[2], sizeof p.VendorCodes[2]);
    if (!Nested()) {
        const int32_t date286 = p.LastDate, date282 = p.Date282;
        for (auto [field, date] : {std::pair{kDate286, date286}, std::pair{kDate282, date282}}) {
            text[0] = '\0';
            if (date != 0)
                FxDateFormat(text, date);
            FxFieldSet(Form(), field, text);
        }
    }
    FxFieldSet(Form(), kAmount290, FxFormatAmount(p.Amounts[PRODUCT_AMOUNT290], text, 4));
    const double weight = p.Weight;
    FxFieldSet(Form(), kWeight, FxFormatAmount(weight, text, 4));
    set(kWeightUnit, p.WeightUnit, sizeof p.WeightUnit);
    for (int i = 0; i < 6; ++i)
        set(kPriceBreak1 + i, p.Entries210[i], sizeof p.Entries210[i]);
    set(kRelated1, p.Related[0], sizeof p.Related[0]);
    set(kRelated2, p.Related[1], sizeof p.Related[1]);
    const char assembly = p.Flags262[0];
    if (assembly == 'N' || assembly == 'n' || assembly == '\0')
        p.AssemblyOnly = 'N';
    PutYesNoChoice(Form(), kFlag264, p.Flags262[2]);
    PutYesNoChoice(Form(), kSerial, p.Flags262[4]);
    PutYesNoChoice(Form(), kFlag267, p.AssemblyOnly);
    PutYesNoChoice(Form(), kFlag263, p.Flags262[1]);
    FxFieldSetDisplayOnly(Form(), kFlag267, assembly == 'N' || assembly == 'n' || assembly == '\0' ? 1 : 0);
    // labels of the user-defined values
    for (int kind = 0, field = kFirstLabel; kind < 3; ++kind) {
        static const int kKinds[3] = {UDF_TEXT, UDF_AMOUNT, UDF_DATE};
        static const int kCounts[3] = {6, 4, 2};
        for (int i = 1; i <= kCounts[kind]; ++i, ++field) {
            char label[64] = {};
            if (CBwUDFSMngr::IsActive())
                CBwUDFSMngr::GetLabel('P', kKinds[kind], i, label, sizeof label);
            FxFieldSet(Form(), field, label);
        }
    }
    udf_->Data().StructToScreen(Form(), kFirstUdf);
    FxFieldSet(Form(), kBalance, FxFormatAmount(p.Amounts[PRODUCT_VALUE], text, 2));
    const int pack1 = p.UnitFactor > 1 ? p.UnitFactor : 1;
    const int pack2 = p.Value272 > 1 ? p.Value272 : 1;
    ShowNumber(kOnHand1, "%11.4fF", pack1, p.Amounts[PRODUCT_QUANTITY]);
    ShowNumber(kOnHand2, "%11.4fF", pack2, p.Amounts[PRODUCT_QUANTITY]);
    ShowNumber(kCommitted, "%11.4fF", pack2, p.Amounts[PRODUCT_SECOND_QUANTITY]);
    ShowNumber(kFurther, "%11.4fF", pack1, p.Amounts[PRODUCT_FURTHER_QUANTITY]);
    set(kWarehouse, p.Warehouse, sizeof p.Warehouse);
    set(kMasterCode, p.MasterCode, sizeof p.MasterCode);
    ApplyStockRules();
}

// Costs, units and the weight unit by the stock, the type and the weight.
void ProductEditor::ApplyStockRules()
{
    const TagProduct& p = Product();
    const double onHand = p.Amounts[PRODUCT_QUANTITY], committed = p.Amounts[PRODUCT_SECOND_QUANTITY],
                 further = p.Amounts[PRODUCT_FURTHER_QUANTITY];
    const bool nonInventory = FxChoiceGet(Form(), kType) == 2;
    const bool stock = onHand != 0 || committed != 0 || further != 0;
    FxFieldSetDisplayOnly(Form(), kAverageCost, stock || nonInventory ? 1 : 0);
    FxFieldSetDisplayOnly(Form(), kLastCost, stock || nonInventory ? 1 : 0);
    FxFieldSetDisplayOnly(Form(), kStandardCost, nonInventory ? 1 : 0);
    const double weight = p.Weight;
    FxFieldSetDisplayOnly(Form(), kWeightUnit, weight == 0 ? 1 : 0);
    SetUnitFields();
}

// Units are enterable only while the product holds no stock and is no
// sub-item of a master item.
void ProductEditor::SetUnitFields()
{
    const TagProduct& p = Product();
    const bool free = p.Amounts[PRODUCT_QUANTITY] <= 0 && p.Amounts[PRODUCT_SECOND_QUANTITY] <= 0 &&
                      p.Amounts[PRODUCT_FURTHER_QUANTITY] <= 0 && Text(p.MasterCode, sizeof p.MasterCode).empty();
    FxFieldSetDisplayOnly(Form(), kUnits1, free ? 0 : 1);
    FxFieldSetDisplayOnly(Form(), kUnits2, free ? 0 : 1);
}

void ProductEditor::ScreenToRecord()
{
    TagProduct& p = Product();
    auto get = [&](int field) { return FieldText(field); };
    Put(p.Description, std::string(FxFieldGet(Form(), kDescription)));
    p.Status = ReadYesNoChoice(Form(), kInactive) == 'Y' ? 'I' : 'A';
    Put(p.Text85, get(kAccount));
    const int type = FxChoiceGet(Form(), kType);
    p.Kind = static_cast<uint8_t>(type >= 1 && type <= 3 ? type : 1);
    Put(p.Text58, get(kText58));
    const int printed = FxChoiceGet(Form(), kCodePrinted);
    p.Byte269 = printed == 2 ? 'V' : printed == 3 ? 'B' : 'Y';
    p.Number274 = static_cast<uint32_t>(std::strtoul(get(kNumber274).c_str(), nullptr, 10));
    p.Number278 = static_cast<uint32_t>(std::strtoul(get(kNumber278).c_str(), nullptr, 10));
    Put(p.Text91, get(kText91));
    auto amount = [&](int field) {
        double value = 0;
        if (FxParseNumber(FxFieldGet(Form(), field), 0, &value) != 0)
            value = 0;
        return value;
    };
    p.Amounts[PRODUCT_STANDARD_COST] = amount(kStandardCost);
    p.Amounts[PRODUCT_AVERAGE_COST] = amount(kAverageCost);
    p.Amounts[PRODUCT_LAST_COST] = amount(kLastCost);
    p.Amounts[PRODUCT_AMOUNT290] = amount(kAmount290);
    p.Weight = amount(kWeight);
    Put(p.Unit1, get(kUnit1));
    Put(p.Unit2, get(kUnit2));
    p.UnitFactor = static_cast<int16_t>(std::atoi(get(kUnits1).c_str()));
    p.Value272 = static_cast<uint16_t>(std::atoi(get(kUnits2).c_str()));
    Put(p.Vendor1, get(kVendor1));
    Put(p.Vendor2, get(kVendor2));
    Put(p.Vendor3, get(kVendor3));
    Put(p.VendorCodes[0], get(kVendorCode1));
    Put(p.VendorCodes[1], get(kVendorCode2));
    Put(p.VendorCodes[2], get(kVendorCode3));
    std::string unit = get(kWeightUnit);
    for (char& c : unit)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Put(p.WeightUnit, p.Weight == 0 ? std::string() : unit);
    for (int i = 0; i < 6; ++i)
        Put(p.Entries210[i], get(kPriceBreak1 + i));
    Put(p.Related[0], get(kRelated1));
    Put(p.Related[1], get(kRelated2));
    p.Flags262[2] = static_cast<char>(ReadYesNoChoice(Form(), kFlag264));
    p.Flags262[4] = static_cast<char>(ReadYesNoChoice(Form(), kSerial));
    p.Flags262[1] = static_cast<char>(ReadYesNoChoice(Form(), kFlag263));
    const char assembly = p.Flags262[0];
    p.AssemblyOnly = assembly == 'N' || assembly == 'n' || assembly == '\0'
                         ? 'N'
                         : static_cast<char>(ReadYesNoChoice(Form(), kFlag267));
    udf_->Data().ScreenToStruct(Form(), kFirstUdf);
    const std::string path = get(kPicture);
    if (path.empty())
        pictures_->Table().InitDataBuffer(p.Code);
    else
        pictures_->Table().SetFullPath(path.c_str());
}

void ProductEditor::AfterNewRecord()
{
    SetKey(kKeyEditList, false);
    FxSetChoiceLetters(Window(), 0, kType, "\003NIG");
    FxSetChoiceLetters(Window(), 0, kCodePrinted, "\003YVB");
    const bool inactiveRight = HasRight(kInactiveRight);
    FxFieldSetDisplayOnly(Form(), kInactive, inactiveRight ? 0 : 1);
}

bool ProductEditor::CodeTakenElsewhere(const std::string& code)
{
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), 14));
    uint8_t service[512];
    const Status s = services_.Get(B_GET_EQUAL, key.bytes, service, sizeof service);
    if (s.Ok()) {
        ShowMessage(kServiceCode, MESSAGE_DEFAULT_CONTEXT);
        return true;
    }
    if (!s.Is(B_KEY_NOT_FOUND))
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::Services), 0);
    return false;
}

bool ProductEditor::IsComponent(const char* code) { return FindByCodeOnKey1(code, assemblies_.Handle()) != 0; }

// ---- field exits
int ProductEditor::TypeExit()
{
    TagProduct& p = Product();
    const int chosen = FxChoiceGet(Form(), kType);
    const int before = p.Kind >= 1 && p.Kind <= 3 ? p.Kind : 1;
    const double onHand = p.Amounts[PRODUCT_QUANTITY];
    if (chosen == 2 && before != 2) {
        if (onHand != 0) {
            ShowMessage(kOnHandNotZero, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        if (IsComponent(p.Code)) {
            ShowMessage(kComponent, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
    }
    if (before == 3 && chosen != 3 && (onHand < 0 || onHand < p.Amounts[PRODUCT_SECOND_QUANTITY])) {
        ShowMessage(kNegativeStock, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (chosen == 2) {
        char text[32];
        p.Amounts[PRODUCT_STANDARD_COST] = p.Amounts[PRODUCT_AVERAGE_COST] = p.Amounts[PRODUCT_LAST_COST] = 0;
        for (int f : {kStandardCost, kAverageCost, kLastCost})
            FxFieldSet(Form(), f, FxFormatAmount(0.0, text, 4));
    }
    p.Kind = static_cast<uint8_t>(chosen);
    ApplyStockRules();
    return FX_GO_ON;
}

int ProductEditor::WeightExit()
{
    double weight = 0;
    if (FxParseNumber(FxFieldGet(Form(), kWeight), 0, &weight) != 0)
        weight = 0;
    if (weight < 0) {
        ShowMessage(kNegativeWeight, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    Product().Weight = weight;
    if (weight == 0) {
        FxFieldSet(Form(), kWeightUnit, "");
        FxFieldSetDisplayOnly(Form(), kWeightUnit, 1);
        return FX_GO_ON;
    }
    FxFieldSetDisplayOnly(Form(), kWeightUnit, 0);
    if (FieldText(kWeightUnit).empty()) {
        WeightUnitRecord unit{};
        if (GetWUnitDefault(&unit, units_.Handle(), 1))
            FxFieldSet(Form(), kWeightUnit, Text(unit.code, sizeof unit.code).c_str());
    }
    return FX_GO_ON;
}

int ProductEditor::WeightUnitExit()
{
    std::string code = FieldText(kWeightUnit);
    for (char& c : code)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    double weight = 0;
    if (FxParseNumber(FxFieldGet(Form(), kWeight), 0, &weight) != 0)
        weight = 0;
    if (code.empty()) {
        if (weight != 0) {
            ShowMessage(kWeightUnitMissing, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        return FX_GO_ON;
    }
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), 6));
    WeightUnitRecord unit{};
    const Status s = units_.Get(B_GET_EQUAL, key.bytes, &unit, sizeof unit);
    if (!s.Ok()) {
        if (s.Is(B_KEY_NOT_FOUND))
            ShowMessage(kWeightUnitUnknown, MESSAGE_DEFAULT_CONTEXT);
        else
            ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::Units), 0);
        return FX_STAY;
    }
    FxFieldSet(Form(), kWeightUnit, code.c_str());
    return FX_GO_ON;
}

// ---- save and delete checks
int ProductEditor::CheckBeforeSave()
{
    auto focus = [this](int field) {
        FxFocusField(Form(), field);
        return FX_STAY_FOCUSED;
    };
    if (Interfaced() && GetInterfaceFlag() == 'I') {
        std::string account = FieldText(kAccount);
        if (account.empty()) {
            ShowMessage(kNoAccount, MESSAGE_DEFAULT_CONTEXT);
            return focus(kAccount);
        }
        char department[16] = {};
        std::snprintf(department, sizeof department, "%s", account.c_str());
        TagAccount record{};
        if (!ValidateInterfaceAccounts(accounts_.Handle(), department, &record))
            return focus(kAccount);
    }
    // an item type refused on leaving its field is not saved by the key
    if (FxChoiceGet(Form(), kType) != Product().Kind && TypeExit() != FX_GO_ON)
        return focus(kType);
    for (int f : {kUnits1, kUnits2}) {
        if (std::atoi(FieldText(f).c_str()) <= 0) {
            ShowMessage(kUnitsZero, MESSAGE_DEFAULT_CONTEXT);
            return focus(f);
        }
    }
    // the weight and its unit as their exits would have them
    double weight = 0;
    if (FxParseNumber(FxFieldGet(Form(), kWeight), 0, &weight) != 0)
        weight = 0;
    if (weight < 0) {
        ShowMessage(kNegativeWeight, MESSAGE_DEFAULT_CONTEXT);
        return focus(kWeight);
    }
    if (weight != 0) {
        const int unit = WeightUnitExit();
        if (unit != FX_GO_ON)
            return focus(kWeightUnit);
    }
    for (int f : {kRelated1, kRelated2}) {
        const std::string code = FieldText(f);
        if (code.empty())
            continue;
        KeyBuffer key;
        std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), 14));
        TagProduct other{};
        // a work copy: the master file's position stays on the edited product
        Table products;
        Status s = products.Open(FileNo::Products);
        if (s.Ok())
            s = products.Get(B_GET_EQUAL, key.bytes, &other, sizeof other);
        if (!s.Ok()) {
            if (s.Is(B_KEY_NOT_FOUND))
                ShowMessage(kRelatedUnknown, MESSAGE_DEFAULT_CONTEXT);
            else
                ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::Products), 0);
            return focus(f);
        }
    }
    for (int f = kPriceBreak1; f <= kPriceBreak6; ++f) {
        const std::string code = FieldText(f);
        if (code.empty())
            continue;
        KeyBuffer key;
        std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), 5));
        uint8_t record[128];
        const Status s = priceBreaks_.Get(B_GET_EQUAL, key.bytes, record, sizeof record);
        if (!s.Ok()) {
            if (s.Is(B_KEY_NOT_FOUND))
                ShowMessage(kPriceBreakUnknown, MESSAGE_DEFAULT_CONTEXT);
            else
                ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::PriceBook), 0);
            return focus(f);
        }
    }
    if (ReadYesNoChoice(Form(), kInactive) == 'Y' && Product().Status != 'I') {
        const int check = DeleteChecks(Product());
        if (check != FX_GO_ON)
            return FX_STAY;
    }
    return FX_GO_ON;
}

int ProductEditor::DeleteChecks(const TagProduct& p)
{
    if (Text(p.Code, sizeof p.Code).empty()) {
        ShowMessage(205, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (p.Amounts[PRODUCT_VALUE] != 0 || p.Amounts[PRODUCT_QUANTITY] != 0 ||
        p.Amounts[PRODUCT_SECOND_QUANTITY] != 0 || p.Amounts[PRODUCT_FURTHER_QUANTITY] != 0) {
        ShowMessage(kStockNotZero, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (p.Flags262[0] == 'Y' || IsComponent(p.Code)) {
        ShowMessage(kAssemblyOrComponent, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    bool history = false;
    for (int run = 0; run < 4; ++run)
        for (int i = 0; i < 3; ++i)
            history = history || p.Runs[run][i] != 0;
    if (history) {
        int choice = 1;
        AskMessage(kHistoryExists, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_CONTINUE_CANCEL,
                   LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
        if (choice != 1)
            return FX_STAY;
    }
    return FX_GO_ON;
}

int ProductEditor::CheckBeforeDelete() { return DeleteChecks(Product()); }

void ProductEditor::DeleteSatellites(const TagProduct& product, bool askNotes, bool askActivity)
{
    const std::string code = Text(product.Code, sizeof product.Code);
    const std::string note = Text(product.NoteName, sizeof product.NoteName);
    if (!note.empty() && note.find('/') == std::string::npos && note.find("..") == std::string::npos) {
        std::error_code ec;
        const std::filesystem::path file =
            std::filesystem::path(GetDataFilePath(No(FileNo::Products))).parent_path() / note;
        if (std::filesystem::exists(file, ec)) {
            int choice = 1;
            if (askNotes)
                AskMessage(kDeleteNotes, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_YES_NO,
                           LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
            if (choice == 1)
                std::filesystem::remove(file, ec);
        }
    }
    DeleteItemDetails(0, code.c_str());
    if (HasProductActivity(code.c_str(), activity_.Handle())) {
        int choice = 1;
        if (askActivity)
            AskMessage(kDeleteActivity, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_YES_NO,
                       LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
        if (choice == 1)
            DeleteProductActivity(code.c_str(), activity_.Handle());
    }
}

bool SatelliteCompanion::Delete(const void* record)
{
    editor_->DeleteSatellites(*static_cast<const TagProduct*>(record), true, true);
    return true;
}

// ---- lookups
int ProductEditor::LookUp(int field)
{
    char text[64] = {};
    std::snprintf(text, sizeof text, "%s", FieldText(field).c_str());
    auto pick = [&](const char* value) {
        FxFieldSet(Form(), field, value);
        FxFormRedrawAfterPick(Context(), Form());
        return FX_LOOKUP_SET;
    };
    if (field == kAccount) {
        if (!Interfaced()) {
            ShowMessage(kNotInterfaced, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        uint8_t account[1024] = {};
        const int answer = FlyAccountInterface(text, 0, accounts_.Handle(), account, 6, 1, 10, 65, nullptr);
        if (answer == ACCOUNT_INTERFACE_REFUSED)
            return FX_STAY;
        return answer == ACCOUNT_INTERFACE_PICKED ? pick(text) : FX_STAY;
    }
    if (field == kVendor1 || field == kVendor2 || field == kVendor3) {
        if (!Interfaced()) {
            ShowMessage(kNotInterfaced, MESSAGE_DEFAULT_CONTEXT);
            return FX_STAY;
        }
        uint8_t vendor[1024] = {};
        if (!FlyVendors(text[0] ? text : nullptr, 1, vendors_.Handle(), vendor, 4, 16, 13, 49, nullptr, 0))
            return FX_STAY;
        return pick(Text(reinterpret_cast<const char*>(vendor), 11).c_str());
    }
    if (field == kWeightUnit) {
        WeightUnitRecord unit{};
        if (!FlyWUCodes(text[0] ? text : nullptr, No(FileNo::Units), 1, units_.Handle(), &unit, 5, 21, 10, 53))
            return FX_STAY;
        return pick(Text(unit.code, sizeof unit.code).c_str());
    }
    if (field >= kPriceBreak1 && field <= kPriceBreak6) {
        uint8_t priceBreak[128] = {};
        if (!FlyPriceBreaks(text[0] ? text : nullptr, 1, priceBreaks_.Handle(), priceBreak, 4, 14, 13, 53,
                            EditPriceBreaksFromList))
            return FX_STAY;
        return pick(Text(reinterpret_cast<const char*>(priceBreak), 6).c_str());
    }
    if (field == kCode)
        return LookUpCode([](const char* start, uint16_t handle, void* record) {
            return FlyProducts(start, 1, handle, record, 4, 9, 13, 60, nullptr, 0);
        });
    // another field: a product's code from a work record, the file kept on the edited one
    Table products;
    if (!products.Open(FileNo::Products).Ok())
        return FX_STAY;
    TagProduct work{};
    if (!FlyProducts(text[0] ? text : nullptr, 1, products.Handle(), &work, 4, 9, 13, 60, nullptr,
                     field == kRelated1 || field == kRelated2 ? 1 : 0))
        return FX_STAY;
    return pick(Text(work.Code, sizeof work.Code).c_str());
}

// ---- keys that open other screens
void ProductEditor::Reposition()
{
    uint32_t position = 0;
    if (File().Position(position).Ok()) {
        KeyBuffer key;
        TagProduct work{};
        File().Direct(position, key, work);
    }
}

int ProductEditor::BalancesKey()
{
    if (FxChoiceGet(Form(), kType) == 2) {
        ShowMessage(kNoBalancesForNonInventory, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (!CheckInterfaceAccountsSet(0, 3, 0))
        return FX_STAY;
    if (RSEditProdBal == nullptr)
        return NotAvailable("RSEditProdBal");
    if (!Saved(SaveFirst()))
        return FX_STAY;
    const std::string code = RecordCode();
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min<size_t>(code.size(), 14));
    TagProduct work{};
    Status s = File().Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key.bytes, &work, sizeof work);
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_GET_EQUAL, No(FileNo::Products), 0);
        File().UnlockAll();
        return FX_STAY;
    }
    // The balance screen writes the product with the ledger, in one
    // transaction; the screen shows the product as it then stands on file.
    const int answer = RSEditProdBal(accounts_.Handle(), File().Handle(), &work, Context());
    int result = FX_STAY;
    if (answer == 0) {
        FxFocusField(Form(), kCode);
        result = FX_STAY_FOCUSED;
    }
    File().UnlockAll();
    // the product as it now stands on file
    TagProduct now{};
    if (File().Get(B_GET_EQUAL, key.bytes, &now, sizeof now).Ok()) {
        std::memcpy(&Product(), &now, sizeof now);
        FxFieldSet(Form(), kCode, code.c_str());
        RecordToScreen();
        FxFormRedraw(Context(), Form());
    }
    return result;
}

int ProductEditor::AssemblyKey()
{
    if (FxChoiceGet(Form(), kType) == 2) {
        ShowMessage(kNoAssemblyForNonInventory, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (RSEditProdAssm == nullptr)
        return NotAvailable("RSEditProdAssm");
    if (!Saved(SaveFirst()))
        return FX_STAY;
    const bool wasAssembly = Product().Flags262[0] == 'Y';
    Reposition();
    TagProduct work{};
    RSEditProdAssm(File().Handle(), services_.Handle(), assemblies_.Handle(), &Product(), &work);
    if (Product().Flags262[0] != 'Y') {
        Product().AssemblyOnly = 'N';
        PutYesNoChoice(Form(), kFlag267, 'N');
        FxFieldSetDisplayOnly(Form(), kFlag267, 1);
        if (wasAssembly)
            SaveFirst();
        if (Form()->currentField == kFlag267) {
            FxFocusField(Form(), kFlag264);
            return FX_STAY_FOCUSED;
        }
    } else {
        FxFieldSetDisplayOnly(Form(), kFlag267, 0);
    }
    return FX_STAY;
}

int ProductEditor::HistoryKey()
{
    if (RSEditProdHist == nullptr)
        return NotAvailable("RSEditProdHist");
    const int saved = SaveFirst();
    if (!Saved(saved))
        return FX_STAY;
    return RSEditProdHist(File().Handle(), &Product());
}

int ProductEditor::NotesKey()
{
    if (SaveFirst() == FX_STAY_FOCUSED)
        return FX_STAY;
    const std::string code = RecordCode();
    EditRecordNotes(Product().NoteName, code.c_str(), No(FileNo::Products));
    Reposition();
    return FX_STAY;
}

int ProductEditor::NoteNameKey()
{
    const int saved = SaveFirst();
    if (saved == FX_STAY_FOCUSED || saved == FX_STAY)
        return FX_STAY;
    Reposition();
    const std::string code = RecordCode();
    char name[32] = {};
    std::memcpy(name, Product().NoteName, sizeof Product().NoteName);
    RSEditNoteName(name, code.c_str(), No(FileNo::Products));
    return FX_STAY;
}

int ProductEditor::ReplaceKey()
{
    if (RSSearchReplaceCode == nullptr)
        return NotAvailable("RSSearchReplaceCode");
    const std::string before = RecordCode().empty() ? ScreenCode() : RecordCode();
    const int saved = SaveFirst();
    if (saved == FX_STAY_FOCUSED || saved == FX_STAY)
        return FX_STAY;
    RSSearchReplaceCode(No(FileNo::Products), File().Handle(), before.c_str());
    return FX_RECORD_DONE;
}

int ProductEditor::DescriptionsKey()
{
    if (RSEditItemDescr == nullptr)
        return NotAvailable("RSEditItemDescr");
    if (!Saved(SaveFirst()))
        return FX_STAY;
    const std::string code = RecordCode();
    RSEditItemDescr(code.c_str(), No(FileNo::Products));
    return FX_GO_ON;
}

int ProductEditor::AlternatesKey()
{
    if (RSEditAltProduct == nullptr)
        return NotAvailable("RSEditAltProduct");
    if (!Saved(SaveFirst()))
        return FX_STAY;
    Reposition();
    const std::string code = RecordCode();
    RSEditAltProduct(File().Handle(), alternates_.Handle(), code.c_str());
    return FX_STAY;
}

// F8: the price-break editor nested on a work record that starts with the
// current field's text as its code; a saved price break's code goes into
// the field.
int ProductEditor::PriceBreakKey()
{
    PriceBreakRecord work{};
    work.Rounding = 'P';
    const int field = Form()->currentField;
    const std::string text = Trim(FxFieldGet(Form(), field));
    std::memcpy(work.Code, text.data(), std::min(text.size(), sizeof work.Code - 1));
    TagLookUpData data{};
    data.FileId = static_cast<uint16_t>(No(FileNo::PriceBook));
    data.Handle = priceBreaks_.Handle();
    data.RecordLength = sizeof work;
    data.Record = &work;
    uint8_t area[32] = {};
    const int32_t word = kEditorEdit;
    std::memcpy(area, &word, sizeof word);
    TagLookUp lookup{};
    lookup.Data = &data;
    lookup.WorkArea = area;
    const int answer = EditPriceBreaksFromList(&lookup);
    if (answer == 0)
        return FX_STAY;
    if (answer == kEditorSaved) {
        FxFieldSet(Form(), field, Text(work.Code, sizeof work.Code).c_str());
        FxFormRedraw(Context(), Form());
    }
    return FX_LOOKUP_SET;
}

int ProductEditor::DefaultsKey()
{
    if (RSEditDefaultProduct == nullptr)
        return NotAvailable("RSEditDefaultProduct");
    RSEditDefaultProduct();
    ReadDefaults();
    return FX_GO_ON;
}

int ProductEditor::ActivityKey()
{
    const std::string code = ScreenCode();
    if (code.empty())
        return FX_STAY;
    TagProductActivity line{};
    FlyProdTrans(code.c_str(), 1, activity_.Handle(), &line, 4, 9, 13, 60);
    return FX_GO_ON;
}

int DeleteInactiveOne(void* data, long argument)
{
    auto* editor = reinterpret_cast<ProductEditor*>(argument);
    const TagProduct product = *static_cast<const TagProduct*>(data);
    CBwUDFDPS udf(No(FileNo::Products));
    if (udf.Open()) {
        udf.InitStruct(product.Code);
        udf.Delete();
        udf.Close();
    }
    CBwProdPictureTable pictures;
    if (pictures.Open()) {
        pictures.InitDataBuffer(product.Code);
        pictures.Delete();
        pictures.Close();
    }
    editor->DeleteSatellites(product, false, false);
    return 0;
}

int ProductEditor::DeleteInactiveKey()
{
    int choice = 2;
    AskMessage(kConfirmDeleteInactive, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_CONTINUE_CANCEL,
               LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
    if (choice != 1)
        return FX_STAY;
    TagProduct work{};
    const int status = CDbTblActiveRecs::DeleteInactiveRecords(
        No(FileNo::Products), File().Handle(), 86, 'I', &work, DeleteInactiveOne, reinterpret_cast<long>(this));
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_DELETE, No(FileNo::Products), 0);
        return FX_STAY;
    }
    return FX_RECORD_DONE;
}

int EditProduct(TagLookUp* caller)
{
    ProductEditor editor(caller);
    return editor.Run();
}

}  // namespace
}  // namespace bwps

extern "C" {

int RSEditProduct(int)
{
    return bwps::EditProduct(nullptr);
}

BWPS_EXPORT int EditProductFromList(void* lookup)
{
    return bwps::EditProduct(static_cast<TagLookUp*>(lookup));
}

}  // extern "C"

BWPS_ORDINAL(622, EditProductFromList);
