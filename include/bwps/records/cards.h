/* bwps/records/cards.h: card authorization. The card-transaction context
 * that the host owns, the request record exchanged with the authorizer
 * program and the card-transaction record of BPOSCARD.DB (file 45). */
#ifndef BWPS_RECORDS_CARDS_H
#define BWPS_RECORDS_CARDS_H

#include <stddef.h>
#include <stdint.h>

/* Interface kinds, operations, tender kinds and the letters of the context. */
enum {
    CARD_KIND_NONE = 1,
    CARD_KIND_AUTHORIZER = 5,
    CARD_STATE_READY = 7,

    CARD_OP_SALE = 1,
    CARD_OP_CREDIT = 2,
    CARD_OP_VOICE = 3,         /* voice approval, first form */
    CARD_OP_VOICE_SCREEN = 4,  /* voice approval typed on the voice-approval screen */
    CARD_OP_VOID = 9,
    CARD_OP_LOCAL = 10,        /* needs no request (the swipe window's own exchange) */

    CARD_RESULT_CLEARED = 0,
    CARD_RESULT_SENT = '1',
    CARD_RESULT_ANSWERED = '3',
    CARD_RESULT_FAILED = 0xFF,

    CARD_TENDER_CREDIT = 'N',
    CARD_TENDER_DEBIT = 'D',
    CARD_TENDER_CHECK = 'C',

    CARD_HANDLER_SLOTS = 10
};

/* Kinds of a stored card transaction. */
enum {
    CARD_RECORD_SALE = 1,
    CARD_RECORD_CREDIT = 2,
    CARD_RECORD_VOICE = 3,     /* also written over the kind when a transaction is voided */
    CARD_RECORD_OTHER = 4,
    CARD_RECORD_DEBIT = 5,
    CARD_RECORD_CHECK = 6,
    CARD_RECORD_UNREVERSED = 'U' /* CardTransactionRecord.Unreversed */
};

#pragma pack(push, 1)
/* 1906 bytes, owned by the host and cleared by SetupCardAuthorization. The
 * host fills the invoice and register numbers, the file handle, the payment
 * method, the tender kind, the check mode, the swipe-first byte and the
 * amount before an authorization or a void. Texts end with a zero byte. */
typedef struct CardContext {
    uint8_t Kind;                 /* 0: CARD_KIND_* */
    uint8_t State;                /* 1: CARD_STATE_READY once set up */
    uint8_t CheckMode;            /* 2: 2 bank line, 4 licence, 5 licence and birth date */
    uint8_t Ready;                /* 3: the answer of SetupCardAuthorization */
    char SwipeFirst;              /* 4: 'Y': the card screen offers the swipe window first */
    char EntryLetter;             /* 5: 'K' read from the card reader, 0 keyed */
    uint16_t Register;            /* 6 */
    uint16_t FileHandle;          /* 8: open BPOSCARD.DB */
    uint8_t Operation;            /* 10: CARD_OP_* */
    char ParameterText1[20];      /* 11: from the authorizer's parameter file */
    char InvoiceNo[11];           /* 31 */
    char PaymentMethod[11];       /* 42 */
    char Name[27];                /* 53: card holder */
    char CardNumber[26];          /* 80: or the licence number of a check */
    char Stripe[81];              /* 106: stripe text, 80 characters */
    char ParameterText2[30];      /* 187 */
    char Expiry[5];               /* 217: year then month, "YYMM" */
    char CheckField2[3];          /* 222 */
    char BankLine[29];            /* 225 */
    char CheckField10[11];        /* 254 */
    int32_t BirthDate;            /* 265 */
    double Amount;                /* 269: made positive; negative turns a sale into a credit */
    char Approval[41];            /* 277: approval code, or the decline text */
    char ApprovalLetter;          /* 318: 'Y' approved, 'N' declined, 0 no answer */
    int32_t Value;                /* 319: copied into the card record */
    char AnswerLetterCopy;        /* 323 */
    char Folder[260];             /* 324: the authorizer folder, ending with '/' */
    char RequestName[512];        /* 584: "AUTHnnnn.IN" */
    char AnswerName[512];         /* 1096: "AUTHnnnn.OUT" */
    uint8_t Result;               /* 1608: CARD_RESULT_* */
    char TenderKind;              /* 1609: CARD_TENDER_* */
    char CardData[81];            /* 1610: card data of the request, 80 characters */
    char EntryMode;               /* 1691: 'M' keyed, 'S' swiped */
    char AmountText[10];          /* 1692 */
    char AnswerLetter;            /* 1702 */
    char AnswerText[33];          /* 1703 */
    uint32_t Handlers[CARD_HANDLER_SLOTS]; /* 1736: handler numbers of slots 1-10 (0: none) */
    uint8_t Track;                /* 1776: swipe track 1 or 2 */
    int32_t Sequence;             /* 1777: number of the exchange files */
    uint8_t LastOperation;        /* 1781: last operation other than a void */
    uint8_t AddressFlag;          /* 1782: address verification asked */
    char AddressText2[10];        /* 1783: postal code */
    char AddressText1[21];        /* 1793: street address */
    uint8_t Reserved[92];         /* 1814 */
} CardContext;

/* 262 bytes: one request or answer, cleared before use. A request goes to
 * the authorizer as one text line; an answer file is read into the same
 * shape (answer letter at 259, approval code at 150, answer text at 193). */
