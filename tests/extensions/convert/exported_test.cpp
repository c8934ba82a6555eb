// The exported converters one record at a time, the import templates and
// the register detail rebuild, each as a table of cases.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/records/sales.h"
#include "bwps/table.h"
#include "extensions/convert/convert.h"
#include "fx.h"
#include "recman.h"
#include "tests/extensions/company/fixture.h"

namespace fs = std::filesystem;
using bwps::FileNo;

namespace {

template <class T>
void Put(uint8_t* record, size_t at, T value)
{
    std::memcpy(record + at, &value, sizeof value);
}
template <class T>
T Get(const uint8_t* record, size_t at)
{
    T value;
    std::memcpy(&value, record + at, sizeof value);
    return value;
}
std::string Text(const uint8_t* record, size_t at) { return reinterpret_cast<const char*>(record + at); }

// ---- detail lines, 157 to 182 bytes ----

TEST(DetailLineLayout, FieldsMoveToTheirNewOffsets)
{
    uint8_t old[157] = {};
    std::memcpy(old, "INV1", 4);
    Put<int16_t>(old, 11, 3);
    Put<int16_t>(old, 13, 7);
    std::memcpy(old + 15, "EA", 2);
    old[21] = 'P';
    std::memcpy(old + 22, "PROD", 4);
    std::memcpy(old + 37, "Widget", 6);
    std::memcpy(old + 78, "W1", 2);
    for (int i = 0; i < 17; ++i) Put<int32_t>(old, 84 + 4 * i, 100 + i);
    Put<int16_t>(old, 152, 0x0102);
    old[154] = 'Y';
    old[155] = 1;
    old[156] = 'K';
    uint8_t line[182];
    std::memset(line, 0xEE, sizeof line);
    ASSERT_EQ(ConvertRecordLayout25(line, old), 1);

    EXPECT_EQ(Text(line, 0), "INV1");
    EXPECT_EQ(Get<int16_t>(line, 11), 3);
    EXPECT_EQ(Get<int16_t>(line, 13), 7);
    EXPECT_EQ(Text(line, 15), "EA");
    EXPECT_EQ(line[21], 'P');
    EXPECT_EQ(Text(line, 22), "PROD");
    EXPECT_EQ(Text(line, 37), "Widget");
    EXPECT_EQ(Text(line, 78), "W1");
    for (int i = 0; i < 17; ++i) EXPECT_EQ(Get<int32_t>(line, 84 + 4 * i), 100 + i) << i;
    // price and cost again after the seventeen values
    EXPECT_EQ(Get<int32_t>(line, 152), 103);
    EXPECT_EQ(Get<int32_t>(line, 156), 104);
    EXPECT_EQ(Get<int32_t>(line, 160), 0);
    EXPECT_EQ(Get<int32_t>(line, 164), 0);
    EXPECT_EQ(Get<int16_t>(line, 168), 0x0102);
    EXPECT_EQ(line[170], 'Y');
    EXPECT_EQ(line[171], 'Y');
    EXPECT_EQ(line[172], 'K');
    EXPECT_EQ(Get<int32_t>(line, 173), -1);
    EXPECT_EQ(Get<int32_t>(line, 177), -1);

    old[155] = 0;
    ConvertRecordLayout25(line, old);
    EXPECT_EQ(line[171], 'N');
}

// ---- open invoices, 106 to 123 bytes ----

TEST(OpenInvoiceLayout, TheKindFollowsTheTypeLetter)
{
    const std::pair<char, char> rows[] = {{'C', '3'}, {'D', '2'}, {'F', '5'}, {'P', '4'}, {'I', '1'}, {0, '1'}};
    for (const auto& [type, kind] : rows) {
        uint8_t old[106] = {};
        std::memcpy(old, "CUST1", 5);
        std::memcpy(old + 11, "INV9", 4);
        std::memcpy(old + 35, "Memo", 4);
        old[46] = static_cast<uint8_t>(type);
        old[47] = 'O';
        Put<int32_t>(old, 86, 1234);
        uint8_t record[123];
        ConvertRecordLayout22(record, old);
        EXPECT_EQ(record[39], static_cast<uint8_t>(type)) << type;
        EXPECT_EQ(record[40], 'O');
        EXPECT_EQ(record[41], static_cast<uint8_t>(kind)) << type;
        EXPECT_EQ(Text(record, 11), "INV9");
        EXPECT_EQ(Text(record, 28), "Memo");
        EXPECT_EQ(Get<int32_t>(record, 82), 1234);
        EXPECT_EQ(Get<int32_t>(record, 42), 0);
    }
}

// ---- the name-and-address block ----

TEST(AddressBlockLayout, ContactsMoveAndTheSecondOnlyWithTheFullLayout)
{
    uint8_t old[316] = {};
    const std::pair<int, const char*> same[] = {{0, "Name"},     {41, "Line 1"}, {164, "City"},
                                                {205, "State"},  {221, "ST"},    {225, "12345"},
                                                {236, "Country"}, {252, "555-1"}, {268, "555-2"}};
    for (const auto& [at, text] : same) std::memcpy(old + at, text, std::strlen(text));
    std::memcpy(old + 284, "First", 5);
    std::memcpy(old + 300, "Second", 6);
    uint8_t block[357];
    ConvertRecordLayout23(block, old);
    for (const auto& [at, text] : same) EXPECT_EQ(Text(block, at), text) << at;
    EXPECT_EQ(Text(block, 325), "First");
    EXPECT_EQ(Text(block, 341), "Second");
    uint8_t shorter[357] = {};
    ConvertRecordLayout24(shorter, old);
    EXPECT_EQ(Text(shorter, 325), "First");
    EXPECT_EQ(Text(shorter, 341), "");
}

// ---- import templates ----

class TemplateTest : public companytest::CompanyTest {
protected:
    void SetUp() override
    {
        CompanyTest::SetUp();
        FxUseScriptDriver();
        folder_ = Folder("store");
        Start("");
        ASSERT_TRUE(Create("Store", folder_));
        Start(folder_);
    }
    void Write(const std::string& name, const std::string& text) { std::ofstream(folder_ + "/" + name) << text; }
    std::string Read(const std::string& name)
    {
        std::ifstream in(folder_ + "/" + name);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string folder_;
};

TEST_F(TemplateTest, TemplatesAreRenumberedOrKeptWithTheirReason)
{
    // the templates a new company gets go first: a folder without any
    std::vector<fs::path> shipped;
    for (const auto& e : fs::directory_iterator(folder_)) {
        std::string ext = e.path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (ext == ".IPT") shipped.push_back(e.path());
    }
    for (const auto& p : shipped) fs::remove(p);
    EXPECT_EQ(ConvertImportTemplates(9), 0);

    struct Row {
        const char* name;
        std::string text;
        int release;
        std::string expected;  // the file afterwards
    };
    const std::string big = "19:" + std::string(4100, '1') + ".";
    std::string many = "19:";
    for (int i = 0; i < 101; ++i) many += (i ? "," : "") + std::string("1");
    many += ".";
    // a converted template carries the mark after its end
    const std::string mark = "\r\n;converted for data-version 16\r\n";
    const Row rows[] = {
        {"A.IPT", "19:15,16.", 9, "10:11,2." + mark},
        {"B.IPT", "47:3,9.", 8, "47:3,9." + mark},
        {"C.IPT", "38:1,3,99.", 9, "20:1,0,0." + mark},
        {"D.IPT", "19:-2,1.", 9, "10:-2,1." + mark},
        {"E.IPT", "41:25,13.anything after the end", 9, "21:4,14." + mark},
        {"F.IPT", "19:14,22.", 8, "19:0,0." + mark},
        {"G.IPT", "55:1,2.", 9, "0:0,0." + mark},
        {"BIG.IPT", big, 9, big},
        {"BAD.IPT", "19:1,x.", 9, "19:1,x."},
        {"MANY.IPT", many, 9, many},
    };
    for (const Row& r : rows) Write(r.name, r.text);
    FxTranscriptClear();
    EXPECT_EQ(ConvertImportTemplates(9), -1);
    // release 8 keeps its own numbering: run its two again on their own
    for (const Row& r : rows) {
        if (r.release != 8) continue;
        Write(r.name, r.text);
    }
    for (const Row& r : rows) {
        if (r.release == 8) continue;
        EXPECT_EQ(Read(r.name), r.expected) << r.name;
    }
    for (const Row& r : rows) {
        if (r.release == 9) fs::rename(folder_ + "/" + r.name, folder_ + "/" + std::string(r.name) + ".done");
    }
    EXPECT_EQ(ConvertImportTemplates(8), -1);
    for (const Row& r : rows) {
        if (r.release == 8) {
            EXPECT_EQ(Read(r.name), r.expected) << r.name;
        }
    }
    EXPECT_TRUE(Saw("larger than 4095 bytes")) << Transcript();
    EXPECT_TRUE(Saw("BIG.IPT")) << Transcript();
    EXPECT_TRUE(Saw("BAD.IPT")) << Transcript();
    EXPECT_TRUE(Saw("MANY.IPT")) << Transcript();
    for (const auto& e : fs::directory_iterator(folder_)) EXPECT_NE(e.path().extension(), ".I60") << e.path();
}

// A converted template is never renumbered again: a second run changes
// nothing, and neither does a run after one cut short while it was putting
// the converted templates back under their names.
TEST_F(TemplateTest, ASecondRunOrARunAfterACutOneChangesNothing)
{
    const std::pair<const char*, const char*> templates[] = {
        {"A.IPT", "19:15,16."}, {"B.IPT", "38:1,4,16."}, {"C.IPT", "41:25,13."}};
    for (const auto& [name, text] : templates) Write(name, text);
    ASSERT_EQ(ConvertImportTemplates(9), -1);
    std::vector<std::string> converted;
    for (const auto& [name, text] : templates) {
        converted.push_back(Read(name));
        ASSERT_NE(converted.back(), text) << name;
    }
    ASSERT_EQ(converted[0].rfind("10:11,2.", 0), 0u) << converted[0];

    struct Case {
        const char* what;
        std::vector<const char*> leftAsI60;  // converted but not yet renamed back
    };
    const Case cases[] = {{"a second run", {}}, {"a run cut during the renames", {"B.IPT", "C.IPT"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* name : c.leftAsI60) {
            const std::string base = std::string(name).substr(0, std::strlen(name) - 4);
            fs::rename(folder_ + "/" + name, folder_ + "/" + base + ".I60");
        }
        ConvertImportTemplates(9);
        size_t i = 0;
        for (const auto& [name, text] : templates) EXPECT_EQ(Read(name), converted[i++]) << name;
        for (const auto& e : fs::directory_iterator(folder_)) EXPECT_NE(e.path().extension(), ".I60") << e.path();
    }
}

// ---- the exported file converters ----

// A data file of the record length given, keyed by its first bytes.
uint16_t MakeFile(const std::string& path, int recordLength, int keyLength)
{
    uint8_t spec[16] = {};
    const uint16_t length = static_cast<uint16_t>(recordLength), page = 4096;
    std::memcpy(spec, &length, 2);
    std::memcpy(spec + 2, &page, 2);
    spec[4] = 1;
    uint8_t segment[16] = {};
    const uint16_t position = 1, size = static_cast<uint16_t>(keyLength);
    std::memcpy(segment, &position, 2);
    std::memcpy(segment + 2, &size, 2);
    fs::remove(path);
    uint16_t handle = 0;
    if (BtrCreateFile(path.c_str(), spec, segment) != 0 || BtrOpenFile(&handle, path.c_str(), 0, 0) != 0) return 0;
    return handle;
}

struct Bytes {
    size_t at;
    std::string bytes;
};

struct ConverterCase {
    const char* what;
    int (*convert)(uint16_t, uint16_t);
    int oldLength, newLength, keyLength;
    std::vector<Bytes> old;       // put into the old record (zeros elsewhere)
    std::vector<Bytes> expected;  // found in the new record
};

std::string Amount(double value) { return std::string(reinterpret_cast<const char*>(&value), sizeof value); }
std::string Long(int32_t value) { return std::string(reinterpret_cast<const char*>(&value), sizeof value); }

using ConverterTest = TemplateTest;

TEST_F(ConverterTest, EachFileConverterPutsTheOldFieldsWhereTheNewLayoutHasThem)
{
    const ConverterCase cases[] = {
        {"20 accounts: kind and level change places, whole cents become amounts", ConvertFileRecords20, 562, 569,
         11,
         {{0, "1100"}, {22, "Cash on hand"}, {75, "\x02"}, {86, "A"}, {78, Long(123456)}, {82, Long(-250)},
          {458, "N"}},
         {{0, "1100"}, {22, "Cash on hand"}, {75, "A"}, {76, "\x02"}, {136, Amount(1234.56)}, {144, Amount(-2.5)},
          {464, "N"}}},
        {"21 codes: every field where it was", ConvertFileRecords21, 40, 40, 15,
         {{0, "TAXA"}, {15, "\x07"}, {17, "Sales tax"}, {32, "12345678"}},
         {{0, "TAXA"}, {15, "\x07"}, {17, "Sales tax"}, {32, "12345678"}}},
        {"26 billing codes: the flags and the rate move on", ConvertFileRecords26, 78, 89, 6,
         {{0, "SHIP"}, {6, "Shipping"}, {47, "4100"}, {64, "Y"}, {65, "NY"}, {70, Amount(7.5)}},
         {{0, "SHIP"}, {6, "Shipping"}, {47, "4100"}, {70, "Y"}, {71, "NY"}, {73, Amount(7.5)}}},
        {"27 customers: codes first, the address block after them, two new flags", ConvertFileRecords27, 632, 795,
         11,
         {{0, "C100"}, {11, "Corner Deli"}, {11 + 164, "Springfield"}, {11 + 284, "Ann"}, {11 + 300, "Bob"},
          {341, "NET30"}, {359, "1200"}, {400, "YNY"}, {592, "last remark"}},
         {{0, "C100"}, {350, "Corner Deli"}, {350 + 164, "Springfield"}, {350 + 325, "Ann"}, {350 + 341, "Bob"},
          {11, "NET30"}, {29, "1200"}, {117, "YNY"}, {120, "NR"}, {310, "last remark"}}},
        {"28 addresses: the block keeps its place, its contacts move", ConvertFileRecords28, 360, 401, 11,
         {{0, "C100"}, {12, "WAREHOUSE"}, {44, "Back door"}, {44 + 284, "Ann"}, {44 + 300, "Bob"}},
         {{0, "C100"}, {12, "WAREHOUSE"}, {44, "Back door"}, {44 + 325, "Ann"}, {44 + 341, "Bob"}}},
    };
    for (const ConverterCase& c : cases) {
        SCOPED_TRACE(c.what);
        const uint16_t oldFile = MakeFile(folder_ + "/OLD.DB", c.oldLength, c.keyLength);
        const uint16_t newFile = MakeFile(folder_ + "/NEW.DB", c.newLength, c.keyLength);
        ASSERT_NE(oldFile, 0);
        ASSERT_NE(newFile, 0);
        std::vector<uint8_t> old(static_cast<size_t>(c.oldLength), 0);
        for (const Bytes& b : c.old) std::memcpy(old.data() + b.at, b.bytes.data(), b.bytes.size());
        ASSERT_EQ(BtrWrite(B_INSERT, oldFile, nullptr, old.data(), c.oldLength), 0);
        EXPECT_EQ(c.convert(newFile, oldFile), 0);
        std::vector<uint8_t> record(static_cast<size_t>(c.newLength), 0xEE);
        uint8_t key[256] = {};
        ASSERT_EQ(BtrGet(B_GET_FIRST, newFile, key, record.data(), c.newLength), 0);
        EXPECT_EQ(BtrCall218(newFile), c.newLength);
        for (const Bytes& b : c.expected)
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(record.data() + b.at), b.bytes.size()), b.bytes)
                << "at " << b.at;
        EXPECT_EQ(BtrGet(B_GET_NEXT, newFile, key, record.data(), c.newLength), B_END_OF_FILE);
        BtrCloseFile(oldFile);
        BtrCloseFile(newFile);
    }
}

// Ordinal 31: the note-file name of each listed record goes into its
// master record with the extension of the file; a listed code without a
// master record is passed over.
TEST_F(ConverterTest, NoteNamesOfTheListGoIntoTheMasterRecords)
{
    struct Case {
        const char* what;
        int type, masterLength, keyLength;
        size_t noteAt;
        const char* name;
    };
    const Case cases[] = {
        {"customers", 10, 795, 11, 101, "DELI.CST"},
        {"products", 20, 668, 15, 246, "BOLTS.PRD"},
        {"services", 21, 196, 15, 73, "REPAIR.SRV"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const uint16_t master = MakeFile(folder_ + "/MASTER.DB", c.masterLength, c.keyLength);
        const uint16_t list = MakeFile(folder_ + "/LIST.DB", 40, c.keyLength);
        ASSERT_NE(master, 0);
        ASSERT_NE(list, 0);
        std::vector<uint8_t> record(static_cast<size_t>(c.masterLength), 0);
        std::memcpy(record.data(), "K1", 2);
        std::memcpy(record.data() + c.noteAt + 16, "kept", 4);  // the field after the name
        ASSERT_EQ(BtrWrite(B_INSERT, master, nullptr, record.data(), c.masterLength), 0);
        const std::string base = std::string(c.name).substr(0, std::string(c.name).find('.'));
        for (const char* code : {"K0", "K1"}) {
            std::vector<uint8_t> entry(40, 0);
            std::memcpy(entry.data(), code, 2);
            std::memset(entry.data() + 15, ' ', 16);
            std::memcpy(entry.data() + 15, base.data(), base.size());
            ASSERT_EQ(BtrWrite(B_INSERT, list, nullptr, entry.data(), 40), 0);
        }
        EXPECT_EQ(ConvertImportTemplateFields(nullptr, master, list, c.type), 0);
        uint8_t key[256] = {};
        ASSERT_EQ(BtrGet(B_GET_FIRST, master, key, record.data(), c.masterLength), 0);
        EXPECT_EQ(Text(record.data(), c.noteAt), c.name);
        EXPECT_EQ(Text(record.data(), c.noteAt + 16), "kept");
        EXPECT_EQ(BtrGet(B_GET_NEXT, master, key, record.data(), c.masterLength), B_END_OF_FILE);
        BtrCloseFile(master);
        BtrCloseFile(list);
    }
    EXPECT_EQ(ConvertImportTemplateFields(nullptr, 0, 0, 23), B_INVALID_OPERATION);
}

// ---- register detail files ----

class RegisterRebuildTest : public TemplateTest {
protected:
    void AddRegister(const char* name)
    {
        RegisterRecord r{};
        std::memset(r.Name, ' ', sizeof r.Name);
        std::memcpy(r.Name, name, std::strlen(name));
        bwps::Table t;
        ASSERT_TRUE(t.Open(FileNo::Registers).Ok());
        bwps::KeyBuffer key;
        ASSERT_TRUE(t.Insert(r, &key).Ok());
    }
    void AddHeader(const char* invoice, int16_t registerNumber, uint16_t flags)
    {
        TagSalesHdr h{};
        std::memcpy(h.InvoiceNo, invoice, std::strlen(invoice));
        h.RegisterNumber = registerNumber;
        h.Flags = flags;
        h.FirstLineOffset = -7;
        bwps::Table t;
        ASSERT_TRUE(t.Open(FileNo::SalesHeader).Ok());
        bwps::KeyBuffer key;
        ASSERT_TRUE(t.Insert(h, &key).Ok());
    }
    int32_t Position(const char* invoice)
    {
        bwps::Table t;
        EXPECT_TRUE(t.Open(FileNo::SalesHeader).Ok());
        char key[11] = {};
        std::memcpy(key, invoice, std::strlen(invoice));
        TagSalesHdr h{};
        EXPECT_TRUE(t.Find(key, h).Ok()) << invoice;
        return h.FirstLineOffset;
    }
    std::string Line(const char* invoice, int16_t number, bool serials)
    {
        std::string line(157, '\0');
        std::memcpy(line.data(), invoice, std::strlen(invoice));
        std::memcpy(line.data() + 11, &number, 2);
        std::memcpy(line.data() + 22, "PROD", 4);
        line[155] = serials ? 1 : 0;
        return line;
    }
};

TEST_F(RegisterRebuildTest, LinesAreWidenedAndEachHeaderPointsAtItsFirstLine)
{
    AddRegister("REG1");
    AddRegister("REG2");  // no detail file: passed over
    AddHeader("INV1", 1, 0);
    AddHeader("INV2", 1, 0x2);  // left alone
    AddHeader("INV3", 2, 0);    // another register's
    ASSERT_FALSE(HasFatalFailure());
    Write("REG1.db", Line("INV0", 1, false) + Line("INV1", 1, false) + Line("INV1", 2, false) +
                         Line("INV2", 1, false) + Line("INV3", 1, false));

    EXPECT_EQ(RebuildFileThroughTemp(0, 9), 1);
    const std::string rebuilt = Read("REG1.db");
    ASSERT_EQ(rebuilt.size(), 5u * 182);
    const auto* bytes = reinterpret_cast<const uint8_t*>(rebuilt.data());
    EXPECT_EQ(Text(bytes + 182, 0), "INV1");
    EXPECT_EQ(Get<int16_t>(bytes + 2 * 182, 11), 2);
    EXPECT_EQ(bytes[182 + 171], 'N');
    // the first of the invoice's two lines
    EXPECT_EQ(Position("INV1"), 182);
    EXPECT_EQ(Position("INV2"), -7);
    EXPECT_EQ(Position("INV3"), -7);
    EXPECT_FALSE(fs::exists(folder_ + "/TEMPXXX"));
    EXPECT_FALSE(fs::exists(folder_ + "/REG2.db"));
}

// A line whose serial numbers cannot be carried over (here: the older
// serial file is not there) stops the rebuild; the register keeps its
// older file whole.
TEST_F(RegisterRebuildTest, AFailedRebuildLeavesTheOlderFileWhole)
{
    AddRegister("REG1");
    ASSERT_FALSE(HasFatalFailure());
    const std::string older = Line("INV1", 1, false) + Line("INV1", 2, true);
    Write("REG1.db", older);
    std::ofstream(folder_ + "/TEMPXXX") << std::string(5000, 'x');  // left by an earlier run
    EXPECT_EQ(RebuildFileThroughTemp(0, 9), 0);
    EXPECT_EQ(Read("REG1.db"), older);
    // a leftover temporary file never mixes into a rebuilt one
    Write("REG1.db", Line("INV1", 1, false));
    std::ofstream(folder_ + "/TEMPXXX") << std::string(5000, 'x');
    EXPECT_EQ(RebuildFileThroughTemp(0, 9), 1);
    EXPECT_EQ(Read("REG1.db").size(), 182u);
}

}  // namespace

namespace {

// An older serial record (65 bytes): invoice, line, serial, product,
// customer, date and the status byte whose bit 0x80 marks a record carried
// over.
std::string OlderSerial(const char* invoice, int16_t line, const char* serial, uint8_t status)
{
    std::string r(65, '\0');
    std::memcpy(r.data(), invoice, std::strlen(invoice));
    std::memcpy(r.data() + 11, &line, 2);
    std::memcpy(r.data() + 13, serial, std::strlen(serial));
    std::memcpy(r.data() + 28, "PROD", 4);
    std::memcpy(r.data() + 49, "CUST1", 5);
    const int32_t date = 20240105;
    std::memcpy(r.data() + 60, &date, 4);
    r[64] = static_cast<char>(status);
    return r;
}

class SerialCarryTest : public RegisterRebuildTest {
protected:
    void WriteOlderSerials(const std::vector<std::string>& records)
    {
        const std::string path = GetRelease1FilePath(bwps::No(FileNo::SerialNumbers));
        uint8_t spec[16] = {};
        const uint16_t length = 65, page = 4096;
        std::memcpy(spec, &length, 2);
        std::memcpy(spec + 2, &page, 2);
        spec[4] = 1;
        uint8_t key[32] = {};
        const uint16_t position = 1, width = 13, flags = KF_DUPLICATES;
        std::memcpy(key, &position, 2);
        std::memcpy(key + 2, &width, 2);
        std::memcpy(key + 4, &flags, 2);
        ASSERT_EQ(BtrCreateFile(path.c_str(), spec, key), 0) << path;
        uint16_t handle = 0;
        ASSERT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0);
        for (std::string r : records) {
            char k[256] = {};
            ASSERT_EQ(BtrWrite(B_INSERT, handle, k, r.data(), 65), 0);
        }
        BtrCloseFile(handle);
    }
    std::vector<std::string> Movements()
    {
        std::vector<std::string> out;
        bwps::Table t;
        EXPECT_TRUE(t.Open(FileNo::SerialDetail).Ok());
        char r[69];
        char key[256] = {};
        for (int s = BtrGet(B_STEP_FIRST, t.Handle(), key, r, 69); s == 0;
             s = BtrGet(B_STEP_NEXT, t.Handle(), key, r, 69))
            out.emplace_back(r, 69);
        return out;
    }
};

// The serial numbers sold on a line become movements of that sale; the
// rest become movements of their own; a record already carried over, and
// any pass run again, makes no second movement.
TEST_F(SerialCarryTest, SerialNumbersBecomeMovementsOnce)
{
    AddRegister("REG1");
    AddHeader("INV1", 1, 0);
    ASSERT_FALSE(HasFatalFailure());
    WriteOlderSerials({OlderSerial("INV1", 1, "SN-A", 0), OlderSerial("INV1", 1, "SN-B", 1),
                       OlderSerial("INV1", 1, "SN-C", 0x80), OlderSerial("INV1", 2, "SN-D", 0)});
    ASSERT_FALSE(HasFatalFailure());
    Write("REG1.db", Line("INV1", 1, true));
    ASSERT_EQ(RebuildFileThroughTemp(0, 9), 1) << Transcript();
    auto movements = Movements();
    ASSERT_EQ(movements.size(), 2u);
    struct Expected {
        const char* serial;
        char kind;
        char availability;
    };
    const Expected expected[] = {{"SN-A", 'I', 'R'}, {"SN-B", 'R', 'A'}};
    for (size_t i = 0; i < 2; ++i) {
        const auto* m = reinterpret_cast<const uint8_t*>(movements[i].data());
        EXPECT_EQ(Text(m, 0), expected[i].serial);
        EXPECT_EQ(Text(m, 15), "PROD");
        EXPECT_EQ(m[36], 'B');
        EXPECT_EQ(m[37], expected[i].kind) << expected[i].serial;
        EXPECT_EQ(Text(m, 38), "INV1");
        EXPECT_EQ(Text(m, 49), "CUST1");
        EXPECT_EQ(m[60], expected[i].availability) << expected[i].serial;
        EXPECT_EQ(Get<int32_t>(m, 61), 20240105);
    }
    // the one on no line of a register
    EXPECT_EQ(CopyDataFileToNewLayout35(nullptr, 9, 0), 1);
    movements = Movements();
    ASSERT_EQ(movements.size(), 3u);
    EXPECT_EQ(Text(reinterpret_cast<const uint8_t*>(movements[2].data()), 0), "SN-D");
    // again: nothing more
    uint8_t line[182] = {};
    std::memcpy(line, "INV1", 4);
    const int16_t one = 1;
    std::memcpy(line + 11, &one, 2);
    line[171] = 'Y';
    EXPECT_EQ(CopyDataFileToNewLayout34(line, 9), 1);
    EXPECT_EQ(CopyDataFileToNewLayout35(nullptr, 9, 0), 1);
    EXPECT_EQ(Movements().size(), 3u);
    // with the delete flag the older file goes
    EXPECT_EQ(CopyDataFileToNewLayout35(nullptr, 9, 1), 1);
    EXPECT_FALSE(fs::exists(GetRelease1FilePath(bwps::No(FileNo::SerialNumbers))));
}

}  // namespace

