// The editor frame through a small editor of its own over the ship-via
// file: start and end order, companions, the lock test at load, records
// changed at another station between load and save, rights at save and
// saves that another key starts.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>

#include "bwps/screen_fields.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

std::string g_log;   // what the companions and hooks did, in order

class RecordingCompanion : public EditorCompanion {
public:
    RecordingCompanion(const char* name, bool opens) : name_(name), opens_(opens) {}
    bool Open() override
    {
        g_log += std::string("open ") + name_ + "\n";
        return opens_;
    }
    void Close() override { g_log += std::string("close ") + name_ + "\n"; }
    void Start(const void* record, bool existing) override
    {
        g_log += std::string("start ") + name_ + " " + static_cast<const char*>(record) +
                 (existing ? " existing\n" : " new\n");
    }
    bool Save(const void* record) override
    {
        g_log += std::string("save ") + name_ + " " + static_cast<const char*>(record) + "\n";
        return true;
    }
    bool Delete(const void* record) override
    {
        g_log += std::string("delete ") + name_ + " " + static_cast<const char*>(record) + "\n";
        return true;
    }

private:
    const char* name_;
    bool opens_;
};

struct Options {
    bool probeLock = false;
    int addRight = 0, changeRight = 0;
    std::function<void()> afterFirstLoad;   // once, after the first record was loaded
};

class ProbeEditor : public EditorFrame {
public:
    explicit ProbeEditor(Options options) : EditorFrame(MakeSpec(options), nullptr), options_(std::move(options)) {}

    int SaveByOtherKey() { return Save(); }

protected:
    static EditorSpec MakeSpec(const Options& o)
    {
        EditorSpec s;
        s.screenName = "RSProbeEditor";
        s.top = 2, s.left = 2, s.bottom = 8, s.right = 70;
        s.file = FileNo::ShipVia;
        s.recordLength = sizeof(ShipViaRecord);
        s.codeLength = sizeof(ShipViaRecord::Code);
        s.auditEntity = 13;
        s.addRight = o.addRight;
        s.changeRight = o.changeRight;
        s.blankCodeMessage = 1664;
        s.deleteQuestion = 1666;
        s.probeLock = o.probeLock;
        return s;
    }
    std::span<const ScreenField> Template() const override
    {
        static constexpr std::array<ScreenField, 3> kFields{{
            bwps::Field(1, 1, 14, "%-15sC").Flags(FX_FIELD_UPPER),
            bwps::Field(2, 2, 14, "%-40s"),
            {},
        }};
        return kFields;
    }
    void BindKeys() override
    {
        FxSetKeyHandler(Form(), FX_KEY_F1 + 2 * 0x100, EditorHandler<ProbeEditor, &ProbeEditor::SaveByOtherKey>);
    }
    void ClearRecord() override { std::memset(Record(), 0, sizeof(ShipViaRecord)); }
    void RecordToScreen() override
    {
        auto* r = static_cast<ShipViaRecord*>(Record());
        FxFieldSet(Form(), 1, r->Code);
        FxFieldSet(Form(), 2, r->Description);
    }
    void ScreenToRecord() override
    {
        auto* r = static_cast<ShipViaRecord*>(Record());
        std::memset(r->Description, 0, sizeof r->Description);
        std::snprintf(r->Description, sizeof r->Description, "%s", FxFieldGet(Form(), 2));
    }
    void AfterLoad() override
    {
        if (Existing() && options_.afterFirstLoad) {
            auto once = std::move(options_.afterFirstLoad);
            options_.afterFirstLoad = nullptr;
            once();
        }
    }

private:
    Options options_;
};

// A second station: a child process that does one thing to FEDX when the
// parent asks, and answers when it is done.
class Station {
public:
    explicit Station(std::function<void()> work)
    {
        RecmanReset();
        EXPECT_EQ(::pipe(toChild_), 0);
        EXPECT_EQ(::pipe(toParent_), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            char c = 0;
            (void)!::read(toChild_[0], &c, 1);
            work();
            c = 'd';
            (void)!::write(toParent_[1], &c, 1);
            (void)!::read(toChild_[0], &c, 1);   // holds what it did until told to end
            ::_exit(0);
        }
    }
    void Go()
    {
        char c = 'g';
        EXPECT_EQ(::write(toChild_[1], &c, 1), 1);
        EXPECT_EQ(::read(toParent_[0], &c, 1), 1);
    }
    ~Station()
    {
        char c = 'q';
        (void)!::write(toChild_[1], &c, 1);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        for (int fd : {toChild_[0], toChild_[1], toParent_[0], toParent_[1]})
            ::close(fd);
    }

private:
    int toChild_[2]{}, toParent_[2]{};
    pid_t pid_ = -1;
};

class EditorFrameTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        g_log.clear();
        PutShipVia(ShipVia("FEDX", "Freight"));
    }
    std::string Edit(Options options, const std::string& script,
                     std::vector<std::pair<const char*, bool>> companions = {})
    {
        return Run(
            [&] {
                ProbeEditor editor(std::move(options));
                for (auto& [name, opens] : companions)
                    editor.AddCompanion(std::make_unique<RecordingCompanion>(name, opens));
                return editor.Run();
            },
            script);
    }
};

TEST_F(EditorFrameTest, CompanionsFollowTheRecord)
{
    const std::string t = Edit({}, "type FEDX\nkey Enter\ntype Changed\nkey F10\ntype NEW\nkey Enter\nkey F10\n"
                                   "type NEW\nkey Enter\nkey F6\nanswer Yes\nkey Esc\n",
                               {{"udf", true}, {"pictures", true}});
    EXPECT_EQ(g_log,
              "open udf\nopen pictures\n"
              "start udf  new\nstart pictures  new\n"                      // the empty form
              "start udf FEDX existing\nstart pictures FEDX existing\n"    // loaded
              "save udf FEDX\nsave pictures FEDX\n"
              "start udf  new\nstart pictures  new\n"
              "save udf NEW\nsave pictures NEW\n"
              "start udf  new\nstart pictures  new\n"
              "start udf NEW existing\nstart pictures NEW existing\n"
              "delete udf NEW\ndelete pictures NEW\n"
              "start udf  new\nstart pictures  new\n"
              "close pictures\nclose udf\n")
        << t;
}

TEST_F(EditorFrameTest, AFailedStartUndoesTheStepsBeforeIt)
{
    struct Row {
        const char* what;
        bool removeFile;
        std::vector<std::pair<const char*, bool>> companions;
        const char* log;
        const char* message;
    } rows[] = {
        {"the second companion does not open", false, {{"udf", true}, {"pictures", false}},
         "open udf\nopen pictures\nclose udf\n", nullptr},
        {"the file does not open", true, {{"udf", true}, {"pictures", true}},
         "open udf\nopen pictures\nclose pictures\nclose udf\n", "Btrieve Error #  12"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        g_log.clear();
        if (row.removeFile)
            fs::remove(Path(FileNo::ShipVia));
        const std::string t = Edit({}, "key Esc\n", row.companions);
        EXPECT_EQ(g_log, row.log) << t;
        EXPECT_FALSE(Has(t, "window open")) << t;
        if (row.message != nullptr) {
            EXPECT_TRUE(Has(t, row.message)) << t;
        }
    }
}

// Two stations: the record changes (or goes) at the other one between this
// one's load and its save or delete; nothing of the other's work is lost.
TEST_F(EditorFrameTest, ARecordChangedAtAnotherStationMeanwhile)
{
    struct Row {
        const char* what;
        bool removeElsewhere;
        const char* script;
        int operation;
        const char* stored;      // FEDX's description afterwards, null: gone
        const char* shown;       // field 2 after the reload
    } rows[] = {
        {"a save meets a change", false, "type FEDX\nkey Enter\ntype Mine\nkey F10\nanswer Continue\nkey Enter\nkey Esc\nanswer Yes\n",
         B_UPDATE, "Theirs", "Theirs"},
        {"a delete meets a change", false, "type FEDX\nkey Enter\nkey F6\nanswer Yes\nanswer Continue\nkey Enter\nkey Esc\nanswer Yes\n",
         B_DELETE, "Theirs", "Theirs"},
        {"a save meets a delete", true, "type FEDX\nkey Enter\ntype Mine\nkey F10\nanswer Continue\nkey Enter\nkey Esc\nanswer Yes\n",
         B_UPDATE, nullptr, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::ShipVia));
        Create(FileNo::ShipVia);
        PutShipVia(ShipVia("FEDX", "Freight"));
        const std::string path = Path(FileNo::ShipVia);
        const bool remove = row.removeElsewhere;
        Station other([path, remove] {
            uint16_t handle = 0;
            if (BtrOpenFile(&handle, path.c_str(), 0, 0) != 0)
                return;
            char key[255] = "FEDX";
            ShipViaRecord r{};
            if (BtrGet(B_GET_EQUAL, handle, key, &r, sizeof r) == 0) {
                std::snprintf(r.Description, sizeof r.Description, "Theirs");
                BtrWrite(remove ? B_DELETE : B_UPDATE, handle, key, &r, sizeof r);
            }
            BtrCloseFile(handle);
        });
        Options options;
        options.afterFirstLoad = [&other] { other.Go(); };
        const std::string t = Edit(options, row.script);
        EXPECT_TRUE(Has(t, "Btrieve Error #  80")) << t;
        EXPECT_TRUE(Has(t, "-> stay focused\nfield 1 exit \"FEDX\" -> 0\nfield 2 enter \"" + std::string(row.shown) + "\""))
            << t;
        const auto stored = StoredShipVia();
        if (row.stored == nullptr) {
            EXPECT_TRUE(stored.empty()) << t;
        } else {
            ASSERT_EQ(stored.size(), 1u) << t;
            EXPECT_STREQ(stored[0].Description, row.stored) << t;
        }
    }
}

