// Open-invoice headers kept in step with their details, and rebuilt.
#include "bwps/files.h"
#include "bwps/open_invoices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/posting/registers/company.h"

namespace {

using regtest::Put;

TagOpenInvoice Detail(const char* cust, const char* inv, char type, int32_t id, double amount,
                      int32_t date, double discount = 0)
{
    TagOpenInvoice d;
    std::memset(&d, 0, sizeof d);
    Put(d.Customer, cust);
    Put(d.Invoice, inv);
    d.Type = type;
    d.Status = 'O';
    d.Id = id;
    d.Amount = amount;
    d.Discount = discount;
    d.Date = date;
    d.Date46 = date + 30;
    d.Date50 = date + 10;
    d.Value58 = id * 10;
    d.Double86 = amount / 2;
    Put(d.Reference, inv);
    const char letter = type == 'I' ? '1' : type == 'D' ? '2' : type == 'C' ? '3' : '4';
    d.Precedence = letter;
    return d;
}

class OpenInvoiceTest : public regtest::CompanyTest {
protected:
    void SetUp() override
    {
        regtest::CompanyTest::SetUp();
        if (HasFatalFailure())
            return;
        dtl_ = Open(bwps::No(bwps::FileNo::ReceivablesOpenItems));
    }
    void TearDown() override
    {
        if (dtl_ != 0)
            BtrCloseFile(dtl_);
        regtest::CompanyTest::TearDown();
    }

    // The detail file's record with this identifier made current (key 3).
    bool FindDetail(int32_t id, TagOpenInvoice& out)
    {
        BtrSetDefaults(dtl_, 3, -1);
        char key[256] = {};
        std::memcpy(key, &id, 4);
        const int status = BtrGet(B_GET_EQUAL, dtl_, key, &out, sizeof out);
        BtrSetDefaults(dtl_, 0, -1);
        return status == 0;
    }

    void InsertDetail(BwOIHeader& hdr, const TagOpenInvoice& d)
    {
        TagOpenInvoice copy = d;
        char key[256] = {};
        ASSERT_EQ(BtrWrite(B_INSERT, dtl_, key, &copy, sizeof copy), 0);
        ASSERT_TRUE(hdr.UpdateDtlInsertion(d));
    }
    void ChangeDetail(BwOIHeader& hdr, const TagOpenInvoice& d)
    {
        TagOpenInvoice old;
        ASSERT_TRUE(FindDetail(d.Id, old));
        ASSERT_TRUE(hdr.SaveDtlBeforeModification(old, false));
        TagOpenInvoice copy = d;
        char key[256] = {};
        ASSERT_TRUE(FindDetail(d.Id, old));
        ASSERT_EQ(BtrWrite(B_UPDATE, dtl_, key, &copy, sizeof copy), 0);
        ASSERT_TRUE(hdr.UpdateDtlModification(d));
    }
    void DeleteDetail(BwOIHeader& hdr, int32_t id)
    {
        TagOpenInvoice old;
        ASSERT_TRUE(FindDetail(id, old));
        uint8_t none[1] = {};
        ASSERT_EQ(BtrWrite(B_DELETE, dtl_, nullptr, none, 0), 0);
        ASSERT_TRUE(hdr.UpdateDtlDeletion(old, false));
    }

    bool ReadHeader(const char* cust, const char* inv, TagOpenInvoiceHdr& out)
    {
        uint16_t h = Open(bwps::No(bwps::FileNo::ReceivablesOpenHeaders));
        char key[256] = {};
        std::strncpy(key, cust, 11);
        std::strncpy(key + 11, inv, 11);
        const int status = BtrGet(B_GET_EQUAL, h, key, &out, sizeof out);
        BtrCloseFile(h);
        return status == 0;
    }

