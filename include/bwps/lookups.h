/* bwps/lookups.h: the record lookups of bwpsbase: the runners over the
 * lookup library, the list services, the memory of last picks, the
 * "0LookUps" settings record and the pick lists over the master and
 * document files. Entries reached by number carry their ordinal in the
 * comment of their declaration.
 *
 * The standard argument list of a file lookup: start text or null, restore
 * position flag, handle of the caller's open file, record out, the window
 * numbers row, column, height, width, the key handler of F8 and F9 (null:
 * both keys removed) and the active-only flag. A lookup returns non-zero
 * when a row was chosen; its record is then in the caller's buffer.
 */
#ifndef BWPS_LOOKUPS_H
#define BWPS_LOOKUPS_H

#include <stdint.h>

#include "bwps/export.h"
#include "fx.h"
#include "lookup.h"

/* ---- Runners (dialog id always 623) */
BWPS_EXPORT int LookUpProcessDlg(TagLookUp* lookup, int dialogId);          /* 4040 */
BWPS_EXPORT int LookUpProcess(TagLookUp* lookup);                           /* 4053 */
BWPS_EXPORT int FilterLookUpProcess(TagLookUp* lookup, TagLookUpField* filterColumns,
                                    void** filterValues);                   /* 4041 */
BWPS_EXPORT int VariablesLookUpProcess(TagLookUp* lookup, TagLookUpField* filterColumns,
                                       void** filterValues);
BWPS_EXPORT int ColumnLookUpProcess(TagLookUp* lookup, TagLookUpField* filterColumns,
                                    void** filterValues);
BWPS_EXPORT int DbLookUpProcess(TagLookUp* lookup);
BWPS_EXPORT int DirLookUpProcess(TagLookUp* lookup);
BWPS_EXPORT int DbNoDDLookUpProcess(TagLookUp* lookup);                     /* 4054 */

/* ---- Forwarders to the library */
BWPS_EXPORT int LookUpProcessImpl(CEnhLookDlg* dialog);                     /* 4051 */
BWPS_EXPORT int FilterLookUpProcessImpl(CFilterLookupDlg* dialog);          /* 4052 */
BWPS_EXPORT int LookUpSendMsg(TagLookUp* lookup, int message);              /* 4043 */
BWPS_EXPORT int LookUpSwitch(long argument);                                /* 4044 */
BWPS_EXPORT int LookUpReadRecord(long argument);                            /* 4045 */
BWPS_EXPORT int LookUpReadAtPosition(long argument);                        /* 4046 */
BWPS_EXPORT int LookUpReadSearch(long argument);                            /* 4047 */
BWPS_EXPORT int LookUpGetDbRecords(long argument);                          /* 4048 */
BWPS_EXPORT int LookUpSeekPercRelative(long argument);                      /* 4049 */
BWPS_EXPORT int LookUpGetPercRelative(long argument);                       /* 4050 */

/* ---- Callbacks of the TagLookUp over the forwarders above */
BWPS_EXPORT int LookUpReadRecordCallback(TagLookUp* lookup);
BWPS_EXPORT int LookUpReadAtPositionCallback(TagLookUp* lookup);
BWPS_EXPORT int LookUpReadSearchCallback(TagLookUp* lookup);
/* Shift+F9 on a lookup's form: key 0 <-> 1, the highlighted row kept. */
BWPS_EXPORT int LookUpSwitchKey(void* lookup);

/* ---- List services */
/* F6 of a lookup: asks message 1267 and deletes the highlighted record;
 * 0 when not allowed or answered No, -5 after a delete attempt. */
BWPS_EXPORT int LookUpDeleteRecord(TagLookUp* lookup);                      /* 379 */
BWPS_EXPORT int LookUpDeleteKey(void* lookup);
/* A supplemental index: one segment at the field, then the key in use. */
BWPS_EXPORT bool CreateLookUpSortIndex(uint16_t handle, int fieldOffset, int fieldLength);
/* Alt+P of a list: every row of the list (its filter kept) to the text file
 * LookUpListFileName() of the data folder, the columns laid out by picture
 * and caption; past 80 columns the report is wide and the columns that end
 * past 136 are left out. 1 when the report did not open, else 0. */
