// The user-defined-field companion records of customers, products and
// services over a fixture company.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bwps/files.h"
#include "bwps/screen_fields.h"
#include "bwps/table.h"
#include "bwps/udf.h"
#include "fx.h"
#include "tests/posting/registers/company.h"

namespace {

using bwps::FileNo;
using bwps::No;

// One kind of master record and its companion file.
struct Entity {
    const char* what;
    int master;
    FileNo file;
    std::size_t recordSize;
    const char* longCode;    // longer than the code field
    const char* storedCode;  // how the field keeps it
};

const Entity kEntities[] = {
    {"customers", No(FileNo::Customers), FileNo::CustomerFields, 297, "CUSTOMER-0123456", "CUSTOMER-0"},
    {"products", No(FileNo::Products), FileNo::ProductFields, 301, "PRODUCT-0123456789", "PRODUCT-012345"},
    {"services", No(FileNo::Services), FileNo::ServiceFields, 301, "SERVICE-0123456789", "SERVICE-012345"},
};

std::unique_ptr<CBwUDFDBase> Make(int master)
{
    if (master == No(FileNo::Customers))
        return std::make_unique<CBwUDFDCV>(master);
    return std::make_unique<CBwUDFDPS>(master);
}

void Fill(TagUDFData& d, const char* text, double amount, int32_t date)
{
    std::memset(d.texts[0], 0, sizeof d.texts[0]);
    std::strncpy(d.texts[0], text, sizeof d.texts[0] - 1);
    d.amounts[3] = amount;
    d.dates[1] = date;
}

class UdfDataTest : public regtest::CompanyTest {
protected:
    // The stored records of a companion file: code and first text.
    std::vector<std::string> Stored(FileNo file, std::size_t recordSize)
    {
        std::vector<std::string> rows;
        uint16_t h = Open(No(file));
        char key[256] = {};
        std::vector<char> record(recordSize);
        for (int op = B_GET_FIRST;
             BtrGet(op, h, key, record.data(), static_cast<int>(recordSize)) == 0; op = B_GET_NEXT) {
            const std::size_t codeSize = recordSize == 297 ? 11 : 15;
            rows.push_back(std::string(record.data()) + "|" + std::string(record.data() + codeSize));
        }
        BtrCloseFile(h);
        return rows;
    }
    // A record put straight into the file.
    void Put(const Entity& e, const char* code, const char* text)
    {
        auto object = Make(e.master);
        ASSERT_TRUE(object->Open());
        object->InitStruct(code);
        Fill(*object->GetData(), text, 1.5, 20250301);
        ASSERT_TRUE(object->Insert());
    }
};

TEST_F(UdfDataTest, EachEntityKeepsItsValuesInItsOwnFile)
{
    for (const Entity& e : kEntities) {
        SCOPED_TRACE(e.what);
        auto object = Make(e.master);
        EXPECT_EQ(object->GetStructSize(), e.recordSize);
        EXPECT_EQ(object->GetFileId(), No(e.file));
        ASSERT_TRUE(object->Open());

        object->InitStruct("A1");
        Fill(*object->GetData(), "red", 12.5, 20250301);
        ASSERT_TRUE(object->Save());
        const std::string padded = std::string("A1") + std::string(object->GetCodeSize() - 3, ' ');
        EXPECT_EQ(Stored(e.file, e.recordSize), std::vector<std::string>{padded + "|red"});

        // Another object finds it by the short code and changes it.
        auto reader = Make(e.master);
        ASSERT_TRUE(reader->Open());
        ASSERT_TRUE(reader->Find("A1"));
        EXPECT_STREQ(reader->GetData()->texts[0], "red");
        EXPECT_EQ(+reader->GetData()->amounts[3], 12.5);
        EXPECT_EQ(+reader->GetData()->dates[1], 20250301);
        Fill(*reader->GetData(), "blue", 3, 0);
        ASSERT_TRUE(reader->Save());
        EXPECT_EQ(Stored(e.file, e.recordSize), std::vector<std::string>{padded + "|blue"});

        // Cleared values remove the record; an empty record again writes nothing.
        std::memset(reader->GetData(), 0, sizeof(TagUDFData));
        ASSERT_TRUE(reader->Save());
        EXPECT_TRUE(Stored(e.file, e.recordSize).empty());
        ASSERT_TRUE(reader->Save());
        EXPECT_TRUE(Stored(e.file, e.recordSize).empty());
        EXPECT_FALSE(reader->Find("A1"));
        EXPECT_EQ(reader->GetResult(), B_KEY_NOT_FOUND);
        // Deleting a record that is not there succeeds.
        EXPECT_TRUE(reader->Delete());
    }
    EXPECT_FALSE(TranscriptHas("Btrieve Error")) << FxTranscript();
}

TEST_F(UdfDataTest, ALongCodeIsCutToTheCodeField)
{
    for (const Entity& e : kEntities) {
        SCOPED_TRACE(e.what);
        auto object = Make(e.master);
        ASSERT_TRUE(object->Open());
        object->InitStruct(e.longCode);
        EXPECT_STREQ(object->GetCode(), e.storedCode);
        Fill(*object->GetData(), "cut", 1, 0);
        ASSERT_TRUE(object->Save());
        EXPECT_EQ(Stored(e.file, e.recordSize), std::vector<std::string>{std::string(e.storedCode) + "|cut"});
        // The long code finds the record it was cut to.
        auto reader = Make(e.master);
        ASSERT_TRUE(reader->Open());
        EXPECT_TRUE(reader->Find(e.longCode));
        EXPECT_STREQ(reader->GetData()->texts[0], "cut");
    }
}

TEST_F(UdfDataTest, ObjectsOfOtherMasterFilesHaveNoFile)
{
    struct Case {
        const char* what;
        std::function<std::unique_ptr<CBwUDFDBase>()> make;
    } cases[] = {
        {"customer class over products", [] { return std::make_unique<CBwUDFDCV>(No(FileNo::Products)); }},
        {"customer class over vendors", [] { return std::make_unique<CBwUDFDCV>(No(FileNo::Vendors)); }},
        {"item class over customers", [] { return std::make_unique<CBwUDFDPS>(No(FileNo::Customers)); }},
        {"item class over an unknown file", [] { return std::make_unique<CBwUDFDPS>(0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto object = c.make();
        EXPECT_EQ(object->GetFileId(), -1);
        EXPECT_FALSE(object->Open());
        EXPECT_FALSE(object->IsOpen());
        object->InitStruct("X");
        Fill(*object->GetData(), "x", 1, 0);
        EXPECT_FALSE(object->Save());
        EXPECT_EQ(object->GetResult(), B_FILE_NOT_OPEN);
    }
    for (const Entity& e : kEntities)
        EXPECT_TRUE(Stored(e.file, e.recordSize).empty()) << e.what;
}

TEST_F(UdfDataTest, AMissingFileGivesItsStatus)
{
    for (const Entity& e : kEntities) {
        SCOPED_TRACE(e.what);
        FxTranscriptClear();
        const std::string path = Path(No(e.file));
        std::filesystem::remove(path);
        auto object = Make(e.master);
        EXPECT_FALSE(object->Open());
        EXPECT_FALSE(object->IsOpen());
        EXPECT_EQ(object->GetHandle(), CBwUDFDBase::kNoHandle);
        EXPECT_EQ(object->GetResult(), B_FILE_NOT_FOUND);
        EXPECT_TRUE(TranscriptHas(std::filesystem::path(path).filename().string())) << FxTranscript();
        // A closed object reads nothing and says so.
        EXPECT_FALSE(object->Find("A1"));
        EXPECT_EQ(object->GetResult(), B_FILE_NOT_OPEN);
    }
}

// A Find that fails leaves the object on the code asked for: the delete
// or save that follows never reaches the record read before.
TEST_F(UdfDataTest, AFailedFindNeverLeavesTheObjectOnTheRecordReadBefore)
{
    const Entity& e = kEntities[1];
    Put(e, "KEEP", "kept");
    struct Case {
        const char* what;
        std::function<bool(CBwUDFDBase&)> after;
        std::vector<std::string> expected;
    } cases[] = {
        {"delete", [](CBwUDFDBase& o) { return o.Delete(); }, {"KEEP          |kept"}},
        {"save of new values",
         [](CBwUDFDBase& o) {
             Fill(*o.GetData(), "new", 2, 0);
             return o.Save();
         },
         {"KEEP          |kept", "OTHER         |new"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto object = Make(e.master);
        ASSERT_TRUE(object->Open());
        ASSERT_TRUE(object->Find("KEEP"));
        EXPECT_FALSE(object->Find("OTHER"));
        EXPECT_STREQ(object->GetCode(), "OTHER         ");
        EXPECT_TRUE(object->IsStructEmpty());
        EXPECT_TRUE(c.after(*object));
        EXPECT_EQ(Stored(e.file, e.recordSize), c.expected);
        object->InitStruct("OTHER");
        EXPECT_TRUE(object->Delete());
    }
}

// Update without a re-read writes the record of the object's own code,
// also when the file was left on another record.
TEST_F(UdfDataTest, UpdateWritesTheRecordOfTheObjectsCode)
{
    const Entity& e = kEntities[0];
    Put(e, "AAA", "first");
    Put(e, "BBB", "second");
    auto object = Make(e.master);
    ASSERT_TRUE(object->Open());
    ASSERT_TRUE(object->Find("BBB"));
    TagUDFDataCV b = static_cast<CBwUDFDCV&>(*object).Record();
    ASSERT_TRUE(object->Find("AAA"));  // the file is on AAA now
    std::strcpy(b.data.texts[0], "changed");
    object->SetStruct(&b);
    ASSERT_TRUE(object->Update(false));
    EXPECT_EQ(Stored(e.file, e.recordSize),
              (std::vector<std::string>{"AAA       |first", "BBB       |changed"}));

    // Right after its own read it writes at once; with a re-read too.
    ASSERT_TRUE(object->Find("AAA"));
    std::strcpy(object->GetData()->texts[0], "again");
    ASSERT_TRUE(object->Update(false));
    std::strcpy(object->GetData()->texts[1], "reread");
    ASSERT_TRUE(object->Update(true));
    EXPECT_EQ(Stored(e.file, e.recordSize),
              (std::vector<std::string>{"AAA       |again", "BBB       |changed"}));

    // An update of a code without a record gives up.
    object->InitStruct("CCC");
    Fill(*object->GetData(), "none", 1, 0);
    EXPECT_FALSE(object->Update(true));
    EXPECT_EQ(object->GetResult(), B_KEY_NOT_FOUND);
    EXPECT_EQ(Stored(e.file, e.recordSize).size(), 2u);
}

TEST_F(UdfDataTest, TheWalkGoesInCodeOrder)
{
    const Entity& e = kEntities[2];
    auto object = Make(e.master);
    ASSERT_TRUE(object->Open());
    EXPECT_FALSE(object->ReadFirst());
    EXPECT_EQ(object->GetResult(), B_END_OF_FILE);
    for (const char* code : {"S3", "S1", "S2"})
        Put(e, code, code);
    std::vector<std::string> seen;
    for (bool ok = object->ReadFirst(); ok; ok = object->ReadNext())
        seen.push_back(object->GetData()->texts[0]);
    EXPECT_EQ(seen, (std::vector<std::string>{"S1", "S2", "S3"}));
    EXPECT_EQ(object->GetResult(), B_END_OF_FILE);
    EXPECT_FALSE(TranscriptHas("Btrieve Error")) << FxTranscript();
}

TEST_F(UdfDataTest, EmptyMeansBlankTextsZeroAmountsAndNoDates)
{
    struct Case {
        const char* what;
        std::function<void(TagUDFData&)> change;
        bool empty;
    } cases[] = {
        {"cleared", [](TagUDFData&) {}, true},
        {"blank texts", [](TagUDFData& d) { std::strcpy(d.texts[5], "     "); }, true},
        {"negative zero", [](TagUDFData& d) { d.amounts[0] = -0.0; }, true},
        {"a text", [](TagUDFData& d) { std::strcpy(d.texts[5], "  x"); }, false},
        {"a small amount", [](TagUDFData& d) { d.amounts[2] = 0.001; }, false},
        {"a date", [](TagUDFData& d) { d.dates[0] = 20250101; }, false},
    };
    CBwUDFDPS object(No(FileNo::Products));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TagUDFData d;
        std::memset(&d, 0, sizeof d);
        c.change(d);
        EXPECT_EQ(object.IsStructEmpty(&d), c.empty);
        object.InitStruct("E1");
        *object.GetData() = d;
        EXPECT_EQ(object.IsStructEmpty(), c.empty);
    }
}

TEST_F(UdfDataTest, ALentHandleStaysOpen)
{
    const Entity& e = kEntities[1];
    Put(e, "P1", "lent");
    const uint16_t handle = Open(No(e.file));
    {
        CBwUDFDPS object(e.master);
        object.SetHandle(static_cast<short>(handle));
        EXPECT_TRUE(object.Open());  // keeps the lent handle
        EXPECT_EQ(object.GetHandle(), static_cast<short>(handle));
        object.SetHandle(static_cast<short>(handle + 1));  // ignored while one is held
        EXPECT_EQ(object.GetHandle(), static_cast<short>(handle));
        ASSERT_TRUE(object.Find("P1"));
        object.Close();
        EXPECT_FALSE(object.IsOpen());
        object.SetHandle(static_cast<short>(handle));
    }  // the destructor leaves it open as well
    char key[256] = {};
    TagUDFDataPS record{};
    EXPECT_EQ(BtrGet(B_GET_FIRST, handle, key, &record, sizeof record), 0);
    BtrCloseFile(handle);
}

// A master record's delete takes the companion's delete into the caller's
// transaction: an abort keeps both.
TEST_F(UdfDataTest, TheCallersTransactionCoversTheCompanionsDelete)
{
    const Entity& e = kEntities[0];
    struct Case {
        bool commit;
        std::size_t left;
    } cases[] = {{false, 1}, {true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commit ? "commit" : "abort");
        if (Stored(e.file, e.recordSize).empty())
            Put(e, "C1", "kept");
        auto object = Make(e.master);
        ASSERT_TRUE(object->Open());
        {
            bwps::WriteBatch batch;
            ASSERT_TRUE(batch.Begun().Ok());
            ASSERT_TRUE(object->Find("C1"));
            ASSERT_TRUE(object->Delete());
            if (c.commit) {
                ASSERT_TRUE(batch.Commit().Ok());
            }
        }
        EXPECT_EQ(Stored(e.file, e.recordSize).size(), c.left);
    }
}

class UdfScreenTest : public UdfDataTest {
protected:
    void SetUp() override
    {
        UdfDataTest::SetUp();
        // Field 1 before the values, 2-13 the values, 14 after them.
        const char* pictures[14] = {"%-10s", "%-40s", "%-40s", "%-40s", "%-40s", "%-40s", "%-40s",
                                    "%12.2f", "%12.2f", "%12.2f", "%12.2f", "nn/nn/nnnn",
                                    "nn/nn/nnnn", "%-10s"};
        int n = 0;
        for (; n < 14; ++n) {
            const uint8_t number = static_cast<uint8_t>(n + 1);
            table_[n] = bwps::Field(number, number, 1, "%-40s");
            std::snprintf(table_[n].picture, sizeof table_[n].picture, "%s", pictures[n]);
        }
        table_[n] = ScreenField{};
        ASSERT_NE(FxFormLoad(&form_, table_, 1), 0);
    }
    ScreenField table_[16]{};
    FxForm form_{};
};

TEST_F(UdfScreenTest, ValuesGoToTwelveFieldsFromTheFirstAndBack)
{
    CBwUDFDCV object(No(FileNo::Customers));
    object.InitStruct("C1");
    TagUDFData& d = *object.GetData();
    for (int i = 0; i < 6; ++i)
        std::snprintf(d.texts[i], sizeof d.texts[i], "text %d", i + 1);
    d.amounts[0] = 1234.5;
    d.amounts[3] = -0.125;
    d.dates[0] = 20250304;
    FxFieldSet(&form_, 1, "before");
    FxFieldSet(&form_, 14, "after");
    object.StructToScreen(&form_, 2);

    struct Shown {
        int field;
        const char* text;
    } shown[] = {{1, "before"}, {2, "text 1"}, {7, "text 6"}, {8, "1234.50"}, {9, "0.00"},
                 {11, "-0.13"}, {12, "03/04/2025"}, {13, ""}, {14, "after"}};
    for (const Shown& s : shown)
        EXPECT_STREQ(FxFieldGet(&form_, s.field), s.text) << "field " << s.field;

    struct Typed {
        const char* what;
        int field;
        const char* text;
        std::function<void(const TagUDFData&)> check;
    } typed[] = {
        {"a text", 3, "typed", [](const TagUDFData& v) { EXPECT_STREQ(v.texts[1], "typed"); }},
        {"a long text is cut to 40", 4, "0123456789012345678901234567890123456789xyz",
         [](const TagUDFData& v) { EXPECT_EQ(std::string(v.texts[2]), "0123456789012345678901234567890123456789"); }},
        {"grouped amount", 8, "1,234.75", [](const TagUDFData& v) { EXPECT_EQ(+v.amounts[0], 1234.75); }},
        {"amount that is no number", 10, "abc", [](const TagUDFData& v) { EXPECT_EQ(+v.amounts[2], 0.0); }},
        {"a date", 13, "12/31/2024", [](const TagUDFData& v) { EXPECT_EQ(+v.dates[1], 20241231); }},
        {"a date that is none", 12, "13/45/2024", [](const TagUDFData& v) { EXPECT_EQ(+v.dates[0], 0); }},
    };
    for (const Typed& t : typed) {
        SCOPED_TRACE(t.what);
        object.StructToScreen(&form_, 2);
        FxFieldSet(&form_, t.field, t.text);
        object.ScreenToStruct(&form_, 2);
        t.check(*object.GetData());
        EXPECT_STREQ(object.GetCode(), "C1        ");
    }
}

}  // namespace
