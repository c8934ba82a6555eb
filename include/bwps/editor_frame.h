// bwps/editor_frame.h: the frame of the record-maintenance screens
// ("editors") of items, customers and sales codes.
//
// An editor keeps the records of one master file on one form. Every editor
// is built the same way, and this header holds that way once:
//
//   - a static template of screen fields, copied into the editor's own
//     storage at every start (the framework reads the copy in place; all
//     run-time changes, handlers and flags, are made on the copy);
//   - an entry that starts the screen in a fixed order and, when a step
//     fails, undoes the steps before it in reverse order (EditorFrame::Run);
//   - handlers that answer the framework with FX_GO_ON (0), FX_STAY (0x20),
//     FX_LOOKUP_SET (0x40), FX_STAY_FOCUSED (0x80), FX_RECORD_DONE (2) or
//     FX_LEAVE (1);
//   - one pattern for loading a record by its code, saving it (insert or
//     update, written and audit-logged in one step by AuditLog::ADbModify),
//     deleting it after a question, and looking it up with F5;
//   - nested opening from a pick list: a lookup whose F8 (new) or F9 (edit)
//     key is bound to an editor hands over its TagLookUp; the editor works on
//     the lookup's open file and record, and answers the lookup through the
//     key word of the lookup's work area: 0x4400 after a save, 0x4000 after a
//     delete, 0 when nothing was written. The lookup reads its page again and
//     the user picks the record there.
//
// Building an editor
//
//   class TermsEditor : public bwps::EditorFrame {
//   public:
//       explicit TermsEditor(TagLookUp* caller) : EditorFrame(Spec(), caller) {}
//   protected:
//       std::span<const ScreenField> Template() const override;   // the fields
//       void BindFields(ScreenField* table) override;              // exit handlers
//       void ClearRecord() override;                               // a new record
//       void RecordToScreen() override;                            // and back:
//       void ScreenToRecord() override;
//       int LookUp(int field) override;                            // F5
//   };
//   extern "C" int RSEditTermsCode(int) { TermsEditor e(nullptr); return e.Run(); }
//
// The EditorSpec names the file, the code's place in the record (key 0 is
// the code), the screen's name and window, the rights, the audit entity and
// the message numbers. Field exit handlers of the editor's own are bound
// with EditorHandler<&Editor::Method> (the framework calls a plain function
// with the screen context; the trampoline finds the running editor).
//
// The record: Record() is the editor's own buffer, or, when EditorSpec says
// so and the editor runs nested, the calling lookup's record buffer. The
// frame moves it to and from the form only through the editor's
// RecordToScreen and ScreenToRecord.
//
// Companions (the user-defined-field record, the related table of a master
// record) derive from EditorCompanion and are added with AddCompanion before
// Run: the frame opens them at the start, finds or initialises them when a
// record is loaded or started, saves them after the record was saved,
// deletes them after the record was deleted and closes them at the end.
//
// Concurrency: a record is never kept locked while the user edits it. The
// file stands on the record read at load; a save or delete that meets a
// record changed or removed at another station meanwhile gets status 80
// from the record manager: the frame reports it, loads the record again and
// puts the cursor on the code. With EditorSpec::probeLock the load also
// refuses a record that another station holds locked.
//
// One editor of a kind runs at a time; nothing of a run survives it but
// the written records.
#ifndef BWPS_EDITOR_FRAME_H
#define BWPS_EDITOR_FRAME_H

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "bwps/audit.h"
#include "bwps/export.h"
#include "bwps/files.h"
#include "bwps/table.h"
#include "fx.h"
#include "lookup.h"