BWPS_EXPORT int PrintLookUpList(CEnhLookDlg* dialog);                       /* 6240 */
BWPS_EXPORT const char* LookUpListFileName(void);

/* ---- Own dialogs, list controls and columns */
class BWPS_EXPORT CLookUpDbColumn : public CDbLookupColumn {
public:
    CLookUpDbColumn(TagLookUpField* field, tagTEXTMETRICA* metrics);
    ~CLookUpDbColumn() override;
    int ReadColumnInfo(const char* table, const char* column, void* out) override;
};

class BWPS_EXPORT CLookUpDbListCtrl : public CDbListCtrl {
public:
    explicit CLookUpDbListCtrl(int argument);
    ~CLookUpDbListCtrl() override;
    CDbLookupColumn* CreateColumn(TagLookUpField* field, tagTEXTMETRICA* metrics) override;
    using CDbListCtrl::CreateColumn;
};

class BWPS_EXPORT CLookUpDbDlg : public CDbLookDlg {
public:
    CLookUpDbDlg(TagLookUp* lookup, int dialogId);
    ~CLookUpDbDlg() override;

private:
    CLookUpDbListCtrl list_;
};

class BWPS_EXPORT CLookUpFilterDlg : public CFilterLookupDlg {
public:
    CLookUpFilterDlg(TagLookUp* lookup, int dialogId, CEnhListCtrl* list);
    ~CLookUpFilterDlg() override;
    CDbLookupColumn* CreateFilterColumn(TagLookUpField* field) override;
};

class BWPS_EXPORT CLookUpVariablesListCtrl : public CVariablesListCtrl {
public:
    CLookUpVariablesListCtrl();
    ~CLookUpVariablesListCtrl() override;
    int ReviewLookupPersistence() override;
    CDbLookupColumn* CreateColumn(const unsigned char* bytes, int size) override;
    CDbLookupColumn* CreateColumn(TagLookUpField* field, tagTEXTMETRICA* metrics) override;
};

/* A pick list of the distinct values that one column of the active
 * customers holds, in the order of that column (the rows come from an
 * in-memory list filled before the run). */
class BWPS_EXPORT CCustLookDlg : public CEnhLookDlg {
public:
    CCustLookDlg(int customerColumn, int titleId);
    ~CCustLookDlg() override;
    void FillSortColsDefIdx() override;
    /* value in (the start, when not empty) and out (the pick); non-zero
     * when a value was chosen. 0 and the value unchanged when the column
     * is not in the dictionary or the customer file does not open. */
    int LookUp(char* value);

private:
    bool Fill(int width, int offset);
    static int RowRead(TagLookUp* lookup);
    static int SearchRead(TagLookUp* lookup);
    static int PositionRead(TagLookUp* lookup);

    TagLookUp lookup_;
    TagLookUpData data_;
    FxList values_;
    char* current_ = nullptr;
    int column_;
    int titleId_;
};

/* ---- Type-ahead sources of entry fields (the framework's AutoFill) */

/* The key defaults and the position of one open file, kept around a
 * search and put back after it. */
class BWPS_EXPORT LookState {
public:
    explicit LookState(int unused = 0);
    virtual ~LookState();
    void Save(int handle);
    void Restore();

private:
    int handle_ = 0;
    int key_ = -1;
    int second_ = -1;
    uint32_t position_ = 0;
};

/* The records of a file whose code begins with the typed text (letter case
 * ignored), in the order of the key given; handle 0 opens the file for each
 * search. */
class BWPS_EXPORT AutoLookup : public AutoFill {
public:
    AutoLookup(short handle, int fileId, int codeColumn, int descriptionColumn, int keyNumber);
    ~AutoLookup() override;
    bool DefineColumns(Columns& columns) override;
    bool FindOpen(const char* text) override;
    bool FindClose() override;
    bool FindFirst(Item& item) override;
    bool FindNext(Item& item) override;

protected:
    bool LoadDescriptions();
    bool DataToItem(Item& item);
    bool Read(int operation);

    int fileId_;
    short handle_;
    bool openedHere_ = false;
    int codeColumn_;
    int descriptionColumn_;
    int keyNumber_;
    TagLookUpField columns_[3];
    char text_[255];
    char key_[255];
    char record_[4096];
    LookState state_;
};

