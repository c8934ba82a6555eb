/* bwps/records.h: stored records of the catalogue, the general settings
 * file, the key-definition file, the window-position file and the version
 * records. Every layout is packed and little-endian; offsets are fixed.
 *
 * The company-id record (BPOSCID.DB) is CompanyIdRecord of bwps/session.h.
 */
#ifndef BWPS_RECORDS_H
#define BWPS_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* ---- Record-manager create format ---- */

/* 16-byte file specification of BtrCreateFile. */
typedef struct TagFileSpec {
    uint16_t RecordLength;      /* 0 */
    uint16_t PageSize;          /* 2 */
    uint8_t KeyCount;           /* 4: data-file creation writes the segment count */
    uint8_t Reserved1[5];       /* 5 */
    uint16_t Flags;             /* 10: bit 0x0001 variable-length records */
    uint8_t Reserved2[4];       /* 12 */
} TagFileSpec;

/* 16-byte key segment specification. */
typedef struct TagKeySegment {
    uint16_t Position;          /* 0: 1-based */
    uint16_t Length;            /* 2 */
    uint16_t Flags;             /* 4: KF_... of recman.h */
    uint8_t Reserved1[4];       /* 6 */
    uint8_t Type;               /* 10: KT_... of recman.h */
    uint8_t NullValue;          /* 11 */
    uint8_t Reserved2[4];       /* 12 */
} TagKeySegment;

/* Key-definition record of BPOSKEY.DB (file 88), one per segment. Key 0:
 * the name, 15 bytes, case-insensitive, duplicates in insertion order. */
typedef struct TagKeyDefinition {
    char FileName[16];          /* 0: accounting form, blank padded */
    int16_t Unused;             /* 16: zero */
    int16_t SegmentNumber;      /* 18: counted from 0 over all keys of the file */
    TagKeySegment Segment;      /* 20 */
} TagKeyDefinition;

/* ---- General settings file (files 31 and 15) ---- */

/* Every settings record begins with its 16-byte key: 15 characters, blank
 * padded, then NUL. */
enum { GENERAL_KEY_SIZE = 16 };

#define GENERAL_KEY_COMPANY       "0Company       "
#define GENERAL_KEY_SYSTEM        "0System        "
#define GENERAL_KEY_INTERFACE     "0Interface     "
#define GENERAL_KEY_PERIODS       "0Periods       "
#define GENERAL_KEY_PASSWORDS     "0Passwords     "
#define GENERAL_KEY_SCHEDULE      "0Schedule      "
#define GENERAL_KEY_STATEMENTS    "0Statements    "
#define GENERAL_KEY_SUPPINDEXES   "0SuppIndexes   "
#define GENERAL_KEY_TRANSINFO     "0TransInfo     "
#define GENERAL_KEY_FORMAT        "0Format        "
#define GENERAL_KEY_LOOKUPS       "0LookUps       "
#define GENERAL_KEY_DEFAULTS      "0Defaults      "
#define GENERAL_KEY_LABELDEFAULTS "0LabelDefaults "
#define GENERAL_KEY_INDEXVALUES   "0IndexValues   "
#define GENERAL_KEY_CURRPOSTING   "0CurrPosting   "
#define GENERAL_KEY_BANNERS       "0Banners       "
#define GENERAL_KEY_LASTNUMBERS   "0lastnumbers   "
#define GENERAL_KEY_PRODDEFAULTS  "0proddefaults  "
#define GENERAL_KEY_CUSTDEFAULTS  "0custdefaults  "
#define GENERAL_KEY_SYSINTERFACE  "0sysinterface  "
#define GENERAL_KEY_CURRENTYEAR   "0currentyear   "
#define GENERAL_KEY_CCARDINTF     "0ccardintf     "
#define GENERAL_KEY_BAKDEFAULTS   "0bakdefaults   "
#define GENERAL_KEY_DIALER        "0dialer        "
#define GENERAL_KEY_HOSTDEFAULTS  "0hostdefaults  "
#define GENERAL_KEY_PROGVERSION   "0ProgVersion   "
#define GENERAL_KEY_PRODMASK      "0ProdMask      "
#define GENERAL_KEY_UDFCUSTOMER   "0UDFCustomer   "
#define GENERAL_KEY_UDFPRODUCT    "0UDFProduct    "
#define GENERAL_KEY_UDFSERVICE    "0UDFService    "
#define GENERAL_KEY_FILESVERSION  "0BwFilesVersion"

