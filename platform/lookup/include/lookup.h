/* lookup.h: the lookup library DuVaVedu.
 *
 * A pick list over a record-manager file (the data block's open handle) or
 * over rows that callbacks give, shown in a framework list view. The
 * caller fills a TagLookUp and its data block, builds a list control and a
 * dialog, runs it and finds the chosen record in the data block's record
 * buffer.
 *
 * Paging: the dialog holds the visible page only and moves through the row
 * callback (moves 12 first, 13 last, 6 next, 7 previous in the data block)
 * or the file itself; it keeps each shown row's position (slots A/B of the
 * position callback, moves -4..-1, or the record manager's position), so
 * that before a key handler, a row action or a pick the file and the record
 * buffer stand on the highlighted row.
 *
 * Start modes (TagLookUp::StartMode): LK_START_SEARCH opens at the first row
 * at or after the key buffer's text; LK_START_FIRST at the first row;
 * LK_START_POSITIONED asks the positioning callback (2: search the key
 * buffer's text, 1: first row); LK_REDRAW opens again at the row the
 * buffer holds.
 *
 * Key handlers bound on the lookup's form run with the TagLookUp as their
 * argument and answer LK_ANSWER_REFRESH (read the page again), -1 or 1
 * (leave the list), FX_STAY or 0 (stay). F8 and F9 handlers find the key in
 * the first 32-bit word of the work area; a handler that leaves 0x4400
 * (saved), 0x4000 (deleted) or 0 there has the page read again. Messages
 * (LookUpSendMsg): LK_MSG_SELECT picks the highlighted row when the
 * handler returns; LK_REDRAW reads the page again.
 */
#ifndef LOOKUP_H
#define LOOKUP_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "fx.h"

#define LK_API __attribute__((visibility("default")))

struct TagLookUp;
struct tagTEXTMETRICA; /* text metrics of a column's font: not used by this library */
class CEnhLookDlg;

/* Callbacks of a TagLookUp: called with the TagLookUp being run. */
typedef int (*LookUpCallback)(TagLookUp* lookup);
/* Print callback (Alt+P): the running dialog. */
typedef int (*LookUpPrintCallback)(CEnhLookDlg* dialog);

enum {
    LK_DIALOG_ID = 623,
    LK_START_SEARCH = 1,
    LK_START_FIRST = 0x7700,
    LK_START_POSITIONED = -4,
    LK_REDRAW = 0x5000,
    LK_MSG_SELECT = 13,
    LK_ANSWER_REFRESH = -5,
    LK_ANSWER_LEAVE = -1,
    LK_FOUND = 2,      /* search and positioning callbacks: found, key text in the key buffer */
    LK_NOT_FOUND = 3,  /* search callback: nothing at or after the text */
    LK_KEY_SAVED = 0x4400,
    LK_KEY_DELETED = 0x4000,
    LK_KEY_PRINT = 0x1900, /* Alt+P */
    LK_KEY_SWITCH = 0x5C00 /* Shift+F9 */
};

/* Moves of the data block: the record manager's get operations, and the
 * position requests of the read-at-position callback. */
enum {
    LK_MOVE_NEXT = 6,
    LK_MOVE_PREVIOUS = 7,
    LK_MOVE_FIRST = 12,
    LK_MOVE_LAST = 13,
    LK_KEEP_B = -3,    /* keep the current position in slot B */
    LK_KEEP_A = -4,    /* ... in slot A */
    LK_BACK_B = -1,    /* go back to slot B (the record into the buffer) */
    LK_BACK_A = -2     /* ... to slot A */
};

#pragma pack(push, 1)
/* A column of the list (103 bytes; as the data dictionary's column
 * definition fills it). Types: 1 char, 2 text, 3 date, 4 byte, 5 int16,
 * 6 uint16, 7 int32, 8 uint32, 9 float, 10 amount (double), 11 quantity
 * (double; with an 'F' picture in packs of the int16 at the second offset),
 * 12 time; 0 ends an array of columns. */
struct TagLookUpField {
    char Title[40];      /* 0 */
    char Picture[19];    /* 40 */
    int32_t Type;        /* 59 */
    int32_t Offset;      /* 63: record offset */
    int32_t Offset2;     /* 67: second record offset (0: none) */
    char Table[12];      /* 71 */
    char Column[16];     /* 83 */
    int32_t Align;       /* 99: 1 left, 2 centre, 3 right (0: by the picture) */
};
#pragma pack(pop)

static_assert(sizeof(TagLookUpField) == 103, "lookup column: 103 bytes");
static_assert(offsetof(TagLookUpField, Picture) == 40, "picture at 40");
static_assert(offsetof(TagLookUpField, Type) == 59, "type at 59");
static_assert(offsetof(TagLookUpField, Offset) == 63, "record offset at 63");
static_assert(offsetof(TagLookUpField, Offset2) == 67, "second offset at 67");
static_assert(offsetof(TagLookUpField, Table) == 71, "table name at 71");
static_assert(offsetof(TagLookUpField, Column) == 83, "column name at 83");
static_assert(offsetof(TagLookUpField, Align) == 99, "alignment at 99");