#define BWPS_DECLARE_AUTO_LOOKUP(name, base)          \
    class BWPS_EXPORT name : public base {            \
    public:                                           \
        explicit name(short handle);                  \
        ~name() override;                             \
    };
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupAccount, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupCustomer, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupSalesperson, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupProduct, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupService, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupBillingCode, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupJournalCode, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupMessage, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupPriceBreak, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupShipping, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupTax, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupTerms, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupWeightUnit, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupVendor, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupTender, AutoLookup)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupLayaway, AutoLookup)

/* Only the records whose filter column holds the value (byte for byte);
 * the key in use begins with the filter column. */
class BWPS_EXPORT AutoFilterLookup : public AutoLookup {
public:
    AutoFilterLookup(short handle, int fileId, int codeColumn, int descriptionColumn, int keyNumber,
                     int filterColumn, const void* filterValue);
    ~AutoFilterLookup() override;
    bool DefineColumns(Columns& columns) override;
    bool FindFirst(Item& item) override;
    bool FindNext(Item& item) override;

protected:
    bool LoadFilter();
    bool Passes() const;

    int filterColumn_;
    int filterOffset_ = 0;
    const void* filterValue_;
    int filterLength_ = 0;
};

/* Active records only, over a sort index (status, then the key) that the
 * object builds and its destructor drops. */
class BWPS_EXPORT AutoLookupActive : public AutoFilterLookup {
public:
    AutoLookupActive(short handle, int fileId, int codeColumn, int descriptionColumn, int flagColumn,
                     char activeValue);
    ~AutoLookupActive() override;
    bool IndexBuilt() const { return indexBuilt_; }

protected:
    char active_;
    bool indexBuilt_ = false;
};
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupActiveAcct, AutoLookupActive)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupActiveCust, AutoLookupActive)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupActiveProd, AutoLookupActive)
BWPS_DECLARE_AUTO_LOOKUP(AutoLookupActiveServ, AutoLookupActive)
#undef BWPS_DECLARE_AUTO_LOOKUP

/* A billing line's item: "C " and a billing code, "M " and a message code,
 * else an active service (services set) or product; the codes come back
 * with their prefix. */
class BWPS_EXPORT AutoLookupBillingItem : public AutoFill {
public:
    explicit AutoLookupBillingItem(bool services);
    ~AutoLookupBillingItem() override;
    bool DefineColumns(Columns& columns) override;
    bool FindOpen(const char* text) override;
    bool FindClose() override;
    bool FindFirst(Item& item) override;
    bool FindNext(Item& item) override;

private:
    bool Shown(bool found, Item& item);

    bool services_;
    AutoLookup* inner_ = nullptr;
    char prefix_[3];
    char shown_[4096];
};

/* A page of the source's matches of the text in the field's drop list
 * (FxAutoFillChoose); the chosen code into codeOut. The chosen item from
 * 1, 0 when none. */
enum { kAutoLookupPage = 10 };
BWPS_EXPORT int AutoLookupChoose(AutoFill* source, const char* text, int row, int column, char* codeOut,
                                 int size);

/* ---- Last picks and start columns */
enum {
    LOOKUP_TYPES = 18,
    LOOKUP_DOCUMENT_TYPES = 14,
    LOOKUP_PICK_CODE = 18,
    LOOKUP_PICK_DESCRIPTION = 42,
    LOOKUP_DOC_NUMBER = 16,
    LOOKUP_DOC_TEXT = 18,
    LOOKUPS_RECORD_SIZE = 76
};
enum LookUpType {
    LOOKUP_ACCOUNTS = 0, LOOKUP_CUSTOMERS, LOOKUP_VENDORS, LOOKUP_PRODUCTS, LOOKUP_SERVICES,
    LOOKUP_BILLING_CODES, LOOKUP_BILLING_CODES2, LOOKUP_TENDERS, LOOKUP_SALESPERSONS,
    LOOKUP_SERIAL_NUMBERS, LOOKUP_TAXES, LOOKUP_TERMS, LOOKUP_MESSAGES, LOOKUP_PRICE_BREAKS,
    LOOKUP_MASTER_ITEMS, LOOKUP_WAREHOUSES, LOOKUP_SHIP_VIA, LOOKUP_WEIGHT_UNITS
};
/* Document types of GetDocLookUpStart and the document last picks. */
enum LookUpDocumentType {
    LOOKUP_LAYAWAYS = 2, LOOKUP_QUOTES = 4, LOOKUP_PROMOTIONS = 6, LOOKUP_INVOICES = 7,
    LOOKUP_OVERDUE_INVOICES = 13
};
BWPS_EXPORT int GetLookUpStart(int* codeColumn, int* descriptionColumn, int* keyNumber,
                               char* startText, int type);
