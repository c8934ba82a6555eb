// The message that explains a record-manager status: the library shows it,
// and the base-files builder makes sure the message table holds it.
#ifndef BWPS_SESSION_STATUS_MESSAGES_H
#define BWPS_SESSION_STATUS_MESSAGES_H

namespace bwps {

// Number of the message for a status: fixed numbers for the special
// negative statuses and 10000, 25 for any other negative one, two
// messages a status from 1 to 59 (from 27) and from 80 on (from 145).
// Statuses whose number by that rule would be another status's or another
// text's have their own: 60 to 79 from 1901, and 95, 96, 99 and 100.
constexpr int StatusMessageNumber(int status)
{
    switch (status) {
    case -2: return 23;
    case -3: return 21;
    case -4: return 19;
    case -5: return 17;
    case -6: return 1359;
    case 95: return 1941;
    case 96: return 1943;
    case 99: return 1945;
    case 100: return 1947;
    case 10000: return 1730;
    default: break;
    }
    if (status < 0)
        return 25;
    if (status >= 1 && status <= 59)
        return 2 * status + 25;
    if (status >= 60 && status <= 79)
        return 2 * (status - 60) + 1901;
    return 2 * (status - 80) + 145;
}

}  // namespace bwps

#endif
