/* bwps/records/messages.h: the records of the message data file WBPSRSC5.DAT
 * (file 94) and of the store's message codes (BPOSMSGS.DB, file 16).
 * Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_MESSAGES_H
#define BWPS_RECORDS_MESSAGES_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

/* A record of the message data file: key 0 is {number, line}. */
typedef struct MessageRecord {
    uint16_t Number;                /* 0 */
    int16_t Line;                   /* 2: line 0 heads the message */
    int16_t Width;                  /* 4: display width of the line */
    char Text[78];                  /* 6: NUL-terminated */
} MessageRecord;

/* A message code of the store (BPOSMSGS.DB, file 16, 130 bytes): key 0
 * the code. */
typedef struct MessageCodeRecord {
    char Code[6];                   /* 0: 5 characters and NUL */
    char Flag;                      /* 6: 'N' in a new record */
    char Lines[3][41];              /* 7, 48, 89: 40 characters and NUL */
} MessageCodeRecord;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(MessageRecord) == 84, "message record");
static_assert(offsetof(MessageRecord, Width) == 4, "message width");
static_assert(offsetof(MessageRecord, Text) == 6, "message text");
static_assert(sizeof(MessageCodeRecord) == 130, "message code record");
static_assert(offsetof(MessageCodeRecord, Lines) == 7, "message code lines");
#endif

#endif
