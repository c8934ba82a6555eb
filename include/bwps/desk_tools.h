/* bwps/desk_tools.h: the screens around the text reports (destination
 * screen, report viewer and its print screen), the about box with the
 * program-file versions, and the desk calculator.
 */
#ifndef BWPS_DESK_TOOLS_H
#define BWPS_DESK_TOOLS_H

#include <stdint.h>

#include "bwps/export.h"
#include "fx.h"

enum {
    DESK_PROGRAM_FILES = 15,          /* entries of the program-file list */
    DESK_MSG_FILE_NAME = 1509,        /* the report file name is empty or has no name part */
    DESK_MSG_HTML_EXTENSION = 1505,   /* an HTML export file must end in .HTM or .HTML */
    DESK_MSG_SHEET_EXTENSION = 837,   /* a spreadsheet export must carry its kind's extension */
    DESK_MSG_NO_PASTE_TARGET = 389,   /* the calculator was not opened from a number field */
    DESK_MSG_PASTE_TOO_LARGE = 391,   /* the value does not fit the field */
    DESK_MSG_PASTE_NEGATIVE = 393     /* the field takes no negative values */
};

#ifdef __cplusplus
extern "C" {
#endif

/* ---- About box and program-file versions */
/* Shows the about box (its two pages, one after the other); 0. */
BWPS_EXPORT int Version(void);
/* The four parts of a file's version (each out may be null); 1 when the
 * file has version information, else 0 with the outs untouched. A null
 * name is the running program. */
BWPS_EXPORT int ReadFileVersionInfo(const char* file, uint32_t* major, uint32_t* minor,
                                    uint32_t* build, uint32_t* revision);
/* The major version of the file; for "BWQueryALLFiles" (exactly) that of
 * the newest program file; 0 when unknown. */
BWPS_EXPORT int GetProgramFileVersion(const char* file);
/* The newest version of the program files and its file's name (each out
 * may be null; the name buffer takes 260 bytes); 1, or 0 when every out is
 * null or a file has no version. */
BWPS_EXPORT int GetNewestProgramVersion(uint32_t* major, uint32_t* minor, uint32_t* build,
                                        uint32_t* revision, char* fileName);
/* The record manager's version as text (80 bytes); 0, or its status with
 * the text empty. */
BWPS_EXPORT int GetRecordManagerVersion(char* text);
/* Declares the version of a program file that this build does not make
 * (the host program, libraries of other products); a null name forgets
 * every declared version. 0. */
BWPS_EXPORT int DeclareProgramFileVersion(const char* file, uint32_t major, uint32_t minor,
                                          uint32_t build, uint32_t revision);

/* ---- Calculator */
/* The calculator without a field: it calculates only. FX_STAY (32). */
BWPS_EXPORT int ShowCalculator(void);
/* The calculator over a field of a form (its entry of the form's field
 * table): when the field takes numbers, Paste puts the result into it,
 * limited to its picture. FX_STAY (32). */
BWPS_EXPORT int ShowCalculatorForField(FxForm* form, const ScreenField* field);

/* ---- Report viewer */
/* A number for an extra key handler of the report viewer, to be put in a
 * report state's handler slot (0 when no more can be kept). The handler
 * runs with the report state; its answer 1 ends the viewer. */
BWPS_EXPORT uint32_t TextReportViewerHandler(FxHandler handler);

#ifdef __cplusplus
}

#include <string>

namespace bwps::desk {

/* The calculator's arithmetic: an immediate-execution chain in double
 * precision (no operator precedence). Keys are the characters of the
 * buttons ('0'..'9', '.', '+', '-', '*', '/', '=', 'E', 'S', 'M', 'C', 'B',
 * 'F', 'P', '\\') and FX_KEY_ENTER, FX_KEY_BACKSPACE, FX_KEY_DEL. */
class BWPS_EXPORT Calculator {
public:
    enum Outcome { kStay, kPasted, kRefused };
    /* Without a field: 12 integer digits, no paste target. */
    Calculator();
    /* Over a numeric field of the picture's decimals, width and sign. */
    Calculator(int decimals, int width, bool negatives);

    /* One key; kPasted when Paste put a text out (in PasteText), kRefused
     * with the message in Message when Paste was refused. */
    Outcome Press(int key);
    /* The text shown in the display. */
    std::string Display() const;
    /* The caption of the last operator ("" none). */
    std::string LastOperator() const;
    const std::string& PasteText() const { return paste_; }
    int Message() const { return message_; }
    double Accumulator() const { return accumulator_; }
    double Memory() const { return memory_; }
    /* A value as the display shows it. */
    std::string Format(double value) const;

private:
    void Operator(int key);
    void Show(double value);
    double TakeEntry();
    bool pasteTarget_ = false;
    int decimals_ = -2;
    int width_ = 16;
    int integerDigits_ = 12;
    bool negatives_ = false;
    bool significant_ = false;
    bool negativeEntry_ = false;
    double memory_ = 0, accumulator_ = 0, operand_ = 0;
    int lastOperator_ = 0, pendingOperator_ = 0, previousKey_ = 0;
    std::string entry_;
    std::string shown_ = "0";
    std::string paste_;
    int message_ = 0;
};

/* "Version 16.00.00.001" from the newest program version, or "No version
 * information available." */
BWPS_EXPORT std::string VersionText();
/* A report file name completed: 0 and the full name; 1 for an empty name,
 * 2 for a name without its file part. A name without a folder goes into
 * the program folder, one without an extension takes the export kind's. */
BWPS_EXPORT int CompleteReportFileName(const std::string& typed, int exportKind, std::string& out);
/* The size text of the about box: "1.50 GB", "1024.00 MB", "2.00 KB". */
BWPS_EXPORT std::string SizeText(uint64_t bytes);

}  // namespace bwps::desk
#endif

#endif
