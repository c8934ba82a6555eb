/* bwps/records/general.h: the records of the general settings file BPOSGNRL.DB
 * (files 31 and 15), one per 16-byte key.
 * Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_GENERAL_H
#define BWPS_RECORDS_GENERAL_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

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
#define GENERAL_KEY_DIALPROGRAM   "0dialprogram   "
#define GENERAL_KEY_REPLACERUN    "0replacerun    "
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
    GENERAL_SYSINTERFACE_OLD_SIZE = 452,    /* data sets of versions 10 to 13 */
    GENERAL_CURRENTYEAR_SIZE = 20,
    GENERAL_HOSTDEFAULTS_SIZE = 290,
    GENERAL_PROGVERSION_SIZE = 18,
    GENERAL_FILESVERSION_SIZE = 18,
    COMPANY_PICTURE_OFFSET = 558            /* TagCompanyRecord.Picture */
};

/* "0sysinterface  ": the store's interface settings (477 bytes). Data sets
 * of versions 10 to 13 store the first 452 bytes. Words hold 0/1 or a
 * character code; character flags hold 'Y' or 'N'. */
typedef struct TagSysInterface {
    char Key[16];                   /* 0 */
    uint8_t reserved16[5];          /* 16 */
    int16_t LookupOrder;            /* 21: 1 by item, 2 by customer */
    int16_t Word23;                 /* 23: 0/1 */
    int16_t Word25;                 /* 25: 0/1 (GetSysInterfaceWord25) */
    int16_t Word27;                 /* 27: 0/1 */
    int16_t Word29;                 /* 29: 0/1 */
    int16_t Word31;                 /* 31: 1 in a new company */
    int16_t SessionOption;          /* 33: 1 accepts a blank customer code */
    int16_t Word35;                 /* 35: 0/1 */
    int16_t Word37;                 /* 37: 0/1 */
    int16_t Number39;               /* 39: up to 3 digits */
    uint8_t reserved41[6];          /* 41 */
    int16_t SerialLevel;            /* 47: 1 no, 2 form level, 3 detail line level (0 reads as 1) */
    uint8_t reserved49[2];          /* 49 */
    int16_t Interfaced;             /* 51: non-zero when interfaced (1 in another company: link set) */
    int16_t Word53;                 /* 53 */
    int16_t CheckJournalPrinted;    /* 55 */
    int16_t Word57;                 /* 57 */
    uint8_t reserved59[2];          /* 59 */
    int16_t StationPrompt;          /* 61: non-zero: the station id is asked at sign-in */
    int16_t Word63;                 /* 63: 1 in a new company */
    uint8_t reserved65[4];          /* 65 */
    int16_t Word69;                 /* 69: 1 in a new company */
    int16_t VerifyBeforeCopy;       /* 71: 89 ("Y") verifies every transaction */
    int16_t SystemByte43;           /* 73: 'Y': customer history is kept */
    int16_t SystemByte44;           /* 75: 'Y': salesperson period totals are kept */
    int16_t TimeClock;              /* 77: 'Y': the salesperson time clock is in use */
    int16_t Word79;                 /* 79: 'Y'/'N' */
    char CardAuthorizer;            /* 81: "Y" */
    uint8_t Data82;                 /* 82 */
    uint8_t PostingVariant;         /* 83: 1 through a date, else by period */
    char DescribeBySale;            /* 84: "Y" / "N" */
    char TenderCode[11];            /* 85: 10 characters and NUL */
    char Text96[6];                 /* 96: terms code, 5 characters and NUL */
    char DefaultTaxCode[6];         /* 102 */
    char AccountingFolder[144];     /* 108 */
    char Accounts[4][11];           /* 252, 263, 274, 285 */
    char CardProgram[144];          /* 296: path of the card verification program */
    uint8_t reserved440;            /* 440 */
    char OpeningAmount;             /* 441 */
    uint8_t Byte442;                /* 442: 0/1 */
    char PasswordsInForce;          /* 443 */
    char ProductActivity;           /* 444 */
    uint8_t SerialLevelByte;        /* 445: 1 no, 2 form level, 3 detail line level (0 reads as 1) */
    char InterfacedChar;            /* 446: "Y" tells the framework */
    char Flag447;                   /* 447: 'Y'/'N' */
    char CardAddressEntry;          /* 448: "N", "A"; "O" when NUL */
    char SystemByte47;              /* 449 */
    char SystemByte48;              /* 450 */
    char SystemByte49;              /* 451 */
    char OnlineLedger;              /* 452 */
    char OnlineCheckRegister;       /* 453 */
    char OptionSet;                 /* 454 */
    uint8_t reserved455[7];         /* 455 */
    char SystemText[15];            /* 462 */
} TagSysInterface;

