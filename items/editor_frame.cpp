// The frame of the record-maintenance screens: start and end in a fixed
// order, the code field, save, delete and lookup of one master record, the
// audit log and nested runs from a pick list.
#include "bwps/editor_frame.h"

#include <cstring>

#include "bwps/messages.h"
#include "bwps/reports.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/users.h"
#include "recman.h"

namespace bwps {

namespace {

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    const size_t last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

// The signed-in user as a NUL-ended id.
std::string SessionUser()
{
    const SessionBlock* session = GetSessionPaths();
    char user[BWPS_USER_ID_SIZE + 1] = {};
    std::memcpy(user, session->UserId, BWPS_USER_ID_SIZE);
    return user;
}

template <int (EditorFrame::*Method)()>
int FrameHandler(void* context)
{
    return (EditorFrame::Of(context).*Method)();
}

}  // namespace

EditorCompanion::~EditorCompanion() = default;

EditorFrame::EditorFrame(const EditorSpec& spec, TagLookUp* caller) : spec_(spec), caller_(caller)
{
    context_.editor = this;
    own_.assign(static_cast<size_t>(spec_.recordLength), 0);
    record_ = own_.data();
}

EditorFrame::~EditorFrame() = default;

void EditorFrame::AddCompanion(std::unique_ptr<EditorCompanion> companion)
{
    if (companion != nullptr)
        companions_.push_back(std::move(companion));
}

bool EditorFrame::StartCompanions(size_t* opened)
{
    *opened = 0;
    for (auto& companion : companions_) {
        if (!companion->Open())
            return false;
        ++*opened;
    }
    return true;
}

void EditorFrame::CloseCompanions(size_t opened)
{
    while (opened > 0)
        companions_[--opened]->Close();
}

void EditorFrame::StartSetCompanions()
{
    for (auto& companion : companions_)
        companion->Start(record_, existing_);
}

int EditorFrame::Run()
{
    const std::string user = SessionUser();
    // 1. access: the screen's function, nested the pick list's right; the
    // may-delete flag without a message
    if (Nested() && spec_.nestedGroupFunction != 0 && !CheckUserGroupAccess(spec_.nestedGroupFunction))
        return 0;
    if (spec_.function != 0 && !CheckUserAccessOrMessage(spec_.function, user.c_str(), 1))
        return 0;
    mayDelete_ = spec_.deleteRight == 0 || CheckUserAccess(spec_.deleteRight, 0, user.c_str(), 0) != 0;
    // 2. the editor's own gates
    existing_ = false;
    loadedCode_.clear();
    if (!Prepare())
        return 0;
    // 3. the table copy, the screen context
    const std::span<const ScreenField> fields = Template();
    table_.assign(fields.begin(), fields.end());
    if (table_.empty() || table_.back().number != 0)
        table_.push_back(ScreenField{});
    FxAppBegin(&context_.fx);
    // 4. the record's companions
    size_t opened = 0;
    if (!StartCompanions(&opened)) {
        CloseCompanions(opened);
        FxAppEnd(&context_.fx);
        return 0;
    }
    // 5. the file: nested, the pick list's open file
    TagLookUpData* data = Nested() ? caller_->Data : nullptr;
    const Status open = data != nullptr ? file_.Borrow(spec_.file, data->Handle)
                        : lent_ != 0    ? file_.Borrow(spec_.file, lent_)
                                        : file_.Open(spec_.file);
    // 6. the form
    bool started = open.Ok();
    if (!open.Ok())
        open.Report();
    else
        started = FxFormLoad(&form_, table_.data(), 1) != 0;
    int savedKey = 0, savedSecond = 0;
    bool keySaved = false;
    if (started) {
        // 8. the handlers into the table copy
        if (spec_.codeField > 0) {
            ScreenField& code = table_[static_cast<size_t>(spec_.codeField - 1)];
            if (code.exitHandler == nullptr)
                code.exitHandler = FrameHandler<&EditorFrame::CodeCheck>;
        }
        BindFields(table_.data());
        // 9. the window
        started = FxWindowCreate(&window_, spec_.top, spec_.left, spec_.bottom, spec_.right, 1, 0, ' ',
                                 nullptr) == 0;
    }
    if (started) {
        FxWindowSetName(&window_, spec_.screenName);
        // 10. the keys: the standard ones, then the frame's and the editor's
        SetupStandardScreen(&form_, spec_.keyOptions, spec_.menu);
        FxSetKeyHandler(&form_, kKeyLookUp, FrameHandler<&EditorFrame::LookUpKey>);
        FxSetKeyHandler(&form_, kKeyDelete, FrameHandler<&EditorFrame::Delete>);
        FxSetKeyHandler(&form_, kKeySave, FrameHandler<&EditorFrame::Save>);
        BindKeys();
        // 11. nested: the pick list's key and record
        if (Nested()) {
            BindNestedKeys();
            BtrGetDefaults(file_.Handle(), &savedKey, &savedSecond);
            keySaved = true;
            file_.SetKey(0);
            int32_t word = 0;
            if (caller_->WorkArea != nullptr)
                std::memcpy(&word, caller_->WorkArea, sizeof word);
            const bool buffer = data != nullptr && data->Record != nullptr &&
                                data->RecordLength >= spec_.recordLength;
            if (spec_.workOnCallerRecord && buffer)
                record_ = data->Record;
            if (word == kEditorEdit && buffer) {
                if (record_ != data->Record)
                    std::memcpy(record_, data->Record, static_cast<size_t>(spec_.recordLength));
                startPending_ = true;
            } else {
                ClearRecord();
            }
            keyWord_ = kEditorNothingWritten;
            if (caller_->WorkArea != nullptr)
                std::memcpy(caller_->WorkArea, &keyWord_, sizeof keyWord_);
        } else {
            // 12. top level: the record starts as a new one
            ClearRecord();
        }
        // 13. the audit log
        audit_ = std::make_unique<AuditLog>();
        audit_->SetUser(GetSessionPaths()->UserLevel == BWPS_SUPERVISOR_LEVEL ? SUPERVISOR_USER_ID
                                                                               : user.c_str());
        audit_->SetBrmProdtId(100, static_cast<unsigned char>(IsInterfacedToAccounting() != 0 ? 1 : 0));
        // 14. the form's callbacks
        form_.newRecord = FrameHandler<&EditorFrame::NewRecord>;
        form_.question = AskChoiceMessage;
        // 15. the main window's period heading is held off while the screen runs
        const int heading = ReportGetPeriodHeadingOff();
        ReportSetPeriodHeadingOff(1);
        // 17. the run
        FxWindowAttachForm(&window_, &form_, 0);
        DrawTexts();
        FxAppRun(&context_.fx, Nested() ? 1 : 0);
        ReportSetPeriodHeadingOff(heading);
        audit_.reset();
        FxWindowClose(&window_, 1);
    }
    // 18. the end, in reverse
    FxAppEnd(&context_.fx);
    // 19. nested: the pick list's key as it was, and the key word
    if (keySaved)
        BtrSetDefaults(file_.Handle(), savedKey, savedSecond);
    file_.Close();
    CloseCompanions(opened);
    if (!Nested() || !started)
        return 0;
    if (caller_->WorkArea != nullptr)
        std::memcpy(caller_->WorkArea, &keyWord_, sizeof keyWord_);
    return keyWord_;
}

std::string EditorFrame::RecordCode() const
{
    const char* code = static_cast<const char*>(record_) + spec_.codeOffset;
    const size_t n = strnlen(code, static_cast<size_t>(spec_.codeLength));
    return Trimmed(std::string(code, n).c_str());
}

std::string EditorFrame::ScreenCode() { return Trimmed(FxFieldGet(&form_, spec_.codeField)); }

void EditorFrame::SetRecordCode(const std::string& code)
{
    char* field = static_cast<char*>(record_) + spec_.codeOffset;
    std::memset(field, 0, static_cast<size_t>(spec_.codeLength));
    std::memcpy(field, code.data(), std::min(code.size(), static_cast<size_t>(spec_.codeLength - 1)));
}

void EditorFrame::FillKey(KeyBuffer& key) const
{
    key.Clear();
    std::memcpy(key.bytes, static_cast<const char*>(record_) + spec_.codeOffset,
                static_cast<size_t>(spec_.codeLength));
}

void EditorFrame::SetKey(int key, bool on)
{
    FxHandler handler = nullptr;
    if (FxKeyBinding(&form_, key, &handler) != 0)
        FxSetKeyState(&form_, key, on ? 1 : 0);
}

void EditorFrame::SetDeleteKey() { SetKey(kKeyDelete, existing_ && mayDelete_); }

int EditorFrame::NewRecord()
{
    if (startPending_) {
        // nested F9: the pick list's record is loaded from the file
        startPending_ = false;
        const std::string code = RecordCode();
        int answer = FX_GO_ON;
        if (!code.empty()) {
            FxFieldSet(&form_, spec_.codeField, code.c_str());
            if (LoadByCode(code, &answer) != Load::Refused) {
                AfterNewRecord();
                return FX_GO_ON;
            }
        }
        ClearRecord();
    } else if (!Nested()) {
        ClearRecord();
    }
    existing_ = false;
    loadedCode_.clear();
    StartSetCompanions();
    RecordToScreen();
    SetDeleteKey();
    AfterNewRecord();
    return FX_GO_ON;
}

EditorFrame::Load EditorFrame::LoadByCode(const std::string& code, int* answer)
{
    std::vector<uint8_t> found(static_cast<size_t>(spec_.recordLength), 0);
    KeyBuffer key;
    std::memcpy(key.bytes, code.data(), std::min(code.size(), static_cast<size_t>(spec_.codeLength - 1)));
    Status s = file_.Get(B_GET_EQUAL, key.bytes, found.data(), spec_.recordLength);
    if (s.Ok() && spec_.probeLock) {
        // a record another station holds cannot be opened; no lock is kept
        s = file_.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key.bytes, found.data(), spec_.recordLength);
        file_.UnlockAll();
        if (!s.Ok()) {
            s.Report();
            FxFieldSet(&form_, spec_.codeField, " ");
            *answer = FX_STAY;
            return Load::Refused;
        }
    }
    if (s.Ok()) {
        std::memcpy(record_, found.data(), found.size());
        existing_ = true;
        loadedCode_ = code;
        StartSetCompanions();
        RecordToScreen();
        SetDeleteKey();
        AfterLoad();
        *answer = FX_GO_ON;
        return Load::Loaded;
    }
    if (s.Is(B_KEY_NOT_FOUND)) {
        if (CodeTakenElsewhere(code)) {
            FxFieldSet(&form_, spec_.codeField, " ");
            *answer = FX_STAY;
            return Load::Refused;
        }
        if (existing_) {
            // the shown record was another one: a new record under this code
            ClearRecord();
            SetRecordCode(code);
            existing_ = false;
            StartSetCompanions();
            RecordToScreen();
        }
        existing_ = false;
        loadedCode_.clear();
        SetDeleteKey();
        AfterLoad();
        *answer = FX_GO_ON;
        return Load::Started;
    }
    s.Report();
    *answer = FX_STAY;
    return Load::Refused;
}

