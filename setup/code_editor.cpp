// The shared shape of the short-code editors.
#include "setup/code_editor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bwps/messages.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/users.h"
#include "recman.h"

namespace bwps::editors {

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const std::size_t last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

std::string RightTrimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

std::string FieldText(const void* field, int width)
{
    const char* p = static_cast<const char*>(field);
    return std::string(p, strnlen(p, static_cast<std::size_t>(width)));
}

void PutField(void* field, int width, const std::string& text)
{
    std::memset(field, 0, static_cast<std::size_t>(width));
    std::memcpy(field, text.data(), std::min<std::size_t>(text.size(), static_cast<std::size_t>(width - 1)));
}

int Ask(int message, const char* buttons)
{
    char list[64];
    std::snprintf(list, sizeof list, "%s", buttons);
    int choice = 1;
    if (AskMessage(message, MESSAGE_DEFAULT_CONTEXT, &choice, list, nullptr, -1, -1, 0, 0, 0) != 0)
        return 0;
    return choice;
}

std::string SessionUser()
{
    const SessionBlock* session = GetSessionPaths();
    return Trimmed(std::string(session->UserId, strnlen(session->UserId, sizeof session->UserId)).c_str());
}

std::string AuditUser()
{
    return GetSessionPaths()->UserLevel == BWPS_SUPERVISOR_LEVEL ? std::string(SUPERVISOR_USER_ID)
                                                                  : SessionUser();
}

std::unique_ptr<AuditLog> EditorAuditLog()
{
    auto log = std::make_unique<AuditLog>();
    log->SetUser(AuditUser().c_str());
    log->SetBrmProdtId(kProductId, IsInterfacedToAccounting() ? 1 : 0);
    return log;
}

// ---- the record file

void CodeFile::PutCode(void* record, const std::string& code) const
{
    auto* bytes = static_cast<uint8_t*>(record);
    std::memset(bytes, padded_ ? ' ' : 0, static_cast<std::size_t>(keyWidth_ - 1));
    bytes[keyWidth_ - 1] = 0;
    std::memcpy(bytes, code.data(), std::min<std::size_t>(code.size(), static_cast<std::size_t>(keyWidth_ - 1)));
}

KeyBuffer CodeFile::Key(const std::string& code) const
{
    KeyBuffer key;
    PutCode(key.bytes, code);
    return key;
}

Status CodeFile::Read(const std::string& code, void* record)
{
    KeyBuffer key = Key(code);
    table_.SetKey(0);
    return table_.Get(B_GET_EQUAL, key.bytes, record, length_);
}

Status CodeFile::Write(AuditLog& log, const std::string& code, bool isNew, void* record)
{
    KeyBuffer key = Key(code);
    const int op = isNew ? B_INSERT : B_UPDATE;
    const int status = log.ADbModify(entity_, code.c_str(), static_cast<int16_t>(op), table_.Handle(), key.bytes,
                                     record, static_cast<int16_t>(length_), -1);
    return {status, op, file_};
}

Status CodeFile::Remove(AuditLog& log, const std::string& code, void* record)
{
    KeyBuffer key = Key(code);
    const int status = log.ADbModify(entity_, code.c_str(), B_DELETE, table_.Handle(), key.bytes, record,
                                     static_cast<int16_t>(length_), -1);
    return {status, B_DELETE, file_};
}

// ---- the screen

namespace {

CodeEditor& Editor(void* context)
{
    return *static_cast<Frame*>(context)->editor;
}

}  // namespace

CodeEditor::CodeEditor(const EditorLayout& layout, EditorCaller* caller)
    : layout_(layout),
      caller_(caller),
      codes_(layout.file, layout.entity, layout.length, layout.codeWidth, layout.blankPadded),
      record_(static_cast<std::size_t>(layout.length), 0)
{
    frame_.editor = this;
}

CodeEditor::~CodeEditor() = default;

void CodeEditor::SetDeleteKey(bool on)
{
    FxSetKeyState(&frame_.form, kKeyF6, on && !isNew_ && MayDelete() ? 1 : 0);
}

int CodeEditor::OnNewRecord(void* context)
{
    CodeEditor& e = Editor(context);
    std::string code;
    // The first record of a run for a caller is the caller's own record.
    const bool callers = !e.started_ && e.caller_ != nullptr && e.caller_->Record != nullptr;
    e.started_ = true;
    if (callers) {
        std::memcpy(e.record_.data(), e.caller_->Record, e.record_.size());
        code = e.Normalise(Trimmed(FieldText(e.record_.data(), e.layout_.codeWidth).c_str()).c_str());
    }
    e.isNew_ = true;
    e.settled_.clear();
    if (code.empty()) {
        e.Clear("");
    } else {
        // Settle the caller's record: stored (F6 on) or new.
        std::vector<uint8_t> stored(e.record_.size(), 0);
        const Status s = e.codes_.Read(code, stored.data());
        if (s.Ok()) {
            e.record_ = stored;
            e.isNew_ = false;
        }
        e.settled_ = code;
    }
    e.Show();
    e.Shown(!e.isNew_);
    e.SetDeleteKey(true);
    FxSetKeyState(&e.frame_.form, kKeyF8, 0);
    FxSetKeyState(&e.frame_.form, kKeyF9, 0);
    return FX_GO_ON;
}

int CodeEditor::CodeCheck()
{
    const std::string code = Normalise(FxFieldGet(&frame_.form, 1));
    if (code.empty()) {
        ShowMessage(layout_.blankMessage, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    std::vector<uint8_t> read(record_.size(), 0);
    const Status s = codes_.Read(code, read.data());
    std::string settled = code;
    if (s.Ok()) {
        record_ = read;
        isNew_ = false;
        settled = Trimmed(FieldText(read.data(), layout_.codeWidth).c_str());   // as stored
    } else if (StartsNew(s)) {
        if (isNew_ && !settled_.empty()) {
            Take();   // already on a new record: what was typed stays
        } else {
            Clear(code);
        }
        isNew_ = true;
    } else {
        s.Report();
        return FX_STAY;
    }
    settled_ = settled;
    if (isNew_)
        codes_.PutCode(record_.data(), code);
    Show();
    Shown(!isNew_);
    SetDeleteKey(true);
    return FX_GO_ON;
}

bool CodeEditor::Settled()
{
    const std::string typed = Normalise(FxFieldGet(&frame_.form, 1));
    if (!settled_.empty() && typed == Normalise(settled_.c_str()))
        return true;
    CodeCheck();
    FxFocusField(&frame_.form, 1);
    return false;
}

int CodeEditor::OnCodeLeave(void* context)
{
    return Editor(context).CodeCheck();
}

int CodeEditor::OnLookupKey(void* context)
{
    CodeEditor& e = Editor(context);
    const int field = e.frame_.form.currentField;
    if (field != 1)
        return e.LookupOther(field);
    const std::string picked = e.LookupCode();
    if (picked.empty())
        return FX_STAY;
    FxFieldSet(&e.frame_.form, 1, picked.c_str());
    return e.CodeCheck() == FX_GO_ON ? FX_LOOKUP_SET : FX_STAY;
}

int CodeEditor::AfterFailedWrite(const Status& s, bool conflictOnly)
{
    s.Report();
    if (s.Is(B_CONFLICT) || (!conflictOnly && s.Is(B_DUPLICATE_KEY))) {
        // Another station changed, removed or added the code: show what is
        // stored now.
        const std::string code = settled_;
        settled_.clear();
        FxFieldSet(&frame_.form, 1, code.c_str());
        isNew_ = false;
        CodeCheck();
        FxFocusField(&frame_.form, 1);
        return FX_STAY_FOCUSED;
    }
    return FX_STAY;
}

int CodeEditor::OnDeleteKey(void* context)
{
    CodeEditor& e = Editor(context);
    if (Trimmed(FxFieldGet(&e.frame_.form, 1)).empty()) {
        ShowMessage(e.layout_.blankMessage, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    if (!e.Settled())
        return FX_STAY_FOCUSED;
    if (e.isNew_ || !e.MayDelete())
        return FX_STAY;
    const int refused = e.BeforeDelete();
    if (refused != FX_GO_ON)
        return refused;
    if (Ask(e.layout_.deleteQuestion, "Yes,No") != 1)
        return FX_STAY;
    const Status s = e.codes_.Remove(*e.log_, e.settled_, e.record_.data());
    if (!s.Ok())
        return e.AfterFailedWrite(s, true);
    if (e.caller_ != nullptr) {
        if (e.caller_->Record != nullptr)
            std::memset(e.caller_->Record, 0, e.record_.size());
        if (e.caller_->KeyCode != nullptr)
            *e.caller_->KeyCode = kKeyF6;
    }
    return FX_RECORD_DONE;
}

int CodeEditor::OnSaveKey(void* context)
{
    CodeEditor& e = Editor(context);
    if (!e.Settled())
        return FX_STAY_FOCUSED;
    const int refused = e.BeforeSave();
    if (refused != FX_GO_ON)
        return refused;
    e.Take();
    e.codes_.PutCode(e.record_.data(), e.settled_);
    if (!e.MaySave())
        return FX_STAY;
    const Status s = e.codes_.Write(*e.log_, e.settled_, e.isNew_, e.record_.data());
    if (!s.Ok())
        return e.AfterFailedWrite(s, false);
    e.isNew_ = false;
    if (e.caller_ == nullptr)
        return FX_RECORD_DONE;
    if (e.caller_->Record != nullptr)
        std::memcpy(e.caller_->Record, e.record_.data(), e.record_.size());
    if (e.caller_->KeyCode != nullptr)
        *e.caller_->KeyCode = FX_KEY_F10;
    return FX_LEAVE;
}

int CodeEditor::Run(ScreenField* fields)
{
    int savedKey = 0, savedSecond = 0;
    const bool callerFile = caller_ != nullptr && caller_->Handle != 0;
    if (callerFile) {
        BtrGetDefaults(caller_->Handle, &savedKey, &savedSecond);
        BtrSetDefaults(caller_->Handle, 0, -1);
    }
    if (caller_ != nullptr && caller_->KeyCode != nullptr) {
        if (*caller_->KeyCode == kKeyF8 && caller_->Record != nullptr)
            std::memset(caller_->Record, 0, record_.size());
        *caller_->KeyCode = 0;
    }
    int result = -1;
    Status opened = codes_.Open();
    if (opened.Ok())
        opened = lookups_.Open(layout_.file);
    if (opened.Ok())
        opened = OpenOtherFiles();
    if (!opened.Ok()) {
        opened.Report();
    } else {
        log_ = EditorAuditLog();
        FxAppBegin(&frame_.fx);
        if (FxFormLoad(&frame_.form, fields, 0) != 0 &&
            FxWindowCreate(&frame_.window, layout_.top, layout_.left, layout_.top + layout_.rows - 1,
                           layout_.left + layout_.columns - 1, 1, 1, ' ', nullptr) == 0) {
            FxWindowSetName(&frame_.window, layout_.name);
            SetColorSet(colours_, 2);
            SetupStandardScreen(&frame_.form, 0, 0);
            FxSetKeyHandler(&frame_.form, kKeyF5, OnLookupKey);
            FxSetKeyHandler(&frame_.form, kKeyF6, OnDeleteKey);
            FxSetKeyHandler(&frame_.form, FX_KEY_F10, OnSaveKey);
            frame_.form.newRecord = OnNewRecord;
            frame_.form.question = AskChoiceMessage;
            Prepare();
            FxWindowAttachForm(&frame_.window, &frame_.form, 0);
            FxAppRun(&frame_.fx, 0);
            FxWindowClose(&frame_.window, 1);
            result = 0;
        }
        FxAppEnd(&frame_.fx);
        log_.reset();
    }
    if (callerFile)
        BtrSetDefaults(caller_->Handle, savedKey, -1);
    if (result < 0)
        return 0;
    return caller_ != nullptr && caller_->KeyCode != nullptr ? *caller_->KeyCode : 0;
}

}  // namespace bwps::editors