/* "0Interface     " (204 bytes). */
typedef struct TagInterfaceRecord {
    char Key[16];                   /* 0 */
    char Flag;                      /* 16: "N" in the built-in defaults */
    char Accounts[14][11];          /* 17 */
    uint8_t Rest[33];               /* 171 */
} TagInterfaceRecord;

/* "0dialer        " (45 bytes): how the customer editor dials. */
typedef struct TagDialerRecord {
    char Key[16];                   /* 0 */
    char LongDistance;              /* 16: "Y" puts "1" after the prefix */
    char AreaCode;                  /* 17: "N" drops the number up to its first ")" */
    int16_t ModemPort;              /* 18: 0 none, 1-3 the serial ports COM1-COM3 */
    char Prefix[25];                /* 20: dialed before every number */
} TagDialerRecord;

/* "0dialprogram   " (160 bytes): a program that places the call, run with
 * the dial string as its one argument (empty: none). */
typedef struct TagDialProgramRecord {
    char Key[16];                   /* 0 */
    char Program[144];              /* 16 */
} TagDialProgramRecord;

/* "0replacerun    " (48 bytes): the last code replacement that committed,
 * by the name its marker file gives it. */
typedef struct TagReplaceRunRecord {
    char Key[16];                   /* 0 */
    char Run[32];                   /* 16 */
} TagReplaceRunRecord;

/* "0lastnumbers   " (60 bytes): the last number given out of each counter. */
typedef struct TagLastNumbers {
    char Key[16];
    int32_t Counters[11];           /* 16 .. 56 */
} TagLastNumbers;

/* The six running document numbers that the system-options screen shows:
 * indexes into TagLastNumbers.Counters (offsets 16, 20, 24, 32, 36, 48). */
enum {
    LASTNUMBER_FIRST = 0,           /* 16 */
    LASTNUMBER_SECOND = 1,          /* 20 */
    LASTNUMBER_THIRD = 2,           /* 24 */
    LASTNUMBER_FOURTH = 4,          /* 32 */
    LASTNUMBER_FIFTH = 5,           /* 36 */
    LASTNUMBER_SIXTH = 8            /* 48 */
};
/* The accounting company's number shown in place of the sixth while
 * interfaced: TagTransInfo.Counters index (offset 76). */
enum { TRANSINFO_SHOWN_NUMBER = 15 };

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

/* "0Company       " (818 bytes): the company information. Fields that
 * BWPSUpdateCompanyInfo fills are blank padded with a NUL in their last
 * byte; company creation sets the name and the three address lines to 30
 * blanks and a NUL. */
typedef struct TagCompanyRecord {
    char Key[16];                   /* 0 */
    char Name[41];                  /* 16: text 1 */
    uint8_t reserved57[41];         /* 57 */
    char Address1[41];              /* 98: text 2 */
    char Address2[41];              /* 139: text 3 */
    char Address3[41];              /* 180: text 4 */
    char Text221[16];               /* 221: text 5 */
    char Text237[4];                /* 237: text 6 */
    char Text241[11];               /* 241: text 7 */
    char Text252[15];               /* 252: text 8 */
    uint8_t reserved267;            /* 267 */
    char Text268[15];               /* 268: text 9 */
    uint8_t reserved283;            /* 283 */
    char Text284[15];               /* 284: text 10 */
    uint8_t reserved299;            /* 299 */
    char Text300[41];               /* 300: text 11 */
    char Text341[14];               /* 341: text 12 */
    uint8_t reserved355[38];        /* 355 */
    char Text393[14];               /* 393: text 13 */
    uint8_t reserved407[17];        /* 407 */
    char Text424[14];               /* 424: text 14 */
    uint8_t reserved438[79];        /* 438 */
    char ShortName[24];             /* 517: text 1 again */
    uint8_t reserved541[16];        /* 541 */
    char PictureShown;              /* 557: 'Y'/'N' */
    char Picture[260];              /* 558: picture path; reads move it to the images folder */
} TagCompanyRecord;

