// The company list: creation, the older names and layout, adding, the
// default mark, and opening a company from it.
#include "tests/extensions/company/fixture.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "bwps/catalogue.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "fx.h"

namespace fs = std::filesystem;

namespace companytest {
namespace {

class CompanyListTest : public CompanyTest {
protected:
    void SetUp() override
    {
        CompanyTest::SetUp();
        Start("");
    }
    std::string ListPath() { return base() + "/BPOSCID.DB"; }

    // A list of the older release (60-byte records) at the path.
    void WriteOldList(const std::string& path, const std::vector<TagCompanyIdOld>& records)
    {
        unsigned char fileSpec[16] = {};
        uint16_t length = 60, page = 4096;
        std::memcpy(fileSpec, &length, 2);
        std::memcpy(fileSpec + 2, &page, 2);
        fileSpec[4] = 1;
        unsigned char key[16] = {};
        uint16_t position = 1, keyLength = 1, flags = KF_DUPLICATES | KF_MODIFIABLE;
        std::memcpy(key, &position, 2);
        std::memcpy(key + 2, &keyLength, 2);
        std::memcpy(key + 4, &flags, 2);
        ASSERT_EQ(BtrCreateFile(path.c_str(), fileSpec, key), 0);
        uint16_t handle = 0;
        ASSERT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0);
        for (TagCompanyIdOld r : records) {
            char k[64] = {};
            ASSERT_EQ(BtrWrite(B_INSERT, handle, k, &r, sizeof r), 0);
        }
        BtrCloseFile(handle);
    }

    static TagCompanyIdOld Old(char flag, const char* name, const char* folder, int32_t date)
    {
        TagCompanyIdOld r{};
        r.Status = flag;
        std::strncpy(r.CompanyId, name, sizeof r.CompanyId - 1);
        std::strncpy(r.Folder, folder, sizeof r.Folder - 1);
        r.Value = date;
        return r;
    }
};

TEST_F(CompanyListTest, MissingListIsCreatedEmpty)
{
    uint16_t handle = 0;
    int created = 0;
    ASSERT_EQ(OpenCompanyList(&handle, base().c_str(), 0, &created), 0);
    EXPECT_EQ(created, 1);
    EXPECT_EQ(BtrGetRecordCount(handle), 0);
    BtrCloseFile(handle);
    ASSERT_EQ(OpenCompanyList(&handle, base().c_str(), 0, &created), 0);
    EXPECT_EQ(created, 0);
    BtrCloseFile(handle);
}

TEST_F(CompanyListTest, ListUnderItsOlderNameIsRenamedAndConverted)
{
    for (const char* older : {"POS5CID.DB", "POS1CID.DB"}) {
        fs::remove(ListPath());
        WriteOldList(base() + "/" + older,
                     {Old('D', "Main Store", "/data/main", 20240105), Old('N', "Outlet", "/data/outlet", 20240220)});
        uint16_t handle = 0;
        int created = 0;
        ASSERT_EQ(OpenCompanyList(&handle, base().c_str(), 0, &created), 0) << older;
        EXPECT_EQ(created, 0);
        BtrCloseFile(handle);
        EXPECT_FALSE(fs::exists(base() + "/" + older)) << older;
        EXPECT_FALSE(fs::exists(base() + "/CID10.TMP")) << older;
        EXPECT_EQ(StoredRecordLength(ListPath()), 168) << older;

        const auto records = ListRecords();
        ASSERT_EQ(records.size(), 2u) << older;
        EXPECT_EQ(records[0].Status, 'D');
        EXPECT_STREQ(records[0].CompanyId, "Main Store");
        EXPECT_STREQ(records[0].Folder, "/data/main");
        EXPECT_EQ(static_cast<int32_t>(records[0].Date), 20240105);
        EXPECT_STREQ(records[1].CompanyId, "Outlet");
        EXPECT_EQ(static_cast<int32_t>(records[1].Date), 20240220);
    }
}

// When the new list cannot be made, the older list stays where it was, with
// all its records.
TEST_F(CompanyListTest, FailedConversionKeepsTheOldList)
{
    WriteOldList(ListPath(), {Old('D', "Main Store", "/data/main", 20240105)});
    const auto before = fs::file_size(ListPath());
    fs::rename(base() + "/BPOSKEY.DB", base() + "/BPOSKEY.KEEP");  // no key definitions: no new list

    uint16_t handle = 0;
    int created = 0;
    EXPECT_NE(OpenCompanyList(&handle, base().c_str(), 0, &created), 0);
    EXPECT_TRUE(fs::exists(ListPath()));
    EXPECT_FALSE(fs::exists(base() + "/CID10.TMP"));
    EXPECT_EQ(StoredRecordLength(ListPath()), 60);
    EXPECT_EQ(fs::file_size(ListPath()), before);

    fs::rename(base() + "/BPOSKEY.KEEP", base() + "/BPOSKEY.DB");
    ASSERT_EQ(OpenCompanyList(&handle, base().c_str(), 0, &created), 0);
    BtrCloseFile(handle);
    ASSERT_EQ(ListRecords().size(), 1u);
    EXPECT_STREQ(ListRecords()[0].CompanyId, "Main Store");
}

TEST_F(CompanyListTest, FirstCompanyIsDefaultAndTheMarkMoves)
{
    uint16_t handle = 0;
    int created = 0;
    ASSERT_EQ(OpenCompanyList(&handle, base().c_str(), 0, &created), 0);
    ASSERT_EQ(AddCompanyToList(handle, "Alpha", "  /data/alpha  "), 0);
    ASSERT_EQ(AddCompanyToList(handle, "Beta", "/data/beta"), 0);
    ASSERT_EQ(AddCompanyToList(handle, "Gamma", "/data/gamma"), 0);
    BtrCloseFile(handle);

    auto records = ListRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].Status, 'D');
    EXPECT_STREQ(records[0].CompanyId, "Alpha");
    EXPECT_STREQ(records[0].Folder, "/data/alpha");
    EXPECT_EQ(static_cast<int32_t>(records[0].Date), FxToday());
    EXPECT_EQ(records[1].Status, 'N');
    EXPECT_EQ(records[2].Status, 'N');

    ASSERT_EQ(OpenCompanyList(&handle, base().c_str(), 0, &created), 0);
    CompanyListRecord gamma = records[2];
    EXPECT_EQ(SetDefaultCompany(handle, &gamma), 0);
    BtrCloseFile(handle);
    records = ListRecords();
    int defaults = 0;
    for (const auto& r : records) {
        if (r.Status == 'D') {
            ++defaults;
            EXPECT_STREQ(r.CompanyId, "Gamma");
        }
    }
    EXPECT_EQ(defaults, 1);
}

