/* bwps/screens.h: the screen and service entries that one library reaches
 * in another (or in itself) by name. Each is declared here once; the caller
 * and the file that defines the entry both include this header, so the
 * compiler holds both sides to one signature.
 *
 *  - Screen entries (BWPS_SCREEN_ENTRIES): the command entry of bwpos-1
 *    runs them. A build without one has no definition: the reference is
 *    weak, the entry's address is null and the command shows "<entry> is
 *    not available in this build.".
 *  - Services of bwpsbase that bwpos-1 calls when this build has them
 *    (namespace bwps::service, weak references as well).
 *  - Services that the session code calls in other parts of bwpsbase
 *    (RunTextEditor; the lookups FlyCustomers and FlyProducts are declared
 *    in bwps/lookups.h).
 */
#ifndef BWPS_SCREENS_H
#define BWPS_SCREENS_H

#include <stdint.h>

#include "bwps/export.h"

/* An entry this build may lack: a weak, exported symbol. */
#define BWPS_OPTIONAL_ENTRY __attribute__((weak, visibility("default")))

/* X (result, name, parameters) for every screen entry of the command
 * entry, in the order of its command table. */
#define BWPS_SCREEN_ENTRIES(X)                                          \
    X(int, RSEDITDATE, (void))                                          \
    X(int, CopyCompany, (void))                                         \
    X(int, BackupRestore, (int, int))                                   \
    X(int, ShowUtilityScreen, (void))                                   \
    X(int, RSEditCustomer, (int))                                       \
    X(int, RSEditMasterItems, (int))                                    \
    X(int, RSEditProduct, (int))                                        \
    X(int, EditServiceByCode, (const char*))                            \
    X(int, EditBillCodesByParams, (const char*))                        \
    X(int, RSEditSerialNumbers, (int))                                  \
    X(int, RSEditTenders, (int))                                        \
    X(int, RSEditMsgCode, (int))                                        \
    X(int, RSEditPriceBreaks, (int))                                    \
    X(int, RSEditTermsCode, (int))                                      \
    X(int, RSEditTaxCode, (int))                                        \
    X(int, EditSalespersonByParams, (const char*))                      \
    X(int, RSEditSPTime, (void))                                        \
    X(int, RSEditCashReg, (int))                                        \
    X(int, RSEditWarehouses, (int))                                     \
    X(int, RSEditShipVia, (int))                                        \
    X(int, EditWUCode, (int))                                           \
    X(int, RSEditCompanyId, (void))                                     \
    X(int, RSEditSystemLook, (void))                                    \
    X(int, RSEditDefaultProduct, (void))                                \
    X(int, RSEditDefaultCustomer, (int))                                \
    X(int, EditDefaultPrinter, (const char*, char*, const char*))       \
    X(int, RSEditUserAccess, (void))                                    \
    X(int, RSEditPassword, (void))                                      \
    X(int, EditFormSetup, (void))                                       \
    X(int, RSDosEditPrinters, (void))                                   \
    X(int, RSUDFSettings, (void))                                       \
    X(int, ShowPosPostScreen, (void))                                   \
    X(int, ViewCustHistoryByParams, (const char*))