namespace {

// A data file of its own in a folder: the given record length, one key on
// the first `keyLength` bytes, variable length when asked.
uint16_t MakeFile(const std::string& path, int length, int keyLength, bool variable)
{
    uint8_t spec[16] = {};
    const uint16_t recordLength = static_cast<uint16_t>(length), page = 4096;
    std::memcpy(spec, &recordLength, 2);
    std::memcpy(spec + 2, &page, 2);
    spec[4] = 1;
    const uint16_t flags = variable ? FF_VARIABLE : 0;
    std::memcpy(spec + 10, &flags, 2);
    uint8_t key[32] = {};
    const uint16_t position = 1, width = static_cast<uint16_t>(keyLength), keyFlags = KF_MODIFIABLE;
    std::memcpy(key, &position, 2);
    std::memcpy(key + 2, &width, 2);
    std::memcpy(key + 4, &keyFlags, 2);
    EXPECT_EQ(BtrCreateFile(path.c_str(), spec, key), 0) << path;
    uint16_t handle = 0;
    EXPECT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0) << path;
    return handle;
}

void Insert(uint16_t handle, std::string record)
{
    char key[256] = {};
    ASSERT_EQ(BtrWrite(B_INSERT, handle, key, record.data(), static_cast<int>(record.size())), 0);
}