// A list without any default (as an older list may be): the company chosen
// becomes the default even when it is the first record.
TEST_F(CompanyListTest, DefaultMarkOnAListWithoutDefault)
{
    WriteOldList(ListPath(), {Old('N', "Alpha", "/data/alpha", 20240105),
                              Old('N', "Beta", "/data/beta", 20240106)});
    uint16_t handle = 0;
    int created = 0;
    ASSERT_EQ(OpenCompanyList(&handle, base().c_str(), 0, &created), 0);
    CompanyListRecord alpha = ListRecords()[0];
    ASSERT_STREQ(alpha.CompanyId, "Alpha");
    EXPECT_EQ(SetDefaultCompany(handle, &alpha), 0);
    BtrCloseFile(handle);
    const auto records = ListRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Status, 'D');
    EXPECT_STREQ(records[0].CompanyId, "Alpha");
    EXPECT_EQ(records[1].Status, 'N');
}

// A list file that cannot be opened leaves the session as it was and
// OpenCompany answers false.
TEST_F(CompanyListTest, OpenCompanyFailsWhenTheListCannotBeOpened)
{
    std::ofstream(ListPath()) << "this is not a record-manager file";
    const std::string before = Session().DataPath;
    int created = 0, known = 0;
    EXPECT_EQ(OpenCompany(1, &created, &known), 0);
    EXPECT_EQ(std::string(Session().DataPath), before);
    EXPECT_TRUE(Saw("message"));
}

TEST_F(CompanyListTest, FirstPassOpensTheDefaultCompany)
{
    CreateListed("Alpha", Folder("alpha"));
    CreateListed("Beta", Folder("beta"));
    std::memset(Session().DataPath, 0, BWPS_PATH_SIZE);
    std::memset(Session().CompanyRecord, 0, sizeof Session().CompanyRecord);

    int created = 0, known = 0;
    FxTranscriptClear();
    ASSERT_EQ(OpenCompany(1, &created, &known), 1) << Transcript();
    EXPECT_EQ(std::string(Session().DataPath), Folder("alpha"));
    EXPECT_STREQ(Session().CompanyName, "Alpha");
    EXPECT_EQ(std::string(GetFilesPath()).rfind(Folder("alpha"), 0), 0u);
    const auto* record = reinterpret_cast<const CompanyListRecord*>(Session().CompanyRecord);
    EXPECT_EQ(record->Status, 'D');
    EXPECT_FALSE(Saw("RSOpenCompany"));
}

