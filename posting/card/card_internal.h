// Card authorization inside the library: the handler slots, the request
// and answer exchange with the authorizer, and what the tests reach.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "bwps/export.h"
#include "bwps/records/cards.h"
#include "fx.h"

namespace bwps::card {

// ---- Fixed-width texts of the card records

// The text of a field, up to its NUL or its width.
template <std::size_t N>
std::string TextOf(const char (&field)[N])
{
    return std::string(field, ::strnlen(field, N));
}
// A field set to the text, cut to its width less the NUL.
template <std::size_t N>
void PutText(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}
// The field's text through the framework's clean-up (FxTrimText 5).
template <std::size_t N>
std::string Cleaned(const char (&field)[N])
{
    char copy[N + 1] = {};
    std::memcpy(copy, field, N);
    FxTrimText(5, copy);
    return copy;
}

// Handler slots of a context (CardContext::Handlers[slot - 1]).
enum Slot {
    kCheckAuthorizer = 1,
    kSend = 2,
    kReceive = 3,
    kDecline = 4,
    kReadParameters = 6,
    kClearFiles = 7,
    kAddressCheck = 9,
    kAddressDecline = 10,
};

// Messages.
enum Message {
    kNotAvailable = 639,
    kNotSupported = 645,
    kCannotOpen = 647,
    kCannotPosition = 649,
    kCannotRead = 651,
    kCannotWrite = 653,
    kBadExpiry = 659,
    kEmptyApproval = 665,
    kRetry = 1091,
    kUnreversed = 1093,
    kVoidRefused = 199,
    kExchangeBusy = 3000,   // another station uses the register's exchange
    kOtherRequest = 3001,   // the answer names another request
};

// The handler of a slot; 0 for an empty slot.
BWPS_EXPORT int CallSlot(CardContext* context, int slot);
// Puts the handlers of an authorizer context into its slots.
void InstallHandlers(CardContext* context);

// ---- the exchange (exchange.cpp)
int CheckAuthorizer(CardContext* context);
int BuildAndSendRequest(CardContext* context);
int ReceiveAnswer(CardContext* context);
int ReadParameterFile(CardContext* context);
int ClearExchangeFiles(CardContext* context);
// Sends the context's request and waits for the answer; on a failure after
// the request went out the request is voided. 1 when answered.
int SendAndWait(CardContext* context);

// Fills a request from the context (operation, tender kind, entry); false,
// with the message shown, for input that cannot be sent.
BWPS_EXPORT bool FillRequest(CardContext& context, int operation, CardRequest& request);
// The request line as written to the request file (without its zero byte).
BWPS_EXPORT std::string RequestLine(const CardRequest& request);
// Takes an answer line into the context; false (message 651) when it has no
// second field.
BWPS_EXPORT bool TakeAnswer(CardContext& context, const char* text);
// Checks that an answer line names the request (its reference and amount
// after the text) and leaves "LETTER,CODE,TEXT" in text; false with
// message 3001 when an approval, or an answer that names a request, is not
// this request's.
BWPS_EXPORT bool AnswerOfRequest(std::string& text, const CardRequest& request);
// The address-verification letter of an answer text, 0 for none.
BWPS_EXPORT char AddressResultLetter(const char* text);
// The message that explains an address-verification letter.
BWPS_EXPORT int AddressResultMessage(char letter);

// ---- tender screens (tender_screens.cpp)
// The expiry as typed (trailing blanks removed): kept when its second pair
// is a month, its pairs swapped when only the first pair can be one; 0, or
// message 659 for fewer than 4 digits or no month at all.
BWPS_EXPORT int NormaliseExpiry(std::string& text);
// Takes a stripe read from the card reader (without its sentinels) into the
// context: track, card number, name, expiry and the stripe text. The buffer
// is changed where the stripe is ('B' of track 1, 'D' separator to '=').
BWPS_EXPORT void ParseStripe(CardContext& context, char* buffer);

// ---- dialogs (authorization.cpp)
int OfferVoiceApproval(CardContext* context);
int CheckAddressAnswer(CardContext* context);
int OfferVoiceAfterAddressVoid(CardContext* context);

// The tender screens: the card screen (tender kinds 'N', 'D') and the check
// screen. By default the entries of ordinals 596 and 597; tests put their
// own in place (null: back to the ordinals).
using TenderScreen = int (*)(CardContext* context);
BWPS_EXPORT void SetTenderScreens(TenderScreen card, TenderScreen check);

// Forgets the time-out, the last request and the screens set by tests.
BWPS_EXPORT void ResetCardAuthorizationState();

// The answer time-out in milliseconds; setting it (seconds) gives the
// previous value.
int AnswerTimeoutMs();
int SetTimeoutSeconds(int seconds);
void ResetExchangeState();

}  // namespace bwps::card