/* The data block of a lookup (in memory). */
struct TagLookUpData {
    uint16_t KeyNumber;    /* key in use */
    uint16_t FileId;       /* catalogue number (0: none) */
    uint16_t RecordLength;
    uint16_t Handle;       /* open file (0: rows from callbacks) */
    int32_t Move;          /* the move asked of a callback */
    char KeyBuffer[255];   /* holds the search text at the start */
    uint32_t SlotB;        /* position slots of the read-at-position callback */
    uint32_t SlotA;
    void* Record;          /* record buffer of RecordLength bytes */
};

/* The description of one lookup (in memory; zero it before filling).
 * Window numbers: row, column, height, width (clipped to the screen). */
struct TagLookUp {
    uint8_t ColumnLookup;            /* set to 0 by the column lookup */
    uint16_t Row, Column, Height, Width;
    int32_t StartMode;
    const char* Title;
    const char* SearchPrompt;        /* "Search :" (null: no search line) */
    uint8_t Colours[5];
    void* Source;                    /* the caller's row source */
    LookUpCallback Read;             /* row callback, or null: the file */
    LookUpCallback Search;           /* search-read callback, or null */
    LookUpCallback ReadAtPosition;   /* position slots, or null */
    LookUpCallback RowAction;        /* Enter: true ends the list as a pick */
    LookUpCallback Position;         /* start mode -4 */
    LookUpCallback KeyText;          /* called after the key buffer took a search text */
    LookUpPrintCallback Print;       /* Alt+P */
    int32_t ValuePicker;
    FxForm* Form;                    /* key bindings */
    TagLookUpData* Data;
    TagLookUpField* Columns;         /* ended by a column of type 0 */
    int32_t ListArgument;
    uint8_t* WorkArea;               /* 32 bytes; word 0: the key of an F8/F9 handler */
    int32_t DeleteAllowed;
    const char* ReportTitle;         /* second title (caption), or null */
    char Subtitle[128];              /* third title line, empty when none */
};

/* ---- columns */
class LK_API CDbLookupColumn {
public:
    CDbLookupColumn(TagLookUpField* field, tagTEXTMETRICA* metrics);
    virtual ~CDbLookupColumn();
    /* The cell of a record: blank for a value that cannot be shown (an
     * invalid date, NaN, a field outside the record). */
    virtual void FormatField(const void* record, int recordLength, char* out, int size);
    virtual int GetDataLen();
    virtual int GetKeySpecs();
    /* The dictionary read (three arguments of the library); 4 here. */
    virtual int ReadColumnInfo(const char* table, const char* column, void* out);
    const TagLookUpField& Field() const { return field_; }
    int Width() const;
    bool RightAligned() const;

protected:
    TagLookUpField field_;
};

/* ---- list controls */
class LK_API CEnhListCtrl {
public:
    explicit CEnhListCtrl(int argument = 0);
    virtual ~CEnhListCtrl();
    virtual int ReviewLookupPersistence();
    virtual CDbLookupColumn* CreateColumn(const unsigned char* bytes, int size);
    virtual CDbLookupColumn* CreateColumn(TagLookUpField* field, tagTEXTMETRICA* metrics);
    virtual int AddSortCol(const void* sortColumn);
    int ColsCount() const { return static_cast<int>(columns_.size()); }
    CDbLookupColumn* GetCol(int i) const;
    void InitCols(TagLookUpField* fields);
    void ClearColumns();
    int SortColsCount() const { return sortColumns_; }

protected:
    int argument_;
    int sortColumns_ = 0;

private:
    std::vector<CDbLookupColumn*> columns_;
};

class LK_API CDbListCtrl : public CEnhListCtrl {
public:
    explicit CDbListCtrl(int argument);
    ~CDbListCtrl() override;
};

class LK_API CColumnListCtrl : public CEnhListCtrl {
public:
    explicit CColumnListCtrl(int argument);
    ~CColumnListCtrl() override;
};

class LK_API CVariablesListCtrl : public CEnhListCtrl {
public:
    CVariablesListCtrl();
    ~CVariablesListCtrl() override;
    /* A "Date Text" column over the display text that follows the record,
     * or null for any other column. */
    virtual CDbLookupColumn* CreateDatextCol(const unsigned char* bytes, int size);
    virtual CDbLookupColumn* CreateDatextCol(TagLookUpField* field, tagTEXTMETRICA* metrics);
};

/* Columns of the data-dictionary column list (CColumnListCtrl). */
class LK_API CColumnCol {
public:
    enum enumFieldIdxs { TableName = 0, ColumnName = 1, Flag = 2, Caption = 3, Count = 4 };
    /* The column of the dictionary's column records (130 bytes). */
    static TagLookUpField GetColLookField(enumFieldIdxs index);
};