/* "0System        " as the store reads it (360 bytes): built from the
 * accounting company's system record when interfaced, else the key and
 * "A" at 16. */
typedef struct TagSystemRecord {
    char Key[16];                   /* 0 */
    char Byte16;                    /* 16: "A" when not interfaced */
    uint8_t reserved17[12];         /* 17 */
    char Byte29;                    /* 29: "D" or "S" */
    uint8_t reserved30[8];          /* 30 */
    char Byte38;                    /* 38 */
    uint8_t reserved39[4];          /* 39 */
    char Byte43;                    /* 43 */
    char Byte44;                    /* 44 */
    char Byte45;                    /* 45 */
    char ProductActivity;           /* 46 */
    char Byte47;                    /* 47 */
    char Byte48;                    /* 48 */
    char Byte49;                    /* 49 */
    uint8_t reserved50[295];        /* 50 */
    char Text345[15];               /* 345: NUL-terminated */
} TagSystemRecord;

/* "0System        " of the accounting company (469 bytes): the bytes the
 * store maps into its own TagSystemRecord. */
typedef struct TagAccountingSystemRecord {
    char Key[16];                   /* 0 */
    uint8_t reserved16[288];        /* 16 */
    char Byte304;                   /* 304 */
    uint8_t reserved305;            /* 305 */
    char Byte306;                   /* 306 */
    uint8_t reserved307[5];         /* 307 */
    char Byte312;                   /* 312 */
    uint8_t reserved313;            /* 313 */
    char Byte314;                   /* 314 */
    char Byte315;                   /* 315 */
    uint8_t reserved316[3];         /* 316 */
    char Byte319;                   /* 319 */
    uint8_t reserved320[6];         /* 320 */
    char Bytes326[3];               /* 326, 327, 328 */
    uint8_t reserved329[36];        /* 329 */
    char Byte365;                   /* 365: "Y" gives "D" at 29 */
    uint8_t reserved366[48];        /* 366 */
    char Text414[55];               /* 414 */
} TagAccountingSystemRecord;

/* "0Defaults      " of the store (1479 bytes): the fields a new company is
 * seeded with; the product defaults from 811. */
typedef struct TagDefaults {
    char Key[16];                   /* 0 */
    uint8_t reserved16[117];        /* 16 */
    char Byte133;                   /* 133: 'N' in a new company */
    char Byte134;                   /* 134: 'O' */
    char Byte135;                   /* 135: 'Y' */
    uint8_t reserved136;            /* 136 */
    char Byte137;                   /* 137: 'R' */
    int32_t Word138;                /* 138 */
    uint8_t reserved142[8];         /* 142 */
    int32_t Word150;                /* 150 */
    int32_t Word154;                /* 154 */
    uint8_t reserved158[653];       /* 158 */
    uint8_t Product[668];           /* 811: a default product record */
} TagDefaults;

/* "0Defaults      " of the accounting company (2274 bytes): its first part
 * (16 to 810) and its product part (1606) are the store's. */
typedef struct TagAccountingDefaults {
    char Key[16];                   /* 0 */
    uint8_t Settings[795];          /* 16: as the store's 16 to 810 */
    uint8_t reserved811[795];       /* 811 */
    uint8_t Product[668];           /* 1606 */
} TagAccountingDefaults;

/* "0LookUps       " (76 bytes): the default search order of each lookup
 * ('C' code, 'N' name or number, 'D' description). */
typedef struct TagLookUps {
    char Key[16];                   /* 0 */
    char LookupOrder[16];           /* 16: one letter per lookup type 0-15; 'C' */
    union {
        uint8_t reserved32[4];      /* 32 */
        char LookupOrder16;         /* 32: the letter of lookup type 16 */
    };
    char DocumentOrder[13];         /* 36: one letter per document type 0-12; 'N' */
    uint8_t reserved49[27];         /* 49 */
} TagLookUps;