typedef struct CardRequest {
    char Reference[11];           /* 0: the invoice number from its third character */
    char CardData[81];            /* 11 */
    char Amount[9];               /* 92: cents, no decimal point */
    char Empty101[9];             /* 101 */
    char AddressText2[10];        /* 110 */
    char AddressText1[21];        /* 120 */
    char Empty141[9];             /* 141 */
    char ApprovalCode[7];         /* 150 */
    char Empty157[36];            /* 157 */
    char AnswerText[33];          /* 193: answers only */
    char Empty226[32];            /* 226 */
    char Prefix;                  /* 258: 'P' */
    char Letter;                  /* 259: 'W' sale or credit, 'C' void; the answer letter of an answer */
    char Code;                    /* 260: transaction code */
    char EntryMode;               /* 261: '0' keyed card, '3' keyed check, '1'/'2' swiped track */
} CardRequest;

/* 185 bytes. Key 0: invoice number and register number (duplicates). */
typedef struct CardTransactionRecord {
    char InvoiceNo[11];           /* 0 */
    uint16_t Register;            /* 11 */
    uint8_t Kind;                 /* 13: CARD_RECORD_* */
    char CardNumber[26];          /* 14 */
    char Expiry[5];               /* 40 */
    char Approval[40];            /* 45: approval code or decline text */
    uint8_t Zero85;               /* 85 */
    char PaymentMethod[11];       /* 86 */
    char Name[27];                /* 97 */
    double Amount;                /* 124 */
    uint8_t Zero132[2];           /* 132 */
    int32_t Value;                /* 134 */
    uint8_t PreviousKind;         /* 138: the kind before a void, 0 otherwise */
    char Unreversed;              /* 139: 'U': approved, its reversal never went through */
    uint8_t Zero140[45];          /* 140 */
} CardTransactionRecord;

/* Key 0 of BPOSCARD.DB. */
typedef struct CardTransactionKey {
    char InvoiceNo[11];
    uint16_t Register;
} CardTransactionKey;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(CardContext) == 1906, "card context");
static_assert(offsetof(CardContext, Register) == 6, "register");
static_assert(offsetof(CardContext, Operation) == 10, "operation");
static_assert(offsetof(CardContext, InvoiceNo) == 31, "invoice");
static_assert(offsetof(CardContext, CardNumber) == 80, "card number");
static_assert(offsetof(CardContext, Expiry) == 217, "expiry");
static_assert(offsetof(CardContext, Amount) == 269, "amount");
static_assert(offsetof(CardContext, Approval) == 277, "approval");
static_assert(offsetof(CardContext, ApprovalLetter) == 318, "approval letter");
static_assert(offsetof(CardContext, Folder) == 324, "folder");
static_assert(offsetof(CardContext, Result) == 1608, "result");
static_assert(offsetof(CardContext, TenderKind) == 1609, "tender kind");
static_assert(offsetof(CardContext, AnswerText) == 1703, "answer text");
static_assert(offsetof(CardContext, Handlers) == 1736, "handlers");
static_assert(offsetof(CardContext, Sequence) == 1777, "sequence");
static_assert(offsetof(CardContext, AddressText1) == 1793, "address text 1");
static_assert(offsetof(CardContext, Reserved) == 1814, "reserved");

static_assert(sizeof(CardRequest) == 262, "card request");
static_assert(offsetof(CardRequest, CardData) == 11, "card data");
static_assert(offsetof(CardRequest, Amount) == 92, "amount");
static_assert(offsetof(CardRequest, Empty101) == 101, "empty 101");
static_assert(offsetof(CardRequest, AddressText2) == 110, "address 2");
static_assert(offsetof(CardRequest, AddressText1) == 120, "address 1");
static_assert(offsetof(CardRequest, Empty141) == 141, "empty 141");
static_assert(offsetof(CardRequest, ApprovalCode) == 150, "approval code");
static_assert(offsetof(CardRequest, Empty157) == 157, "empty 157");
static_assert(offsetof(CardRequest, AnswerText) == 193, "answer text");
static_assert(offsetof(CardRequest, Empty226) == 226, "empty 226");
static_assert(offsetof(CardRequest, Prefix) == 258, "prefix");
static_assert(offsetof(CardRequest, Letter) == 259, "letter");
static_assert(offsetof(CardRequest, Code) == 260, "code");
static_assert(offsetof(CardRequest, EntryMode) == 261, "entry mode");

static_assert(sizeof(CardTransactionRecord) == 185, "card transaction");
static_assert(offsetof(CardTransactionRecord, Register) == 11, "register");
static_assert(offsetof(CardTransactionRecord, Kind) == 13, "kind");
static_assert(offsetof(CardTransactionRecord, CardNumber) == 14, "card number");
static_assert(offsetof(CardTransactionRecord, Expiry) == 40, "expiry");
static_assert(offsetof(CardTransactionRecord, Approval) == 45, "approval");
static_assert(offsetof(CardTransactionRecord, PaymentMethod) == 86, "payment method");
static_assert(offsetof(CardTransactionRecord, Name) == 97, "name");
static_assert(offsetof(CardTransactionRecord, Amount) == 124, "amount");
static_assert(offsetof(CardTransactionRecord, Value) == 134, "value");
static_assert(offsetof(CardTransactionRecord, PreviousKind) == 138, "previous kind");
static_assert(offsetof(CardTransactionRecord, Unreversed) == 139, "unreversed");
static_assert(sizeof(CardTransactionKey) == 13, "card key");
#endif

#endif
