/* bwps/user_rights.h: the rights of a user granted by secured function,
 * and the list of secured functions.
 *
 *  - UserRightsSet: the 200 rights flags of one user in memory ('Y'/'N',
 *    flag index 0..199 = right number - 1) with the table of default rights.
 *  - EditUserPermits: the list of secured functions in which the rights of
 *    a user record are granted by function name.
 *  - LoadSecuredFunctions: rebuilds the secured-function file BPOSGEN2.DB
 *    from "security/function.dat", resolving menu symbols against
 *    "inc/posmenu.h", and writes "security/function.h" (paths relative to
 *    the current folder).
 *
 * The user-access screen RSEditUserAccess is declared in bwps/screens.h.
 */
#ifndef BWPS_USER_RIGHTS_H
#define BWPS_USER_RIGHTS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/users.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    SECURED_FUNCTION_MARK = 0xFB,      /* mark of a granted function in the list */
    SECURED_FUNCTION_NAME_WIDTH = 30,  /* name blank-padded to 30 characters */
    SECURED_FUNCTION_LINE_SIZE = 1024  /* longest line of the function list, with its end */
};

/* Grants the rights of a user record by function: the record's rights must
 * be in plain form ('Y'/'N'). 1 when the list was accepted with F10 (the
 * flags of every listed function rewritten in the record, not in the
 * file; the caller saves it), else 0. */
BWPS_EXPORT uint8_t EditUserPermits(uint16_t userFileHandle, UserRecord* record);

/* 0 on success; 1 when an insert failed; -1 when a text file cannot be
 * opened; a record-manager status when BPOSKEY.DB or BPOSGEN2.DB cannot be
 * opened or created. */
BWPS_EXPORT int LoadSecuredFunctions(void);

/* The menu command number that "inc/posmenu.h" gives the symbol; 0 for a
 * symbol that is empty, begins with "0", is not defined, or when the header
 * cannot be read. A name equal to the symbol (case ignored) wins; without
 * one, the first name that begins with the symbol. */
BWPS_EXPORT int ResolveMenuSymbol(const char* symbol);

/* The header line of a secured function: "#define  _SEC_NAME ... number\n"
 * (out: 128 bytes at least). */
BWPS_EXPORT void WriteSecuredFunctionDefine(char* out, const SecuredFunctionRecord* record);

#ifdef __cplusplus
}

/* The rights flags of one user in memory. Indexes are flag indexes 0..199;
 * every flag is 'Y' or 'N' once set (all zero after construction). */
class BWPS_EXPORT UserRightsSet {
public:
    enum { kCount = 200, kDefaultCount = 27 };

    UserRightsSet();
    virtual ~UserRightsSet();

    /* 200 characters: 'Y' stays 'Y', any other becomes 'N'. */
    void SetFromString(const char* flags);
    /* 'Y' grants every right, anything else removes every right. */
    void SetAll(char flag);
    /* One flag by index, the same rule; an index outside 0..199 is ignored. */
    void SetRight(int index, char flag);
    /* The flag at an index, 0 outside 0..199. */
    char Right(int index) const;
    /* True when every right of the default table holds its default. */
    bool IsDefault() const;
    /* Sets each right of the default table to its default. */
    void ApplyDefaults();
    /* True with the default when the index is in the default table. */
    static bool GetDefault(int index, char* flag);
    /* The 200 flags (not NUL-terminated). */
    const char* Flags() const { return m_flags; }

private:
    char m_flags[kCount];
};
#endif

#endif