/* Record lengths that the readers pass. */
enum {
    GENERAL_COMPANY_SIZE = 818,
    GENERAL_SYSTEM_SIZE = 360,              /* the store's copy */
    GENERAL_ACCOUNTING_SYSTEM_SIZE = 469,   /* the accounting company's record */
    GENERAL_INTERFACE_SIZE = 204,
    GENERAL_PERIODS_SIZE = 462,
    GENERAL_PASSWORDS_SIZE = 167,
    GENERAL_TRANSINFO_SIZE = 526,
    GENERAL_LOOKUPS_SIZE = 76,
    GENERAL_DEFAULTS_SIZE = 1479,
    GENERAL_LASTNUMBERS_SIZE = 60,
    GENERAL_SYSINTERFACE_SIZE = 477,
    GENERAL_CURRENTYEAR_SIZE = 20,
    GENERAL_HOSTDEFAULTS_SIZE = 290,
    GENERAL_PROGVERSION_SIZE = 18,
    GENERAL_FILESVERSION_SIZE = 18,
    COMPANY_PICTURE_OFFSET = 558            /* picture path in "0Company       " */
};

/* "0sysinterface  ": the store's interface settings (477 bytes). */
typedef struct TagSysInterface {
    char Key[16];                   /* 0 */
    uint8_t Data16[9];              /* 16 */
    int16_t Word25;                 /* 25 */
    uint8_t Data27[6];              /* 27 */
    int16_t SessionOption;          /* 33 */
    uint8_t Data35[16];             /* 35 */
    int16_t Interfaced;             /* 51: non-zero when interfaced (1 in another company: link set) */
    int16_t Word53;                 /* 53 */
    int16_t CheckJournalPrinted;    /* 55 */
    int16_t Word57;                 /* 57 */
    uint8_t Data59[12];             /* 59 */
    int16_t VerifyBeforeCopy;       /* 71: 89 ("Y") verifies every transaction */
    int16_t SystemByte43;           /* 73: from the accounting system record */
    int16_t SystemByte44;           /* 75 */
    uint8_t Data77[4];              /* 77 */
    char CardAuthorizer;            /* 81: "Y" */
    uint8_t Data82;                 /* 82 */
    uint8_t PostingVariant;         /* 83: 1 through a date, else by period */
    char DescribeBySale;            /* 84: "Y" / "N" */
    uint8_t Data85[11];             /* 85 */
    char Text96[6];                 /* 96 */
    char DefaultTaxCode[6];         /* 102 */
    char AccountingFolder[144];     /* 108 */
    char Accounts[4][11];           /* 252, 263, 274, 285 */
    uint8_t Data296[145];           /* 296 */
    char OpeningAmount;             /* 441 */
    uint8_t Data442;                /* 442 */
    char PasswordsInForce;          /* 443 */
    char ProductActivity;           /* 444 */
    uint8_t Data445;                /* 445 */
    char InterfacedChar;            /* 446: "Y" tells the framework */
    uint8_t Data447;                /* 447 */
    char CardAddressEntry;          /* 448: "N", "A"; "O" when NUL */
    char SystemByte47;              /* 449 */
    char SystemByte48;              /* 450 */
    char SystemByte49;              /* 451 */
    char OnlineLedger;              /* 452 */
    char OnlineCheckRegister;       /* 453 */
    char OptionSet;                 /* 454 */
    uint8_t Data455[7];             /* 455 */
    char SystemText[15];            /* 462 */
} TagSysInterface;