namespace bwps {

// Key words of a calling lookup's work area.
enum EditorKeyWord : int32_t {
    kEditorNothingWritten = 0,
    kEditorDeleted = 0x4000,   // LK_KEY_DELETED
    kEditorNew = 0x4200,       // F8 of the pick list
    kEditorEdit = 0x4300,      // F9 of the pick list
    kEditorSaved = 0x4400      // LK_KEY_SAVED
};

// Keys of the editors.
enum EditorKey : int {
    kKeyLookUp = 0x3F00,   // F5
    kKeyDelete = 0x4000,   // F6
    kKeyNewList = 0x4200,  // F8
    kKeyEditList = 0x4300, // F9
    kKeySave = 0x4400,     // F10
    kKeyEsc = 27
};

// What one editor is: its file, its code, its screen, rights and messages.
struct EditorSpec {
    const char* screenName = "";      // window's screen name ("RSEditTermsCode")
    int top = 1, left = 1, bottom = 24, right = 78;  // window corners
    FileNo file = FileNo::None;       // the master file; key 0 is the code
    int recordLength = 0;             // bytes of one record
    int codeOffset = 0;               // the code's place in the record
    int codeLength = 0;               // bytes of the code field, its NUL included
    int codeField = 1;                // the form's code field (0: the form has none and
                                      // shows one record the editor was given)
    int auditEntity = 0;              // AuditLog entity (0: writes are not logged)
    int function = 0;                 // CheckUserAccessOrMessage function (0: open to all)
    int nestedGroupFunction = 0;      // CheckUserGroupAccess when nested (0: none)
    int deleteRight = 0;              // the may-delete right (0: everybody may delete)
    int addRight = 0, changeRight = 0;// checked at save, with their message (0: none)
    int blankCodeMessage = 205;       // a save, delete or load without a code
    int deleteQuestion = 0;           // asked "Yes,No" before a delete
    int keyOptions = 0x23;            // SetupStandardScreen options
    int menu = 0;                     // SetupStandardScreen menu list
    bool workOnCallerRecord = false;  // nested: edit the lookup's record buffer in place
    bool probeLock = false;           // load: refuse a record another station holds
};

class EditorFrame;

// A record kept beside the master record under its code.
class BWPS_EXPORT EditorCompanion {
public:
    virtual ~EditorCompanion();
    // At the start; false stops the editor (the failure reported).
    virtual bool Open() = 0;
    virtual void Close() = 0;
    // A record was loaded (existing) or started (new): find or initialise.
    virtual void Start(const void* record, bool existing) = 0;
    // After the master record was written or deleted.
    virtual bool Save(const void* record) = 0;
    virtual bool Delete(const void* record) = 0;
};

// The state every handler of an editor receives. It begins with the
// framework's screen context (the key slot is context.fx.key).
struct EditorContext {
    FxContext fx{};
    EditorFrame* editor = nullptr;
};

// The store's labels of one kind of user-defined fields ('C', 'P', 'S'):
// the label manager started for the kind while the editor runs.
BWPS_EXPORT std::unique_ptr<EditorCompanion> UdfLabelsCompanion(char entity);

class BWPS_EXPORT EditorFrame {
public:
    EditorFrame(const EditorSpec& spec, TagLookUp* caller);
    virtual ~EditorFrame();
    EditorFrame(const EditorFrame&) = delete;
    EditorFrame& operator=(const EditorFrame&) = delete;

    // Runs the editor: the start steps in order (a failing one undoes the
    // ones before it), the screen, the end in reverse. Nested: the key word
    // left for the calling lookup; else 0.
    int Run();

    // The running editor of a handler's context.
    static EditorFrame& Of(void* context) { return *static_cast<EditorContext*>(context)->editor; }

    // ---- the frame's handlers (bound by Run; editors may call them)
    int CodeCheck();      // leaving the code field: load or start a new record
    int Save();           // F10
    int Delete();         // F6
    int NewRecord();      // the form starts empty
    int LookUpKey();      // F5: LookUp(current field)

    // ---- state an editor reads
    const EditorSpec& Spec() const { return spec_; }
    void* Record() { return record_; }
    bool Nested() const { return caller_ != nullptr; }
    TagLookUp* Caller() const { return caller_; }
    bool Existing() const { return existing_; }
    bool MayDelete() const { return mayDelete_; }
    FxForm* Form() { return &form_; }
    FxWindow* Window() { return &window_; }
    EditorContext* Context() { return &context_; }
    Table& File() { return file_; }
    AuditLog* Audit() { return audit_.get(); }
    int KeySlot() const { return context_.fx.key; }
    // The code of the record as text (trailing blanks off).
    std::string RecordCode() const;
    // The code field's text (blanks at its ends off).
    std::string ScreenCode();

