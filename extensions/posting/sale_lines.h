// The detail lines of one sale, from the sales lines and from the detail
// file its register kept.
#pragma once

#include <vector>

#include "bwps/records/sales.h"

namespace bwps1::posting {

// The sale's lines in the sales-lines file, in line order.
std::vector<TagSalesDetail> ReadSaleLines(const TagSalesHdr& sale);

// The sale's lines wherever they are: its register's detail file when its
// register field is not negative, else the sales-lines file. False when
// the register file cannot be read.
bool SaleLinesAnywhere(const TagSalesHdr& sale, std::vector<TagSalesDetail>& lines);

// Copies the sale's lines from its register's detail file into the sales
// lines; a line already there (same invoice and line number) is skipped.
// *copied gets the number inserted. False (shown, naming the file or the
// sale) when the file cannot be read or a line cannot be inserted; the
// caller's transaction then leaves everything as it was.
bool CopySaleRegisterLines(const TagSalesHdr& sale, int* copied);

}  // namespace bwps1::posting
