// The service editor driven by scripts: new services and their defaults,
// the checks of a save, deletes and inactive marks under the history and
// assembly rules, the records that go with a service, the audit log and
// the opening by a parameter text.
#include <gtest/gtest.h>

#include <fstream>

#include "bwps/records/items.h"
#include "bwps/records/products.h"
#include "bwps/records/udf.h"
#include "bwps/screens.h"
#include "tests/items/frame/editor_fixture.h"

extern "C" int RSEditService(void* lookup);

namespace bwps::test {
namespace {

#pragma pack(push, 1)
struct AssemblyLine {
    char Code[15];
    uint16_t Line;
    char Component[15];
    double Quantity;
};
#pragma pack(pop)
static_assert(sizeof(AssemblyLine) == 40);

class ServiceEditorTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (FileNo f : {FileNo::Services, FileNo::Products, FileNo::Accounts, FileNo::Assemblies,
                         FileNo::ServiceFields, FileNo::ItemDetails})
            Create(f);
    }

    static ServiceRecord Service(const char* code, const char* description = "Repair")
    {
        ServiceRecord s{};
        std::strncpy(s.Code, code, sizeof s.Code - 1);
        std::strncpy(s.Description, description, sizeof s.Description - 1);
        std::memcpy(s.Flags, "YNNN", 4);
        s.UnitFactor = 1;
        s.Status = 'A';
        return s;
    }
    void PutService(const ServiceRecord& s)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Services), s.Code, sizeof s.Code, &s, sizeof s), 0);
    }
    std::vector<ServiceRecord> Stored() { return ReadAll<ServiceRecord>(Path(FileNo::Services)); }
    void PutComponent(const char* assembly, const char* component)
    {
        AssemblyLine line{};
        std::strncpy(line.Code, assembly, 14);
        std::strncpy(line.Component, component, 14);
        line.Quantity = 1;
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Assemblies), line.Code, 17, &line, sizeof line), 0);
    }
    void Fresh(std::initializer_list<FileNo> files)
    {
        for (FileNo f : files) {
            fs::remove(Path(f));
            Create(f);
        }
    }
    std::string Edit(const std::string& script, int* result = nullptr)
    {
        const std::string t = Run([] { return RSEditService(nullptr); }, script, result);
        EXPECT_EQ(FxScriptRemaining(), 0) << t;
        return t;
    }
};

TEST_F(ServiceEditorTest, ANewServiceStartsFromItsDefaults)
{
    const std::string t = Edit("type NEW1\nkey Enter\ntype Labour\nkey F10\nkey Esc\n");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u) << t;
    const ServiceRecord& s = stored[0];
    EXPECT_STREQ(s.Code, "NEW1");
    EXPECT_STREQ(s.Description, "Labour");
    EXPECT_EQ(std::string(s.Flags, 4), "YNNN");
    EXPECT_EQ(+s.UnitFactor, 1);
    EXPECT_EQ(s.Status, 'A');
    EXPECT_EQ(+s.LastDate, 0);
    EXPECT_TRUE(Has(t, "RSEditService")) << t;
}

TEST_F(ServiceEditorTest, FieldsAreWrittenWhereTheyBelong)
{
    const std::string t = Edit("type F1\nkey Enter\nfield 2 Install\nfield 4 ACC\nfield 5 No\nfield 6 Yes\n"
                               "field 7 Yes\nfield 8 TEXT\nfield 9 12.5\nfield 10 6\nkey F10\nkey Esc\n");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u) << t;
    const ServiceRecord& s = stored[0];
    EXPECT_STREQ(s.Description, "Install");
    EXPECT_STREQ(s.Account, "ACC");
    EXPECT_EQ(std::string(s.Flags, 4), "NYNY");
    EXPECT_STREQ(s.Text52, "TEXT");
    EXPECT_EQ(+s.Price, 12.5);
    EXPECT_EQ(+s.UnitFactor, 6);
}

// A code that a product already has cannot become a service: the field is
// blanked and nothing is written.
TEST_F(ServiceEditorTest, AProductCodeIsRefused)
{
    TagProduct p{};
    std::strcpy(p.Code, "PRD1");
    ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Products), p.Code, sizeof p.Code, &p, sizeof p), 0);
    const std::string t = Edit("type PRD1\nkey Enter\nkey Esc\n");
    EXPECT_TRUE(Has(t, "A product already uses this code.")) << t;
    EXPECT_TRUE(Stored().empty()) << t;
}