std::string Setting(const char* name, size_t length)
{
    std::string r(length, '\0');
    std::memcpy(r.data(), name, std::strlen(name));
    std::memset(r.data() + std::strlen(name), ' ', 15 - std::strlen(name));
    return r;
}

std::string SettingOf(uint16_t handle, const char* name)
{
    char key[256] = {};
    std::memcpy(key, Setting(name, 16).data(), 16);
    std::string r(4096, '\0');
    if (BtrGet(B_GET_EQUAL, handle, key, r.data(), 4096) != 0) return "";
    r.resize(static_cast<size_t>(BtrCall218(handle)));
    return r;
}

class SystemRecordsTest : public TemplateTest {};

TEST_F(SystemRecordsTest, TheOlderSettingsRecordsAreRebuiltInTheNewGeneralFile)
{
    const uint16_t old = MakeFile(Folder("old.db"), 16, 16, true);
    const uint16_t fresh = MakeFile(Folder("new.db"), 16, 16, true);
    std::string company = Setting("0Company", 394);
    std::memcpy(company.data() + 16, "Old Co", 6);
    std::memcpy(company.data() + 47, "Old Co Ltd", 10);
    std::memcpy(company.data() + 78, "Block Name", 10);
    std::memcpy(company.data() + 78 + 284, "Contact", 7);
    Insert(old, company);
    std::string sys = Setting("0sysinterface", 431);
    std::memcpy(sys.data() + 98, "/acc", 4);
    sys[430] = 'N';
    sys[71] = 'x';
    Insert(old, sys);
    Insert(old, Setting("0Passwords", 122));
    std::string product = Setting("0proddefaults", 85);
    product[23] = 1;
    std::memcpy(product.data() + 49, "LVL1", 4);
    Insert(old, product);
    std::string customer = Setting("0custdefaults", 116);
    std::memcpy(customer.data() + 82, "NET30", 5);
    std::memcpy(customer.data() + 105, "1200", 4);
    Insert(old, customer);
    Insert(old, Setting("0lastnumbers", 44));
    Insert(old, Setting("0currentyear", 20));
    Insert(old, Setting("0Banners", 344));
    ASSERT_FALSE(HasFatalFailure());

    FxTranscriptClear();
    EXPECT_EQ(ConvertSystemRecords(old, fresh), 1);
    EXPECT_FALSE(Saw("Btrieve Error")) << Transcript();

    const std::string c = SettingOf(fresh, "0Company");
    ASSERT_EQ(c.size(), 818u);
    EXPECT_STREQ(c.data() + 393, "Old Co");
    EXPECT_STREQ(c.data() + 424, "Old Co Ltd");
    EXPECT_STREQ(c.data() + 16, "Block Name");
    EXPECT_STREQ(c.data() + 341, "Contact");
    const std::string s = SettingOf(fresh, "0sysinterface");
    ASSERT_EQ(s.size(), 477u);
    EXPECT_STREQ(s.data() + 108, "/acc");
    EXPECT_EQ(s[81], 'x');
    EXPECT_EQ(std::string(s.data() + 71, 10), std::string("Y\0N\0N\0N\0Y\0", 10));
    EXPECT_EQ(s[47], 1);
    EXPECT_EQ(s[445], 1);
    EXPECT_EQ(s[441], 'N');
    EXPECT_EQ(s[440], 'N');
    const std::string l = SettingOf(fresh, "0LookUps");
    ASSERT_EQ(l.size(), 76u);
    EXPECT_EQ(l[43], 'C');  // byte 440 is "N"
    EXPECT_EQ(l[17], 'C');  // the value at 43 is not "N"
    const std::string d = SettingOf(fresh, "0Defaults");
    ASSERT_EQ(d.size(), 1479u);
    EXPECT_EQ(d[811 + 266], 'Y');
    EXPECT_STREQ(d.data() + 811 + 210, "LVL1");
    EXPECT_STREQ(d.data() + 16 + 11, "NET30");
    EXPECT_STREQ(d.data() + 16 + 29, "1200");
    EXPECT_EQ(SettingOf(fresh, "0lastnumbers").size(), 60u);
    EXPECT_EQ(SettingOf(fresh, "0Passwords").size(), 122u);
    EXPECT_EQ(SettingOf(fresh, "0Banners").size(), 344u);
    const std::string stamp = SettingOf(fresh, "0BwFilesVersion");
    ASSERT_EQ(stamp.size(), 18u);
    EXPECT_EQ(stamp[16], 14);
    BtrCloseFile(old);
    BtrCloseFile(fresh);
}