int EditorFrame::CodeCheck()
{
    const std::string code = ScreenCode();
    if (code.empty()) {
        ShowMessage(spec_.blankCodeMessage, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    int answer = FX_GO_ON;
    LoadByCode(code, &answer);
    return answer;
}

int EditorFrame::Reload()
{
    std::string code = ScreenCode();
    if (code.empty())
        code = loadedCode_;
    int answer = FX_GO_ON;
    if (!code.empty())
        LoadByCode(code, &answer);
    FxFocusField(&form_, spec_.codeField);
    return FX_STAY_FOCUSED;
}

int EditorFrame::Save()
{
    std::string code = ScreenCode();
    const bool numbered = code.empty() && BlankCodeAccepted();
    if (code.empty() && !numbered) {
        ShowMessage(spec_.blankCodeMessage, MESSAGE_DEFAULT_CONTEXT);
        FxFocusField(&form_, spec_.codeField);
        return FX_STAY_FOCUSED;
    }
    if (existing_ && code != loadedCode_) {
        // the code was typed over and not yet checked: the file stands on
        // the record of the old code, which an update would rename
        CodeCheck();
        FxFocusField(&form_, spec_.codeField);
        return FX_STAY_FOCUSED;
    }
    const int right = existing_ ? spec_.changeRight : spec_.addRight;
    if (right != 0 && !CheckUserAccess(right, 0, SessionUser().c_str(), 1))
        return Nested() ? FX_LEAVE : FX_RECORD_DONE;
    const int check = CheckBeforeSave();
    if (check != FX_GO_ON)
        return check;
    ScreenToRecord();
    if (numbered) {
        const int given = NumberRecord(&code);
        if (given != FX_GO_ON)
            return given;
    }
    const int op = existing_ ? B_UPDATE : B_INSERT;
    const int entity = spec_.auditEntity != 0 && KeySlot() == kKeySave ? spec_.auditEntity : -1;
    int status = 0;
    for (;;) {
        SetRecordCode(code);
        KeyBuffer key;
        FillKey(key);
        status = audit_->ADbModify(entity, code.c_str(), static_cast<int16_t>(op), file_.Handle(), key.bytes,
                                   record_, static_cast<int16_t>(spec_.recordLength), -1);
        if (!(numbered && status == B_DUPLICATE_KEY))
            break;
        const int again = RenumberAfterDuplicate(&code);
        if (again != FX_GO_ON) {
            SetRecordCode(std::string());
            return again;
        }
    }
    if (status != 0) {
        ReportRecordManagerError(status, 1, op, No(spec_.file), 0);
        if (status == B_CONFLICT || status == B_DUPLICATE_KEY)
            return Reload();
        return FX_STAY;
    }
    for (auto& companion : companions_)
        companion->Save(record_);
    existing_ = true;
    loadedCode_ = code;
    FxShowStatusText("Saved.");
    if (Nested()) {
        keyWord_ = kEditorSaved;
        return FX_LEAVE;
    }
    return FX_RECORD_DONE;
}

int EditorFrame::Delete()
{
    const std::string code = ScreenCode();
    if (code.empty()) {
        ShowMessage(spec_.blankCodeMessage, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (!existing_)
        return FX_STAY;
    if (code != loadedCode_) {
        // the shown code is not the record the file stands on
        CodeCheck();
        FxFocusField(&form_, spec_.codeField);
        return FX_STAY_FOCUSED;
    }
    const int check = CheckBeforeDelete();
    if (check != FX_GO_ON)
        return check;
    int choice = 1;
    AskMessage(spec_.deleteQuestion, MESSAGE_DEFAULT_CONTEXT, &choice, MESSAGE_BUTTONS_YES_NO,
               LibraryColorSets() + 5 * COLOR_SET_SIZE, -1, -1, 0, 0, 0);
    if (choice != 1)
        return FX_STAY;
    KeyBuffer key;
    FillKey(key);
    const int entity = spec_.auditEntity != 0 ? spec_.auditEntity : -1;
    const int status = audit_->ADbModify(entity, code.c_str(), B_DELETE, file_.Handle(), key.bytes, record_,
                                         static_cast<int16_t>(spec_.recordLength), -1);
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_DELETE, No(spec_.file), 0);
        if (status == B_CONFLICT)
            return Reload();
        return FX_STAY;
    }
    for (auto& companion : companions_)
        companion->Delete(record_);
    ClearRecord();
    existing_ = false;
    loadedCode_.clear();
    if (Nested())
        keyWord_ = kEditorDeleted;
    return FX_RECORD_DONE;
}

int EditorFrame::LookUpKey() { return LookUp(form_.currentField); }

int EditorFrame::LoadPicked(const void* picked)
{
    const char* code = static_cast<const char*>(picked) + spec_.codeOffset;
    const std::string text = Trimmed(std::string(code, strnlen(code, static_cast<size_t>(spec_.codeLength))).c_str());
    if (text.empty())
        return FX_STAY;
    FxFieldSet(&form_, spec_.codeField, text.c_str());
    int answer = FX_GO_ON;
    if (LoadByCode(text, &answer) == Load::Refused)
        return answer;
    FxFormRedrawAfterPick(&context_, &form_);
    return FX_LOOKUP_SET;
}

}  // namespace bwps