// Checks of a save: each refusal names its cause and writes nothing.
TEST_F(ServiceEditorTest, SaveChecksRefuse)
{
    struct Row {
        const char* what;
        const char* script;
        const char* message;
    } rows[] = {
        {"no code", "key F10\nkey Esc\n", "Enter a service code."},
        {"unit factor 0", "type U1\nkey Enter\nfield 10 0\nkey F10\nkey Esc\nanswer Yes\n",
         "The number of units in a unit cannot be 0."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Fresh({FileNo::Services});
        const std::string t = Edit(row.script);
        EXPECT_TRUE(Has(t, row.message)) << t;
        EXPECT_TRUE(Stored().empty()) << t;
    }
}

// The unit factor of a service on file is not changed from the screen: the
// history quantities are read through it.
TEST_F(ServiceEditorTest, TheUnitFactorOfAnExistingServiceStays)
{
    ServiceRecord s = Service("E1");
    s.UnitFactor = 4;
    PutService(s);
    const std::string t = Edit("type E1\nkey Enter\nfield 10 9\ntype Changed\nkey F10\nkey Esc\n");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u) << t;
    EXPECT_EQ(+stored[0].UnitFactor, 4) << t;
}

// Delete and the inactive mark share their checks: history asks, a service
// used in an assembly is refused both.
TEST_F(ServiceEditorTest, DeleteAndInactiveRules)
{
    struct Row {
        const char* what;
        int historyPeriod;   // -1: none
        bool component;
        const char* keys;
        const char* message;
        bool deleted;
        char status;
    } rows[] = {
        {"clean, Yes", -1, false, "key F6\nanswer Yes\nkey Esc\n", "Delete this service?", true, 'A'},
        {"clean, No", -1, false, "key F6\nanswer No\nkey Esc\n", "Delete this service?", false, 'A'},
        {"history, Cancel", 1, false, "key F6\nanswer Cancel\nkey Esc\n", "has sales history", false, 'A'},
        {"history in period 3, Continue", 3, false, "key F6\nanswer Continue\nanswer Yes\nkey Esc\n", "has sales history",
         true, 'A'},
        {"history of the fourth period only", 4, false, "key F6\nanswer Yes\nkey Esc\n", "Delete this service?", true, 'A'},
        {"in an assembly", -1, true, "key F6\nkey Esc\n", "used in an assembly", false, 'A'},
        {"inactive, in an assembly", -1, true, "field 3 Yes\nkey F10\nkey Esc\nanswer No\n",
         "used in an assembly", false, 'A'},
        {"inactive, history Cancel", 2, false, "field 3 Yes\nkey F10\nanswer Cancel\nkey Esc\nanswer No\n",
         "has sales history", false, 'A'},
        {"inactive, clean", -1, false, "field 3 Yes\nkey F10\nkey Esc\n", nullptr, false, 'I'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Fresh({FileNo::Services, FileNo::Assemblies});
        ServiceRecord s = Service("D1");
        if (row.historyPeriod >= 0)
            s.Quantities[row.historyPeriod] = 2;
        PutService(s);
        if (row.component)
            PutComponent("AAA", "D1");
        const std::string t = Edit("type D1\nkey Enter\n" + std::string(row.keys));
        if (row.message != nullptr) {
            EXPECT_TRUE(Has(t, row.message)) << t;
        }
        const auto stored = Stored();
        EXPECT_EQ(stored.empty(), row.deleted) << t;
        if (!stored.empty()) {
            EXPECT_EQ(stored[0].Status, row.status) << t;
        }
    }
}

// A save writes the user-defined values beside the service; a delete removes
// them, the item descriptions and, after a Yes, the note file.
TEST_F(ServiceEditorTest, CompanionsGoWithTheService)
{
    const std::string t = Edit("type C1\nkey Enter\nfield 24 Blue\nkey F10\nkey Esc\n");
    auto udf = ReadAll<TagUDFDataPS>(Path(FileNo::ServiceFields));
    ASSERT_EQ(udf.size(), 1u) << t;
    EXPECT_EQ(std::string(udf[0].code, 2), "C1");
    EXPECT_EQ(std::string(udf[0].data.texts[0], 4), "Blue");

    ServiceRecord s = Stored().at(0);
    std::strcpy(s.NoteName, "C1.SNT");
    fs::remove(Path(FileNo::Services));
    Create(FileNo::Services);
    PutService(s);
    const fs::path note = fs::path(Path(FileNo::Services)).parent_path() / "C1.SNT";
    std::ofstream(note) << "note\n";
    TagItemDetail line{};
    std::strcpy(line.Code, "C1");
    ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::ItemDetails), line.Code, 17, &line, sizeof line), 0);
    const std::string u = Edit("type C1\nkey Enter\nkey F6\nanswer Yes\nanswer Yes\nkey Esc\n");
    EXPECT_TRUE(Stored().empty()) << u;
    EXPECT_TRUE(ReadAll<TagUDFDataPS>(Path(FileNo::ServiceFields)).empty()) << u;
    EXPECT_TRUE(ReadAll<TagItemDetail>(Path(FileNo::ItemDetails)).empty()) << u;
    EXPECT_TRUE(Has(u, "Delete the notes of this record?")) << u;
    EXPECT_FALSE(fs::exists(note)) << u;
}