    void AddCompanion(std::unique_ptr<EditorCompanion> companion);

protected:
    // ---- what each editor gives
    virtual std::span<const ScreenField> Template() const = 0;
    // Writes the editor's own handlers into the table copy (the code field's
    // exit is the frame's CodeCheck unless set here).
    virtual void BindFields(ScreenField* table) { (void)table; }
    // Binds the editor's own keys after the frame's (F5, F6, F10).
    virtual void BindKeys() {}
    // Nested: the keys that make no sense for a record of a pick list.
    virtual void BindNestedKeys() {}
    // The window's own texts (prompts), once the form is shown.
    virtual void DrawTexts() {}
    // Before the screen: defaults records, gates; false stops the editor.
    virtual bool Prepare() { return true; }
    // The record as a new one: defaults, the code cleared.
    virtual void ClearRecord() = 0;
    virtual void RecordToScreen() = 0;
    virtual void ScreenToRecord() = 0;
    // Field checks of a save, in order; FX_GO_ON when all pass, else the
    // answer (the failing field focused).
    virtual int CheckBeforeSave() { return FX_GO_ON; }
    // The delete checks of the editor; FX_GO_ON lets the delete go on.
    virtual int CheckBeforeDelete() { return FX_GO_ON; }
    // A code that another master file holds: true after the refusal was shown.
    virtual bool CodeTakenElsewhere(const std::string& code)
    {
        (void)code;
        return false;
    }
    // F5 on a field; FX_STAY when nothing was picked.
    virtual int LookUp(int field)
    {
        (void)field;
        return FX_STAY;
    }
    // After the form emptied and the record was shown (fields by rights).
    virtual void AfterNewRecord() {}
    // After a record was loaded or started by its code.
    virtual void AfterLoad() {}
    // Numbered records: a save without a code is accepted when this says so;
    // the code is given by NumberRecord after the checks and before the write
    // (FX_GO_ON with *code set, or the answer with the failure shown). A
    // duplicate met by the insert of a numbered record asks
    // RenumberAfterDuplicate: FX_GO_ON with the next *code writes again.
    virtual bool BlankCodeAccepted() { return false; }
    virtual int NumberRecord(std::string* code)
    {
        (void)code;
        return FX_STAY;
    }
    virtual int RenumberAfterDuplicate(std::string* code)
    {
        (void)code;
        return FX_STAY;
    }

    // ---- services for the editors
    // Before Run: the editor works on a file the caller holds open (never
    // closed here) instead of opening its own.
    void UseFile(uint16_t handle) { lent_ = handle; }
    // Puts a code into the record's code field (cut to its width).
    void SetRecordCode(const std::string& code);
    // Runs a pick list over the master file (the fly function's arguments
    // after the file handle and record), and loads the pick as CodeCheck
    // does: FX_LOOKUP_SET, or FX_STAY without a pick.
    template <class Fly>
    int LookUpCode(Fly fly)
    {
        std::vector<uint8_t> picked(static_cast<size_t>(spec_.recordLength), 0);
        const std::string start = ScreenCode();
        if (!fly(start.empty() ? nullptr : start.c_str(), file_.Handle(), picked.data()))
            return FX_STAY;
        return LoadPicked(picked.data());
    }
    int LoadPicked(const void* picked);
    // Sets F6 by the state of the record and the may-delete flag.
    void SetDeleteKey();
    // Switches a key on or off (bound keys only).
    void SetKey(int key, bool on);

private:
    enum class Load { Loaded, Started, Refused };
    Load LoadByCode(const std::string& code, int* answer);
    int Reload();
    void FillKey(KeyBuffer& key) const;
    bool StartCompanions(size_t* opened);
    void CloseCompanions(size_t opened);
    void StartSetCompanions();
    int FinishSave();

    EditorSpec spec_;
    TagLookUp* caller_;
    EditorContext context_{};
    FxForm form_{};
    FxWindow window_{};
    std::vector<ScreenField> table_;
    std::vector<uint8_t> own_;
    void* record_ = nullptr;
    Table file_;
    std::unique_ptr<AuditLog> audit_;
    std::vector<std::unique_ptr<EditorCompanion>> companions_;
    std::string loadedCode_;     // the code of the record the file stands on
    bool existing_ = false;
    bool mayDelete_ = true;
    uint16_t lent_ = 0;          // UseFile: the caller's open file
    bool startPending_ = false;  // nested F9: the caller's record is loaded at the first empty form
    int32_t keyWord_ = 0;
};

// A field or key handler that calls a member of the running editor.
template <class Editor, int (Editor::*Method)()>
int EditorHandler(void* context)
{
    return (static_cast<Editor&>(EditorFrame::Of(context)).*Method)();
}

}  // namespace bwps

// ---- Entries of the editors on this frame
// Each editor has a screen entry for the host and the command entry (the
// argument is 0: no calling lookup) and a key handler for the F8 and F9
// keys of its pick list, called with the list's TagLookUp; the handler
// leaves the key word in the list's work area and returns it.
extern "C" {
BWPS_EXPORT int EditTermsCodeFromList(void* lookup);   /* 635 */
BWPS_EXPORT int EditShipViaFromList(void* lookup);     /* 4230 */
BWPS_EXPORT int EditTendersFromList(void* lookup);     /* 633 */
BWPS_EXPORT int EditTaxCodeFromList(void* lookup);     /* 637 */
BWPS_EXPORT int EditPriceBreaksFromList(void* lookup);
/* The period history of a tax code: the open tax file, the array selector
 * (non-zero: arrays 0 and 2, zero: arrays 1 and 3), the 995-byte record and
 * the "0Periods" record. 0 when the screen could not be set up, else 32 or
 * 2 as the screen closed; 1 after a save. */
BWPS_EXPORT int RSEditTaxHistory(uint16_t taxFile, int selector, void* tax, const void* periods); /* 636 */
}

#endif