BWPS_EXPORT int GetDocLookUpStart(int* codeColumn, int* descriptionColumn, int* keyNumber,
                                  char* startText, int type);
/* The last pick of a lookup type (code, description), or of a document
 * type (document number, second text); null for a type out of range. */
BWPS_EXPORT const char* LookUpLastPickCode(int type);
BWPS_EXPORT const char* LookUpLastPickDescription(int type);
BWPS_EXPORT const char* DocLookUpLastPick(int type);
BWPS_EXPORT const char* DocLookUpLastPickText(int type);

/* "0LookUps" of the general settings file (76 bytes). */
BWPS_EXPORT int InitLookUpsRecord(void* record76);                          /* 710 */
BWPS_EXPORT int ReadLookUpsRecord(uint16_t handle, void* record76);         /* 711 */
/* The in-memory copy that ReadLookUpsRecord keeps. */
BWPS_EXPORT const uint8_t* LookUpsRecordCopy(void);

/* ---- File lookups */
extern "C" {
BWPS_EXPORT int FlyProducts(const char* startText, int restorePosition, uint16_t handle, void* record,
                            uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                            FxHandler keyHandler, char activeOnly);          /* 690 */
BWPS_EXPORT int FlyCustomers(const char* startText, int restorePosition, uint16_t handle, void* record,
                             uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                             FxHandler keyHandler, char activeOnly);         /* 668 */
}
BWPS_EXPORT int FlyVendors(const char* startText, int restorePosition, uint16_t handle, void* record,
                           uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                           FxHandler keyHandler, char activeOnly);           /* 669 */
BWPS_EXPORT int FlyCustVend(const char* startText, int restorePosition, uint16_t handle, int fileId,
                            void* record, uint16_t row, uint16_t column, uint16_t height,
                            uint16_t width, FxHandler keyHandler, char activeOnly);
BWPS_EXPORT int FlyAccount(const char* startText, int restorePosition, uint16_t handle, void* record,
                           uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                           FxHandler keyHandler, char activeOnly);           /* 664 */

/* Answers of FlyAccountInterface: callers compare with the constants. */
enum {
    ACCOUNT_INTERFACE_NONE = 0,
    ACCOUNT_INTERFACE_PICKED = 1,
    ACCOUNT_INTERFACE_REFUSED = 0x20
};
BWPS_EXPORT int FlyAccountInterface(char* accountNumber, int unused, uint16_t handle, void* record,
                                    uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                                    FxHandler keyHandler);                   /* 670 */

/* The active accounts of another account file: with a negative field
 * number the accounting company's (when interfaced) or the data folder's,
 * else the folder typed in that field of the screen; messages 465 / 457
 * when the file does not open. */
BWPS_EXPORT int FlyAccountOfCompany(FxForm* screen, int field, void* record);  /* 665 */
/* The dictionary's columns of one table (key 4 of the column file), opened
 * on the start column when the table has it; the 130-byte record out. */
BWPS_EXPORT int FlyColumns(const char* table, const char* startColumn, uint16_t handle, void* record,
                           uint16_t row, uint16_t column, uint16_t height, uint16_t width); /* 1570 */

BWPS_EXPORT int FlyMessages(const char* startText, int restorePosition, uint16_t handle, void* record,
                            uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                            FxHandler keyHandler);                           /* 685 */
BWPS_EXPORT int FlySalespersons(const char* startText, int restorePosition, uint16_t handle,
                                void* record, uint16_t row, uint16_t column, uint16_t height,
                                uint16_t width, FxHandler keyHandler);       /* 698 */
BWPS_EXPORT int FlyTaxes(const char* startText, int restorePosition, uint16_t handle, void* record,
                         uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                         FxHandler keyHandler);                              /* 700 */
BWPS_EXPORT int FlyTerms(const char* startText, int restorePosition, uint16_t handle, void* record,
                         uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                         FxHandler keyHandler);                              /* 701 */