/* "0Interface     " (204 bytes). */
typedef struct TagInterfaceRecord {
    char Key[16];                   /* 0 */
    char Flag;                      /* 16: "N" in the built-in defaults */
    char Accounts[14][11];          /* 17 */
    uint8_t Rest[33];               /* 171 */
} TagInterfaceRecord;

/* "0lastnumbers   " (60 bytes): the last number given out of each counter. */
typedef struct TagLastNumbers {
    char Key[16];
    int32_t Counters[11];           /* 16 .. 56 */
} TagLastNumbers;

/* "0TransInfo     " (526 bytes). */
typedef struct TagTransInfo {
    char Key[16];                   /* 0 */
    int32_t Counters[31];           /* 16: indexed by number kind */
    uint8_t Data140[2];             /* 140 */
    char Alignment[8][13];          /* 142: "Y" first: left-aligned number */
    uint8_t Rest[280];              /* 246 */
} TagTransInfo;

/* "0currentyear   " (20 bytes). */
typedef struct TagCurrentYear {
    char Key[16];
    int16_t Year;                   /* 16 */
    int16_t Zero;                   /* 18 */
} TagCurrentYear;

/* "0hostdefaults  " (290 bytes): 274 bytes that the host keeps. */
typedef struct TagHostDefaults {
    char Key[16];
    uint8_t Data[274];
} TagHostDefaults;

/* "0ProgVersion   " (18 bytes): 8, 9 or 10. */
typedef struct TagProgVersion {
    char Key[16];
    int16_t Version;                /* 16 */
} TagProgVersion;

/* "0BwFilesVersion" (18 bytes): the data-files version stamp. */
typedef struct TagFilesVersion {
    char Key[16];
    uint8_t Major;                  /* 16 */
    uint8_t Minor;                  /* 17 */
} TagFilesVersion;

/* "0Periods       " (462 bytes): 26 periods, 0-12 the current year, 13-25
 * the next. */
typedef struct TagPeriodEntry {
    char Status;                    /* 0: "O" open, "C" closed */
    char State;                     /* 1: "I", "A" active */
    char Name[7];                   /* 2 */
    int32_t FirstDate;              /* 9 */
    int32_t LastDate;               /* 13 */
} TagPeriodEntry;

typedef struct TagPeriods {
    char Key[16];                   /* 0 */
    int16_t Count;                  /* 16 */
    int16_t CurrentPeriod;          /* 18: -1 when none */
    TagPeriodEntry Entries[26];     /* 20 */
} TagPeriods;

/* Station account block (336 bytes) built from a station record. */
typedef struct TagStationAccounts {
    uint8_t Head[16];               /* 0 */
    char Account1[16];              /* 16 */
    char Account2[16];              /* 32 */
    char Account3[16];              /* 48 */
    char StationField1[16];         /* 64 */
    char Account4[16];              /* 80 */
    char Account5[16];              /* 96 */
    char StationField2[16];         /* 112 */
    char StationField3[16];         /* 128 */
    uint8_t Rest[192];              /* 144 */
} TagStationAccounts;

enum {
    STATION_RECORD_SIZE = 1573,
    STATION_FIELD1_OFFSET = 560,
    STATION_FIELD2_OFFSET = 576,
    STATION_FIELD3_OFFSET = 592,
    STATION_SET1_OFFSET = 608,
    STATION_SET2_OFFSET = 688,
    STATION_SET3_OFFSET = 768,
    STATION_PRINT_OFFSET = 426,
    STATION_PRINT_SIZE = 119
};

/* ---- Window positions (BPOSWPOS.DB, base folder, 342 bytes) ---- */
enum { WINDOW_POSITION_DATA_SIZE = 327 };
typedef struct TagWindowPosition {
    char StationId[15];             /* 0: key segment 1 */
    uint8_t Data[WINDOW_POSITION_DATA_SIZE]; /* 15: window name (50) is segment 2, byte 65 segment 3 */
} TagWindowPosition;

