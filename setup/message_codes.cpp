// Message codes (BPOSMSGS.DB): the editor RSEditMsgCode; and the note-name
// screen RSEditNoteName, in which a record's note file is named.
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "bwps/code_editors.h"
#include "bwps/file_status.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records/messages.h"
#include "bwps/screen_fields.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/users.h"
#include "setup/code_editor.h"

using namespace bwps;
using namespace bwps::editors;

namespace {

constexpr int kEntity = 11;
constexpr int kCommand = 131;
constexpr int kMsgBlankCode = 215;
constexpr int kMsgDeleteQuestion = 973;
constexpr int kMsgBadNoteName = 655;

constexpr std::array<ScreenField, 5> kFields{{
    bwps::Field(1, 1, 14, "%-5sC").Exit(CodeEditor::OnCodeLeave),
    bwps::Field(2, 3, 14, "%-40s"),
    bwps::Field(3, 4, 14, "%-40s"),
    bwps::Field(4, 5, 14, "%-40s"),
    {},
}};

class MessageEditor : public CodeEditor {
public:
    explicit MessageEditor(EditorCaller* caller)
        : CodeEditor(EditorLayout{"RSEditMsgCode", 3, 12, 10, 68, FileNo::MessageCodes, kEntity,
                                  static_cast<int>(sizeof(MessageCodeRecord)), 6, kMsgBlankCode,
                                  kMsgDeleteQuestion, false},
                     caller)
    {
    }

private:
    MessageCodeRecord& Message() { return *reinterpret_cast<MessageCodeRecord*>(Record()); }

    void Prepare() override
    {
        FxWindow& w = ScreenFrame().window;
        FxWindowText(&w, 1, 2, -1, "Message:", 0);
        FxWindowText(&w, 3, 2, -1, "Line 1:", 0);
        FxWindowText(&w, 4, 2, -1, "Line 2:", 0);
        FxWindowText(&w, 5, 2, -1, "Line 3:", 0);
    }

    void Clear(const std::string& code) override
    {
        std::memset(Record(), 0, sizeof(MessageCodeRecord));
        Codes().PutCode(Record(), code);
        Message().Flag = 'N';
    }

    void Show() override
    {
        MessageCodeRecord& m = Message();
        FxFieldSet(&Form(), 1, FieldText(m.Code, sizeof m.Code).c_str());
        for (int i = 0; i < 3; ++i)
            FxFieldSet(&Form(), 2 + i, FieldText(m.Lines[i], sizeof m.Lines[i]).c_str());
        FxFormRedraw(&ScreenFrame().fx, &Form());
    }

    void Take() override
    {
        MessageCodeRecord& m = Message();
        for (int i = 0; i < 3; ++i)
            PutField(m.Lines[i], sizeof m.Lines[i], RightTrimmed(FxFieldGet(&Form(), 2 + i)));
    }