/* "0Banners       " (344 bytes): eight receipt banner lines of 40
 * characters and a NUL. Lines 1-5 and 6-8 are the two groups of the
 * banner editor's message insertion. */
enum { BANNER_LINES = 8, BANNER_LINE_SIZE = 41, BANNER_FIRST_GROUP = 5, GENERAL_BANNERS_SIZE = 344 };
typedef struct TagBanners {
    char Key[16];                               /* 0 */
    char Lines[BANNER_LINES][BANNER_LINE_SIZE]; /* 16 + 41 * (line - 1) */
} TagBanners;

/* "0Passwords     " (167 bytes). */
typedef struct PasswordsRecord {
    char Key[16];                       /* 0: key and its terminating zero */
    char Unused1;                       /* 16 */
    char Entries[6][15];                /* 17: entry 5 at 92 is the supervisor */
    char Unused2[60];                   /* 107 */
} PasswordsRecord;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagSysInterface) == 477, "interface record");
static_assert(offsetof(TagSysInterface, LookupOrder) == 21, "word 21");
static_assert(offsetof(TagSysInterface, Word25) == 25, "word 25");
static_assert(offsetof(TagSysInterface, Word27) == 27, "word 27");
static_assert(offsetof(TagSysInterface, Word31) == 31, "word 31");
static_assert(offsetof(TagSysInterface, Word35) == 35, "word 35");
static_assert(offsetof(TagSysInterface, Number39) == 39, "word 39");
static_assert(offsetof(TagSysInterface, SerialLevel) == 47, "word 47");
static_assert(offsetof(TagSysInterface, SessionOption) == 33, "word 33");
static_assert(offsetof(TagSysInterface, Interfaced) == 51, "interfaced flag");
static_assert(offsetof(TagSysInterface, CheckJournalPrinted) == 55, "journal check");
static_assert(offsetof(TagSysInterface, StationPrompt) == 61, "station prompt");
static_assert(offsetof(TagSysInterface, Word63) == 63, "word 63");
static_assert(offsetof(TagSysInterface, Word69) == 69, "word 69");
static_assert(offsetof(TagSysInterface, VerifyBeforeCopy) == 71, "verify");
static_assert(offsetof(TagSysInterface, SystemByte43) == 73, "system byte 43");
static_assert(offsetof(TagSysInterface, TimeClock) == 77, "word 77");
static_assert(offsetof(TagSysInterface, Word79) == 79, "word 79");
static_assert(offsetof(TagSysInterface, CardAuthorizer) == 81, "card authorizer");
static_assert(offsetof(TagSysInterface, TenderCode) == 85, "tender code");
static_assert(offsetof(TagSysInterface, PostingVariant) == 83, "posting variant");
static_assert(offsetof(TagSysInterface, Text96) == 96, "text 96");
static_assert(offsetof(TagSysInterface, DefaultTaxCode) == 102, "tax code");
static_assert(offsetof(TagSysInterface, AccountingFolder) == 108, "accounting folder");
static_assert(offsetof(TagSysInterface, Accounts) == 252, "interface accounts");
static_assert(offsetof(TagSysInterface, CardProgram) == 296, "card program");
static_assert(offsetof(TagSysInterface, OpeningAmount) == 441, "opening amount");
static_assert(offsetof(TagSysInterface, PasswordsInForce) == 443, "passwords");
static_assert(offsetof(TagSysInterface, SerialLevelByte) == 445, "byte 445");
static_assert(offsetof(TagSysInterface, InterfacedChar) == 446, "interfaced char");
static_assert(offsetof(TagSysInterface, Flag447) == 447, "byte 447");
static_assert(offsetof(TagSysInterface, SystemByte47) == 449, "byte 449");
static_assert(offsetof(TagSysInterface, CardAddressEntry) == 448, "card address");
static_assert(offsetof(TagSysInterface, OnlineLedger) == 452, "online ledger");
static_assert(offsetof(TagSysInterface, OptionSet) == 454, "option set");
static_assert(offsetof(TagSysInterface, SystemText) == 462, "system text");
static_assert(sizeof(TagInterfaceRecord) == 204, "0Interface");
static_assert(offsetof(TagInterfaceRecord, Accounts) == 17, "0Interface accounts");
static_assert(sizeof(TagDialerRecord) == 45 && offsetof(TagDialerRecord, ModemPort) == 18 &&
                  offsetof(TagDialerRecord, Prefix) == 20,
              "0dialer");
