// The screen of the user-defined-field labels.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bwps/records.h"
#include "bwps/screens.h"
#include "bwps/settings.h"
#include "bwps/udf.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

std::string Label(const char* field) { return std::string(field, strnlen(field, 31)); }

class UdfLabelScreenTest : public EditorTest {
protected:
    void TearDown() override
    {
        CBwUDFSMngr::Destroy();
        CBwUDFSMngr::SetGrlTableId(-1);
        EditorTest::TearDown();
    }

    std::vector<TagUDFSettings> Records(const fs::path& general)
    {
        std::vector<TagUDFSettings> out;
        for (const auto& r : ReadAll<TagUDFSettings>(general))
            if (std::strncmp(r.key, "0UDF", 4) == 0)
                out.push_back(r);
        return out;
    }
    std::string Edit(const std::string& script, int* result = nullptr)
    {
        return Run([] { return RSUDFSettings(); }, script, result);
    }
};

TEST_F(UdfLabelScreenTest, LabelsOfEachKindAreShownAndSaved)
{
    CBwUDFSMngr::SetGrlTableId(31);
    // a company without settings records shows the default labels
    int result = 0;
    std::string t = Edit("key Esc\n", &result);
    EXPECT_EQ(result, 1) << t;
    EXPECT_TRUE(Has(t, "window name RSUDFSettings")) << t;
    EXPECT_TRUE(Has(t, "field 1 enter \"Text Label 1:")) << t;

    const struct Row {
        const char* what;
        const char* script;
        size_t record;  // 0 customers, 1 products, 2 services
        int label;      // 0-5 texts, 6-9 amounts, 10-11 dates
        const char* stored;
    } rows[] = {
        {"a customer text label", "type Birthday\nkey Enter\nkey F10\n", 0, 0, "BIRTHDAY"},
        {"a product amount label", "field 31 Weight\nkey F10\n", 1, 6, "WEIGHT"},
        {"a service date label", "field 48 Last check\nkey F10\n", 2, 11, "LAST CHECK"},
        {"a label is cut to thirty characters", "field 25 abcdefghijklmnopqrstuvwxyz0123456789\nkey F10\n", 1, 0,
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"},
        {"Esc keeps the labels", "type Other\nkey Enter\nkey Esc\nanswer Yes\n", 0, 0, "Text Label 1:"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(data_ / "BPOSGNRL.DB");
        CreateGeneralFile();
        CBwUDFSMngr::SetGrlTableId(31);
        ASSERT_TRUE(CBwUDFSMngr::Create());
        ASSERT_TRUE(CBwUDFSMngr::InitializeAll(nullptr));
        CBwUDFSMngr::Destroy();
        t = Edit(row.script, &result);
        const auto records = Records(data_ / "BPOSGNRL.DB");
        ASSERT_EQ(records.size(), 3u) << t;
        const TagUDFSettings& r = records[row.record];
        const char* labels[12] = {r.texts[0],   r.texts[1],   r.texts[2],   r.texts[3], r.texts[4], r.texts[5],
                                  r.amounts[0], r.amounts[1], r.amounts[2], r.amounts[3], r.dates[0], r.dates[1]};
        const std::string stored = Label(labels[row.label]);
        EXPECT_EQ(stored.substr(0, std::strlen(row.stored)), row.stored) << t;
        EXPECT_EQ(stored.size(), 30u) << t;
        // the other kinds keep their default labels
        const TagUDFSettings& other = records[(row.record + 1) % 3];
        EXPECT_EQ(Label(other.texts[1]).substr(0, 13), "Text Label 2:") << t;
    }
}

// Another station holds the product labels locked: the save is refused,
// reported, and the screen stays open with what was typed.
TEST_F(UdfLabelScreenTest, ALockedRecordKeepsTheScreenOpen)
{
    CreateGeneralFile();
    CBwUDFSMngr::SetGrlTableId(31);
    ASSERT_TRUE(CBwUDFSMngr::Create());
    ASSERT_TRUE(CBwUDFSMngr::InitializeAll(nullptr));
    CBwUDFSMngr::Destroy();
    uint16_t other = 0;
    ASSERT_EQ(BtrOpenFile(&other, (data_ / "BPOSGNRL.DB").c_str(), 0, 0), 0);
    char key[255] = {};
    std::memcpy(key, "0UDFProduct    ", 15);
    TagUDFSettings held{};
    ASSERT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, other, key, &held, sizeof held), 0);
    int result = 0;
    const std::string t = Edit("field 25 Colour\nkey F10\nkey Esc\nanswer Yes\n", &result);
    BtrCloseFile(other);
    EXPECT_TRUE(Has(t, "key F10 -> stay")) << t;
    EXPECT_TRUE(Has(t, "message")) << t;
    const auto records = Records(data_ / "BPOSGNRL.DB");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(Label(records[1].texts[0]).substr(0, 13), "Text Label 1:") << t;
}

// With the store interfaced the labels live in the accounting company's
// general file.
TEST_F(UdfLabelScreenTest, InterfacedLabelsGoToTheAccountingGeneralFile)
{
    CreateGeneralFile();
    const fs::path acct = root_ / "acct";
    fs::create_directories(acct);
    SetAccountingCompanyPath(Folder(acct).c_str());
    uint8_t spec[FILE_SPEC_SIZE] = {};
    ASSERT_EQ(CreateSessionDataFile(No(FileNo::AccountingGeneral), 0, Folder(acct).c_str(), nullptr, spec), 0);
    CBwUDFSMngr::SetGrlTableId(No(FileNo::AccountingGeneral));
    const std::string t = Edit("type Region\nkey Enter\nkey F10\n");
    // the accounting company had no labels yet: the save writes all three
    const auto accounting = Records(GetDataFilePath(No(FileNo::AccountingGeneral)));
    ASSERT_EQ(accounting.size(), 3u) << t;
    EXPECT_EQ(Label(accounting[0].texts[0]).substr(0, 6), "REGION") << t;
    EXPECT_EQ(Label(accounting[2].dates[1]).substr(0, 13), "Date Label 2:") << t;
    EXPECT_TRUE(Records(data_ / "BPOSGNRL.DB").empty()) << t;
}

}  // namespace
}  // namespace bwps::test