    uint16_t dtl_ = 0;
};

TEST(OpenInvoiceIds, FileIdsAndPrecedence)
{
    struct Case {
        int id;
        int hdr;
        int dtl;
    } cases[] = {{3, 70, 2}, {2, 69, 2}, {70, 69, 3}, {69, 69, 2}, {1, -1, -1}, {71, -1, -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(BwOIHeader::GetHdrFileId(c.id), c.hdr) << c.id;
        EXPECT_EQ(BwOIHeader::GetDtlFileId(c.id), c.dtl) << c.id;
    }
    EXPECT_EQ(BwOIHeader::GetPrecedence(2, '2'), '3');
    EXPECT_EQ(BwOIHeader::GetPrecedence(2, '3'), '2');
    EXPECT_EQ(BwOIHeader::GetPrecedence(3, '2'), '2');
    EXPECT_EQ(BwOIHeader::GetPrecedence(2, '1'), '1');
    EXPECT_EQ(BwOIHeader::GetInvKey(3), 3);
    EXPECT_EQ(BwOIHeader::GetInvKey(69), 1);
}

// One invoice through a sequence of changes: the header's totals and main
// detail after each.
TEST_F(OpenInvoiceTest, HeaderFollowsEveryChangeOfItsDetails)
{
    BwOIHeader hdr(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1, static_cast<short>(dtl_));
    ASSERT_TRUE(hdr.Init());

    struct Step {
        const char* what;
        char action;   // 'i' insert, 'm' modify, 'd' delete
        TagOpenInvoice detail;
        double charges, payments, discounts, memos, balance;
        int32_t mainId;
    };
    const Step steps[] = {
        {"invoice", 'i', Detail("C1", "INV1", 'I', 1, 100, 20260105), 100, 0, 0, 0, 100, 1},
        {"payment with discount", 'i', Detail("C1", "INV1", 'P', 2, 30, 20260110, 2), 100, 30, 2,
         0, 70, 1},
        {"credit memo", 'i', Detail("C1", "INV1", 'C', 3, 10, 20260111), 100, 30, 2, 10, 60, 1},
        {"debit memo", 'i', Detail("C1", "INV1", 'D', 4, 5, 20260112), 105, 30, 2, 10, 65, 1},
        {"payment raised", 'm', Detail("C1", "INV1", 'P', 2, 40, 20260110, 2), 105, 40, 2, 10, 55,
         1},
        {"main detail deleted", 'd', Detail("C1", "INV1", 'I', 1, 100, 20260105), 5, 40, 2, 10,
         -45, 4},
        {"earlier invoice becomes main", 'i', Detail("C1", "INV1", 'I', 5, 50, 20260101), 55, 40,
         2, 10, 5, 5},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.action == 'i')
            InsertDetail(hdr, s.detail);
        else if (s.action == 'm')
            ChangeDetail(hdr, s.detail);
        else
            DeleteDetail(hdr, s.detail.Id);
        TagOpenInvoiceHdr h;
        ASSERT_TRUE(ReadHeader("C1", "INV1", h));
        EXPECT_DOUBLE_EQ(+h.ChargesTotal, s.charges);
        EXPECT_DOUBLE_EQ(+h.PaymentsTotal, s.payments);
        EXPECT_DOUBLE_EQ(+h.DiscountTotal, s.discounts);
        EXPECT_DOUBLE_EQ(+h.MemoTotal, s.memos);
        EXPECT_DOUBLE_EQ(+h.Balance, s.balance);
        EXPECT_DOUBLE_EQ(+h.BalanceLessDiscount, s.balance - s.discounts);
        EXPECT_EQ(+h.MainId, s.mainId);
        TagOpenInvoice main;
        ASSERT_TRUE(FindDetail(s.mainId, main));
        EXPECT_EQ(+h.Type, +main.Type);
        EXPECT_EQ(+h.Precedence, +main.Precedence);
        EXPECT_EQ(+h.Date, +main.Date);
        EXPECT_EQ(+h.Date52, +main.Date46);
        EXPECT_EQ(+h.Value64, +main.Value58);
    }
    EXPECT_EQ(Count(70), 1);
    for (int32_t id : {2, 3, 4, 5})
        DeleteDetail(hdr, id);
    EXPECT_EQ(Count(70), 0) << "the last detail's deletion deletes its header";
}

TEST_F(OpenInvoiceTest, SameRankRefreshesOnlyTheCarriedFields)
{
    BwOIHeader hdr(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1, static_cast<short>(dtl_));
    ASSERT_TRUE(hdr.Init());
    TagOpenInvoice first = Detail("C1", "INV1", 'I', 1, 100, 20260105);
    InsertDetail(hdr, first);
    TagOpenInvoice twin = Detail("C1", "INV1", 'I', 2, 20, 20260105);
    twin.Date46 = 20270101;
    Put(twin.Text106, "OTHER");
    InsertDetail(hdr, twin);
    TagOpenInvoiceHdr h;
    ASSERT_TRUE(ReadHeader("C1", "INV1", h));
    EXPECT_EQ(+h.MainId, 1);
    EXPECT_EQ(+h.Date52, 20270101);
    EXPECT_EQ(+h.Value64, 20);
    EXPECT_STRNE(h.Text26, "OTHER");
}

TEST_F(OpenInvoiceTest, UnchangedModificationWritesNothingAndReleasesTheLock)
{
    BwOIHeader hdr(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1, static_cast<short>(dtl_));
    ASSERT_TRUE(hdr.Init());
    TagOpenInvoice d = Detail("C1", "INV1", 'I', 1, 100, 20260105);
    InsertDetail(hdr, d);
    ASSERT_TRUE(hdr.SaveDtlBeforeModification(d, true));
    ASSERT_TRUE(hdr.UpdateDtlModification(d));
    uint16_t other = Open(bwps::No(bwps::FileNo::ReceivablesOpenHeaders));
    char key[256] = {};
    std::strcpy(key, "C1");
    std::strcpy(key + 11, "INV1");
    TagOpenInvoiceHdr h;
    EXPECT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, other, key, &h, sizeof h), 0)
        << "the header is not left locked";
    BtrCloseFile(other);
    EXPECT_DOUBLE_EQ(+h.ChargesTotal, 100);
}