BWPS_EXPORT int FlyWarehouses(const char* startText, int restorePosition, uint16_t handle, void* record,
                              uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                              FxHandler keyHandler);                         /* 3125 */
BWPS_EXPORT int FlyUsers(const char* startText, int restorePosition, uint16_t handle, void* record,
                         uint16_t row, uint16_t column, uint16_t height, uint16_t width); /* 702 */
/* Stations: handle 0 opens BPOSSTN.DB here; F6 deletes a station other
 * than the session's own and "DEFAULT" (message 1477 for those). */
BWPS_EXPORT int FlyStations(const char* startText, uint16_t handle, void* record, uint16_t row,
                            uint16_t column, uint16_t height, uint16_t width);  /* 699 */

/* Audit-log entities: the entity number of the pick as decimal text. */
BWPS_EXPORT int FlyAuditEntities(int unused1, char* textOut, int unused2, int unused3, uint16_t height,
                                 uint16_t width);                            /* 790 */

/* Master items; in pick-product mode (a product record buffer needed, else
 * 32 at once) Enter on a master item lists its products, and a product
 * picked there ends both lists with the product in productRecord. */
BWPS_EXPORT int FlyMasterItems(const char* startText, int restorePosition, uint16_t handle, void* record,
                               uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                               FxHandler keyHandler, char pickProduct, uint16_t productHandle,
                               void* productRecord);                         /* 3120 */
/* The products of the master item that FlyMasterItems' row action chose. */
BWPS_EXPORT int FlyMItem(const char* startText, int restorePosition, uint16_t handle, void* record,
                         uint16_t row, uint16_t column, uint16_t height, uint16_t width, FxHandler keyHandler);
/* Serial numbers: status 'L' lists all of them, any other letter only those
 * whose availability is that letter. */
BWPS_EXPORT int FlySerialNumbers(const char* startText, int restorePosition, uint16_t handle, void* record,
                                 char status, uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                                 FxHandler keyHandler);                      /* 697 */

/* Services; active only lists the services whose status is 'A'. */
BWPS_EXPORT int FlyServices(const char* startText, int restorePosition, uint16_t handle, void* record,
                            uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                            FxHandler keyHandler, char activeOnly);          /* 696 */
/* Billing codes of the file given (7, or a second billing-code file):
 * title, start and last pick follow the file; the columns are file 7's. */
BWPS_EXPORT int FlyBillingCodes(const char* startText, int fileId, int restorePosition, uint16_t handle,
                                void* record, uint16_t row, uint16_t column, uint16_t height,
                                uint16_t width, FxHandler keyHandler);       /* 667 */
BWPS_EXPORT int FlyPriceBreaks(const char* startText, int restorePosition, uint16_t handle, void* record,
                               uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                               FxHandler keyHandler);                        /* 689 */
BWPS_EXPORT int FlyShipVia(const char* startText, int restorePosition, uint16_t handle, void* record,
                           uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                           FxHandler keyHandler);
extern "C" {
/* Tenders of BPOSTEND.DB (97-byte records); F8 and F9 run the editor
 * function given (removed without one). */
BWPS_EXPORT int LookupTender(const char* startText, int restorePosition, uint16_t handle, void* record,
                             uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                             FxHandler editor);                              /* 634 */
/* Weight units; F8 and F9 do nothing in this list. */
BWPS_EXPORT int FlyWUCodes(const char* startText, int fileId, int restorePosition, uint16_t handle,
                           void* record, uint16_t row, uint16_t column, uint16_t height,
                           uint16_t width);                                  /* 6235 */
}

/* The transactions of one product (all of them without a code); the
 * list keeps to the code's records. */
BWPS_EXPORT int FlyProdTrans(const char* productCode, int restorePosition, uint16_t handle, void* record,
                             uint16_t row, uint16_t column, uint16_t height, uint16_t width); /* 691 */
BWPS_EXPORT int FlyPromoPrices(const char* startText, int restorePosition, uint16_t handle, void* record,
                               uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                               FxHandler keyHandler);                        /* 692 */
/* Key text of the document lookups: a number key typed into a list
 * sorted by its first column is right-aligned in 10 characters. */
BWPS_EXPORT int DocumentKeyText(TagLookUp* lookup);

