// Tenders, the assembly posting, data-file helpers, the card-interface
// record and the tax-code check.
#include "bwps/files.h"
#include "bwps/pos_services.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "bwps/ordinals.h"
#include "bwps/products.h"
#include "bwps/table.h"
#include "posting/pos_internal.h"
#include "tests/posting/registers/company.h"

namespace {

using regtest::Put;

#pragma pack(push, 1)
struct LedgerLine {
    char Journal[7];
    char Number[11];
    uint16_t Line;
    char Account[11];
    char Description[25];
    char Side;
    double Amount;
    int32_t Date;
    uint8_t Rest[15];
};
#pragma pack(pop)
static_assert(sizeof(LedgerLine) == 84);

class PosServicesTest : public regtest::CompanyTest {
protected:
    void SetUp() override
    {
        regtest::CompanyTest::SetUp();
        if (HasFatalFailure())
            return;
        bwps::posting::ResetCardInterfaceState();
        TagLastNumbers numbers{};
        std::memcpy(numbers.Key, GENERAL_KEY_LASTNUMBERS, 16);
        PutSettings(&numbers, sizeof numbers);
        GetSysInterfaceRecord()->ProductActivity = 'Y';
    }

    static TagProduct Product(const char* code, double quantity, double value)
    {
        TagProduct p;
        InitProductRecord(&p);
        Put(p.Code, code);
        p.Kind = 1;
        p.Amounts[PRODUCT_QUANTITY] = quantity;
        p.Amounts[PRODUCT_SECOND_QUANTITY] = quantity;
        p.Amounts[PRODUCT_VALUE] = value;
        return p;
    }
    static TagAssemblyLine Line(const char* number, int16_t n, const char* item, double quantity,
                                double cost, char flag = 'N', double second = 0)
    {
        TagAssemblyLine l;
        std::memset(&l, 0, sizeof l);
        Put(l.Number, number);
        std::memcpy(&l.Number[11], &n, 2);
        Put(l.ItemCode, item);
        l.Flag = flag;
        l.Kind = 'A';
        l.Quantity = quantity;
        l.SecondQuantity = second;
        l.Cost = cost;
        return l;
    }
    static TagAssemblyHeader Header(const char* number, double built, double cost)
    {
        TagAssemblyHeader h;
        std::memset(&h, 0, sizeof h);
        Put(h.Number, number);
        Put(h.Description, "KIT");
        h.Date = 20260301;
        h.Posted = 'N';
        h.QuantityBuilt = built;
        h.Cost = cost;
        h.Kind = 'A';
        return h;
    }
    TagProduct Stored(const char* code)
    {
        for (const TagProduct& p : All<TagProduct>(20))
            if (std::strcmp(p.Code, code) == 0)
                return p;
        ADD_FAILURE() << "no product " << code;
        return TagProduct{};
    }
    void Stock()
    {
        Insert(20, Product("P1", 10, 100));
        Insert(20, Product("P2", 5, 50));
        Insert(20, Product("KIT1", 0, 0));
        struct {
            char bytes[196];
        } service = {};
        std::strcpy(service.bytes, "LABOUR");
        Insert(21, service);
    }
};

TEST_F(PosServicesTest, TenderReadAndDefaultTender)
{
    TagTender cash;
    std::memset(&cash, 0, sizeof cash);
    Put(cash.Code, "CASH");
    Put(cash.Account, "11021");
    cash.Type = 'C';
    Insert(33, cash);
    TagTender read;
    EXPECT_TRUE(ReadTenderRecord("CASH", &read));
    EXPECT_STREQ(read.Account, "11021");
    EXPECT_FALSE(ReadTenderRecord("VISA", &read));

    char* sys = reinterpret_cast<char*>(GetSysInterfaceRecord());
    struct Case {
        const char* tender;
        bool ok;
    } cases[] = {{"", true}, {"CASH", true}, {"NOPE", false}};
    for (const Case& c : cases) {
        std::memset(sys + 85, 0, 11);
        std::memcpy(sys + 85, c.tender, std::strlen(c.tender));
        FxTranscriptClear();
        EXPECT_EQ(CheckDefaultTender() != 0, c.ok) << c.tender;
        EXPECT_EQ(TranscriptHas("default tender"), !c.ok) << c.tender;
    }
}

// Components off, the built product up, activity and a balanced summary
// entry, all inside one write batch.
TEST_F(PosServicesTest, AssemblyPostingMovesStockAndBalances)
{
    Stock();
    for (const TagAssemblyLine& l :
         {Line("AS1", 1, "P1", 4, 40), Line("AS1", 2, "P2", 2, 20), Line("AS1", 3, "LABOUR", 1, 15)})
        Insert(5, l);
    Insert(5, Line("AS2", 1, "P1", 1, 10));
    TagAssemblyHeader header = Header("AS1", 2, 75);
    Insert(6, header);
    TagAssemblyHeader read;
    ASSERT_TRUE(ReadAssemblyHeader(-1, &read, "AS1"));
    EXPECT_FALSE(ReadAssemblyHeader(-1, &read, "AS9"));

    uint16_t lines = Open(bwps::No(bwps::FileNo::AssemblyDetail)), products = Open(bwps::No(bwps::FileNo::Products)), services = Open(bwps::No(bwps::FileNo::Services)), accounts = Open(bwps::No(bwps::FileNo::Accounts)),
             ledger = Open(bwps::No(bwps::FileNo::LedgerDetail));
    TagInterfaceRecord iface{};
    Put(iface.Accounts[3], "13000");
    Put(iface.Accounts[11], "51000");
    uint8_t block[275];
    int checked = 0;
    ASSERT_EQ(FxScriptLoad("answer 1\n"), 0);
    EXPECT_EQ(CheckAssemblyComponents(lines, accounts, products, services, &checked, &iface, "AS1",
                                      block),
              2)
        << "the default account is missing; the clerk continues";
    EXPECT_EQ(checked, 1);
    ASSERT_EQ(FxScriptLoad("answer 2\n"), 0);
    checked = 0;
    EXPECT_EQ(CheckAssemblyComponents(lines, accounts, products, services, &checked, &iface, "AS1",
                                      block),
              1)
        << "the clerk cancels";
    {
        bwps::WriteBatch batch;
        ASSERT_TRUE(batch.Begun().Ok());
        double services_cost = -1;
        ASSERT_EQ(PostAssemblyComponents(0, lines, products, services, &services_cost, &header,
                                         block),
                  0) << "DBG " << *(int32_t*)(block+255) << " " << *(int32_t*)(block+259) << " " << *(int32_t*)(block+263);
        EXPECT_DOUBLE_EQ(services_cost, 15);
        char key[256] = {};
        std::strcpy(key, "KIT1");
        TagProduct kit;
        ASSERT_EQ(BtrGet(B_GET_EQUAL, products, key, &kit, sizeof kit), 0);
        ASSERT_EQ(UpdateAssembledProduct(products, &kit, &header), 0);
        uint8_t glHeader[79] = {};
        InitAssemblyGLHeader("AS1", header.Date, glHeader);
        ASSERT_EQ(PostAssemblyGL(ledger, 15, 60, &iface, glHeader, block), 0);
        ASSERT_TRUE(batch.Commit().Ok());
    }
    BtrCloseFile(lines);
    BtrCloseFile(products);
    BtrCloseFile(services);
    BtrCloseFile(accounts);
    BtrCloseFile(ledger);

    EXPECT_DOUBLE_EQ(+Stored("P1").Amounts[PRODUCT_QUANTITY], 6);
    EXPECT_DOUBLE_EQ(+Stored("P1").Amounts[PRODUCT_VALUE], 60);
    EXPECT_DOUBLE_EQ(+Stored("P2").Amounts[PRODUCT_QUANTITY], 3);
    const TagProduct kit = Stored("KIT1");
    EXPECT_DOUBLE_EQ(+kit.Amounts[PRODUCT_QUANTITY], 2);
    EXPECT_DOUBLE_EQ(+kit.Amounts[PRODUCT_VALUE], 75);
    EXPECT_DOUBLE_EQ(+kit.Amounts[PRODUCT_AVERAGE_COST], 37.5);
    EXPECT_DOUBLE_EQ(+kit.Amounts[PRODUCT_LAST_COST], 37.5);
    EXPECT_EQ(+kit.LastDate, 20260301);

    const auto activity = All<TagProductActivity>(63);
    ASSERT_EQ(activity.size(), 3u);
    double quantity = 0, value = 0;
    for (const TagProductActivity& a : activity) {
        EXPECT_EQ(std::string(a.DocumentKind, 2), "AA");
        EXPECT_STREQ(a.Document, "AS1");
        quantity += a.Quantity;
        value += a.Value;
    }
    EXPECT_DOUBLE_EQ(quantity, -4 - 2 + 2);
    EXPECT_DOUBLE_EQ(value, -40 - 20 + 75);

    const auto gl = All<LedgerLine>(12);
    ASSERT_EQ(gl.size(), 3u);
    double debit = 0, credit = 0;
    for (const LedgerLine& l : gl) {
        EXPECT_STREQ(l.Description, "Summary Assembly Post");
        EXPECT_EQ(std::string(l.Journal), "AS");
        (l.Side == 'D' ? debit : credit) += l.Amount;
    }
    EXPECT_DOUBLE_EQ(debit, 75);
    EXPECT_DOUBLE_EQ(credit, 75);
}

// A missing component or a refused line stops the assembly before any
// product is touched.
TEST_F(PosServicesTest, AssemblyWithAMissingComponentWritesNothing)
{
    Stock();
    struct Case {
        const char* what;
        TagAssemblyLine bad;
        int checkStop;
    } cases[] = {{"unknown item", Line("AS1", 3, "X9", 1, 1), 2},
                 {"second quantity not allowed", Line("AS1", 3, "P2", 1, 1, 'N', 1), 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        uint8_t spec[FILE_SPEC_SIZE] = {};
        ASSERT_EQ(CreateDataFile(bwps::No(bwps::FileNo::AssemblyDetail), 0, nullptr, nullptr, spec), 0);
        Insert(5, Line("AS1", 1, "P1", 4, 40));
        Insert(5, c.bad);
        TagAssemblyHeader header = Header("AS1", 1, 41);
        uint16_t lines = Open(bwps::No(bwps::FileNo::AssemblyDetail)), products = Open(bwps::No(bwps::FileNo::Products)), services = Open(bwps::No(bwps::FileNo::Services)), accounts = Open(bwps::No(bwps::FileNo::Accounts));
        uint8_t block[275];
        int checked = 1;
        TagInterfaceRecord iface{};
        ASSERT_EQ(FxScriptLoad("answer 1\n"), 0);
        EXPECT_EQ(CheckAssemblyComponents(lines, accounts, products, services, &checked, &iface,
                                          "AS1", block),
                  c.checkStop);
        double cost = 0;
        EXPECT_EQ(PostAssemblyComponents(0, lines, products, services, &cost, &header, block), 1);
        BtrCloseFile(lines);
        BtrCloseFile(products);
        BtrCloseFile(services);
        BtrCloseFile(accounts);
        EXPECT_DOUBLE_EQ(+Stored("P1").Amounts[PRODUCT_QUANTITY], 10);
        EXPECT_EQ(Count(63), 0);
    }
}

// A product that another station holds stops the assembly half-way: the
// write batch takes back what was written before it.
TEST_F(PosServicesTest, AssemblyStoppedHalfWayLeavesNoComponentChanged)
{
    Stock();
    Insert(5, Line("AS1", 1, "P1", 4, 40));
    Insert(5, Line("AS1", 2, "P2", 2, 20));
    TagAssemblyHeader header = Header("AS1", 1, 60);
    uint16_t holder = Open(bwps::No(bwps::FileNo::Products));
    char key[256] = {};
    std::strcpy(key, "P2");
    TagProduct held;
    ASSERT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, holder, key, &held, sizeof held), 0);
    uint16_t lines = Open(bwps::No(bwps::FileNo::AssemblyDetail)), products = Open(bwps::No(bwps::FileNo::Products)), services = Open(bwps::No(bwps::FileNo::Services));
    uint8_t block[275];
    double cost = 0;
    EXPECT_EQ(PostAssemblyComponents(0, lines, products, services, &cost, &header, block), 1);
    BtrCloseFile(lines);
    BtrCloseFile(products);
    BtrCloseFile(services);
    BtrCloseFile(holder);
    EXPECT_DOUBLE_EQ(+Stored("P1").Amounts[PRODUCT_QUANTITY], 10);
    EXPECT_EQ(Count(63), 0);
}

