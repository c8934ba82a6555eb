// The user-defined-field settings records that every company gets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bwps/records.h"
#include "bwps/udf.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {
namespace {

std::string Label(const char* field)
{
    return std::string(field, strnlen(field, 31));
}

class UdfSettingsTest : public InstallationTest {
protected:
    void TearDown() override
    {
        CBwUDFSMngr::Destroy();
        CBwUDFSMngr::SetGrlTableId(-1);
        InstallationTest::TearDown();
    }

    std::vector<TagUDFSettings> Records()
    {
        std::vector<TagUDFSettings> out;
        for (const auto& r : ReadAll<TagUDFSettings>(data_ / "BPOSGNRL.DB"))
            if (std::strncmp(r.key, "0UDF", 4) == 0)
                out.push_back(r);
        return out;
    }

    // What the company jobs do for a new or copied company.
    static bool PrepareCompany(const char* folder)
    {
        CBwUDFSMngr::SetGrlTableId(31);
        if (!CBwUDFSMngr::Create())
            return false;
        const bool ok = CBwUDFSMngr::InitializeAll(folder);
        CBwUDFSMngr::Destroy();
        return ok;
    }
};

TEST_F(UdfSettingsTest, NewCompanyGetsTheDefaultLabelsOfEveryKind)
{
    CreateGeneralFile();
    ASSERT_TRUE(PrepareCompany(Folder(data_).c_str()));
    const auto records = Records();
    ASSERT_EQ(records.size(), 3u);  // in key order
    EXPECT_STREQ(records[0].key, "0UDFCustomer   ");
    EXPECT_STREQ(records[1].key, "0UDFProduct    ");
    EXPECT_STREQ(records[2].key, "0UDFService    ");
    for (const auto& r : records) {
        EXPECT_EQ(Label(r.texts[0]), "Text Label 1:                 ");
        EXPECT_EQ(Label(r.texts[5]), "Text Label 6:                 ");
        EXPECT_EQ(Label(r.amounts[3]), "Amount Label 4:               ");
        EXPECT_EQ(Label(r.dates[1]), "Date Label 2:                 ");
    }
    // A second preparation keeps the records as they are.
    ASSERT_TRUE(PrepareCompany(Folder(data_).c_str()));
    EXPECT_EQ(Records().size(), 3u);
}

TEST_F(UdfSettingsTest, ExistingLabelsAreKept)
{
    CreateGeneralFile();
    TagUDFSettings product{};
    std::memcpy(product.key, "0UDFProduct    ", 16);
    std::strcpy(product.texts[0], "Colour");
    PutGeneralRecord(&product, sizeof product);

    // Without a folder the catalogue's general file is used.
    ASSERT_TRUE(PrepareCompany(nullptr));
    const auto records = Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(Label(records[1].texts[0]), "Colour");
    EXPECT_EQ(Label(records[0].texts[0]), "Text Label 1:                 ");
}

TEST_F(UdfSettingsTest, InitialisationNeedsTheManagerAndTheFile)
{
    CreateGeneralFile();
    CBwUDFSMngr::SetGrlTableId(31);
    EXPECT_FALSE(CBwUDFSMngr::InitializeAll(Folder(data_).c_str()));  // no manager yet
    EXPECT_TRUE(Records().empty());

    const fs::path empty = root_ / "empty";
    fs::create_directories(empty);
    EXPECT_FALSE(PrepareCompany(Folder(empty).c_str()));
    EXPECT_FALSE(fs::exists(empty / "BPOSGNRL.DB"));
    EXPECT_NE(Transcript().find("BPOSGNRL.DB"), std::string::npos) << Transcript();
}

// An editor starts the labels of its own kind only, and the last kind to
// go takes the manager with it.
TEST_F(UdfSettingsTest, OneKindAtATimeForTheEditors)
{
    CreateGeneralFile();
    TagUDFSettings product{};
    std::memcpy(product.key, "0UDFProduct    ", 16);
    std::strcpy(product.texts[0], "Colour");
    PutGeneralRecord(&product, sizeof product);

    char label[64] = {};
    ASSERT_TRUE(CBwUDFSMngr::InitializeOneEntity('P'));
    ASSERT_TRUE(CBwUDFSMngr::InitializeOneEntity('C'));
    EXPECT_TRUE(CBwUDFSMngr::GetLabel('P', UDF_TEXT, 1, label, sizeof label));
    EXPECT_EQ(std::string(label), "Colour");
    // a kind without its record shows the default labels
    EXPECT_TRUE(CBwUDFSMngr::GetLabel('C', UDF_DATE, 2, label, sizeof label));
    EXPECT_EQ(std::string(label).substr(0, 13), "Date Label 2:");
    EXPECT_FALSE(CBwUDFSMngr::GetLabel('S', UDF_TEXT, 1, label, sizeof label));
    TagUDFSettings copy{};
    CBwUDFSMngr::CloneProdStruct(&copy);
    EXPECT_EQ(Label(copy.texts[0]), "Colour");

    CBwUDFSMngr::DestroyOneEntity('P', true);
    EXPECT_TRUE(CBwUDFSMngr::IsActive());  // the customers' object is left
    EXPECT_FALSE(CBwUDFSMngr::GetLabel('P', UDF_TEXT, 1, label, sizeof label));
    CBwUDFSMngr::DestroyOneEntity('C', true);
    EXPECT_FALSE(CBwUDFSMngr::IsActive());
    EXPECT_EQ(CBwUDFSMngr::GetHandle(), -1);
}

}  // namespace
}  // namespace bwps::test