/* ---- Company-id file, older layout (60 bytes) ---- */
typedef struct TagCompanyIdOld {
    char Status;                    /* 0 */
    char CompanyId[19];             /* 1 */
    char Folder[36];                /* 20 */
    int32_t Value;                  /* 56 */
} TagCompanyIdOld;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagFileSpec) == 16, "file specification");
static_assert(offsetof(TagFileSpec, KeyCount) == 4, "key count");
static_assert(offsetof(TagFileSpec, Flags) == 10, "file flags");
static_assert(sizeof(TagKeySegment) == 16, "key segment");
static_assert(offsetof(TagKeySegment, Flags) == 4, "segment flags");
static_assert(offsetof(TagKeySegment, Type) == 10, "segment type");
static_assert(sizeof(TagKeyDefinition) == 36, "key definition");
static_assert(offsetof(TagKeyDefinition, SegmentNumber) == 18, "segment number");
static_assert(offsetof(TagKeyDefinition, Segment) == 20, "segment");
static_assert(sizeof(TagSysInterface) == 477, "interface record");
static_assert(offsetof(TagSysInterface, Word25) == 25, "word 25");
static_assert(offsetof(TagSysInterface, SessionOption) == 33, "word 33");
static_assert(offsetof(TagSysInterface, Interfaced) == 51, "interfaced flag");
static_assert(offsetof(TagSysInterface, CheckJournalPrinted) == 55, "journal check");
static_assert(offsetof(TagSysInterface, VerifyBeforeCopy) == 71, "verify");
static_assert(offsetof(TagSysInterface, SystemByte43) == 73, "system byte 43");
static_assert(offsetof(TagSysInterface, CardAuthorizer) == 81, "card authorizer");
static_assert(offsetof(TagSysInterface, PostingVariant) == 83, "posting variant");
static_assert(offsetof(TagSysInterface, Text96) == 96, "text 96");
static_assert(offsetof(TagSysInterface, DefaultTaxCode) == 102, "tax code");
static_assert(offsetof(TagSysInterface, AccountingFolder) == 108, "accounting folder");
static_assert(offsetof(TagSysInterface, Accounts) == 252, "interface accounts");
static_assert(offsetof(TagSysInterface, OpeningAmount) == 441, "opening amount");
static_assert(offsetof(TagSysInterface, PasswordsInForce) == 443, "passwords");
static_assert(offsetof(TagSysInterface, InterfacedChar) == 446, "interfaced char");
static_assert(offsetof(TagSysInterface, CardAddressEntry) == 448, "card address");
static_assert(offsetof(TagSysInterface, OnlineLedger) == 452, "online ledger");
static_assert(offsetof(TagSysInterface, OptionSet) == 454, "option set");
static_assert(offsetof(TagSysInterface, SystemText) == 462, "system text");
static_assert(sizeof(TagInterfaceRecord) == 204, "0Interface");
static_assert(offsetof(TagInterfaceRecord, Accounts) == 17, "0Interface accounts");
static_assert(sizeof(TagLastNumbers) == 60, "0lastnumbers");
static_assert(sizeof(TagTransInfo) == 526, "0TransInfo");
static_assert(offsetof(TagTransInfo, Alignment) == 142, "0TransInfo alignment");
static_assert(sizeof(TagCurrentYear) == 20, "0currentyear");
static_assert(sizeof(TagHostDefaults) == 290, "0hostdefaults");
static_assert(sizeof(TagProgVersion) == 18, "0ProgVersion");
static_assert(sizeof(TagFilesVersion) == 18, "0BwFilesVersion");
static_assert(sizeof(TagPeriodEntry) == 17, "period entry");
static_assert(sizeof(TagPeriods) == 462, "0Periods");
static_assert(offsetof(TagPeriods, Entries) == 20, "period entries");
static_assert(sizeof(TagStationAccounts) == 336, "station accounts");
static_assert(offsetof(TagStationAccounts, StationField3) == 128, "station field 3");
static_assert(sizeof(TagWindowPosition) == 342, "window position");
static_assert(sizeof(TagCompanyIdOld) == 60, "old company id");
static_assert(offsetof(TagCompanyIdOld, Value) == 56, "old company value");
#endif

#endif
