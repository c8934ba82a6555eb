// Reading an open-invoice detail by its identifier and marking it posted
// with its header kept in step (the chart services 100 and 101).
#include "bwps/files.h"
#include "bwps/open_invoices.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/posting/registers/company.h"

namespace {

using regtest::Put;

class OpenInvoiceServicesTest : public regtest::CompanyTest {
protected:
    void SetUp() override
    {
        regtest::CompanyTest::SetUp();
        if (HasFatalFailure())
            return;
        dtl_ = Open(bwps::No(bwps::FileNo::ReceivablesOpenItems));
        BtrSetDefaults(dtl_, 3, -1);
    }
    void TearDown() override
    {
        if (dtl_ != 0)
            BtrCloseFile(dtl_);
        regtest::CompanyTest::TearDown();
    }
    static TagOpenInvoice Detail(int32_t id, char type, double amount)
    {
        TagOpenInvoice d;
        std::memset(&d, 0, sizeof d);
        Put(d.Customer, "C1");
        Put(d.Invoice, "INV1");
        d.Type = type;
        d.Type2 = '1';
        d.Status = 'O';
        d.Id = id;
        d.Amount = amount;
        d.Date = 20260105 + id;
        d.Precedence = '1';
        return d;
    }
    uint16_t dtl_ = 0;
};

TEST_F(OpenInvoiceServicesTest, ReadAndMarkPostedKeepTheHeaderInStep)
{
    BwOIHeader hdr(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1, static_cast<short>(dtl_));
    ASSERT_TRUE(hdr.Init());
    for (const TagOpenInvoice& d : {Detail(1, 'I', 100), Detail(2, 'P', 30)}) {
        TagOpenInvoice copy = d;
        char key[256] = {};
        ASSERT_EQ(BtrWrite(B_INSERT, dtl_, key, &copy, sizeof copy), 0);
        ASSERT_TRUE(hdr.UpdateDtlInsertion(d));
    }
    TagOpenInvoiceHdr before;
    hdr.GetData(before);

    TagPostingStatus block;
    TagOpenInvoice d;
    EXPECT_EQ(ReadOpenInvoiceDetail(dtl_, 3, 99, &d, &block, &hdr, 1), B_KEY_NOT_FOUND);
    EXPECT_EQ(+block.Status, B_KEY_NOT_FOUND);
    EXPECT_EQ(+block.Operation, B_GET_EQUAL);
    EXPECT_EQ(ReadOpenInvoiceDetail(dtl_, 36, 2, &d, &block, &hdr, 1), B_INVALID_OPERATION);

    ASSERT_EQ(ReadOpenInvoiceDetail(dtl_, 3, 2, &d, &block, &hdr, 1), 0);
    EXPECT_EQ(+block.FileNumber, 3);
    int32_t id = 0;
    std::memcpy(&id, block.Key, 4);
    EXPECT_EQ(id, 2);
    EXPECT_EQ(d.Type, 'P');
    ASSERT_EQ(MarkOpenInvoiceDetailPosted(dtl_, 3, &d, &block, &hdr, 0, 0), 0);
    EXPECT_EQ(+block.Operation, B_UPDATE);
    EXPECT_STREQ(block.Key, "INV1");

    TagOpenInvoice stored;
    ASSERT_EQ(ReadOpenInvoiceDetail(dtl_, 3, 2, &stored, &block, nullptr, 0), 0);
    EXPECT_EQ(+stored.Status, 'P');
    EXPECT_EQ(stored.Precedence, BwOIHeader::GetPrecedence(3, '1'));
    TagOpenInvoiceHdr after;
    ASSERT_TRUE(hdr.HdrExists("C1", "INV1", false));
    hdr.GetData(after);
    EXPECT_DOUBLE_EQ(+after.Balance, +before.Balance);
    EXPECT_DOUBLE_EQ(+after.Balance, 70);
}

// A header that does not exist: the detail is not marked posted.
TEST_F(OpenInvoiceServicesTest, MarkWithoutItsHeaderLeavesTheDetailOpen)
{
    TagOpenInvoice d = Detail(5, 'I', 40);
    char key[256] = {};
    ASSERT_EQ(BtrWrite(B_INSERT, dtl_, key, &d, sizeof d), 0);
    BwOIHeader hdr(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1, static_cast<short>(dtl_));
    ASSERT_TRUE(hdr.Init());
    TagPostingStatus block;
    EXPECT_EQ(ReadOpenInvoiceDetail(dtl_, 3, 5, &d, &block, &hdr, 1), B_KEY_NOT_FOUND);
    ASSERT_EQ(ReadOpenInvoiceDetail(dtl_, 3, 5, &d, &block, nullptr, 0), 0);
    EXPECT_NE(MarkOpenInvoiceDetailPosted(dtl_, 3, &d, &block, &hdr, 1, 0), 0);
    TagOpenInvoice stored;
    ASSERT_EQ(ReadOpenInvoiceDetail(dtl_, 3, 5, &stored, &block, nullptr, 0), 0);
    EXPECT_EQ(+stored.Status, 'O');
}

}  // namespace
