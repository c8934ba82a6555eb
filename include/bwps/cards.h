/* bwps/cards.h: card and check authorization through the authorizer
 * program. The host sets a context up once, then runs one authorization
 * or void per tender; approved transactions are kept in BPOSCARD.DB.
 *
 * The exchange: each send writes one request line into "AUTHnnnn.TMP" in
 * the authorizer folder (mode 0600) and renames it to "AUTHnnnn.IN"; the
 * answer "LETTER,CODE,TEXT" is awaited in "AUTHnnnn.OUT" for at most the
 * answer time-out. A send that is abandoned (Esc) or times out is voided at
 * once, so that an approval arriving late is cancelled by the authorizer.
 * The protocol is described in host/authorizer/PROTOCOL.md.
 */
#ifndef BWPS_CARDS_H
#define BWPS_CARDS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/cards.h"

#ifdef __cplusplus
extern "C" {
#endif

/* 706: the card-number check of the card screen; 1 for any text. */
BWPS_EXPORT int CheckCardNumber(const char* number);
/* 707: clears the context and sets it up for the folder and the number of
 * the exchange files; the ready byte (1 ready, 0 not). */
BWPS_EXPORT uint8_t SetupCardAuthorization(CardContext* context, const char* folder,
                                           int32_t sequence);
/* 708: collects the tender on its screen, sends it and records an approval;
 * 0 when nothing was authorised. */
BWPS_EXPORT int RunCardAuthorization(CardContext* context);
/* 709: voids (credits) the stored transaction of the context's invoice and
 * register; 1 when the void was sent and recorded. */
BWPS_EXPORT int VoidCardTransaction(CardContext* context);

/* 596: the card screen (tender kinds 'N' credit, 'D' debit), after the
 * swipe window when the swipe-first byte is 'Y'. A card read from the
 * stripe and not changed on the screen is sent as swiped, any other as
 * keyed. The key that ended the screen: F10 when it was filled, 27 (Esc)
 * when the clerk backed out, 0 when it could not run. */
BWPS_EXPORT int EditCardTender(CardContext* context);
/* 597: the check screen of the context's check mode (2 bank line, 4
 * driver's licence, 5 licence and birth date); results as 596. */
BWPS_EXPORT int EditCheckTender(CardContext* context);
/* The swipe window: reads the stripe that the card reader types, up to
 * Enter. 1 when a stripe was read and taken into the context, 0 when none
 * came, 27 when Esc abandoned it. */
BWPS_EXPORT int ReadCardSwipe(CardContext* context);

/* Inserts the context's transaction into BPOSCARD.DB; 1 when inserted. */
BWPS_EXPORT int RecordCardTransaction(CardContext* context);

/* How long a send waits for the authorizer's answer, in seconds (60 unless
 * set; at least 1). The previous value. */
BWPS_EXPORT int SetCardAuthorizationTimeout(int seconds);

#ifdef __cplusplus
}
#endif

#endif