TEST_F(OpenInvoiceTest, DetailMovedToAnotherInvoiceMovesItsAmount)
{
    BwOIHeader hdr(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1, static_cast<short>(dtl_));
    ASSERT_TRUE(hdr.Init());
    InsertDetail(hdr, Detail("C1", "INV1", 'I', 1, 100, 20260105));
    InsertDetail(hdr, Detail("C1", "INV1", 'D', 2, 7, 20260106));
    TagOpenInvoice moved = Detail("C1", "INV2", 'D', 2, 7, 20260106);
    ChangeDetail(hdr, moved);
    TagOpenInvoiceHdr h1, h2;
    ASSERT_TRUE(ReadHeader("C1", "INV1", h1));
    ASSERT_TRUE(ReadHeader("C1", "INV2", h2));
    EXPECT_DOUBLE_EQ(+h1.Balance, 100);
    EXPECT_DOUBLE_EQ(+h2.Balance, 7);
    EXPECT_EQ(+h2.MainId, 2);
}

// A header held by another user is refused, never replaced by a second one.
TEST_F(OpenInvoiceTest, LockedHeaderIsRefusedWithoutADuplicate)
{
    BwOIHeader hdr(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1, static_cast<short>(dtl_));
    ASSERT_TRUE(hdr.Init());
    InsertDetail(hdr, Detail("C1", "INV1", 'I', 1, 100, 20260105));
    uint16_t other = Open(bwps::No(bwps::FileNo::ReceivablesOpenHeaders));
    char key[256] = {};
    std::strcpy(key, "C1");
    std::strcpy(key + 11, "INV1");
    TagOpenInvoiceHdr held;
    ASSERT_EQ(BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, other, key, &held, sizeof held), 0);
    TagOpenInvoice pay = Detail("C1", "INV1", 'P', 2, 40, 20260110);
    EXPECT_FALSE(hdr.UpdateDtlInsertion(pay));
    EXPECT_NE(hdr.GetResult(), 0);
    BtrUnlock(-2, other, nullptr);
    BtrCloseFile(other);
    EXPECT_EQ(Count(70), 1);
    TagOpenInvoiceHdr h;
    ASSERT_TRUE(ReadHeader("C1", "INV1", h));
    EXPECT_DOUBLE_EQ(+h.Balance, 100) << "the stored totals are kept";
}

TEST_F(OpenInvoiceTest, AmountThatIsNotANumberIsRefusedByName)
{
    BwOIHeader hdr(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1, static_cast<short>(dtl_));
    ASSERT_TRUE(hdr.Init());
    InsertDetail(hdr, Detail("C1", "INV1", 'I', 1, 100, 20260105));
    TagOpenInvoice bad = Detail("C1", "INV1", 'P', 2, std::nan(""), 20260110);
    EXPECT_FALSE(hdr.UpdateDtlInsertion(bad));
    EXPECT_TRUE(TranscriptHas("INV1")) << FxTranscript();
    TagOpenInvoiceHdr h;
    ASSERT_TRUE(ReadHeader("C1", "INV1", h));
    EXPECT_DOUBLE_EQ(+h.Balance, 100);
}

