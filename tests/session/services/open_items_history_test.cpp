// Open items written with their headers, moved into the customer history,
// and the headers rebuilt from their details.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bwps/counters.h"
#include "bwps/customer_history.h"
#include "bwps/open_invoices.h"
#include "bwps/open_items.h"
#include "bwps/ordinals.h"
#include "bwps/records/counters.h"
#include "customers/history_internal.h"
#include "bwps/records/masters.h"
#include "tests/posting/registers/company.h"

namespace {

constexpr int kOpenItems = 3;
constexpr int kCustomers = 10;
constexpr int kHistoryDetails = 40;
constexpr int kHeaders = 70;
constexpr int kGeneral = 31;

using Customer = CustomerRecord;

Customer MakeCustomer(const char* code)
{
    Customer c{};
    std::strncpy(c.Code, code, 10);
    c.AccountType = 'O';  // open-item account: history is kept
    return c;
}

TagOpenInvoice Item(const char* customer, const char* document, char type, double amount,
                    int32_t date)
{
    TagOpenInvoice l;
    std::memset(&l, 0, sizeof l);
    std::memcpy(l.Customer, customer, strnlen(customer, 10));
    std::memcpy(l.Invoice, document, strnlen(document, 10));
    l.Type = type;
    l.Status = 'O';
    l.Amount = amount;
    l.Double86 = amount;
    l.Date = date;
    l.Date46 = date;
    return l;
}

std::string Text(const char* field, size_t width) { return std::string(field, strnlen(field, width)); }

class OpenItemsHistoryTest : public regtest::CompanyTest {
protected:
    void SetUp() override
    {
        regtest::CompanyTest::SetUp();
        if (HasFatalFailure())
            return;
        bwps::customers::ResetCustomerHistoryState();
        GetSysInterfaceRecord()->SystemByte43 = 'Y';
        items_ = Open(kOpenItems);
        customers_ = Open(kCustomers);
        Insert(kCustomers, MakeCustomer("C1"));
    }
    void TearDown() override
    {
        BtrCloseFile(items_);
        BtrCloseFile(customers_);
        CloseCustomerHistoryFiles();
        bwps::customers::ResetCustomerHistoryState();
        regtest::CompanyTest::TearDown();
    }
    // Adds an open item with its header through the numbered insert.
    void Add(TagOpenInvoice item)
    {
        ASSERT_EQ(AddOpenInvoiceFromHistory(2, 0, items_, kOpenItems, &item, nullptr), 0);
        ASSERT_NE(+item.Id, 0);
    }
    std::vector<std::string> Documents(int file)
    {
        std::vector<std::string> out;
        if (file == kHeaders) {
            for (const TagOpenInvoiceHdr& h : All<TagOpenInvoiceHdr>(kHeaders))
                out.push_back(Text(h.Invoice, sizeof h.Invoice));
        } else if (file == kOpenItems) {
            for (const TagOpenInvoice& d : All<TagOpenInvoice>(kOpenItems))
                out.push_back(Text(d.Invoice, sizeof d.Invoice) + d.Type);
        } else {
            for (const CustHistDetail& d : All<CustHistDetail>(kHistoryDetails))
                out.push_back(Text(d.Line.Invoice, sizeof d.Line.Invoice) + d.Line.Type);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    TagOpenInvoiceHdr Header(const char* document, const char* customer = "C1")
    {
        for (const TagOpenInvoiceHdr& h : All<TagOpenInvoiceHdr>(kHeaders))
            if (Text(h.Invoice, sizeof h.Invoice) == document &&
                Text(h.Customer, sizeof h.Customer) == customer)
                return h;
        ADD_FAILURE() << "no header of " << document;
        return TagOpenInvoiceHdr{};
    }

    uint16_t items_ = 0;
    uint16_t customers_ = 0;
};

TEST_F(OpenItemsHistoryTest, OrdinalsNameTheExports)
{
    struct Row {
        int ordinal;
        void* entry;
    } rows[] = {{79, reinterpret_cast<void*>(&ImportCustHistTransactions)},
                {80, reinterpret_cast<void*>(&AddOpenInvoiceFromHistory)},
                {81, reinterpret_cast<void*>(&DeleteOpenInvoiceByNumber)},
                {3380, reinterpret_cast<void*>(&ProcessArOpenInvoice)}};
    for (const Row& r : rows)
        EXPECT_EQ(BWPSOrdinal(r.ordinal), r.entry) << r.ordinal;
}

TEST_F(OpenItemsHistoryTest, NumberedInsertAndDeleteKeepTheHeaderInStep)
{
    Add(Item("C1", "D1", 'I', 100, 20260101));
    TagOpenInvoice payment = Item("C1", "D1", 'P', 30, 20260105);
    ASSERT_EQ(AddOpenInvoiceFromHistory(2, 0, items_, kOpenItems, &payment, nullptr), 0);
    EXPECT_DOUBLE_EQ(+Header("D1").Balance, 70);

    TagOpenInvoice gone;
    EXPECT_EQ(DeleteOpenInvoiceByNumber(items_, kOpenItems, payment.Id, &gone, nullptr), 0);
    EXPECT_EQ(gone.Type, 'P');
    EXPECT_DOUBLE_EQ(+Header("D1").Balance, 100);
    EXPECT_EQ(DeleteOpenInvoiceByNumber(items_, kOpenItems, 0, &gone, nullptr), 0);
    EXPECT_EQ(Documents(kOpenItems), (std::vector<std::string>{"D1I"}));
}

TEST_F(OpenItemsHistoryTest, MovesTheOpenItemsOfOneDocumentIntoHistory)
{
    Add(Item("C1", "D1", 'I', 100, 20260101));
    Add(Item("C1", "D1", 'P', 40, 20260110));
    Add(Item("C1", "D2", 'I', 55, 20260102));

    EXPECT_EQ(ImportCustHistTransactions(items_, customers_, "C1", "D1", 0), 1);
    EXPECT_EQ(Documents(kOpenItems), (std::vector<std::string>{"D2I"}));
    EXPECT_EQ(Documents(kHeaders), (std::vector<std::string>{"D2"}));
    EXPECT_EQ(Documents(kHistoryDetails), (std::vector<std::string>{"D1I", "D1P"}));
    // A document without open items moves nothing and is no failure.
    EXPECT_EQ(ImportCustHistTransactions(items_, customers_, "C1", "D9", 0), 1);
    EXPECT_EQ(Count(kHistoryDetails), 2);
}

// A failure met while a document is moved leaves the open items, their
// header and the history as they were: no item is deleted without its
// history line.
TEST_F(OpenItemsHistoryTest, AFailedMoveLeavesOpenItemsAndHistoryAsTheyWere)
{
    struct Case {
        const char* what;
        const char* customer;
        bool takeHistoryNumber;
    } cases[] = {
        {"the customer record is missing", "C2", false},
        {"the next history number is already in use", "C1", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Add(Item(c.customer, "D1", 'I', 100, 20260101));
        Add(Item(c.customer, "D1", 'P', 40, 20260110));
        if (c.takeHistoryNumber) {
            TagIndexValues counters;
            const uint16_t general = Open(kGeneral);
            ASSERT_EQ(ReadIndexValues(&counters, B_GET_EQUAL, general), 0);
            BtrCloseFile(general);
            CustHistDetail taken;
            std::memset(&taken, 0, sizeof taken);
            std::memcpy(taken.Line.Customer, "C0", 2);
            taken.Line.Id = counters.CustomerHistory + 1;
            Insert(kHistoryDetails, taken);
        }
        const std::vector<std::string> items = Documents(kOpenItems);
        const int headers = Count(kHeaders);
        const int before = Count(kHistoryDetails);
        const double balance = Header("D1", c.customer).Balance;
        FxScriptLoad("answer Continue\nanswer Continue\nanswer Continue");

        EXPECT_EQ(ImportCustHistTransactions(items_, customers_, c.customer, "D1", 0), 0);
        EXPECT_EQ(Documents(kOpenItems), items);
        EXPECT_EQ(Count(kHeaders), headers);
        EXPECT_DOUBLE_EQ(+Header("D1", c.customer).Balance, balance);
        EXPECT_EQ(Count(kHistoryDetails), before);
    }
}

TEST_F(OpenItemsHistoryTest, ConversionRebuildsEveryHeaderFromItsDetails)
{
    Add(Item("C1", "D1", 'I', 100, 20260101));
    Add(Item("C1", "D1", 'P', 25, 20260110));
    Add(Item("C1", "D2", 'I', 55, 20260102));
    // Headers lost or out of step: the conversion builds them again.
    std::filesystem::remove(Path(kHeaders));

    EXPECT_EQ(ProcessArOpenInvoice(nullptr), 0);
    EXPECT_EQ(Documents(kHeaders), (std::vector<std::string>{"D1", "D2"}));
    EXPECT_DOUBLE_EQ(+Header("D1").Balance, 75);
    EXPECT_DOUBLE_EQ(+Header("D2").Balance, 55);
    // The folder given is the one converted.
    EXPECT_EQ(ProcessArOpenInvoice(data().c_str()), 0);
    EXPECT_EQ(Documents(kHeaders), (std::vector<std::string>{"D1", "D2"}));
}

}  // namespace