// Open invoices of the older file: only paid, fully paid and open ones
// (byte 47 "P", "F", "O") are taken, numbered from 1.
TEST_F(SystemRecordsTest, OnlyPaidAndOpenInvoicesAreTakenAndNumbered)
{
    const uint16_t old = MakeFile(Folder("oldinv.db"), 106, 22, false);
    const uint16_t fresh = MakeFile(Folder("newinv.db"), 123, 22, false);
    const std::pair<const char*, char> rows[] = {{"I1", 'P'}, {"I2", 'X'}, {"I3", 'O'}, {"I4", 'F'}, {"I5", 0}};
    for (const auto& [invoice, state] : rows) {
        std::string r(106, '\0');
        std::memcpy(r.data() + 11, invoice, 2);
        r[47] = state;
        Insert(old, r);
    }
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(ConvertFileRecords32(fresh, old), 0);
    std::vector<std::pair<std::string, int32_t>> taken;
    char key[256] = {};
    char r[123];
    for (int st = BtrGet(B_STEP_FIRST, fresh, key, r, 123); st == 0; st = BtrGet(B_STEP_NEXT, fresh, key, r, 123))
        taken.emplace_back(r + 11, Get<int32_t>(reinterpret_cast<uint8_t*>(r), 42));
    const std::vector<std::pair<std::string, int32_t>> expected = {{"I1", 1}, {"I3", 2}, {"I4", 3}};
    EXPECT_EQ(taken, expected);
    BtrCloseFile(old);
    BtrCloseFile(fresh);
}

}  // namespace