/* ---- Document lookups */
/* Sales headers of BPOSINHD.DB (586-byte records): start text or null,
 * restore position flag, handle, record out, window row, column, height,
 * width. A pick leaves the file on the chosen header whatever the flag and
 * is where both lists start next time without a start text; F8 and F9 are
 * removed, Shift+F9 switches the list between key 0 (number) and key 1
 * (customer name). FlyInvTran shows the total cost as well. */
BWPS_EXPORT int FlyInv(const char* startText, int restorePosition, uint16_t handle, void* record,
                       uint16_t row, uint16_t column, uint16_t height, uint16_t width);      /* 682 */
BWPS_EXPORT int FlyInvTran(const char* startText, int restorePosition, uint16_t handle, void* record,
                           uint16_t row, uint16_t column, uint16_t height, uint16_t width);  /* 683 */
/* Quote headers: the handle is that of BPOSQTEH.DB (the sales header's
 * layout); otherwise as FlyInv, with its own last pick. */
BWPS_EXPORT int FlyInvoices(const char* startText, int restorePosition, uint16_t handle, void* record,
                            uint16_t row, uint16_t column, uint16_t height, uint16_t width); /* 693 */
/* Layaway headers of BPOSLAYH.DB (172 bytes), as FlyInv with their own
 * last pick; key 1 is the customer. */
BWPS_EXPORT int FlyLayaways(const char* startText, int restorePosition, uint16_t handle, void* record,
                            uint16_t row, uint16_t column, uint16_t height, uint16_t width); /* 684 */
/* Saved register reconciliations of BPOSRSAV.DB (793 bytes) in the order
 * of the caller's key; no key switch. With the restore flag the file goes
 * back where it was, else it is left where the list left it. */
BWPS_EXPORT int FlySavedSales(const char* startText, int restorePosition, uint16_t handle, void* record,
                              uint16_t row, uint16_t column, uint16_t height, uint16_t width); /* 695 */
/* Barcode printers of BPOSBPRN.DB (50 bytes); Shift+F9 switches between
 * code and name order; the last argument is not used. */
BWPS_EXPORT int FlyBarcodePrinters(const char* startText, int restorePosition, uint16_t handle, void* record,
                                   uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                                   int unused);
/* The accounts that carry a check register (flag 'Y', key 3 of the account
 * file); a start text searches among them. F8 and F9 go to the key handler
 * (removed without one). The caller's key comes back; the file is left
 * where the list left it. */
BWPS_EXPORT int FlyAccountFiltered(const char* startText, uint16_t handle, void* record, uint16_t row,
                                   uint16_t column, uint16_t height, uint16_t width,
                                   FxHandler keyHandler);                    /* 4260 */

/* ---- Open items */
/* One account's open items of the payables (2) or receivables (3) file:
 * plain, one row per item, or grouped, one row per document with its items
 * summed and each advance entry a row of its own. */
BWPS_EXPORT int FlyAPOpenItems(const char* account, const char* startText, short grouped, uint16_t handle,
                               void* record, int fileId, uint16_t row, uint16_t column, uint16_t height,
                               uint16_t width);                              /* 686 */
/* Their row readers (moves 6, 7, 12, 13): record-manager status, 9 past
 * the account's items. The grouped one keeps the row's position in
 * *stored. */
BWPS_EXPORT int FlyAPOpenItemsRead(int move, int fileId, uint16_t handle, const char* account, char* key,
                                   void* record);                            /* 687 */
BWPS_EXPORT int FlyAPOpenItemsReadEx(int move, int fileId, uint16_t handle, int today, const char* account,
                                     char* key, void* record, unsigned long* stored); /* 688 */
/* A customer's overdue open-invoice headers (dated before today, balance
 * less discount above zero) of the header file given (70 or 69). */
BWPS_EXPORT int FlyOpenInvoiceHeaders(const char* customer, int restorePosition, uint16_t handle, void* record,
                                      uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                                      int fileId);

/* ---- History lookups */
/* A customer's history: one row per document of BPOSCUHS.DB; Shift+F7 or
 * Enter opens, one row lower, the lines of the document under the cursor
 * (BPOSCUHD.DB). A viewer: always 0; both files are back on their key and
 * record afterwards. */
