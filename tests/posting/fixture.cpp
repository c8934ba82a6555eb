#include "bwps/files.h"
#include "tests/posting/fixture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "bwps/catalogue.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "posting/posting_internal.h"
#include "recman.h"
#include "tests/support/library.h"

namespace fs = std::filesystem;
using namespace bwps::posting;

namespace postingtest {

bool Line::operator==(const Line& o) const
{
    return account == o.account && side == o.side && std::fabs(amount - o.amount) < 0.005;
}
bool Line::operator<(const Line& o) const
{
    if (account != o.account)
        return account < o.account;
    if (side != o.side)
        return side < o.side;
    return amount < o.amount - 0.005;
}
std::ostream& operator<<(std::ostream& out, const Line& line)
{
    return out << line.side << " " << line.account << " " << line.amount;
}

namespace {

void Put(const std::string& path, const void* record, int length, int keyLength)
{
    ASSERT_EQ(bwpstest::PutRecord(path, record, static_cast<std::size_t>(keyLength), record, length),
              0)
        << path;
}


}  // namespace

void PostingTest::SetUp()
{
    bwpstest::ResetLibraryState();
    if (!fs::exists(bwpstest::BuiltBaseFolder() / "BPOSKEY.DB"))
        GTEST_SKIP() << "the base files are not built";
    program_ = scratch_.path() + "/program";
    data_ = scratch_.path() + "/company";
    fs::create_directories(program_ + "/ROVAZERI");
    fs::create_directories(data_);
    bwpstest::CopyBaseFolder(program_);
    SessionBlock* session = GetSessionPaths();
    std::snprintf(session->ProgramPath, sizeof session->ProgramPath, "%s", program_.c_str());
    std::snprintf(session->BasePath, sizeof session->BasePath, "%s/RAZAVUR", program_.c_str());
    std::snprintf(session->DictionaryPath, sizeof session->DictionaryPath, "%s/ROVAZERI",
                  program_.c_str());
    std::snprintf(session->DataPath, sizeof session->DataPath, "%s", data_.c_str());
    SetFolders(program_.c_str(), data_.c_str(), (program_ + "/RAZAVUR").c_str());
    ASSERT_EQ(CreateMissingDataFiles(data_.c_str()), 0);
    SetOnline('Y');

    // The chart: the built-in interface accounts under parents up to level 1.
    PutAccount("1", "", '1', ACCOUNT_ASSET, 'G');
    PutAccount("11", "1", '2', ACCOUNT_ASSET, 'G');
    for (const char* a : {"11021", "11031", "11051", "11071"})
        PutAccount(a, "11", '3', ACCOUNT_ASSET, 'D');
    PutAccount("2", "", '1', ACCOUNT_LIABILITY, 'G');
    PutAccount("21", "2", '2', ACCOUNT_LIABILITY, 'G');
    for (const char* a : {"2105", "21042", "2110", "2120"})
        PutAccount(a, "21", '3', ACCOUNT_LIABILITY, 'D');
    PutAccount("4", "", '1', ACCOUNT_REVENUE, 'G');
    PutAccount("41", "4", '2', ACCOUNT_REVENUE, 'G');
    for (const char* a : {"4101", "4105", "4107", "4201", "4501", "4999"})
        PutAccount(a, "41", '3', ACCOUNT_REVENUE, 'D');
    PutAccount("5", "", '1', ACCOUNT_EXPENSE, 'G');
    PutAccount("5101", "5", '2', ACCOUNT_EXPENSE, 'D');
    PutAccount("6", "", '1', ACCOUNT_EXPENSE, 'G');
    PutAccount("6100", "6", '2', ACCOUNT_EXPENSE, 'D');
    PutAccount("7001", "70", '2', ACCOUNT_EXPENSE, 'D');   // its parent is missing

    PutTax("ST", 5.0f, "2110", 3.0f, "2120");
    PutTender("CASH", "11021");
    PutTender("CHECK", "11031");
    PutTender("CARD", "");
    PutProduct("WIDGET", 1, 4.0);
    PutProduct("GADGET", 1, 10.0);
    PutService("INSTALL");
    PutBillingCode("FRT", "4501");
    PutCustomer("C100", "11051");
    PutLayaway("L1", "C100", 40.0);
}

void PostingTest::TearDown()
{
    bwpstest::ResetLibraryState();
}

std::string PostingTest::FilePath(int fileNumber) const
{
    return DataPath(GetDataFileName(fileNumber));
}

void PostingTest::SetOnline(char flag)
{
    TagSysInterface record{};
    std::memcpy(record.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE);
    InterfaceRecordDefaults(nullptr, &record);
    record.OnlineLedger = flag;
    Put(FilePath(bwps::No(bwps::FileNo::General)), &record, sizeof record, 15);
    LoadSysInterfaceRecord();
}

void PostingTest::SetAccountingFolder(const std::string& folder)
{
    TagSysInterface record = *GetSysInterfaceRecord();
    std::memset(record.AccountingFolder, 0, sizeof record.AccountingFolder);
    std::snprintf(record.AccountingFolder, sizeof record.AccountingFolder, "%s", folder.c_str());
    Put(FilePath(bwps::No(bwps::FileNo::General)), &record, sizeof record, 15);
    LoadSysInterfaceRecord();
}

void PostingTest::PutAccount(const char* number, const char* parent, char level, int type,
                             char kind)
{
    TagAccount a{};
    PadText(a.Number, number);
    PadText(a.Parent, parent);
    CopyText(a.Description, std::string("Account ") + number);
    a.Level = level;
    a.Type = static_cast<uint8_t>(type);
    a.Kind = kind;
    a.CheckRegister = 'N';
    a.RecordStatus = 'A';
    Put(FilePath(bwps::No(bwps::FileNo::Accounts)), &a, sizeof a, 11);
}

void PostingTest::PutTax(const char* code, float rate1, const char* account1, float rate2,
                         const char* account2)
{
    TaxRecord t{};
    PadText(t.Code, code);
    t.TotalRate = rate1 + rate2;
    PadText(t.Entries[0].Account, account1);
    t.Entries[0].Rate = rate1;
    PadText(t.Entries[1].Account, account2);
    t.Entries[1].Rate = rate2;
    Put(FilePath(bwps::No(bwps::FileNo::TaxTable)), &t, sizeof t, 6);
}

void PostingTest::PutTender(const char* code, const char* account)
{
    TenderRecord t{};
    PadText(t.Code, code);
    if (account[0] != '\0')
        PadText(t.Account, account);
    Put(FilePath(bwps::No(bwps::FileNo::Tenders)), &t, sizeof t, 11);
}

void PostingTest::PutProduct(const char* code, uint8_t kind, double averageCost)
{
    ProductRecord p{};
    CopyText(p.Code, code);
    p.Kind = kind;
    p.UnitFactor = 1;
    p.Amounts[PRODUCT_AVERAGE_COST] = averageCost;
    p.Amounts[PRODUCT_LAST_COST] = averageCost + 1;
    p.Amounts[PRODUCT_STANDARD_COST] = averageCost + 2;
    Put(FilePath(bwps::No(bwps::FileNo::Products)), &p, sizeof p, 15);
}

void PostingTest::PutService(const char* code)
{
    ServiceRecord s{};
    CopyText(s.Code, code);
    Put(FilePath(bwps::No(bwps::FileNo::Services)), &s, sizeof s, 15);
}

void PostingTest::PutBillingCode(const char* code, const char* account)
{
    BillingCodeRecord b{};
    PadText(b.Code, code);
    PadText(b.Account, account);
    Put(FilePath(bwps::No(bwps::FileNo::BillingCodes)), &b, sizeof b, 6);
}

void PostingTest::PutCustomer(const char* code, const char* account)
{
    CustomerRecord c{};
    CopyText(c.Code, code);
    PadText(c.Account, account);
    Put(FilePath(bwps::No(bwps::FileNo::Customers)), &c, sizeof c, 11);
}

void PostingTest::PutLayaway(const char* number, const char* customer, double prepayments)
{
    LayawayRecord l{};
    CopyText(l.Number, number);
    CopyText(l.Customer, customer);
    l.Prepayments = prepayments;
    Put(FilePath(bwps::No(bwps::FileNo::LayawayHeader)), &l, sizeof l, 11);
}

void PostingTest::PutSale(const TagSalesHdr& header, const std::vector<SaleLine>& lines)
{
    Put(FilePath(bwps::No(bwps::FileNo::SalesHeader)), &header, sizeof header, 11);
    int16_t n = 1;
    for (const SaleLine& l : lines) {
        TagSalesDetail d{};
        std::memcpy(d.InvoiceNo, header.InvoiceNo, sizeof d.InvoiceNo);
        d.LineNo = n++;
        CopyText(d.Category, l.category);
        d.Kind = l.kind;
        CopyText(d.ItemCode, l.item);
        d.Quantity = l.quantity;
        d.Quantity2 = l.quantity;
        d.Extended = l.extended;
        Put(FilePath(bwps::No(bwps::FileNo::SalesDetail)), &d, sizeof d, 13);
    }
}

TagSalesHdr PostingTest::ReadSale(const char* invoice)
{
    for (const TagSalesHdr& h : ReadAll<TagSalesHdr>(FilePath(bwps::No(bwps::FileNo::SalesHeader))))
        if (FieldText(h.InvoiceNo, 11) == invoice)
            return h;
    return TagSalesHdr{};
}

std::vector<TagGLHeader> PostingTest::Headers()
{
    return ReadAll<TagGLHeader>(FilePath(bwps::No(bwps::FileNo::LedgerHeader)));
}

std::vector<TagLedgerDetail> PostingTest::AllLines()
{
    return ReadAll<TagLedgerDetail>(FilePath(bwps::No(bwps::FileNo::LedgerDetail)));
}

std::vector<TagLedgerDetail> PostingTest::LinesOf(const TagGLHeader& header)
{
    std::vector<TagLedgerDetail> out;
    for (const TagLedgerDetail& l : AllLines())
        if (std::memcmp(l.JournalCode, header.JournalCode, 7) == 0 &&
            std::memcmp(l.TranNo, header.TranNo, 11) == 0)
            out.push_back(l);
    return out;
}

std::vector<Line> PostingTest::Summary(const TagGLHeader& header)
{
    std::vector<Line> out;
    for (const TagLedgerDetail& l : LinesOf(header))
        out.push_back({TrimRight(FieldText(l.Account, 11)), l.DebitCredit, l.Amount});
    std::sort(out.begin(), out.end());
    return out;
}

TagAccount PostingTest::Account(const char* number)
{
    const std::string key = AccountKey(number);
    for (const TagAccount& a : ReadAll<TagAccount>(FilePath(bwps::No(bwps::FileNo::Accounts))))
        if (std::memcmp(a.Number, key.data(), 11) == 0)
            return a;
    return TagAccount{};
}

TagJournal PostingTest::Journal(const char* code)
{
    char key[7];
    JournalKey(key, code);
    for (const TagJournal& j : ReadAll<TagJournal>(FilePath(bwps::No(bwps::FileNo::Journals))))
        if (std::memcmp(j.JournalCode, key, 7) == 0)
            return j;
    return TagJournal{};
}

void PostingTest::MakeLineAccountsUnique()
{
    const std::string path = FilePath(bwps::No(bwps::FileNo::LedgerDetail));
    fs::remove(path);
    TagFileSpec spec{};
    spec.RecordLength = sizeof(TagLedgerDetail);
    spec.PageSize = 4096;
    spec.KeyCount = 2;
    TagKeySegment segments[4] = {};
    segments[0] = {1, 7, KF_SEGMENTED | KF_DUPLICATES | KF_MODIFIABLE, {}, 0, 0, {}};
    segments[1] = {8, 11, KF_SEGMENTED | KF_DUPLICATES | KF_MODIFIABLE, {}, 0, 0, {}};
    segments[2] = {19, 2, KF_DUPLICATES | KF_MODIFIABLE, {}, 0, 0, {}};
    segments[3] = {21, 11, KF_MODIFIABLE, {}, 0, 0, {}};
    ASSERT_EQ(BtrCreateFile(path.c_str(), &spec, segments), 0);
}


TagSalesHdr Sale(const char* invoice, char type, double total)
{
    TagSalesHdr h{};
    CopyText(h.InvoiceNo, invoice);
    h.Type = type;
    h.TranDate = 20260105;
    h.InvoiceTotal = total;
    return h;
}

}  // namespace postingtest
