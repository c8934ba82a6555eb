// The short-code editors run by script: billing codes with their account
// checks and access rights, message codes, warehouses kept while a product
// names them, weight units with the built-in unit and the single default;
// the caller context of a lookup; the note-name screen; two stations on one
// record.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "bwps/code_editors.h"
#include "bwps/records/accounts.h"
#include "bwps/records/masters.h"
#include "bwps/records/messages.h"
#include "bwps/records/users.h"
#include "bwps/screens.h"
#include "bwps/users.h"
#include "setup/code_editor.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {
namespace {

constexpr int32_t kF6 = FX_KEY_F1 + 5 * 0x100;
constexpr int32_t kF8 = FX_KEY_F1 + 7 * 0x100;

class EditorsTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        for (FileNo file : {FileNo::General, FileNo::BillingCodes, FileNo::Accounts, FileNo::TaxTable,
                            FileNo::Customers, FileNo::MessageCodes, FileNo::Warehouses, FileNo::Products,
                            FileNo::Units, FileNo::AuditLog, FileNo::Users})
            Create(file);
        Create(FileNo::MenuRights, base_);
        // The secured functions of the editors opened from a lookup.
        for (int16_t command : {131, 138}) {
            SecuredFunctionRecord f{};
            f.Right = command;
            f.Command = command;
            uint16_t handle = 0;
            ASSERT_EQ(BtrOpenFile(&handle, Path(FileNo::MenuRights).c_str(), 0, 0), 0);
            char key[255] = {};
            EXPECT_EQ(BtrWrite(B_INSERT, handle, key, &f, sizeof f), 0);
            BtrCloseFile(handle);
        }
        const fs::path dictionary = bwpstest::BuiltBaseFolder().parent_path() / "ROVAZERI" / "WBWPOCOL.DB";
        fs::create_directories(program_ / "ROVAZERI");
        fs::copy_file(dictionary, program_ / "ROVAZERI" / "WBWPOCOL.DB", fs::copy_options::overwrite_existing);
        // Passwords in force with an empty user file: every right is
        // granted, and the audit log writes its entries.
        TagSysInterface iface{};
        std::memcpy(iface.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE - 1);
        iface.PasswordsInForce = 'Y';
        PutGeneralRecord(&iface, sizeof iface);
        TagLastNumbers numbers{};
        std::memcpy(numbers.Key, GENERAL_KEY_LASTNUMBERS, GENERAL_KEY_SIZE - 1);
        PutGeneralRecord(&numbers, sizeof numbers);
        LoadSysInterfaceRecord();
        Copy(GetSessionPaths()->UserId, "CLERK");
        GetSessionPaths()->UserLevel = 0;
        PutAccount("4000", 'D', "Other income");
        PutAccount("4999", 'G', "Income");
    }

    void Create(FileNo file) { Create(file, data_); }
    void Create(FileNo file, const fs::path& folder)
    {
        uint8_t spec[FILE_SPEC_SIZE] = {};
        ASSERT_EQ(CreateDataFile(No(file), 0, Folder(folder).c_str(), nullptr, spec), 0) << No(file);
    }

    static std::string Path(FileNo file) { return GetDataFilePath(No(file)); }

    void PutAccount(const char* number, char kind, const char* description)
    {
        TagAccount a{};
        std::snprintf(a.Number, sizeof a.Number, "%-10s", number);
        std::snprintf(a.Description, sizeof a.Description, "%s", description);
        a.Kind = kind;
        a.Level = '1';
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Accounts), a.Number, 11, &a, sizeof a), 0);
    }

    void PutBill(const char* code, const char* account, double amount = 0.0)
    {
        BillingCodeRecord b{};
        std::snprintf(b.Code, sizeof b.Code, "%-5s", code);
        std::snprintf(b.Description, sizeof b.Description, "Bill %s", code);
        std::snprintf(b.Account, sizeof b.Account, "%s", account);
        b.Options[0] = 'N';
        b.Options[1] = 'Y';
        b.Options[2] = 'Y';
        b.Amount = amount;
        std::memset(b.Data81, 0x5A, sizeof b.Data81);
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::BillingCodes), b.Code, 6, &b, sizeof b), 0);
    }

    void PutUnit(const char* code, double factor, char isDefault)
    {
        WeightUnitRecord u{};
        std::snprintf(u.code, sizeof u.code, "%s", code);
        std::snprintf(u.description, sizeof u.description, "Unit %s", code);
        u.factor = factor;
        u.isDefault = isDefault;
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Units), u.code, 7, &u, sizeof u), 0);
    }

    void PutProduct(const char* code, const char* warehouse, const char* unit)
    {
        TagProduct p{};
        std::snprintf(p.Code, sizeof p.Code, "%s", code);
        std::snprintf(p.Warehouse, sizeof p.Warehouse, "%s", warehouse);
        std::snprintf(p.WeightUnit, sizeof p.WeightUnit, "%s", unit);
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Products), p.Code, 15, &p, sizeof p), 0);
    }

    void PutWarehouse(const char* code)
    {
        WarehouseRecord w{};
        std::snprintf(w.Code, sizeof w.Code, "%s", code);
        std::snprintf(w.Description, sizeof w.Description, "Store %s", code);
        std::snprintf(w.Text345, sizeof w.Text345, "kept");
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Warehouses), w.Code, 4, &w, sizeof w), 0);
    }

    void PutMessage(const char* code, const char* line1)
    {
        MessageCodeRecord m{};
        std::snprintf(m.Code, sizeof m.Code, "%s", code);
        m.Flag = 'Y';
        std::snprintf(m.Lines[0], sizeof m.Lines[0], "%s", line1);
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::MessageCodes), m.Code, 6, &m, sizeof m), 0);
    }

    // A user of the user file with the rights given (1-based).
    void PutUser(const char* id, std::initializer_list<int> rights)
    {
        UserRecord record{};
        MakeUserIdKey(record.UserId, id);
        record.UserId[14] = '\0';
        std::memset(record.Rights, 'N', sizeof record.Rights);
        for (int r : rights)
            record.Rights[r - 1] = 'Y';
        PlainToStoredText(record.Password, sizeof record.Password);
        for (char& c : record.Rights)
            FxCharTransform89(&c);
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Users), record.UserId, 15, &record, sizeof record), 0);
    }

    template <typename R>
    std::vector<R> All(FileNo file)
    {
        return ReadAll<R>(Path(file));
    }

    // The audit entries as "entity/change/key/user".
    std::vector<std::string> Audit()
    {
        std::vector<std::string> out;
        for (const TagAuditRecord& r : All<TagAuditRecord>(FileNo::AuditLog))
            out.push_back(std::to_string(r.EntityType) + "/" + std::to_string(r.ChangeType) + "/" +
                          std::string(r.KeyText, strnlen(r.KeyText, sizeof r.KeyText)) + "/" +
                          std::string(r.UserId, strnlen(r.UserId, sizeof r.UserId)));
        return out;
    }

    // Loads a script; none of the one before may be left.
    std::string Script(const std::string& script)
    {
        EXPECT_EQ(FxScriptRemaining(), 0) << "the script before was not used up";
        FxTranscriptClear();
        EXPECT_EQ(FxScriptLoad(script.c_str()), 0) << script;
        return script;
    }

    static bool Has(const std::string& t, const std::string& text) { return t.find(text) != std::string::npos; }
};