    std::string LookupCode() override
    {
        MessageCodeRecord picked{};
        const std::string start = Trimmed(FxFieldGet(&Form(), 1));
        if (!FlyMessages(start.c_str(), 0, Lookups().Handle(), &picked, 5, 14, 10, 50, nullptr))
            return {};
        return Trimmed(FieldText(picked.Code, sizeof picked.Code).c_str());
    }
};

// ---- the note-name screen

struct NoteScreen {
    FxContext fx;  // first: the framework hands the context to the handlers
    FxForm form;
    FxWindow window;
    char* buffer;
    std::string extension;
    std::string shown;
    uint8_t colours[COLOR_SET_SIZE];
};

NoteScreen& Note(void* context) { return *static_cast<NoteScreen*>(context); }

int OnNoteAccept(void* context)
{
    NoteScreen& s = Note(context);
    char text[64] = {};
    std::snprintf(text, sizeof text, "%s", FxFieldGet(&s.form, 1));
    FxTrimText(5, text);
    const std::string name = Trimmed(text);
    if (name.empty() || name.find_first_of(" .") != std::string::npos) {
        ShowMessage(kMsgBadNoteName, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    std::snprintf(s.buffer, 13, "%s%s", name.substr(0, 8).c_str(), s.extension.c_str());
    return FX_LEAVE;
}

int OnNoteStart(void* context)
{
    NoteScreen& s = Note(context);
    FxFieldSet(&s.form, 1, s.shown.c_str());
    return FX_GO_ON;
}

int OnNoteLookup(void* context)
{
    NoteScreen& s = Note(context);
    char folder[512] = {};
    std::snprintf(folder, sizeof folder, "%s",
                  IsInterfacedToAccounting() ? GetAccountingCompanyPath() : GetSessionPaths()->DataPath);
    FxTrimText(5, folder);
    const std::string pattern = "*" + s.extension;
    if (!ShowDirectoryLookup(folder, pattern.c_str(), 5, 5, 10, 40))
        return FX_STAY;
    std::string picked = folder;
    const std::size_t slash = picked.find_last_of("/\\");
    if (slash != std::string::npos)
        picked = picked.substr(slash + 1);
    const std::size_t dot = picked.find_last_of('.');
    if (dot != std::string::npos)
        picked = picked.substr(0, dot);
    FxFieldSet(&s.form, 1, picked.c_str());
    return FX_LOOKUP_SET;
}

}  // namespace

extern "C" {

BWPS_EXPORT int RSEditMsgCodeFor(EditorCaller* caller)
{
    if (caller != nullptr && !CheckUserGroupAccess(kCommand))
        return 0;
    MessageEditor editor(caller);
    std::array<ScreenField, kFields.size()> fields = kFields;
    return editor.Run(fields.data());
}

BWPS_EXPORT int RSEditMsgCode(int)
{
    return RSEditMsgCodeFor(nullptr);
}

BWPS_EXPORT int RSEditNoteName(char* buffer, const char* defaultName, int recordKind)
{
    if (buffer == nullptr)
        return 0;
    static constexpr std::array<ScreenField, 2> kNoteFields{{
        bwps::Field(1, 2, 16, "%-8s").Exit(OnNoteAccept),
        {},
    }};
    std::array<ScreenField, kNoteFields.size()> fields = kNoteFields;
    NoteScreen s{};
    s.buffer = buffer;
    const char* extension = GetNoteFileExtension(recordKind);
    s.extension = extension != nullptr ? extension : "";
    // The name shown: the buffer's up to its first '.', else the default.
    std::string& shown = s.shown;
    if (buffer[0] != '\0') {
        shown = std::string(buffer, strnlen(buffer, 9));
        const std::size_t dot = shown.find('.');
        if (dot != std::string::npos)
            shown = shown.substr(0, dot);
    } else if (defaultName != nullptr) {
        shown = std::string(defaultName, strnlen(defaultName, 8));
    }
    FxAppBegin(&s.fx);
    if (FxFormLoad(&s.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&s.window, 5, 25, 11, 79, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSEditNoteName");
        SetColorSet(s.colours, 5);
        SetupStandardScreen(&s.form, 0, 0);
        FxReleaseKey(&s.form, FX_KEY_F1 + 1 * 0x100);   // F2
        FxSetKeyHandler(&s.form, kKeyF5, OnNoteLookup);
        FxSetKeyHandler(&s.form, FX_KEY_F10, OnNoteAccept);
        s.form.question = AskChoiceMessage;
        s.form.newRecord = OnNoteStart;
        FxWindowAttachForm(&s.window, &s.form, 0);
        FxWindowText(&s.window, 2, 2, -1, "Note file name:", 0);
        FxAppRun(&s.fx, 0);
        FxWindowClose(&s.window, 1);
    }
    FxAppEnd(&s.fx);
    return 0;
}

}  // extern "C"

BWPS_ORDINAL(614, RSEditMsgCode);
BWPS_ORDINAL(615, RSEditNoteName);
