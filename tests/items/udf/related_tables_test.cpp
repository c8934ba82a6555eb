// The picture file of a product: the related-table record behind a product
// code and its full path.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/related_tables.h"
#include "bwps/table.h"
#include "fx.h"
#include "tests/posting/registers/company.h"

namespace {

using bwps::FileNo;
using bwps::No;

class PictureTest : public regtest::CompanyTest {
protected:
    // code|folder|name of every stored picture record.
    std::vector<std::string> Stored()
    {
        std::vector<std::string> rows;
        for (const TagProdPicture& r : All<TagProdPicture>(No(FileNo::ProductPictures)))
            rows.push_back(std::string(r.code) + "|" + r.folder + "|" + r.name);
        return rows;
    }
    void Put(const char* code, const char* name)
    {
        CBwProdPictureTable table;
        ASSERT_TRUE(table.Open());
        table.InitDataBuffer(code);
        ASSERT_TRUE(table.SetFullPath(name));
        ASSERT_TRUE(table.Insert());
    }
    static std::string Images()
    {
        char folder[FOLDER_BUFFER_SIZE + 1] = {};
        return GetImagesPath(No(FileNo::ProductPictures), folder);
    }
};

TEST_F(PictureTest, ThePictureOfAProductIsSavedFoundAndRemoved)
{
    CBwProdPictureTable table;
    EXPECT_EQ(table.GetMasterFileId(), No(FileNo::Products));
    EXPECT_EQ(table.GetRelatedFileId(), No(FileNo::ProductPictures));
    ASSERT_TRUE(table.Open());

    // A product without a picture: nothing is written.
    EXPECT_FALSE(table.Find("P1"));
    EXPECT_EQ(table.GetResult(), B_KEY_NOT_FOUND);
    ASSERT_TRUE(table.Save());
    EXPECT_TRUE(Stored().empty());

    // A path typed in another folder keeps its file name only.
    ASSERT_TRUE(table.SetFullPath("/somewhere/else/car.bmp  "));
    ASSERT_TRUE(table.Save());
    EXPECT_EQ(Stored(), std::vector<std::string>{"P1||car.bmp"});
    CBwProdPictureTable reader;
    ASSERT_TRUE(reader.Open());
    ASSERT_TRUE(reader.Find("P1"));
    char path[PICTURE_FULL_PATH_SIZE];
    EXPECT_EQ(std::string(reader.GetFullPath(path, sizeof path)), Images() + "car.bmp");

    // A changed name is updated; a cleared field removes the record.
    ASSERT_TRUE(reader.SetFullPath("boat.png"));
    ASSERT_TRUE(reader.Save());
    EXPECT_EQ(Stored(), std::vector<std::string>{"P1||boat.png"});
    ASSERT_TRUE(reader.SetFullPath(""));
    EXPECT_TRUE(reader.IsDataEmpty());
    ASSERT_TRUE(reader.Save());
    EXPECT_TRUE(Stored().empty());
    EXPECT_TRUE(reader.Delete());  // nothing left to delete
    EXPECT_FALSE(TranscriptHas("Btrieve Error")) << FxTranscript();
}

TEST_F(PictureTest, TheFirstNextWalkGoesInCodeOrder)
{
    CBwProdPictureTable table;
    ASSERT_TRUE(table.Open());
    EXPECT_FALSE(table.ReadFirst());
    EXPECT_EQ(table.GetResult(), B_END_OF_FILE);
    Put("P3", "c.bmp");
    Put("P1", "a.bmp");
    Put("P2", "b.bmp");
    std::vector<std::string> seen;
    for (bool ok = table.ReadFirst(); ok; ok = table.ReadNext())
        seen.push_back(std::string(table.Record().code) + "=" + table.Record().name);
    EXPECT_EQ(seen, (std::vector<std::string>{"P1=a.bmp", "P2=b.bmp", "P3=c.bmp"}));
    EXPECT_EQ(table.GetResult(), B_END_OF_FILE);
    EXPECT_FALSE(TranscriptHas("Btrieve Error")) << FxTranscript();
}

TEST_F(PictureTest, TheFullPathTakesTheFolderOfItsKind)
{
    const std::string program = GetProgramPath();
    const std::string files = GetFilesPath();
    auto joined = [](std::string folder, const char* name) {
        if (!folder.empty() && folder.back() != '/')
            folder += '/';
        return folder + name;
    };
    struct Case {
        const char* what;
        int kind;
        const char* folder;
        const char* name;
        std::string expected;
    } cases[] = {
        {"own folder", PICTURE_OWN_FOLDER, "/pics/", "a.bmp", "/pics/a.bmp"},
        {"own folder without separator", PICTURE_OWN_FOLDER, "/pics  ", "a.bmp", "/pics/a.bmp"},
        {"own folder empty", PICTURE_OWN_FOLDER, "", "a.bmp", "a.bmp"},
        {"no folder", PICTURE_NO_FOLDER, "/ignored/", "a.bmp", "a.bmp"},
        {"program folder", PICTURE_PROGRAM, "", "a.bmp", joined(program, "a.bmp")},
        {"data-files folder", PICTURE_DATA_FILES, "", "a.bmp", joined(files, "a.bmp")},
        {"images folder", PICTURE_IMAGES, "", "a.bmp", Images() + "a.bmp"},
        {"unknown kind", 9, "/pics/", "a.bmp", ""},
        {"no file name", PICTURE_OWN_FOLDER, "/pics/", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CBwProdPictureTable table(c.kind);
        table.InitDataBuffer("P1");
        std::strcpy(table.Record().folder, c.folder);
        std::strcpy(table.Record().name, c.name);
        char path[PICTURE_FULL_PATH_SIZE];
        std::memset(path, 'x', sizeof path);
        EXPECT_EQ(std::string(table.GetFullPath(path, sizeof path)), c.expected);
    }
    // A path that does not fit the caller's buffer is not cut to another one.
    CBwProdPictureTable table(PICTURE_OWN_FOLDER);
    std::strcpy(table.Record().folder, "/pics/");
    std::strcpy(table.Record().name, "a.bmp");
    char small[8];
    EXPECT_STREQ(table.GetFullPath(small, sizeof small), "");
}

TEST_F(PictureTest, APathIsSplitIntoFolderAndName)
{
    const std::string longName(PICTURE_NAME_SIZE, 'n');
    const std::string longFolder = "/" + std::string(PICTURE_FOLDER_SIZE, 'f') + "/a.bmp";
    struct Case {
        const char* what;
        int kind;
        const char* path;
        bool ok;
        const char* folder;
        const char* name;
    } cases[] = {
        {"images kind drops the folder", PICTURE_IMAGES, "/a/b/car.bmp", true, "", "car.bmp"},
        {"own kind keeps it", PICTURE_OWN_FOLDER, "/a/b/car.bmp", true, "/a/b/", "car.bmp"},
        {"drive and backslashes", PICTURE_OWN_FOLDER, "C:\\pics\\car.bmp", true, "C:\\pics\\", "car.bmp"},
        {"drive alone", PICTURE_OWN_FOLDER, "C:car.bmp", true, "C:", "car.bmp"},
        {"name alone", PICTURE_OWN_FOLDER, "car.bmp", true, "", "car.bmp"},
        {"trailing blanks", PICTURE_IMAGES, "car.bmp   ", true, "", "car.bmp"},
        {"empty clears", PICTURE_IMAGES, "", true, "", ""},
        {"no path", PICTURE_IMAGES, nullptr, false, "/old/", "old.bmp"},
        {"name too long", PICTURE_IMAGES, longName.c_str(), false, "/old/", "old.bmp"},
        {"folder too long", PICTURE_OWN_FOLDER, longFolder.c_str(), false, "/old/", "old.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CBwProdPictureTable table(c.kind);
        table.InitDataBuffer("P1");
        std::strcpy(table.Record().folder, "/old/");
        std::strcpy(table.Record().name, "old.bmp");
        EXPECT_EQ(table.SetFullPath(c.path), c.ok);
        EXPECT_STREQ(table.Record().folder, c.folder);
        EXPECT_STREQ(table.Record().name, c.name);
        EXPECT_STREQ(table.Record().code, "P1");
    }
}

// A Find that fails leaves the object on the code asked for: the delete
// that follows never reaches the picture read before.
TEST_F(PictureTest, AFailedFindNeverLeavesTheObjectOnThePictureReadBefore)
{
    Put("KEEP", "kept.bmp");
    CBwProdPictureTable table;
    ASSERT_TRUE(table.Open());
    ASSERT_TRUE(table.Find("KEEP"));
    EXPECT_FALSE(table.Find("OTHER"));
    EXPECT_TRUE(table.IsDataEmpty());
    EXPECT_TRUE(table.Delete());
    EXPECT_EQ(Stored(), std::vector<std::string>{"KEEP||kept.bmp"});

    // Update without a re-read writes the object's own code's record.
    Put("NEXT", "next.bmp");
    ASSERT_TRUE(table.Find("NEXT"));
    TagProdPicture next = table.Record();
    ASSERT_TRUE(table.Find("KEEP"));
    std::strcpy(next.name, "changed.bmp");
    table.SetDataInfo(&next);
    ASSERT_TRUE(table.Update(false));
    EXPECT_EQ(Stored(), (std::vector<std::string>{"KEEP||kept.bmp", "NEXT||changed.bmp"}));
}

TEST_F(PictureTest, AMissingFileGivesItsStatus)
{
    std::filesystem::remove(Path(No(FileNo::ProductPictures)));
    CBwProdPictureTable table;
    EXPECT_FALSE(table.Open());
    EXPECT_EQ(table.GetResult(), B_FILE_NOT_FOUND);
    EXPECT_EQ(table.GetHandle(), CBwRelatedTable::kNoHandle);
    EXPECT_TRUE(TranscriptHas("BPOSPBMP.DB")) << FxTranscript();
    table.InitDataBuffer("P1");
    ASSERT_TRUE(table.SetFullPath("a.bmp"));
    EXPECT_FALSE(table.Save());
    EXPECT_EQ(table.GetResult(), B_FILE_NOT_OPEN);
}

// A master record's delete takes the picture's delete into the caller's
// transaction; a lent handle is the caller's to close.
TEST_F(PictureTest, TheCallersTransactionAndHandleStayTheCallers)
{
    Put("P1", "a.bmp");
    const uint16_t handle = Open(No(FileNo::ProductPictures));
    {
        CBwProdPictureTable table;
        table.SetHandle(static_cast<short>(handle));
        bwps::WriteBatch batch;
        ASSERT_TRUE(batch.Begun().Ok());
        ASSERT_TRUE(table.Find("P1"));
        ASSERT_TRUE(table.Delete());
    }  // aborted
    EXPECT_EQ(Stored(), std::vector<std::string>{"P1||a.bmp"});
    char key[256] = {};
    TagProdPicture record{};
    EXPECT_EQ(BtrGet(B_GET_FIRST, handle, key, &record, sizeof record), 0);
    BtrCloseFile(handle);
}

}  // namespace