// A note name that points out of the data folder never removes a file there.
TEST_F(ServiceEditorTest, ANoteNameOutsideTheFolderIsNotRemoved)
{
    const fs::path folder = fs::path(Path(FileNo::Services)).parent_path();
    const fs::path outside = folder.parent_path() / "KEEP.TXT";
    std::ofstream(outside) << "keep\n";
    struct Row {
        const char* name;
    } rows[] = {{"../KEEP.TXT"}, {".."}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fresh({FileNo::Services});
        ServiceRecord s = Service("N1");
        std::strcpy(s.NoteName, row.name);
        PutService(s);
        const std::string t = Edit("type N1\nkey Enter\nkey F6\nanswer Yes\nkey Esc\n");
        EXPECT_TRUE(Stored().empty()) << t;
        EXPECT_TRUE(fs::exists(outside)) << t;
        EXPECT_TRUE(fs::exists(folder)) << t;
    }
    fs::remove(outside);
}

// Only F10 is audit-logged; the saves before another screen write the
// record without a log entry.
TEST_F(ServiceEditorTest, OnlyTheSaveKeyIsLogged)
{
    struct Row {
        const char* key;
        const char* script;
        const char* audit;
    } rows[] = {
        {"F10", "key F10\nkey Esc\n", "105 2 A1\n"},
        {"Alt+S", "key Alt+S\nkey Esc\nkey Esc\nanswer Yes\n", ""},
        {"Shift+F3", "key Shift+F3\nkey Esc\nkey Esc\nanswer Yes\n", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        Fresh({FileNo::Services, FileNo::AuditLog});
        PasswordsOn();
        const std::string t = Edit("type A1\nkey Enter\ntype Audited\n" + std::string(row.script));
        ASSERT_EQ(Stored().size(), 1u) << t;
        EXPECT_STREQ(Stored()[0].Description, "Audited") << t;
        EXPECT_EQ(Audit(), row.audit) << t;
    }
}

// A user without the right to add or change services saves nothing, and a
// caller is told that nothing was written.
TEST_F(ServiceEditorTest, ASaveWithoutTheRightWritesNothing)
{
    PutService(Service("R1", "Before"));
    SignInWithRights("CLERK", {112});
    const std::string t = Edit("type R1\nkey Enter\ntype After\nkey F10\nkey Esc\nanswer Yes\n");
    EXPECT_STREQ(Stored().at(0).Description, "Before") << t;
    const std::string u = Edit("type R2\nkey Enter\nkey F10\nkey Esc\nanswer Yes\n");
    EXPECT_EQ(Stored().size(), 1u) << u;

    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, Path(FileNo::Services).c_str(), 0, 0), 0);
    ServiceRecord record = Service("R1", "Before");
    TagLookUpData data{};
    data.Handle = handle;
    data.RecordLength = sizeof record;
    data.Record = &record;
    uint8_t work[32] = {};
    TagLookUp lookup{};
    lookup.Data = &data;
    lookup.WorkArea = work;
    int result = -1;
    const std::string v = Run([&] { return RSEditService(&lookup); }, "key Enter\ntype After\nkey F10\nkey Esc\nanswer Yes\n", &result);
    BtrCloseFile(handle);
    EXPECT_EQ(result, kEditorNothingWritten) << v;
    EXPECT_STREQ(Stored().at(0).Description, "Before") << v;
}

TEST_F(ServiceEditorTest, OpenedByParameterText)
{
    PutService(Service("S1", "Cleaning"));
    struct Row {
        const char* what;
        const char* params;
        const char* shown;
        bool screen;
    } rows[] = {
        {"a known code starts on its record", "cdno='S1'", "field 2 enter \"Cleaning\"", true},
        {"an empty text opens a cleared editor", "", "field 1 enter \"\"", true},
        {"an unknown code opens nothing", "cdno='ZZZ'", "BPOSSERV.DB", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        int result = -1;
        const std::string params = row.params;
        const std::string t =
            Run([&] { return EditServiceByCode(params.c_str()); }, row.screen ? "key Enter\nkey Esc\n" : "", &result);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(Has(t, row.shown)) << t;
        EXPECT_EQ(Has(t, "RSEditService"), row.screen) << t;
    }
    const std::string t = Run([] { return EditServiceByCode("cdno='S1'"); }, "key Enter\ntype Dusting\nkey F10\n");
    EXPECT_STREQ(Stored().at(0).Description, "Dusting") << t;
}

// Alt+U removes every inactive service with its user-defined record.
TEST_F(ServiceEditorTest, DeleteInactiveServices)
{
    PutService(Service("A1"));
    ServiceRecord off = Service("I1");
    off.Status = 'I';
    PutService(off);
    const std::string cancel = Edit("key Alt+U\nanswer Cancel\nkey Esc\n");
    EXPECT_EQ(Stored().size(), 2u) << cancel;
    const std::string t = Edit("key Alt+U\nanswer Continue\nkey Esc\n");
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u) << t;
    EXPECT_STREQ(stored[0].Code, "A1");
}

}  // namespace
}  // namespace bwps::test
