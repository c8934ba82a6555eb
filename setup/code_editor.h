// The shape the short-code editors share: a code in field 1 that reads the
// record or starts a new one, F5 lookup, F6 delete, F10 save, every write
// through the audit log, and the caller context of a lookup that opened the
// editor.
#ifndef BWPS_SETUP_CODE_EDITOR_H
#define BWPS_SETUP_CODE_EDITOR_H

#include <memory>
#include <string>
#include <vector>

#include "bwps/audit.h"
#include "bwps/code_editors.h"
#include "bwps/export.h"
#include "bwps/screen_utils.h"
#include "bwps/table.h"
#include "fx.h"

namespace bwps::editors {

constexpr int kKeyF5 = FX_KEY_F1 + 4 * 0x100;
constexpr int kKeyF6 = FX_KEY_F1 + 5 * 0x100;
constexpr int kKeyF8 = FX_KEY_F1 + 7 * 0x100;
constexpr int kKeyF9 = FX_KEY_F1 + 8 * 0x100;
constexpr int kProductId = 100;   // the audit log's product offset of this program

BWPS_EXPORT std::string Trimmed(const char* text);
std::string RightTrimmed(const char* text);
// The NUL-terminated text at the start of a field of `width` bytes.
std::string FieldText(const void* field, int width);
// The text into a field of `width` bytes: zero-filled, NUL-terminated.
void PutField(void* field, int width, const std::string& text);
// Asks a message with a button list; the button chosen from 1, 0 on Esc.
int Ask(int message, const char* buttons);
// The user the audit log names: the supervisor's id at the supervisor level.
std::string AuditUser();
// The session user's id.
std::string SessionUser();

// The record file of an editor: reads a code (get equal on key 0) and
// writes through the audit log. Updates and deletes work on the record this
// handle read last, so a record another station changed or removed since
// gives 80, and a code another station inserted first gives 5.
class BWPS_EXPORT CodeFile {
public:
    CodeFile(FileNo file, int entity, int length, int keyWidth, bool blankPadded)
        : file_(file), entity_(entity), length_(length), keyWidth_(keyWidth), padded_(blankPadded)
    {
    }
    Status Open() { return table_.Open(file_); }
    Status Read(const std::string& code, void* record);
    Status Write(AuditLog& log, const std::string& code, bool isNew, void* record);
    Status Remove(AuditLog& log, const std::string& code, void* record);
    Table& File() { return table_; }
    // The code into the code field at the start of a record, as it is keyed.
    void PutCode(void* record, const std::string& code) const;
    int Length() const { return length_; }
    FileNo Number() const { return file_; }

private:
    KeyBuffer Key(const std::string& code) const;

    Table table_;
    FileNo file_;
    int entity_;
    int length_;
    int keyWidth_;
    bool padded_;
};

// An audit log set up for an editor: the acting user and the product.
std::unique_ptr<AuditLog> EditorAuditLog();

class CodeEditor;

// What the framework hands the handlers: the context first.
struct Frame {
    FxContext fx;
    FxForm form;
    FxWindow window;
    CodeEditor* editor;
};

struct EditorLayout {
    const char* name;        // screen name and title
    int top, left, rows, columns;
    FileNo file;
    int entity;              // audit-log entity
    int length;              // record length
    int codeWidth;           // bytes of the code field at offset 0
    int blankMessage;        // a blank code
    int deleteQuestion;      // asked with "Yes,No" before a delete
    bool blankPadded;        // codes are stored blank-padded to the field's width
};

class CodeEditor {
public:
    CodeEditor(const EditorLayout& layout, EditorCaller* caller);
    virtual ~CodeEditor();
    CodeEditor(const CodeEditor&) = delete;
    CodeEditor& operator=(const CodeEditor&) = delete;

    // Runs the screen over the field table (read in place for the run).
    // The caller's key code; 0 without a caller or when the screen did not
    // open (its files).
    int Run(ScreenField* fields);

protected:
    // The new-record defaults with the code given.
    virtual void Clear(const std::string& code) = 0;
    virtual void Show() = 0;
    // The screen into the record (all but the code).
    virtual void Take() = 0;
    // The typed code as the file keys it.
    virtual std::string Normalise(const char* text) { return Trimmed(text); }
    // After a record was shown: exists for a stored one.
    virtual void Shown(bool /*exists*/) {}
    virtual bool MayDelete() const { return true; }
    // Checks before a delete and a save; 0 to go on, else the answer.
    virtual int BeforeDelete() { return FX_GO_ON; }
    virtual int BeforeSave() { return FX_GO_ON; }
    // After Take: false refuses the save (the reason shown).
    virtual bool MaySave() { return true; }
    // F5 on a field other than the code; the answer.
    virtual int LookupOther(int /*field*/) { return FX_STAY; }
    // F5 on the code field: a picked code, or "" when nothing was picked.
    virtual std::string LookupCode() = 0;
    // Statuses of a read that start a new record.
    virtual bool StartsNew(const Status& s) const { return s.Is(B_KEY_NOT_FOUND); }
    // The files besides the record file, opened before the screen shows.
    virtual Status OpenOtherFiles() { return {}; }
    virtual void Prepare() {}

    FxForm& Form() { return frame_.form; }
    Frame& ScreenFrame() { return frame_; }
    uint8_t* Record() { return record_.data(); }
    bool IsNew() const { return isNew_; }
    bool HasCaller() const { return caller_ != nullptr; }
    const std::string& Code() const { return settled_; }
    Table& Lookups() { return lookups_; }
    CodeFile& Codes() { return codes_; }
    const EditorLayout& Layout() const { return layout_; }

public:
    // Handlers (the framework calls them with the frame).
    static int OnNewRecord(void* context);
    static int OnCodeLeave(void* context);
    static int OnLookupKey(void* context);
    static int OnDeleteKey(void* context);
    static int OnSaveKey(void* context);

private:
    int CodeCheck();
    // True when the code typed in field 1 is the record on screen; else the
    // typed code is read (or started) and shown, and the key stays.
    bool Settled();
    int AfterFailedWrite(const Status& s, bool conflictOnly);
    void SetDeleteKey(bool on);

    EditorLayout layout_;
    EditorCaller* caller_;
    Frame frame_{};
    CodeFile codes_;
    Table lookups_;
    std::unique_ptr<AuditLog> log_;
    std::vector<uint8_t> record_;
    bool isNew_ = true;
    bool started_ = false;
    std::string settled_;
    int callerKey_ = 0;
    uint8_t colours_[COLOR_SET_SIZE] = {};
};

}  // namespace bwps::editors

#endif