TEST_F(PosServicesTest, AssemblyWithoutLinesHasNothingToPost)
{
    uint16_t lines = Open(bwps::No(bwps::FileNo::AssemblyDetail)), products = Open(bwps::No(bwps::FileNo::Products)), services = Open(bwps::No(bwps::FileNo::Services)), accounts = Open(bwps::No(bwps::FileNo::Accounts));
    uint8_t block[275];
    int checked = 0;
    TagInterfaceRecord iface{};
    TagAssemblyHeader header = Header("AS7", 1, 1);
    EXPECT_EQ(CheckAssemblyComponents(lines, accounts, products, services, &checked, &iface, "AS7",
                                      block),
              2);
    double cost = 0;
    EXPECT_EQ(PostAssemblyComponents(0, lines, products, services, &cost, &header, block), 2);
    BtrCloseFile(lines);
    BtrCloseFile(products);
    BtrCloseFile(services);
    BtrCloseFile(accounts);
}

TEST_F(PosServicesTest, CardInterfaceRecordIsMadeOnceAndReadAsZeros)
{
    EXPECT_EQ(ReadCardInterface(), 0);
    EXPECT_EQ(ReadCardInterface(), 0);
    const uint8_t* copy = bwps::posting::CardInterfaceCopy();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy)), GENERAL_KEY_CCARDINTF);
    for (int i = 16; i < 24; ++i)
        EXPECT_EQ(copy[i], 0);
    uint16_t h = Open(bwps::No(bwps::FileNo::General));
    char key[256] = {};
    std::memcpy(key, GENERAL_KEY_CCARDINTF, 16);
    uint8_t record[24];
    EXPECT_EQ(BtrGet(B_GET_EQUAL, h, key, record, sizeof record), 0);
    BtrCloseFile(h);
}

