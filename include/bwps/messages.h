/* bwps/messages.h: numbered messages of the message data file
 * (WBPSRSC5.DAT, file 94), showing and asking them, the record-manager
 * error report and the record note files.
 */
#ifndef BWPS_MESSAGES_H
#define BWPS_MESSAGES_H

#include <stddef.h>
#include <stdint.h>

#include "bwps/export.h"
#include "bwps/records/messages.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    MESSAGE_FILE_NUMBER = 94,
    MESSAGE_RECORD_SIZE = 84,
    MESSAGE_TEXT_SIZE = 78,
    MESSAGE_LINE_SIZE = 85,         /* each line allocated in memory */
    MESSAGE_CONTEXT_OFFSET = 2001,  /* help context = message number + 2001 */
    MESSAGE_ARRAY_SLOTS = 32,       /* line array of a message (one slot ends it) */
    ERROR_REPORT_ARRAY_SLOTS = 22,  /* line array of the error report */
    MESSAGE_DEFAULT_CONTEXT = 1,    /* "use the message's own context" */
    MESSAGE_OPEN_OPERATION = -100   /* operation reported for a failed open */
};

#ifdef __cplusplus
static_assert(sizeof(((MessageRecord*)0)->Text) == MESSAGE_TEXT_SIZE, "message text");
static_assert(sizeof(MessageRecord) == MESSAGE_RECORD_SIZE, "message record");
#endif

/* Shared button lists: the first byte is the number of the default button
 * and is overwritten by AskMessage. */
#define MESSAGE_BUTTONS_CONTINUE_HELP " Continue,F1 Help"
#define MESSAGE_BUTTONS_CONTINUE_CANCEL " Continue,Cancel"
#define MESSAGE_BUTTONS_CONTINUE_CANCEL_HELP " Continue,Cancel,F1 Help"
#define MESSAGE_BUTTONS_CONTINUE " Continue"
#define MESSAGE_BUTTONS_YES_NO "\001Yes,No"

/* Dialog styles of the framework's message dialog. */
enum { MESSAGE_STYLE_ASK = 5, MESSAGE_STYLE_SHOW = 6 };

BWPS_EXPORT int MessageResourceId(int number);

/* Reads lines 1..n of a message into `lines`, an array of `slots`
 * pointers: at most slots - 1 lines, ended by a null pointer; each line is
 * allocated (MESSAGE_LINE_SIZE bytes). 0 when read, else 1 (the lines read
 * so far are freed). A message of `slots` lines or more does not fit. */
BWPS_EXPORT int ReadMessageText(int number, uint16_t handle, char** lines, int* width,
                                int* count, int slots);
/* Frees every line of a null-ended array and clears the slots. */
BWPS_EXPORT void FreeMessageLines(char** lines);

BWPS_EXPORT int ShowMessage(int number, int context);
BWPS_EXPORT int ShowMessageDialog(char** lines, int count, int width, int context, int style,
                                  int value1, int value2, int value3);
/* Asks a message with a list of buttons (null: the message's last line).
 * The chosen button's number (1-based) goes to *choice. 0, 1 when the text
 * could not be read, or the open status of the message file. */
BWPS_EXPORT int AskMessage(int number, int context, int* choice, const char* buttons,
                           const void* colours, int unused1, int unused2, int unused3,
                           int dialogValue1, int dialogValue2);
BWPS_EXPORT int ShowAmountMessage(int number, int context, double amount1, double amount2);

/* Record-manager error report. */
BWPS_EXPORT int RecordManagerStatusText(int status);
BWPS_EXPORT void ReportRecordManagerError(int status, int kind, int operation, int fileNumber,
                                          int mode);
BWPS_EXPORT int ShowRecordManagerError(int status, int kind, int operation, const char* path,
                                       int mode);
/* Builds the lines of the record-manager error report without showing
 * them: the first line, a blank line and the explanation. Returns the
 * number of lines (0 when nothing would be shown) and the width. Lines are
 * freed with FreeMessageLines. */
BWPS_EXPORT int BuildRecordManagerErrorLines(int status, int operation, const char* path,
                                             int mode, char** lines, int slots, int* width,
                                             int* context);
/* Database error window with Continue / Cancel / F1 Help buttons (bits 1,
 * 2, 4); 2 when Continue was chosen, else 1. */
BWPS_EXPORT int ShowDatabaseErrorWindow(int buttons, int logFlags, int status, int operation,
                                        int fileNumber, const char* fileName);

/* Record-manager error reports shown since the session began (the error
 * report and the database error window); the status and path of the last
 * one go to the outs. */
BWPS_EXPORT int RecordManagerErrorsReported(int* lastStatus, char* lastPath, int pathSize);

/* Record note files. */
BWPS_EXPORT const char* GetNoteFileExtension(int fileNumber);
BWPS_EXPORT char* GetNoteFileName(char* name, const char* code, int fileNumber);
BWPS_EXPORT int ConfirmDeleteNoteFile(const char* name, int fileNumber);
BWPS_EXPORT int DeleteNoteFile(const char* name, int fileNumber);
BWPS_EXPORT int DeleteDataFolderFile(const char* name);
BWPS_EXPORT int EditRecordNotes(char* name, const char* code, int fileNumber);

#ifdef __cplusplus
}
#endif

#endif