#ifdef __cplusplus
extern "C" {
#endif

#define BWPS_DECLARE_SCREEN_ENTRY(result, name, parameters) \
    BWPS_OPTIONAL_ENTRY result name parameters;
BWPS_SCREEN_ENTRIES(BWPS_DECLARE_SCREEN_ENTRY)
#undef BWPS_DECLARE_SCREEN_ENTRY

/* ---- Sub-screens of the product, service and customer editors ---- */
/* Each is defined by its own screen; an editor whose build lacks one says
 * "not available" on the key that opens it. */
/* Components of an assembly: product, service and assembly file handles,
 * the product record (668 bytes), a pointer kept unused. */
BWPS_OPTIONAL_ENTRY int RSEditProdAssm(uint16_t productFile, uint16_t serviceFile, uint16_t assemblyFile,
                                       void* product, void* unused);                  /* 594 */
/* Description lines of an item: its code and its master's file number (20 or 21). */
BWPS_OPTIONAL_ENTRY int RSEditItemDescr(const char* code, int fileNumber);            /* 607 */
/* Alternate products of a product: product file, alternate-product file, product code. */
BWPS_OPTIONAL_ENTRY int RSEditAltProduct(uint16_t productFile, uint16_t alternateFile, const char* code);
/* Beginning balance of a product: account file, product file (0: opened
 * here), the product record (668 bytes, a work copy) and the product
 * editor's screen context. 0 when posted: the product is then written with
 * the ledger, in one transaction, and the work copy holds it as written. */
BWPS_OPTIONAL_ENTRY int RSEditProdBal(uint16_t accountFile, uint16_t productFile, void* product,
                                      void* editorContext);                           /* 618 */
/* Period history of a product (668-byte record) or a service (196-byte record). */
BWPS_OPTIONAL_ENTRY int RSEditProdHist(uint16_t productFile, void* product);         /* 620 */
BWPS_OPTIONAL_ENTRY int RSEditServHist(uint16_t serviceFile, void* service);         /* 632 */
/* Replaces a customer (10), product (20) or service (21) code everywhere:
 * file number, the caller's open master file, the current code. */
BWPS_OPTIONAL_ENTRY int RSSearchReplaceCode(int32_t fileNumber, uint16_t masterFile, const char* code); /* 625 */
/* Opening open items of a customer (flag 1) or vendor: master, open-invoice
 * and account file handles, the terms record and the master record. */
BWPS_OPTIONAL_ENTRY int RSEditCVBal(int customer, uint16_t masterFile, uint16_t openInvoiceFile,
                                    uint16_t accountFile, void* terms, void* master);  /* 602 */
/* Period history of a customer or vendor record: its file number (10
 * customers, 30 vendors), the file's handle standing on the record and the
 * record (795 bytes). */
BWPS_OPTIONAL_ENTRY int RSEditCustHist(int fileNumber, uint16_t masterFile, void* master); /* 603 */
/* Dials a customer's telephone number (the 795-byte record). */
BWPS_OPTIONAL_ENTRY int RSEditDialer(void* customer);                                 /* 608 */
/* A customer's history by period for a year (0: this year), beside its
 * balances and open items; the code may be null. */
BWPS_OPTIONAL_ENTRY int RSViewCustHistory(const char* customer, int year);            /* 459 */
/* The mail merge of one customer (its code); the merge's answer. */
BWPS_OPTIONAL_ENTRY int RunCustomerMailMerge(const char* customer);

/* ---- Services of other parts of bwpsbase ---- */

/* The record-notes window on a file (bwps/note_editor.h): top row, left
 * column, bottom row, right column, line length (lines of the notes are cut
 * at 255), 32-bit result (the caller sets -1; 1 when the notes were saved,
 * 0 when not), full path. 0. */
BWPS_EXPORT int RunTextEditor(int top, int left, int bottom, int right, int lineLength,
                              int32_t* result, const char* path);

#ifdef __cplusplus
}

/* ---- Services of bwpsbase that bwpos-1 calls when this build has them ---- */
namespace bwps::service {
extern "C" {
/* Shows a help topic. */
BWPS_OPTIONAL_ENTRY void ShowHelpTopic(int topic);
/* Reads "0LookUps       " (76 bytes) through the handle (0: its own). */
BWPS_OPTIONAL_ENTRY int ReadLookUpsRecord(uint16_t handle, void* buffer);
/* Fills the default "0LookUps       " record (76 bytes); 0. */
BWPS_OPTIONAL_ENTRY int InitLookUpsRecord(void* record76);
/* Non-zero when the form tools let the command run. */
BWPS_OPTIONAL_ENTRY int FormatToolsReady(int ready, int command);
/* Quiets (1) or restores (0) the status window. */
BWPS_OPTIONAL_ENTRY void SetStatusWindowQuiet(int flag);
}  // extern "C"
}  // namespace bwps::service

namespace bwps {
/* The names of the screen entries, in the order of BWPS_SCREEN_ENTRIES. */
#define BWPS_SCREEN_ENTRY_NAME(result, name, parameters) #name,
inline constexpr const char* kScreenEntryNames[] = {BWPS_SCREEN_ENTRIES(BWPS_SCREEN_ENTRY_NAME)};
#undef BWPS_SCREEN_ENTRY_NAME
}  // namespace bwps
#endif

#endif