TEST_F(PosServicesTest, NumberedFileTakesTheFirstFreeNameAndNeverReusesOne)
{
    TagFileSpec spec{};
    spec.RecordLength = 20;
    spec.PageSize = 512;
    spec.KeyCount = 1;
    TagKeySegment key{};
    key.Position = 1;
    key.Length = 4;
    for (int n = 0; n < 4; ++n)
        std::ofstream(program() + "/RUN" + std::to_string(n)) << "x";
    uint16_t handle = 0;
    char path[FOLDER_BUFFER_SIZE] = {};
    ASSERT_EQ(CreateNumberedFile(0, &handle, path, "RUN", &spec, &key), 0);
    EXPECT_EQ(std::string(path), program() + "/RUN4");
    BtrCloseFile(handle);

    for (int n = 5; n < 25; ++n)
        std::ofstream(program() + "/RUN" + std::to_string(n)) << "another run";
    handle = 0;
    FxTranscriptClear();
    EXPECT_EQ(CreateNumberedFile(0, &handle, path, "RUN", &spec, &key), 59);
    EXPECT_EQ(handle, 0) << "no other run's file is opened";
    EXPECT_TRUE(TranscriptHas("could not be created"));
    std::ifstream last(program() + "/RUN24");
    std::string text;
    std::getline(last, text);
    EXPECT_EQ(text, "another run");
}