std::string Text(const char* field, std::size_t width)
{
    return std::string(field, strnlen(field, width));
}

// ---- billing codes

TEST_F(EditorsTest, BillingCodeFieldsAndSaveChecks)
{
    PutAccount("1200", 'D', "Receivables");
    TagInterfaceRecord iface{};
    InterfaceRecordDefaults(&iface, nullptr);
    const std::string salesAccount = Text(iface.Accounts[1], sizeof iface.Accounts[1]);
    PutAccount(editors::Trimmed(salesAccount.c_str()).c_str(), 'D', "Sales");
    struct Row {
        const char* what;
        std::string script;
        const char* message;   // shown, or "" for none
        bool saved;
    } rows[] = {
        {"a new code with a detail account",
         "type B1\nkey Enter\ntype Freight\nkey Enter\ntype 4000\nkey Enter\nkey F10\nkey Esc\n", "", true},
        {"a blank account", "type B1\nkey Enter\nkey Enter\nkey Enter\nkey F10\nanswer Continue\nkey Esc\nanswer Yes\n",
         "Enter an account", false},
        {"a general account typed",
         "type B1\nkey Enter\nkey Enter\ntype 4999\nkey Enter\nanswer Continue\nkey F10\nanswer Continue\nkey Esc\nanswer Yes\n",
         "general account", false},
        {"an account that does not exist",
         "type B1\nkey Enter\nkey Enter\ntype 7777\nkey Enter\nanswer Continue\nkey F10\nanswer Continue\nkey Esc\nanswer Yes\n",
         "does not exist", false},
        {"an interface account of the sales",
         "type B1\nkey Enter\nkey Enter\ntype " + editors::Trimmed(salesAccount.c_str()) +
             "\nkey Enter\nkey F10\nanswer Continue\nkey Esc\nanswer Yes\n",
         "interface account of the sales", false},
        {"a blank code", "key Enter\nanswer Continue\nkey Esc\n", "Enter a billing code", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::BillingCodes));
        Create(FileNo::BillingCodes);
        Script(row.script);
        EXPECT_EQ(EditBillCodes(nullptr), 0);
        const std::string t = Transcript();
        if (*row.message != '\0') {
            EXPECT_TRUE(Has(t, row.message)) << t;
        }
        const auto bills = All<BillingCodeRecord>(FileNo::BillingCodes);
        ASSERT_EQ(bills.size(), row.saved ? 1u : 0u) << t;
        if (row.saved) {
            const BillingCodeRecord& b = bills[0];
            EXPECT_EQ(std::string(b.Code), "B1   ") << "codes are stored blank-padded, as the posting reads them";
            EXPECT_EQ(std::string(b.Description), "Freight");
            EXPECT_EQ(std::string(b.Account), "4000");
            EXPECT_EQ(std::string(b.Options, 3), "YNN") << "a new code: field 5 Yes, fields 6 and 7 No";
            EXPECT_EQ(+b.Amount, 0.0);
            ASSERT_EQ(Audit().size(), 1u);
            EXPECT_EQ(Audit()[0], "109/2/B1/CLERK");
        }
    }
}

