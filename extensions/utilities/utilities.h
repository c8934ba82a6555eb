// Data-file utilities of bwpos-1: the text list writer, dropping the
// supplemental indexes of a data file, rebuilding a file record by record,
// the runs of either over every file of the check table, the key poll that
// stops a long run, and the verification of the transaction files.
//
// The utility screen and the batch build on these calls; they pass a
// UtilityRunContext (the slot of the stop message) and an interrupted flag
// that starts at 0 and is set to 1 when the user asked to stop.
#pragma once

#include <cstdint>

#include "bwps/check_table.h"
#include "fx.h"

#ifndef BWPS1_API
#define BWPS1_API extern "C" __attribute__((visibility("default")))
#endif

// What a run shares with its screen: the stop message ("Completing current
// file") that PollInterruptKey opens when the user stops the run. The
// caller closes it (FxStatusClose) when the run ends.
struct UtilityRunContext {
    FxStatus* stopMessage;
};

// Operations of RunUtilityOverAllFiles.
enum : int { UTILITY_DROP_INDEXES = 1, UTILITY_RECOVER = 2 };

// ---- The check-table copy (one block of GetCheckTableSize() rows)

// Allocates the copy when there is none, then fills it from bwpsbase's
// table. On an allocation failure the copy stays null.
BWPS1_API void LoadCheckTableCopy(void);
// Frees the copy; the pointer becomes null.
BWPS1_API void FreeCheckTableCopy(void);
// The copy, or null.
BWPS1_API FileCheckRow* CheckTableCopy(void);
// The description of a file's row (from its fifth character when the text
// is in the keyed layout " K  Description"), or the file's name when the
// descriptions are not loaded; "" for a file without a row.
BWPS1_API const char* CheckEntryDescription(int fileNumber);
// The key that picks the file on the utility screen (at most 3 characters
// and the NUL): the key of a keyed description, else "A" for all files and
// the row's index in decimal for a file; "" for a file without a row.
BWPS1_API void CheckEntryKeyText(int fileNumber, char* out);
// The file number that a typed key picks: "A" all files, 1 to 65 the file
// of that row of the check table; 0 for an empty or unknown key.
BWPS1_API int ParseUtilityKey(const char* text);
// Writes the file's record count (from the open handle's statistics) into
// its row of bwpsbase's check table; files 1 to 84 only. 1 when written.
BWPS1_API int UpdateCheckEntryCount(uint16_t handle, int fileNumber);
// Shows a numbered message with the single button " Continue".
BWPS1_API int ShowUtilityMessage(int number);
// 1 for the files the verification handles (6, 13, 34, 36, 42); else 0,
// after telling why (1265, 439 or 437) when tell is non-zero.
BWPS1_API int CanVerifyFile(int fileNumber, int tell);

// ---- The utility screen's batch and the browse screens

// Recovers every file of the check table without the screen; the key is
// never polled. 0.
BWPS1_API int RunFileUtilityBatch(void);
// The browse screen of a transaction file (4, 5/6, 9, 12/13, 34/35, 36/37,
// 42/43); any other file shows message 1271. 0.
BWPS1_API int ViewTransactions(int fileNumber);

// ---- Text list (one file at a time)

// Creates (or empties) the named file, "CVTAUDIT.TXT" for null or "": 1;
// 0 after showing message 565 when it cannot be made.
BWPS1_API int OpenAuditFile(const char* name);
// Writes the text and a newline when a list is open.
BWPS1_API void WriteAuditLine(const char* text);
// Closes the list; a list without any line is deleted.
BWPS1_API void CloseAuditFile(void);

// ---- Index drop and record recovery

// 0 dropped, 4 no supplemental key, 12 missing (0 for file -1), 94
// read-only or unreadable attributes, else the record manager's status.
BWPS1_API int DropFileIndexes(UtilityRunContext* context, int fileNumber, int32_t* interrupted);
// Rebuilds the file into "<name>.NEW" and puts it in place of the data file
// in one rename. 0 done, -1 no buffer, 12 missing (0 for file -1), 94
// read-only, 85 the file is open elsewhere, else the status that stopped
// the rebuild. The data file is unchanged on any failure, and at every
// moment either it or its rebuilt copy is whole under its name. quiet: the
// key is never polled.
BWPS1_API int RecoverFile(UtilityRunContext* context, int fileNumber, int32_t* interrupted,
                          int quiet);
// Runs the operation over every row of the check-table copy (selection
// -100 only; any other selection does nothing). Missing files are skipped
// by a recover; "no supplemental key" counts as done. Stops at the first
// failure or after the current file when the run is interrupted. *current:
// the file last worked on. The last status.
BWPS1_API int RunUtilityOverAllFiles(UtilityRunContext* context, int selection, int operation,
                                     int* current, int32_t* interrupted, int quiet);
// The recover of every file for the batch after a conversion: as
// RunUtilityOverAllFiles (recover, quiet), but a file in use only because
// this process itself holds it open (the company list of the dialog that
// asked for the conversion) is left as it is and the run goes on.
int RecoverAllFilesButOwnOpen(UtilityRunContext* context, int* current, int32_t* interrupted);
// 1 when the run is to stop after the current file: already interrupted, or
// a key was pressed and the user answered Yes to message 1519.
BWPS1_API int32_t PollInterruptKey(UtilityRunContext* context, int32_t interrupted);
// Shows a status on the file's path (record-manager error report). 0.
BWPS1_API int ReportFileError(int status, int kind, int operation, int fileNumber, int mode);

// ---- Verification of the transaction files

// Verification results of the document files.
enum : int { VERIFY_DONE = 1, VERIFY_NOT_OPENED = 0, VERIFY_DECLINED = 27 };

// 6, 13: the marker pairs; 34 layaways; 36 invoices; 42 quotes. Any other
// file shows why it cannot be verified (message 1265, 439 or 437) and gives 1.
BWPS1_API int16_t VerifyFile(UtilityRunContext* context, int fileNumber, int32_t* interrupted);
// Ledger pair, assembly pair, invoices, layaways, quotes. The status of a
// failing marker pair, else 0.
BWPS1_API int VerifyAllFiles(UtilityRunContext* context, int32_t* interrupted);
// Header/detail pairs with deleted-transaction markers: files 6/5 and
// 13/12. A record-manager status, 0 done.
BWPS1_API int VerifyMarkerPairAsth(UtilityRunContext* context, int32_t* interrupted);
BWPS1_API int VerifyMarkerPairGl(UtilityRunContext* context, int32_t* interrupted);
// Document files: VERIFY_DONE, VERIFY_NOT_OPENED or VERIFY_DECLINED. The
// lists "verlay.txt", "verquote.txt" and "versale.txt" go to the current
// folder.
BWPS1_API int VerifyLayaways(UtilityRunContext* context, int32_t* interrupted);
BWPS1_API int VerifyQuotes(UtilityRunContext* context, int32_t* interrupted);
BWPS1_API int VerifyInvoices(UtilityRunContext* context, int32_t* interrupted);