TEST_F(PosServicesTest, TaxCodeCheckFindsPaddedAndPlainCodes)
{
    struct {
        char bytes[995];
    } tax = {};
    std::memcpy(tax.bytes, "TX", 2);
    Insert(28, tax);
    struct {
        char bytes[995];
    } blank = {};
    std::memcpy(blank.bytes, "ST   ", 5);
    Insert(28, blank);
    uint16_t h = Open(bwps::No(bwps::FileNo::TaxTable));
    EXPECT_TRUE(CheckTaxCode(h, "TX", nullptr));
    EXPECT_TRUE(CheckTaxCode(h, "ST", nullptr));
    FxTranscriptClear();
    EXPECT_FALSE(CheckTaxCode(h, "ZZ", nullptr));
    EXPECT_TRUE(TranscriptHas("tax code does not exist"));
    BtrCloseFile(h);
}

TEST_F(PosServicesTest, DataFileHelpers)
{
    uint16_t handle = 0;
    EXPECT_EQ(OpenDataFileInFolder(33, 0, &handle, data().c_str()), 0);
    EXPECT_EQ(CheckFileStat(33, handle), 0);
    BtrCloseFile(handle);
    FxTranscriptClear();
    EXPECT_EQ(OpenDataFileInFolder(33, 0, &handle, (data() + "/none").c_str()), B_FILE_NOT_FOUND);
    EXPECT_TRUE(TranscriptHas("none/BPOSTEND.DB")) << "the report names the path tried";
    EXPECT_EQ(BWPSOrdinal(32), reinterpret_cast<void*>(&CreateNumberedFile));
}

}  // namespace