BWPS_EXPORT int FlyDepHistory(const char* customer, uint16_t summaryHandle, uint16_t detailHandle,
                              uint16_t row, uint16_t column, uint16_t height, uint16_t width); /* 681 */
/* The range readers of the history and substitute lists (moves 6, 7, 12,
 * 13; key a 255-byte buffer): 0 with the row in record, 9 past the range,
 * the file then left on the range's row it stood on; another status is
 * reported and returned. The summary's open balance within 0.001 of zero
 * reads as 0. */
BWPS_EXPORT int CustHistorySummaryRead(int move, uint16_t handle, const char* customer, char* key,
                                       void* record125);
BWPS_EXPORT int CustHistoryDetailRead(int move, uint16_t handle, const char* customer, const char* reference,
                                      char* key, void* record157);
BWPS_EXPORT int SubstituteProductRead(int move, uint16_t handle, const char* product, char* key,
                                      void* record63);
/* The substitutes of one product (null: the records without a code); a
 * start text positions within them. The file stays on a pick. */
BWPS_EXPORT int FlySubstituteProducts(const char* product, const char* startText, int restorePosition,
                                      uint16_t handle, void* record, uint16_t row, uint16_t column,
                                      uint16_t height, uint16_t width);    /* 6250 */
/* Product transactions by activity number (key 3). */
BWPS_EXPORT int FlyTranP(const char* startText, int restorePosition, uint16_t handle, void* record,
                         uint16_t row, uint16_t column, uint16_t height, uint16_t width); /* 4080 */
/* The purchase-history rows (PurchHistRecord) of a file the caller opened,
 * by key 0, in the caller's 107-byte buffer; F10 or Enter picks. */
BWPS_EXPORT int FlyCustPurchaseHistory(uint16_t handle, void* record107); /* 6160 */

/* A column of the purchase-history list: its description comes from the
 * fixed table of the purchase-history row, not from the dictionary. */
class BWPS_EXPORT CPurchHistColumn : public CDbLookupColumn {
public:
    CPurchHistColumn(TagLookUpField* field, tagTEXTMETRICA* metrics);
    ~CPurchHistColumn() override;
    int ReadColumnInfo(const char* table, const char* column, void* out) override;
    /* The row of the table with the table and field names (blanks at the
     * ends ignored) into the first 85 bytes of out (TagDictFieldSpec): 0,
     * or 4 when no row has them. */
    int PurchHistColumnInfo(const char* table, const char* field, void* out);
    /* The eight columns, ended by an empty one. */
    static const TagLookUpField* Columns();
};

class BWPS_EXPORT CPurchHistListCtrl : public CDbListCtrl {
public:
    explicit CPurchHistListCtrl(int argument);
    ~CPurchHistListCtrl() override;
    CDbLookupColumn* CreateColumn(TagLookUpField* field, tagTEXTMETRICA* metrics) override;
    using CDbListCtrl::CreateColumn;
};
enum { PURCH_HIST_COLUMNS = 8 };

/* ---- Form variables */
BWPS_EXPORT int SetVariableLookUpGroup(int group);                          /* 704 */
/* The variables of one category (key 2; handle -1: the data folder's copy
 * of the file, else the catalogue's). F7 cycles the justification, F8 the
 * fill (message 671 for types without one), Shift+F4 a date variable's
 * format and width; each writes the variable and redraws the list. */
BWPS_EXPORT int FlyVariables(short category, short handle, void* record, uint16_t row, uint16_t column,
                             uint16_t height, uint16_t width);               /* 705 */
/* Asks the category of the current group's forms, lists its variables and
 * writes the brace text of the pick into text (FORM_VARIABLE_TEXT_SIZE
 * bytes); 1 when written, else 0 with the text empty. */
BWPS_EXPORT short FlyFormVariables(uint16_t row, uint16_t column, uint16_t height, uint16_t width,
                                   char* text);                             /* 703 */
/* The brace text of a variable: '{', the name, dots, '}' at width - 1 and
 * a NUL at width; a name longer than width - 2 is cut; width below 3 is
 * refused (false, text empty); a width past the buffer is cut to it. */
BWPS_EXPORT bool BuildVariableBraceText(const char* name, int width, char* out, int outSize);
enum { FORM_VARIABLE_TEXT_SIZE = 128 };

#endif
