// bwps/promotions.h: promotional-price transactions: the price of a line,
// the lines of a header's selection ranges, the overlap of two
// transactions and the removal of a transaction's lines.
#ifndef BWPS_PROMOTIONS_H
#define BWPS_PROMOTIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "bwps/export.h"
#include "bwps/records/promotions.h"
#include "bwps/table.h"

extern "C" {
// The promotional price of a line by its price kind, rounded to 4
// decimals; never below 0.
BWPS_EXPORT double ComputePromoPrice(const PromotionProductLine* line);  /* 658 */
}

namespace bwps {

// One line per active product of the header's product range (by code,
// vendor or department; an empty last value runs to the end), priced.
// Kind None gives no lines. The status of the walk: 0 when it ended well.
BWPS_EXPORT Status PromoProductLinesOf(const PromotionHeaderRecord& header, uint16_t products,
                                       std::vector<PromotionProductLine>& out);
// One line per active customer of the header's customer range (code,
// billing group, department, city or state).
BWPS_EXPORT Status PromoCustomerLinesOf(const PromotionHeaderRecord& header, uint16_t customers,
                                        std::vector<PromotionCustomerLine>& out);
// The stored lines of a transaction whose product (customer) is active.
BWPS_EXPORT Status StoredPromoProductLines(const char* number, uint16_t lines, uint16_t products,
                                           std::vector<PromotionProductLine>& out);
BWPS_EXPORT Status StoredPromoCustomerLines(const char* number, uint16_t lines, uint16_t customers,
                                            std::vector<PromotionCustomerLine>& out);

// Whether another transaction covers one of the products for a shared
// customer on a shared day. `number` is this transaction's (empty while
// new); the index of the first conflicting product line, or -1. A read
// that fails counts as a conflict.
BWPS_EXPORT int FindPromoOverlap(const PromotionHeaderRecord& header, const std::string& number,
                                 const std::vector<PromotionProductLine>& products,
                                 const std::vector<PromotionCustomerLine>& customers, uint16_t headers,
                                 uint16_t productLines, uint16_t customerLines);

// Deletes every product and customer line of a transaction and marks its
// header removed, all in one transaction. 1 done (also without a header),
// 0 failed: then nothing changed.
BWPS_EXPORT int DeletePromoDetails(const char* number, uint16_t headers, uint16_t productLines,
                                   uint16_t customerLines);

}  // namespace bwps

#endif