/* ---- dialogs */
class LK_API CEnhLookDlg {
public:
    CEnhLookDlg(TagLookUp* lookup, int dialogId, CEnhListCtrl* list);
    virtual ~CEnhLookDlg();
    CEnhLookDlg(const CEnhLookDlg&) = delete;
    CEnhLookDlg& operator=(const CEnhLookDlg&) = delete;

    virtual int ColsCount();
    /* Reads a row (a move of the data block) into the record buffer, through
     * the filter; the record-manager status. */
    virtual int LookUpRead(int move, int unused);
    /* Copies up to count column descriptions; the number copied. */
    virtual int GetLookupFields(TagLookUpField* out, int count);
    virtual void FillSortColsDefIdx();

    /* Runs the list; non-zero when a row was chosen. */
    int Process();
    TagLookUp* GetLookupSt() const { return lookup_; }
    CEnhListCtrl* List() const { return list_; }
    /* Reads counted since the list opened (row, search and position reads). */
    long ReadCount() const { return reads_; }

    /* Messages of LookUpSendMsg: LK_MSG_SELECT, LK_REDRAW; 0. */
    int SendMessage(int message);
    /* The running dialog of a TagLookUp, or null. */
    static CEnhLookDlg* Running(const TagLookUp* lookup);

protected:
    /* One row move without the filter. */
    virtual int DataReadLine(int move);
    /* Positions by the text of the key buffer: 0 found, 9 none. */
    virtual int DataReadSearch();
    /* Position requests -4..-1. */
    virtual int DataReadPos(int request, uint32_t* token);
    /* True when the record in the buffer belongs in the list. */
    virtual bool RowPasses();
    /* True when no row can pass beyond this one in the move's direction
     * (the filter value lies past it in key order). */
    virtual bool RowEndsRange(int move);
    /* Turns the search text into the key buffer; false when it cannot. */
    virtual bool CreateKey(const char* text);

    TagLookUp* lookup_;
    int dialogId_;
    CEnhListCtrl* list_;
    CEnhListCtrl ownList_;
    long reads_ = 0;
    bool pickPending_ = false;
    bool redrawPending_ = false;
    friend struct LookupRun;
};

class LK_API CDbLookDlg : public CEnhLookDlg {
public:
    CDbLookDlg(TagLookUp* lookup, int dialogId, CEnhListCtrl* list);
    ~CDbLookDlg() override;
};

class LK_API CFilterLookupDlg : public CDbLookDlg {
public:
    CFilterLookupDlg(TagLookUp* lookup, int dialogId, CEnhListCtrl* list);
    ~CFilterLookupDlg() override;
    /* Registers the filter: columns (ended by a column of type 0) and one
     * value pointer each; a row passes when each column's bytes (its data
     * length) equal the value's. */
    void CreateFilterColsArray(TagLookUpField* columns, void** values);
    virtual int FilterColsCount() const { return static_cast<int>(filterColumns_.size()); }
    virtual CDbLookupColumn* CreateFilterColumn(TagLookUpField* field);

protected:
    bool RowPasses() override;
    bool RowEndsRange(int move) override;
    bool CreateKey(const char* text) override;
    struct Filter {
        int offset;
        int length;
        std::vector<uint8_t> value;
    };
    std::vector<Filter> filterColumns_;
};

/* ---- runs, messages and standard readers */
extern "C" {
LK_API int DuVaVeduUpProcessImpl(CEnhLookDlg* dialog);
LK_API int BwFxFilterLookUpProcessImpl(CFilterLookupDlg* dialog);
LK_API int BwFxDirLookUpProcessHlp(TagLookUp* lookup, int dialogId);
LK_API int BwFxDbNoDDLookUpProcessHlp(TagLookUp* lookup, int dialogId);
LK_API int DuVaVeduUpSendMsg(TagLookUp* lookup, int message);
/* Each takes the TagLookUp (as the long argument of a key handler or
 * callback) and returns an int. */
LK_API int DuVaVeduUpSwitch(long argument);          /* key 0 <-> 1, keeping the highlighted row; 0 */
LK_API int DuVaVeduUpReadRecord(long argument);      /* the move of the data block on its file; status */
LK_API int DuVaVeduUpReadPos(long argument);         /* position requests -4..-1 on its file; status, 1 for another move */
LK_API int DuVaVeduUpReadSearch(long argument);      /* get greater or equal from the key buffer; status */
LK_API int DuVaVeduUpGetDbRecords(long argument);    /* records in the file, -1 when unknown */
LK_API int DuVaVeduUpSeekPercRelative(long argument);/* reads the record at the share (0..10000) in work-area word 1; status */
LK_API int DuVaVeduUpGetPercRelative(long argument); /* the share (0..10000) of the current record, or -status */
}

/* The number of columns of an array ended by type 0. */
LK_API int LookUpColumnCount(const TagLookUpField* columns, int limit);
/* Length of a field by type code (what a filter compares): 1 and 4: 1;
 * 2: the picture's width + 1; 3, 7, 8, 9 and 12: 4; 5 and 6: 2; 10 and 11:
 * 8; others 0. */
LK_API int LookUpDataLength(int type, const char* picture);

#endif