static_assert(sizeof(TagDialProgramRecord) == 160, "0dialprogram");
static_assert(sizeof(TagReplaceRunRecord) == 48, "0replacerun");
static_assert(sizeof(TagLastNumbers) == 60, "0lastnumbers");
static_assert(offsetof(TagLastNumbers, Counters) + 4 * LASTNUMBER_THIRD == 24, "third number");
static_assert(offsetof(TagLastNumbers, Counters) + 4 * LASTNUMBER_FOURTH == 32, "fourth number");
static_assert(offsetof(TagLastNumbers, Counters) + 4 * LASTNUMBER_FIFTH == 36, "fifth number");
static_assert(offsetof(TagLastNumbers, Counters) + 4 * LASTNUMBER_SIXTH == 48, "sixth number");
static_assert(offsetof(TagTransInfo, Counters) + 4 * TRANSINFO_SHOWN_NUMBER == 76, "0TransInfo number");
static_assert(offsetof(TagSysInterface, OnlineLedger) == GENERAL_SYSINTERFACE_OLD_SIZE, "older layout ends at 452");
static_assert(offsetof(TagSysInterface, Word23) == 23 && offsetof(TagSysInterface, Word29) == 29 &&
              offsetof(TagSysInterface, Word37) == 37 && offsetof(TagSysInterface, Word53) == 53 &&
              offsetof(TagSysInterface, SystemByte44) == 75 && offsetof(TagSysInterface, DescribeBySale) == 84 &&
              offsetof(TagSysInterface, Byte442) == 442 && offsetof(TagSysInterface, ProductActivity) == 444 &&
              offsetof(TagSysInterface, SystemByte48) == 450 && offsetof(TagSysInterface, SystemByte49) == 451,
              "system-options fields");