TEST_F(EditorsTest, BillingCodeUpdateKeepsTheBytesItDoesNotShow)
{
    PutBill("B1", "4000", 2.5);
    Script("type B1\nkey Enter\ntype Changed\nkey Enter\nkey Enter\ntype Yes\nkey Enter\ntype Yes\nkey Enter\n"
           "key Enter\ntype 12.75\nkey F10\nkey Esc\n");
    EditBillCodes(nullptr);
    const auto bills = All<BillingCodeRecord>(FileNo::BillingCodes);
    ASSERT_EQ(bills.size(), 1u) << Transcript();
    EXPECT_EQ(std::string(bills[0].Description), "Changed") << Transcript();
    EXPECT_EQ(std::string(bills[0].Options, 3), "YYY");
    EXPECT_DOUBLE_EQ(bills[0].Amount, 12.75);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bills[0].Data81), 8), std::string(8, 0x5A));
    EXPECT_EQ(Audit(), std::vector<std::string>{"109/3/B1/CLERK"});
}

TEST_F(EditorsTest, BillingCodeDeleteAsksFirst)
{
    struct Row {
        const char* answer;
        bool kept;
    } rows[] = {{"No", true}, {"Yes", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        PutBill("B1", "4000");
        Script(std::string("type B1\nkey Enter\nkey F6\nanswer ") + row.answer + "\nkey Esc\nanswer Yes\n");
        EditBillCodes(nullptr);
        EXPECT_TRUE(Has(Transcript(), "Delete this billing code?")) << Transcript();
        EXPECT_EQ(All<BillingCodeRecord>(FileNo::BillingCodes).size(), row.kept ? 1u : 0u);
    }
    EXPECT_EQ(Audit(), std::vector<std::string>{"109/4/B1/CLERK"});
}

// Typing another code and saving before the cursor left the field must not
// write the shown record under the new code (or the new code over it).
TEST_F(EditorsTest, AnotherCodeTypedBeforeASaveIsReadFirst)
{
    PutBill("B1", "4000");
    PutBill("B2", "4000", 7.0);
    struct Row {
        const char* what;
        const char* key;
    } rows[] = {{"save", "F10"}, {"delete", "F6"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Script(std::string("type B1\nkey Enter\ntype Other\nfield 1 B2\nkey ") + row.key + "\nkey Esc\nanswer Yes\n");
        EditBillCodes(nullptr);
        const auto bills = All<BillingCodeRecord>(FileNo::BillingCodes);
        ASSERT_EQ(bills.size(), 2u) << Transcript();
        EXPECT_EQ(std::string(bills[0].Description), "Bill B1") << Transcript();
        EXPECT_EQ(std::string(bills[1].Description), "Bill B2");
        EXPECT_DOUBLE_EQ(bills[1].Amount, 7.0);
    }
    EXPECT_TRUE(Audit().empty());
}

// A save refused for want of a right writes nothing, and a lookup that
// opened the editor is not told that a save happened.
TEST_F(EditorsTest, SavingWithoutTheRightWritesNothingAndTellsTheCallerNothing)
{
    PutUser("CLERK", {18});   // may add codes, not change them
    LoadSysInterfaceRecord();
    PutBill("B1", "4000");
    struct Row {
        const char* what;
        const char* code;
        bool written;
    } rows[] = {{"an existing code needs right 117", "B1", false}, {"a new code needs right 18", "B2", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        BillingCodeRecord held{};
        std::snprintf(held.Code, sizeof held.Code, "%-5s", row.code);
        std::snprintf(held.Account, sizeof held.Account, "4000");
        int32_t key = 0;
        EditorCaller caller{0, &held, &key};
        Script(row.written ? "key Enter\ntype Renamed\nkey F10\n"
                           : "key Enter\ntype Renamed\nkey F10\nanswer Continue\nkey Esc\nanswer Yes\n");
        const int result = EditBillCodes(&caller);
        const std::string t = Transcript();
        bool found = false;
        for (const BillingCodeRecord& b : All<BillingCodeRecord>(FileNo::BillingCodes))
            if (editors::Trimmed(b.Code) == row.code)
                found = std::string(b.Description) == "Renamed";
        EXPECT_EQ(found, row.written) << t;
        EXPECT_EQ(result, row.written ? FX_KEY_F10 : 0) << t;
        EXPECT_EQ(key, result);
        if (!row.written) {
            EXPECT_TRUE(Has(t, "message")) << t;
        }
    }
}

TEST_F(EditorsTest, ALookupsCallerContext)
{
    struct Row {
        const char* what;
        int32_t keyIn;
        const char* script;
        int32_t keyOut;
        const char* heldAfter;   // the caller's record code after
        std::size_t stored;
    } rows[] = {
        {"delete tells F6 and clears the record", 0, "key Enter\nkey F6\nanswer Yes\nkey Esc\n", kF6, "", 0},
        {"save tells F10 and hands the record back", 0, "key Enter\ntype New text\nkey F10\n", FX_KEY_F10,
         "B1   ", 1},
        {"F8 starts an empty record", kF8, "type B3\nkey Enter\nkey Enter\ntype 4000\nkey Enter\nkey F10\n",
         FX_KEY_F10, "B3   ", 2},
        {"Esc tells nothing", 0, "key Esc\n", 0, "B1   ", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::BillingCodes));
        Create(FileNo::BillingCodes);
        PutBill("B1", "4000");
        Table lookup;
        ASSERT_TRUE(lookup.Open(FileNo::BillingCodes).Ok());
        lookup.SetKey(0);
        BillingCodeRecord held{};
        KeyBuffer k;
        std::memcpy(k.bytes, "B1   ", 6);
        ASSERT_TRUE(lookup.Get(B_GET_EQUAL, k, held).Ok());
        ASSERT_EQ(BtrSetDefaults(lookup.Handle(), 1, -1) == 0 || true, true);
        int keyBefore = 0, second = 0;
        BtrGetDefaults(lookup.Handle(), &keyBefore, &second);
        int32_t key = row.keyIn;
        EditorCaller caller{lookup.Handle(), &held, &key};
        Script(row.script);
        EXPECT_EQ(EditBillCodes(&caller), row.keyOut) << Transcript();
        EXPECT_EQ(key, row.keyOut);
        EXPECT_EQ(std::string(held.Code), row.heldAfter) << Transcript();
        EXPECT_EQ(All<BillingCodeRecord>(FileNo::BillingCodes).size(), row.stored);
        int keyAfter = -1;
        BtrGetDefaults(lookup.Handle(), &keyAfter, &second);
        EXPECT_EQ(keyAfter, keyBefore) << "the caller's key is put back";
    }
}

TEST_F(EditorsTest, BillingCodesByParameterString)
{
    PutBill("B1", "4000");
    struct Row {
        const char* what;
        const char* text;
        bool opened;
        const char* shown;
    } rows[] = {
        {"a stored code", "cdno='B1'", true, "field 1 enter \"B1\""},
        {"a code that does not exist", "cdno='ZZ'", false, "Btrieve Error #   4"},
        {"no text", "", true, "RSEditBillCode"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Script(row.opened ? "key Esc\n" : "");
        EXPECT_EQ(EditBillCodesByParams(row.text), 0);
        const std::string t = Transcript();
        EXPECT_EQ(Has(t, "window name RSEditBillCode"), row.opened) << t;
        EXPECT_TRUE(Has(t, row.shown)) << t;
    }
}

// ---- two stations on one record

TEST_F(EditorsTest, TwoStationsOnOneCode)
{
    PutBill("B1", "4000");
    struct Row {
        const char* what;
        const char* code;     // read by this station first (new when not stored)
        bool otherDeletes;    // the other station deletes instead of updating
        int status;
    } rows[] = {
        {"changed elsewhere since it was read", "B1", false, B_CONFLICT},
        {"deleted elsewhere since it was read", "B1", true, B_CONFLICT},
        {"added elsewhere after it was started", "B9", false, B_DUPLICATE_KEY},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        editors::CodeFile mine(FileNo::BillingCodes, 9, sizeof(BillingCodeRecord), 6, true);
        ASSERT_TRUE(mine.Open().Ok());
        BillingCodeRecord record{};
        const bool stored = mine.Read(row.code, &record).Ok();
        if (!stored)
            mine.PutCode(&record, row.code);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            editors::CodeFile other(FileNo::BillingCodes, 9, sizeof(BillingCodeRecord), 6, true);
            AuditLog log;
            BillingCodeRecord theirs{};
            int code = 1;
            if (other.Open().Ok()) {
                if (!stored) {
                    other.PutCode(&theirs, row.code);
                    code = other.Write(log, row.code, true, &theirs).Ok() ? 0 : 2;
                } else if (other.Read(row.code, &theirs).Ok()) {
                    std::strcpy(theirs.Description, "Theirs");
                    code = (row.otherDeletes ? other.Remove(log, row.code, &theirs) : other.Write(log, row.code, false, &theirs)).Ok() ? 0 : 3;
                }
            }
            ::_exit(code);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_EQ(WEXITSTATUS(status), 0);
        AuditLog log;
        std::strcpy(record.Description, "Mine");
        EXPECT_EQ(mine.Write(log, row.code, !stored, &record).status, row.status);
        for (const BillingCodeRecord& b : All<BillingCodeRecord>(FileNo::BillingCodes))
            EXPECT_NE(std::string(b.Description), "Mine") << "the other station's work stays";
        if (row.otherDeletes)
            PutBill("B1", "4000");
    }
}

// ---- message codes

TEST_F(EditorsTest, MessageCodes)
{
    PutMessage("M1", "Thank you");
    struct Row {
        const char* what;
        const char* script;
        const char* firstCode;
        const char* firstLine;
        std::size_t count;
        const char* message;
    } rows[] = {
        {"a new code", "type M2\nkey Enter\ntype Hello\nkey Enter\ntype Two\nkey F10\nkey Esc\n", "M1", "Thank you", 2, ""},
        {"a blank code", "key Enter\nanswer Continue\nkey Esc\n", "M1", "Thank you", 2, "Enter a message code"},
        {"an update", "type M1\nkey Enter\ntype Goodbye\nkey F10\nkey Esc\n", "M1", "Goodbye", 2, ""},
        {"a delete", "type M1\nkey Enter\nkey F6\nanswer Yes\nkey Esc\n", "M2", "Hello", 1, "Delete this message code?"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Script(row.script);
        EXPECT_EQ(RSEditMsgCode(0), 0);
        const std::string t = Transcript();
        const auto stored = All<MessageCodeRecord>(FileNo::MessageCodes);
        ASSERT_EQ(stored.size(), row.count) << t;
        EXPECT_EQ(std::string(stored[0].Code), row.firstCode);
        EXPECT_EQ(std::string(stored[0].Lines[0]), row.firstLine) << t;
        EXPECT_TRUE(Has(t, row.message)) << t;
    }
    const auto stored = All<MessageCodeRecord>(FileNo::MessageCodes);
    EXPECT_EQ(stored[0].Flag, 'N') << "a new code's flag";
    EXPECT_EQ(std::string(stored[0].Lines[1]), "Two");
    EXPECT_EQ(Audit(), (std::vector<std::string>{"111/2/M2/CLERK", "111/3/M1/CLERK", "111/4/M1/CLERK"}));
}

TEST_F(EditorsTest, DeletingAMessageCodeFromTheLookupsEditor)
{
    PutMessage("M1", "Thank you");
    MessageCodeRecord held{};
    std::strcpy(held.Code, "M1");
    int32_t key = 0;
    EditorCaller caller{0, &held, &key};
    Script("key Enter\nkey F6\nanswer Yes\nkey Esc\nkey Esc\n");
    EXPECT_EQ(RSEditMsgCodeFor(&caller), kF6) << Transcript();
    EXPECT_EQ(held.Code[0], '\0');
    EXPECT_TRUE(All<MessageCodeRecord>(FileNo::MessageCodes).empty());
}

// ---- note names

TEST_F(EditorsTest, NoteNames)
{
    struct Row {
        const char* what;
        const char* buffer;
        const char* defaultName;
        int kind;
        const char* script;
        const char* shown;
        const char* after;
    } rows[] = {
        {"four letters for a product", "", "DEFAULT1", 20, "type SHOE\nkey Enter\n", "DEFAULT1", "SHOE.PRD"},
        {"a blank inside is refused", "", "X", 20, "type AB CD\nkey Enter\nkey Esc\nanswer Yes\n", "X", ""},
        {"a period inside is refused", "", "X", 10, "type AB.CD\nkey F10\nkey Esc\nanswer Yes\n", "X", ""},
        {"a stored name shows without its extension", "JONES.CST", "X", 10, "key F10\n", "JONES", "JONES.CST"},
        {"a customer", "", "SMITH", 10, "key Enter\n", "SMITH", "SMITH.CST"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        char buffer[16] = {};
        std::snprintf(buffer, sizeof buffer, "%s", row.buffer);
        Script(row.script);
        EXPECT_EQ(RSEditNoteName(buffer, row.defaultName, row.kind), 0);
        const std::string t = Transcript();
        EXPECT_TRUE(Has(t, std::string("field 1 enter \"") + row.shown)) << t;
        if (*row.after == '\0') {
            EXPECT_TRUE(Has(t, "without blanks or periods")) << t;
            EXPECT_STREQ(buffer, row.buffer);
        } else {
            EXPECT_STREQ(buffer, row.after) << t;
        }
    }
}

// ---- warehouses

TEST_F(EditorsTest, AWarehouseAProductNamesIsKept)
{
    PutWarehouse("W1");
    PutWarehouse("W2");
    PutProduct("P1", "W1", "");
    bwpstest::FileStat before;
    ASSERT_TRUE(bwpstest::StatFile(Path(FileNo::Products), before));
    struct Row {
        const char* code;
        bool kept;
        const char* message;
    } rows[] = {{"W1", true, "A product is kept in this warehouse"}, {"W2", false, "Delete this warehouse?"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        Script(std::string("type ") + row.code + (row.kept ? "\nkey Enter\nkey F6\nanswer Continue\nkey Esc\nanswer Yes\n"
                                                           : "\nkey Enter\nkey F6\nanswer Yes\nkey Esc\nanswer Yes\n"));
        EXPECT_EQ(RSEditWarehouses(0), 0);
        const std::string t = Transcript();
        EXPECT_TRUE(Has(t, row.message)) << t;
        bool found = false;
        for (const WarehouseRecord& w : All<WarehouseRecord>(FileNo::Warehouses))
            found = found || std::string(w.Code) == row.code;
        EXPECT_EQ(found, row.kept);
        bwpstest::FileStat after;
        ASSERT_TRUE(bwpstest::StatFile(Path(FileNo::Products), after));
        EXPECT_EQ(after.keyCount, before.keyCount) << "no supplemental index stays behind";
    }
    EXPECT_EQ(Audit(), std::vector<std::string>{"116/4/W2/CLERK"});
}

TEST_F(EditorsTest, WarehouseSaveKeepsEveryField)
{
    PutWarehouse("W1");
    Script("type W1\nkey Enter\ntype Main store\nkey F10\ntype W3\nkey Enter\ntype Third\nkey F10\nkey Esc\n");
    RSEditWarehouses(0);
    const auto stored = All<WarehouseRecord>(FileNo::Warehouses);
    ASSERT_EQ(stored.size(), 2u) << Transcript();
    EXPECT_EQ(std::string(stored[0].Description), "Main store");
    EXPECT_EQ(std::string(stored[0].Text345), "kept") << "fields left alone keep their text";
    EXPECT_EQ(std::string(stored[1].Code), "W3");
    EXPECT_EQ(std::string(stored[1].Text345), "");
    EXPECT_EQ(Audit(), (std::vector<std::string>{"116/3/W1/CLERK", "116/2/W3/CLERK"}));
}

TEST_F(EditorsTest, AWarehouseEditorOpenedWithF8StartsEmpty)
{
    PutWarehouse("W1");
    WarehouseRecord held{};
    std::strcpy(held.Code, "W1");
    int32_t key = kF8;
    EditorCaller caller{0, &held, &key};
    Script("key Esc\n");
    EXPECT_EQ(RSEditWarehousesFor(&caller), 0);
    EXPECT_TRUE(Has(Transcript(), "field 1 enter \"\"")) << Transcript();
}

// ---- weight units

TEST_F(EditorsTest, TheBuiltInUnit)
{
    PutUnit("gm", 1.0, 'N');
    Script("type gm\nkey Enter\nkey F6\nkey Enter\ntype 5\nkey F10\nkey Esc\nanswer Yes\n");
    EditWUCode(0);
    const std::string t = Transcript();
    EXPECT_TRUE(Has(t, "key F6 -> off")) << t;
    const auto units = All<WeightUnitRecord>(FileNo::Units);
    ASSERT_EQ(units.size(), 1u) << t;
    EXPECT_EQ(std::string(units[0].code), "gm") << "the stored code keeps its case";
    EXPECT_EQ(+units[0].factor, 1.0) << t;
    EXPECT_TRUE(WUnitIsDefault("gm", 0, 0));
    EXPECT_TRUE(WUnitIsDefault("GM  ", 0, 0));
    EXPECT_FALSE(WUnitIsDefault("KG", 0, 0));
}

TEST_F(EditorsTest, WeightUnitChecks)
{
    PutUnit("gm", 1.0, 'N');
    PutUnit("KG", 1000.0, 'Y');
    PutUnit("LB", 453.6, 'N');
    PutProduct("P1", "", "LB");
    struct Row {
        const char* what;
        const char* script;
        const char* message;
        const char* lb;   // LB's default flag and factor after, "" when deleted
    } rows[] = {
        {"a second default", "type LB\nkey Enter\nkey Enter\nkey Enter\ntype Yes\nkey F10\nanswer Continue\nkey Esc\n", "Another weight unit is the default", "N453.6000"},
        {"a zero factor", "type LB\nkey Enter\nkey Enter\ntype 0\nkey Enter\nanswer Continue\nkey Esc\n", "greater than zero", "N453.6000"},
        {"a unit a product uses", "type lb\nkey Enter\nkey F6\nanswer Continue\nkey Esc\n", "A product uses this weight unit", "N453.6000"},
        {"a factor of 4 decimals", "type LB\nkey Enter\nkey Enter\ntype 453.5924\nkey F10\nkey Esc\n", "", "N453.5924"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Script(std::string(row.script) + "answer Yes\n");
        EditWUCode(0);
        const std::string t = Transcript();
        EXPECT_TRUE(Has(t, row.message)) << t;
        WeightUnitRecord lb{};
        ASSERT_TRUE(GetWUnitRecord("LB", &lb, 0, nullptr));
        char text[32];
        std::snprintf(text, sizeof text, "%c%.4f", lb.isDefault, lb.factor);
        EXPECT_EQ(std::string(text), row.lb) << t;
    }
}

TEST_F(EditorsTest, WeightUnitQuestions)
{
    PutUnit("gm", 1.0, 'N');
    PutUnit("KG", 1000.0, 'N');
    PutUnit("OZ", 28.35, 'N');
    PutProduct("P1", "", "OZ");
    WeightUnitRecord out{};
    int status = -1;
    EXPECT_TRUE(GetWUnitRecord("L", &out, 0, &status));
    EXPECT_EQ(std::string(out.code), "OZ") << "a code that does not exist gives the next one";
    EXPECT_FALSE(GetWUnitRecord("ZZ", &out, 0, &status));
    EXPECT_EQ(status, B_END_OF_FILE);

    ASSERT_TRUE(GetWUnitDefault(&out, 0, 0));
    EXPECT_EQ(std::string(out.code), "gm") << "no unit flagged: gm";
    WeightUnitRecord kg{};
    std::strcpy(kg.code, "KG");
    EXPECT_FALSE(WeightDefaultExist(&kg, 0));
    PutUnit("KG", 1000.0, 'Y');
    ASSERT_TRUE(GetWUnitDefault(&out, 0, 0));
    EXPECT_EQ(std::string(out.code), "KG");
    EXPECT_FALSE(WeightDefaultExist(&kg, 0)) << "the unit itself is not another default";
    WeightUnitRecord oz{};
    std::strcpy(oz.code, "OZ");
    EXPECT_TRUE(WeightDefaultExist(&oz, 0));

    EXPECT_TRUE(WUnitUsedInProduct("OZ", 0));
    EXPECT_FALSE(WUnitUsedInProduct("KG", 0));
    EXPECT_FALSE(WUnitUsedInInvHeader("OZ", 0)) << "not interfaced";

    // A caller's handle keeps its key and position.
    Table units;
    ASSERT_TRUE(units.Open(FileNo::Units).Ok());
    KeyBuffer key;
    std::memcpy(key.bytes, "KG", 2);
    WeightUnitRecord at{};
    ASSERT_TRUE(units.Get(B_GET_EQUAL, key, at).Ok());
    units.SetKey(1);
    EXPECT_TRUE(GetWUnitRecord("OZ", &out, units.Handle(), nullptr));
    EXPECT_EQ(units.Key(), 1);
    units.SetKey(0);
    ASSERT_TRUE(units.Get(B_GET_NEXT, key, at).Ok());
    EXPECT_EQ(std::string(at.code), "OZ") << "the position after KG";
}

}  // namespace
}  // namespace bwps::test
