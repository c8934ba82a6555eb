// A company for the ledger tests: every data file created from the key
// definitions, the on-line ledger option on, a chart of accounts over the
// built-in interface accounts (parents up to level 1, one account whose
// parent is missing), tax codes, tenders, products, services, a billing
// code, customers and a layaway; helpers to store sales and read the
// ledger back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bwps/records/accounts.h"
#include "bwps/records/ledger.h"
#include "bwps/records/sales.h"
#include "recman.h"
#include "tests/support/folders.h"

namespace postingtest {

struct Line {
    std::string account;
    char side;
    double amount;
    bool operator==(const Line& o) const;
    bool operator<(const Line& o) const;
};
std::ostream& operator<<(std::ostream& out, const Line& line);

// A sale line: kind, item, category, quantity, extended amount.
struct SaleLine {
    char kind;
    const char* item;
    const char* category;
    double quantity;
    double extended;
};

// Every record of a data file in the order of its current key, handed to f
// (nothing when the file cannot be opened).
template <class R, class F>
void ForEachRecord(const std::string& path, F f)
{
    uint16_t handle = 0;
    if (BtrOpenFile(&handle, path.c_str(), 0, 0) != 0)
        return;
    uint8_t key[256] = {};
    R row;
    for (int op = B_GET_FIRST; BtrGet(op, handle, key, &row, sizeof row) == 0; op = B_GET_NEXT)
        f(row);
    BtrCloseFile(handle);
}

template <class R>
std::vector<R> ReadAll(const std::string& path)
{
    std::vector<R> rows;
    ForEachRecord<R>(path, [&](const R& row) { rows.push_back(row); });
    return rows;
}

class PostingTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string DataPath(const char* name) const { return data_ + "/" + name; }
    std::string FilePath(int fileNumber) const;

    // Records of the company.
    void PutAccount(const char* number, const char* parent, char level, int type, char kind);
    void PutTax(const char* code, float rate1, const char* account1, float rate2,
                const char* account2);
    void PutTender(const char* code, const char* account);
    void PutProduct(const char* code, uint8_t kind, double averageCost);
    void PutService(const char* code);
    void PutBillingCode(const char* code, const char* account);
    void PutCustomer(const char* code, const char* account);
    void PutLayaway(const char* number, const char* customer, double prepayments);
    void SetOnline(char flag);
    // The accounting company's files (the sales-detail history) are kept in
    // `folder`.
    void SetAccountingFolder(const std::string& folder);
    // Stores a sale header and its lines (line numbers from 1).
    void PutSale(const TagSalesHdr& header, const std::vector<SaleLine>& lines);
    TagSalesHdr ReadSale(const char* invoice);

    // The ledger as stored.
    std::vector<TagGLHeader> Headers();
    std::vector<TagLedgerDetail> LinesOf(const TagGLHeader& header);
    std::vector<TagLedgerDetail> AllLines();
    std::vector<Line> Summary(const TagGLHeader& header);
    TagAccount Account(const char* number);
    TagJournal Journal(const char* code);

    // The lines file recreated with a unique key on the account: a second
    // line to the same account is refused (status 5).
    void MakeLineAccountsUnique();

    bwpstest::ScratchFolder scratch_{"posting"};
    std::string program_;
    std::string data_;
};


TagSalesHdr Sale(const char* invoice, char type, double total);

}  // namespace postingtest