static_assert(sizeof(TagTransInfo) == 526, "0TransInfo");
static_assert(offsetof(TagTransInfo, Alignment) == 142, "0TransInfo alignment");
static_assert(sizeof(TagCurrentYear) == 20, "0currentyear");
static_assert(sizeof(TagHostDefaults) == 290, "0hostdefaults");
static_assert(sizeof(TagProgVersion) == 18, "0ProgVersion");
static_assert(sizeof(TagFilesVersion) == 18, "0BwFilesVersion");
static_assert(sizeof(TagPeriodEntry) == 17, "period entry");
static_assert(sizeof(TagPeriods) == 462, "0Periods");
static_assert(offsetof(TagPeriods, Entries) == 20, "period entries");
static_assert(sizeof(TagCompanyRecord) == 818, "0Company");
static_assert(offsetof(TagCompanyRecord, Name) == 16, "company name");
static_assert(offsetof(TagCompanyRecord, Address1) == 98, "company address 1");
static_assert(offsetof(TagCompanyRecord, Address2) == 139, "company address 2");
static_assert(offsetof(TagCompanyRecord, Address3) == 180, "company address 3");
static_assert(offsetof(TagCompanyRecord, Text221) == 221, "company text 5");
static_assert(offsetof(TagCompanyRecord, Text237) == 237, "company text 6");
static_assert(offsetof(TagCompanyRecord, Text241) == 241, "company text 7");
static_assert(offsetof(TagCompanyRecord, Text252) == 252, "company text 8");
static_assert(offsetof(TagCompanyRecord, Text268) == 268, "company text 9");
static_assert(offsetof(TagCompanyRecord, Text284) == 284, "company text 10");
static_assert(offsetof(TagCompanyRecord, Text300) == 300, "company text 11");
static_assert(offsetof(TagCompanyRecord, Text341) == 341, "company text 12");
static_assert(offsetof(TagCompanyRecord, Text393) == 393, "company text 13");
static_assert(offsetof(TagCompanyRecord, Text424) == 424, "company text 14");
static_assert(offsetof(TagCompanyRecord, ShortName) == 517, "company short name");
static_assert(offsetof(TagCompanyRecord, PictureShown) == 557, "company picture flag");
static_assert(offsetof(TagCompanyRecord, Picture) == 558, "company picture");
static_assert(sizeof(TagSystemRecord) == 360, "0System of the store");
static_assert(offsetof(TagSystemRecord, Byte29) == 29, "system 29");
static_assert(offsetof(TagSystemRecord, Byte38) == 38, "system 38");
static_assert(offsetof(TagSystemRecord, Byte43) == 43, "system 43");
static_assert(offsetof(TagSystemRecord, ProductActivity) == 46, "system 46");
static_assert(offsetof(TagSystemRecord, Byte49) == 49, "system 49");
static_assert(offsetof(TagSystemRecord, Text345) == 345, "system text");
static_assert(sizeof(TagAccountingSystemRecord) == 469, "0System of the accounting company");
static_assert(offsetof(TagAccountingSystemRecord, Byte304) == 304, "accounting system 304");
static_assert(offsetof(TagAccountingSystemRecord, Byte306) == 306, "accounting system 306");
static_assert(offsetof(TagAccountingSystemRecord, Byte312) == 312, "accounting system 312");
static_assert(offsetof(TagAccountingSystemRecord, Byte314) == 314, "accounting system 314");
static_assert(offsetof(TagAccountingSystemRecord, Byte315) == 315, "accounting system 315");
static_assert(offsetof(TagAccountingSystemRecord, Byte319) == 319, "accounting system 319");
static_assert(offsetof(TagAccountingSystemRecord, Bytes326) == 326, "accounting system 326");
static_assert(offsetof(TagAccountingSystemRecord, Byte365) == 365, "accounting system 365");
static_assert(offsetof(TagAccountingSystemRecord, Text414) == 414, "accounting system text");
static_assert(sizeof(TagDefaults) == GENERAL_DEFAULTS_SIZE, "0Defaults");
static_assert(offsetof(TagDefaults, Byte133) == 133, "defaults 133");
static_assert(offsetof(TagDefaults, Byte137) == 137, "defaults 137");
static_assert(offsetof(TagDefaults, Word138) == 138, "defaults 138");
static_assert(offsetof(TagDefaults, Word150) == 150, "defaults 150");
static_assert(offsetof(TagDefaults, Word154) == 154, "defaults 154");
static_assert(offsetof(TagDefaults, Product) == 811, "defaults product");
static_assert(sizeof(TagAccountingDefaults) == 2274, "accounting 0Defaults");
static_assert(offsetof(TagAccountingDefaults, Product) == 1606, "accounting defaults product");
static_assert(sizeof(TagLookUps) == GENERAL_LOOKUPS_SIZE, "0LookUps");
static_assert(offsetof(TagLookUps, DocumentOrder) == 36, "0LookUps document types");
static_assert(sizeof(PasswordsRecord) == 167, "passwords record");
static_assert(sizeof(TagBanners) == GENERAL_BANNERS_SIZE, "0Banners");
static_assert(offsetof(TagBanners, Lines[7]) == 16 + 41 * 7, "0Banners line 8");
static_assert(offsetof(TagLookUps, LookupOrder16) == 32, "0LookUps byte 32");
static_assert(sizeof(TagCompanyRecord) == GENERAL_COMPANY_SIZE, "0Company length");
static_assert(offsetof(TagCompanyRecord, Picture) == COMPANY_PICTURE_OFFSET, "0Company picture");
static_assert(sizeof(TagSystemRecord) == GENERAL_SYSTEM_SIZE, "0System length");
static_assert(sizeof(TagAccountingSystemRecord) == GENERAL_ACCOUNTING_SYSTEM_SIZE, "0System length");
static_assert(sizeof(TagSysInterface) == GENERAL_SYSINTERFACE_SIZE, "0sysinterface length");
static_assert(offsetof(PasswordsRecord, Entries) == 17, "password entries");
static_assert(offsetof(PasswordsRecord, Entries) + 5 * 15 == 92, "supervisor entry");
#endif

#endif