// With the lock test, a record that another station holds locked is not
// opened: the lock is reported and the code field blanked.
TEST_F(EditorFrameTest, ALockedRecordIsNotOpened)
{
    const std::string path = Path(FileNo::ShipVia);
    Station other([path] {
        uint16_t handle = 0;
        if (BtrOpenFile(&handle, path.c_str(), 0, 0) != 0)
            return;
        char key[255] = "FEDX";
        ShipViaRecord r{};
        BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, handle, key, &r, sizeof r);
        // the handle stays open, and the lock with it, until the process ends
    });
    other.Go();
    Options options;
    options.probeLock = true;
    const std::string t = Edit(options, "type FEDX\nkey Enter\nanswer Continue\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(t, "Btrieve Error #  84")) << t;
    EXPECT_TRUE(Has(t, "field 1 exit \" \" -> stay")) << t;  // the code blanked
    EXPECT_FALSE(Has(t, "field 2 enter \"Freight\"")) << t;
    // without the lock test the record opens
    const std::string u = Edit({}, "type FEDX\nkey Enter\nkey Esc\nanswer Yes\n");
    EXPECT_TRUE(Has(u, "field 2 enter \"Freight\"")) << u;
}

TEST_F(EditorFrameTest, SavesByRightsAndByKey)
{
    struct Row {
        const char* what;
        std::vector<int> rights;
        const char* script;
        const char* stored;
        const char* audit;
        bool refused;
    } rows[] = {
        {"no change right: nothing written, an empty form", {15}, "type FEDX\nkey Enter\ntype Mine\nkey F10\nkey Esc\n",
         "Freight", "", true},
        {"change right: updated and logged", {109}, "type FEDX\nkey Enter\ntype Mine\nkey F10\nkey Esc\n", "Mine",
         "113 3 FEDX\n", false},
        {"a save by another key is not logged", {109}, "type FEDX\nkey Enter\ntype Other\nkey F3\nkey Esc\n", "Other",
         "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::Users));
        fs::remove(Path(FileNo::AuditLog));
        Create(FileNo::AuditLog);
        SignInWithRights("BOB", row.rights);
        Options options;
        options.addRight = 15;
        options.changeRight = 109;
        const std::string t = Edit(options, row.script);
        EXPECT_STREQ(StoredShipVia()[0].Description, row.stored) << t;
        EXPECT_EQ(Audit(), row.audit) << t;
        EXPECT_EQ(Has(t, "You do not have the right to use this function."), row.refused) << t;
        EXPECT_TRUE(Has(t, "-> record done")) << t;
    }
}

}  // namespace
}  // namespace bwps::test
