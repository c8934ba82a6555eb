// The ship-via editor driven by scripts.
#include <gtest/gtest.h>

#include "bwps/screens.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

class ShipViaEditorTest : public EditorTest {
protected:
    std::string Edit(const std::string& script, int* result = nullptr)
    {
        return Run([] { return RSEditShipVia(0); }, script, result);
    }
};

TEST_F(ShipViaEditorTest, ANewRecordShowsAndKeepsTheTelephoneMask)
{
    const std::string t = Edit("type ups\nkey Enter\ntype Parcel service\nkey Enter\nkey Enter\nkey F10\nkey Esc\n");
    EXPECT_TRUE(Has(t, "field 4 enter \"(   )    -    \"")) << t;
    const auto stored = StoredShipVia();
    ASSERT_EQ(stored.size(), 1u) << t;
    EXPECT_STREQ(stored[0].Code, "UPS");
    EXPECT_STREQ(stored[0].Description, "Parcel service");
    EXPECT_STREQ(stored[0].Telephone, "(   )    -    ");
}

TEST_F(ShipViaEditorTest, SaveDeleteAndRefusals)
{
    PasswordsOn();
    struct Row {
        const char* what;
        const char* script;
        const char* description;   // of FEDX afterwards, null when gone
        const char* audit;
        const char* message;
    } rows[] = {
        {"load and change", "type FEDX\nkey Enter\ntype Overnight\nkey Enter\nkey Enter\ntype 5551234567\nkey F10\nkey Esc\n",
         "Overnight", "113 3 FEDX\n", nullptr},
        {"delete after the question", "type FEDX\nkey Enter\nkey F6\nanswer Yes\nkey Esc\n", nullptr, "113 4 FEDX\n",
         "Delete this ship-via code?"},
        {"No keeps it", "type FEDX\nkey Enter\nkey F6\nanswer No\nkey Esc\n", "Freight", "", nullptr},
        {"a blank code is refused", "key Enter\nkey F10\nkey Esc\n", "Freight", "", "Enter a ship-via code first."},
        {"F8 is not on the screen", "key F8\nkey Esc\n", "Freight", "", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(Path(FileNo::ShipVia));
        fs::remove(Path(FileNo::AuditLog));
        Create(FileNo::ShipVia);
        Create(FileNo::AuditLog);
        PutShipVia(ShipVia("FEDX", "Freight"));
        const std::string t = Edit(row.script);
        const auto stored = StoredShipVia();
        if (row.description == nullptr) {
            EXPECT_TRUE(stored.empty()) << t;
        } else {
            ASSERT_EQ(stored.size(), 1u) << t;
            EXPECT_STREQ(stored[0].Description, row.description) << t;
        }
        EXPECT_EQ(Audit(), row.audit) << t;
        if (row.message != nullptr) {
            EXPECT_TRUE(Has(t, row.message)) << t;
        }
        EXPECT_FALSE(Has(t, "key F8 -> leave")) << t;
    }
    EXPECT_STREQ(ShipVia("X", "Y").Telephone, "(   )    -    ");
}

TEST_F(ShipViaEditorTest, TheTelephoneIsStoredAsShown)
{
    PutShipVia(ShipVia("FEDX", "Freight"));
    Edit("type FEDX\nkey Enter\nkey Enter\nkey Enter\ntype 5551234567\nkey F10\nkey Esc\n");
    EXPECT_STREQ(StoredShipVia()[0].Telephone, "(555) 123-4567");
}

// Opened with the customer editor's ship-via record (key word 0x4300): the
// screen starts on that record, loaded from the file.
TEST_F(ShipViaEditorTest, NestedWithTheCallersRecord)
{
    PutShipVia(ShipVia("FEDX", "Freight"));
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, Path(FileNo::ShipVia).c_str(), 0, 0), 0);
    ShipViaRecord caller = ShipVia("FEDX", "stale copy");
    TagLookUpData data{};
    data.Handle = handle;
    data.RecordLength = sizeof caller;
    data.Record = &caller;
    uint8_t work[32] = {};
    const int32_t word = kEditorEdit;
    std::memcpy(work, &word, 4);
    TagLookUp lookup{};
    lookup.Data = &data;
    lookup.WorkArea = work;
    int result = -1;
    const std::string t = Run([&] { return EditShipViaFromList(&lookup); },
                              "key Enter\ntype Express\nkey F10\n", &result);
    EXPECT_TRUE(Has(t, "field 1 enter \"FEDX\"")) << t;
    EXPECT_TRUE(Has(t, "field 2 enter \"Freight\"")) << t;
    EXPECT_EQ(result, kEditorSaved) << t;
    EXPECT_STREQ(StoredShipVia()[0].Description, "Express");
    EXPECT_STREQ(caller.Description, "stale copy") << "the caller's buffer is not the editor's";
    BtrCloseFile(handle);
}

}  // namespace
}  // namespace bwps::test
