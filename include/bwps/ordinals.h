/* bwps/ordinals.h: the ordinal table of bwpsbase.
 *
 * Functions that callers reach by number register themselves from any
 * source file of bwpsbase:
 *
 *     BWPS_ORDINAL(403, CheckUserAccess);
 *
 * and BWPSOrdinal(403) then gives the function's address (null for a number
 * that nobody registered). Registration runs while the library loads.
 */
#ifndef BWPS_ORDINALS_H
#define BWPS_ORDINALS_H

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The entry of an ordinal, or null. */
BWPS_EXPORT void* BWPSOrdinal(int ordinal);

/* Registers an entry; a second registration of the same number keeps the
 * first and returns 0. */
BWPS_EXPORT int BWPSRegisterOrdinal(int ordinal, void* entry, const char* name);

/* The name registered for an ordinal, or null. */
BWPS_EXPORT const char* BWPSOrdinalName(int ordinal);

#ifdef __cplusplus
}

namespace bwps::detail {
struct OrdinalRegistration {
    OrdinalRegistration(int ordinal, void* entry, const char* name)
    {
        BWPSRegisterOrdinal(ordinal, entry, name);
    }
};
}  // namespace bwps::detail

#define BWPS_ORDINAL_CAT2(a, b) a##b
#define BWPS_ORDINAL_CAT(a, b) BWPS_ORDINAL_CAT2(a, b)
#define BWPS_ORDINAL(number, function)                                                      \
    static const ::bwps::detail::OrdinalRegistration BWPS_ORDINAL_CAT(bwpsOrdinal_, number)( \
        (number), reinterpret_cast<void*>(&(function)), #function)
#endif

#endif