TEST_F(CompanyListTest, EmptyNewListWithoutACompanyCannotOpenADefault)
{
    int created = 0, known = 1;
    FxTranscriptClear();
    EXPECT_EQ(OpenCompany(1, &created, &known), 0);
    EXPECT_EQ(created, 1);
    EXPECT_EQ(known, 0);
    EXPECT_TRUE(Saw("Cannot open default company. Please try again."));
}

TEST_F(CompanyListTest, ListDialogOpensTheCompanyTyped)
{
    CreateListed("Alpha", Folder("alpha"));
    CreateListed("Beta", Folder("beta"));
    Script("type Beta\nkey Enter\n");
    int created = 0, known = 0;
    FxTranscriptClear();
    ASSERT_EQ(OpenCompany(0, &created, &known), 1) << Transcript();
    EXPECT_TRUE(Saw("RSOpenCompany"));
    EXPECT_EQ(std::string(Session().DataPath), Folder("beta"));
    EXPECT_STREQ(Session().CompanyName, "Beta");
}

TEST_F(CompanyListTest, ListDialogHasTheStandardFrame)
{
    CreateListed("Alpha", Folder("alpha"));
    CreateListed("Beta", Folder("beta"));
    // F1 is the frame's help (the screen's topic, closed by Esc); F5 is
    // released, so it does nothing.
    Script("key F1\nkey Esc\nkey F5\ntype Beta\nkey Enter\n");
    int created = 0, known = 0;
    FxTranscriptClear();
    ASSERT_EQ(OpenCompany(0, &created, &known), 1) << Transcript();
    EXPECT_TRUE(Saw("help 513 \"RSOpenCompany\"")) << Transcript();
    EXPECT_FALSE(Saw("key F5 -> stay")) << Transcript();
    EXPECT_STREQ(Session().CompanyName, "Beta");
}

TEST_F(CompanyListTest, ListDialogOffersThePickWhenNothingIsTyped)
{
    CreateListed("Alpha", Folder("alpha"));
    CreateListed("Beta", Folder("beta"));
    std::memset(Session().CompanyRecord, 0, sizeof Session().CompanyRecord);
    Script("key Enter\npick 1\n");
    int created = 0, known = 0;
    ASSERT_EQ(OpenCompany(0, &created, &known), 1) << Transcript();
    EXPECT_EQ(std::string(Session().DataPath), Folder("alpha"));
    EXPECT_STREQ(Session().CompanyName, "Alpha");
}

TEST_F(CompanyListTest, ListDialogEscapeKeepsTheOpenCompany)
{
    CreateListed("Alpha", Folder("alpha"));
    CreateListed("Beta", Folder("beta"));
    std::memset(Session().DataPath, 0, BWPS_PATH_SIZE);
    int created = 0, known = 0;
    ASSERT_EQ(OpenCompany(1, &created, &known), 1);
    ASSERT_EQ(std::string(Session().DataPath), Folder("alpha"));
    Script("key Esc\n");
    EXPECT_EQ(OpenCompany(0, &created, &known), 0);
    EXPECT_EQ(std::string(Session().DataPath), Folder("alpha"));
}

TEST_F(CompanyListTest, DefaultCompanyCannotBeRemovedOthersCan)
{
    CreateListed("Alpha", Folder("alpha"));
    CreateListed("Beta", Folder("beta"));
    Script("type Alpha\nkey F6\ntype Beta\nkey F6\nanswer Yes\nkey Esc\n");
    int created = 0, known = 0;
    FxTranscriptClear();
    OpenCompany(0, &created, &known);
    EXPECT_TRUE(Saw("The default company cannot be removed from the list.")) << Transcript();
    const auto records = ListRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_STREQ(records[0].CompanyId, "Alpha");
    EXPECT_TRUE(fs::exists(Folder("beta")));  // its data files stay
}

TEST_F(CompanyListTest, FileOpenSelectOpensACurrentFolderOnly)
{
    ASSERT_TRUE(Create("Alpha", Folder("alpha")));
    std::memset(Session().DataPath, 0, BWPS_PATH_SIZE);
    EXPECT_EQ(BWPSFileOpenSelect("Alpha", Folder("alpha").c_str(), 0, 0, 0, 0, 0, 0), 1);
    EXPECT_EQ(std::string(Session().DataPath), Folder("alpha"));

    fs::create_directories(Folder("empty"));
    FxTranscriptClear();
    EXPECT_EQ(BWPSFileOpenSelect("Empty", Folder("empty").c_str(), 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(std::string(Session().DataPath), Folder("alpha"));
    EXPECT_TRUE(Saw("missing, incomplete or of an unknown version"));
}

}  // namespace
}  // namespace companytest