TEST_F(OpenInvoiceTest, PayablesCountCreditMemosAsChargesAndDebitMemosAsMemos)
{
    // The payables files live in the accounting company's folder.
    SetAccountingCompanyPath(data().c_str());
    uint8_t spec[FILE_SPEC_SIZE] = {};
    ASSERT_EQ(CreateSessionDataFile(bwps::No(bwps::FileNo::PayablesOpenItems), 0, data().c_str(), nullptr, spec), 0);
    ASSERT_EQ(CreateSessionDataFile(bwps::No(bwps::FileNo::PayablesOpenHeaders), 0, data().c_str(), nullptr, spec), 0);
    uint16_t dtl2 = Open(bwps::No(bwps::FileNo::PayablesOpenItems));
    BwOIHeader hdr(bwps::No(bwps::FileNo::PayablesOpenHeaders), -1, static_cast<short>(dtl2));
    ASSERT_TRUE(hdr.Init());
    for (const TagOpenInvoice& d :
         {Detail("V1", "B1", 'I', 1, 100, 20260105), Detail("V1", "B1", 'C', 2, 10, 20260106),
          Detail("V1", "B1", 'D', 3, 4, 20260107)}) {
        TagOpenInvoice copy = d;
        char key[256] = {};
        ASSERT_EQ(BtrWrite(B_INSERT, dtl2, key, &copy, sizeof copy), 0);
        ASSERT_TRUE(hdr.UpdateDtlInsertion(d));
    }
    TagOpenInvoiceHdr h;
    hdr.GetData(h);
    EXPECT_DOUBLE_EQ(+h.ChargesTotal, 110);
    EXPECT_DOUBLE_EQ(+h.MemoTotal, 4);
    EXPECT_DOUBLE_EQ(+h.Balance, 106);
    BtrCloseFile(dtl2);
}

// Headers rebuilt from the details equal the headers kept in step.
TEST_F(OpenInvoiceTest, RebuildFromDetailsEqualsHeadersKeptInStep)
{
    {
        BwOIHeader hdr(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1, static_cast<short>(dtl_));
        ASSERT_TRUE(hdr.Init());
        int32_t id = 1;
        for (const char* cust : {"A1", "B2", "C3"}) {
            for (const char* inv : {"X1", "X2"}) {
                InsertDetail(hdr, Detail(cust, inv, 'I', id, 100 + id, 20260101 + id));
                ++id;
                InsertDetail(hdr, Detail(cust, inv, 'P', id, 20, 20260201 + id, 1));
                ++id;
                InsertDetail(hdr, Detail(cust, inv, 'C', id, 5, 20260301 + id));
                ++id;
            }
        }
        DeleteDetail(hdr, 1);
        TagOpenInvoice payment;
        ASSERT_TRUE(FindDetail(5, payment));
        payment.Amount = 33;
        ChangeDetail(hdr, payment);
    }
    const auto kept = All<TagOpenInvoiceHdr>(70);
    ASSERT_EQ(kept.size(), 6u);

    uint8_t spec[FILE_SPEC_SIZE] = {};
    ASSERT_EQ(CreateDataFile(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), 0, nullptr, nullptr, spec), 0);
    struct Counter : CProgress {
        int steps = 0;
        void Step() override { ++steps; }
    } progress;
    {
        BwOIHeader hdr(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1, static_cast<short>(dtl_));
        ASSERT_TRUE(hdr.Init());
        ASSERT_TRUE(hdr.CompressFromExistingDtl(nullptr, nullptr, nullptr, nullptr, &progress));
    }
    EXPECT_EQ(progress.steps, 17);
    const auto rebuilt = All<TagOpenInvoiceHdr>(70);
    ASSERT_EQ(rebuilt.size(), kept.size());
    for (size_t i = 0; i < kept.size(); ++i)
        EXPECT_EQ(std::memcmp(&kept[i], &rebuilt[i], sizeof kept[i]), 0) << "header " << i;
}

TEST_F(OpenInvoiceTest, RebuildOfARangeLeavesOtherCustomersAlone)
{
    for (const TagOpenInvoice& d :
         {Detail("A1", "X1", 'I', 1, 10, 20260101), Detail("B2", "X1", 'I', 2, 20, 20260101),
          Detail("C3", "X1", 'I', 3, 30, 20260101)})
        Insert(3, d);
    BwOIHeader hdr(bwps::No(bwps::FileNo::ReceivablesOpenHeaders), -1, static_cast<short>(dtl_));
    ASSERT_TRUE(hdr.Init());
    ASSERT_TRUE(hdr.CompressFromExistingDtl("B2", nullptr, "B2", nullptr, nullptr));
    const auto headers = All<TagOpenInvoiceHdr>(70);
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_STREQ(headers[0].Customer, "B2");
    EXPECT_DOUBLE_EQ(+headers[0].Balance, 20);
}

}  // namespace
