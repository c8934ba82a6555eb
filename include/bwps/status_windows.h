/* bwps/status_windows.h: the status-window stack of long jobs, the
 * posting error windows, the message log (MSGLOG.TXT in the data folder)
 * and the numbered-message readers they use. Every window call returns
 * -3 when no status window is open. */
#ifndef BWPS_STATUS_WINDOWS_H
#define BWPS_STATUS_WINDOWS_H

#include <stdint.h>

#include "bwps/export.h"
#include "bwps/messages.h"
#include "fx.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    STATUS_WINDOWS_MAX = 5,
    STATUS_LINES = 8,
    STATUS_NO_WINDOW = -3,
    STATUS_TOO_MANY = -2,
    STATUS_NO_MEMORY = -1,
    STATUS_NOT_CREATED = -4,
    STATUS_NO_LIST = -6,
    STATUS_BAD_SLOT = -7,
    STATUS_NO_MESSAGE = -8,
    STATUS_MESSAGE_BROKEN = -9,
    MESSAGE_LOG_PAGE_LINES = 64,
    LINE_TEXT = 2,
    LINE_NUMBER = 5,
    LINE_AMOUNT = 10
};

typedef void (*StatusLineHook)(int row, const char* text);
typedef void (*MessageLineFunction)(const MessageRecord* record);

BWPS_EXPORT int OpenStatusWindow(int colourSet, int row, int column, int height, int width,
                                 const char* title);
BWPS_EXPORT int OpenGenericStatusWindow(int clear);
BWPS_EXPORT int RefreshStatusWindow(void);
BWPS_EXPORT int CloseStatusWindow(void);
BWPS_EXPORT int LoadStatusLines(int listId);
BWPS_EXPORT int SetStatusWindowKeys(const FxLineItem* items, int bytes);
BWPS_EXPORT int OpenNamedStatusWindow(int kind);
BWPS_EXPORT int SetStatusWindowTitle(const char* screen);
/* value: a text (type 2), an int32 (type 5) or a double (type 10). */
BWPS_EXPORT int AddStatusLine(int slot, int attribute, const void* value);
/* One value pointer for slots 0, 1, 2 ... ended by a null. */
BWPS_EXPORT int AddStatusLineV(int attribute, ...);
BWPS_EXPORT int ClearStatusLine(int slot);
BWPS_EXPORT int WriteStatusWindowText(int row, int column, int attribute, const char* text);
BWPS_EXPORT int WriteStatusMessageLine(const MessageRecord* record);
BWPS_EXPORT int LogStatusMessageLine(const MessageRecord* record);
BWPS_EXPORT int SetStatusLineHook(StatusLineHook hook);
BWPS_EXPORT int HasStatusLineHook(void);
/* The name of the screen the top window shows; "" when none is open. */
BWPS_EXPORT const char* StatusWindowScreen(void);
BWPS_EXPORT int StatusWindowDepth(void);

/* Numbered-message readers of the message file (file 94). */
BWPS_EXPORT int ReadMessageHeader(int message, uint16_t handle, MessageRecord* record);
BWPS_EXPORT int ForEachMessageLine(int message, uint16_t handle, MessageLineFunction function);

/* Posting error window: values (pointers, ended by a null) shown in the
 * lines of the message's screen. 2 when Continue was chosen, else 1; 1
 * without a window for a message that has no error screen. */
BWPS_EXPORT int ShowErrorMessageWindow(int message, int keyList, int buttons, int logFlags, ...);
/* True when the message has an error screen of its own. */
BWPS_EXPORT int HasErrorMessageScreen(int message);
BWPS_EXPORT int AskContinue(int kind, int logFlags, int count, double amount1, double amount2);

/* A choice asked on the open status window: one choice field at the row
 * and column over the list ("\001A,B": the default byte, then the
 * options), starting at the option whose first letter is *choice; the
 * chosen option's first letter goes to *choice. 0 (Esc leaves *choice as it
 * was). textId: the field's prompt and help number. */
BWPS_EXPORT int AskStatusWindowChoice(int row, int column, int textId, char* choice,
                                      const char* choiceList);

/* A customer's message code (BPOSMSGS.DB) shown in a message box with the
 * lines of text list 120 over its credit limit, balance and what is left.
 * customer: the 795-byte customer record. 0; 1 when the list is missing. */
BWPS_EXPORT int ShowAmountPrompt(const void* customer);
/* The pop-up lines of the item of a sales line (its item details, with the
 * message codes they name) in the window "RSProdServMessage" under the
 * item's code, description and quantity (whole when quantityKind is 0).
 * line: a TagSalesDetail. 0. */
BWPS_EXPORT int ShowProdServMessage(void* unused1, void* unused2, int quantityKind,
                                    const void* line);

/* The message log: one report kept open until CloseMessageLog. */
BWPS_EXPORT int OpenMessageLog(void);
BWPS_EXPORT int WriteMessageLogLine(const char* text, int column, int attribute);
BWPS_EXPORT int MessageLogNewLines(int count);
BWPS_EXPORT int MessageLogHeading(void);
BWPS_EXPORT int CloseMessageLog(void);
BWPS_EXPORT int LogTextLine(const char* text, int textId);
/* Writes the non-empty lines of a null-ended array, then a blank line,
 * opening the log when needed. */
BWPS_EXPORT int LogMessageLines(char** lines);

#ifdef __cplusplus
}
#endif

#endif
