// The dialer's rules, shared with its tests: the numbers a customer offers
// and the string dialed.
#ifndef BWPS_CUSTOMERS_DIALER_H
#define BWPS_CUSTOMERS_DIALER_H

#include <string>

#include "bwps/export.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"

namespace bwps::customers {

// The choice list of the customer's telephone numbers: byte 1, then the
// numbers that hold more than blanks and separators, joined by ",".
BWPS_EXPORT std::string DialNumberList(const CustomerRecord& customer);
// The prefix, "1" when long-distance, then the number without its
// separators (and without everything up to its first ")" unless the area
// code is dialed).
BWPS_EXPORT std::string BuildDialString(const TagDialerRecord& settings, const std::string& number);
// True when a modem takes every character (digits, "*", "#", ",").
BWPS_EXPORT bool DialStringAccepted(const std::string& dial);

}  // namespace bwps::customers

#endif
