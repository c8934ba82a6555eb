// The supervisor's password: the sixth slot of "0Passwords     ". The slot
// is kept in stored form; the screen shows it in plain form in a concealed
// field and never writes the plain text anywhere.
#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/lookups.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/records/stations.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/screens.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "bwps/users.h"
#include "fx.h"
#include "recman.h"

namespace {

constexpr int kColourSetScreen = 2;
constexpr int kMsgPasswordsDiffer = 1636;
constexpr int kSupervisorSlot = 5;
constexpr int kSlotSize = sizeof(PasswordsRecord::Entries[0]);
enum : int { F_PASSWORD = 1, F_CONFIRMATION = 2 };

struct PasswordScreen {
    FxContext fx;  // first: the framework hands it to the handlers
    FxForm form;
    FxWindow window;
    uint16_t files[30];
    PasswordsRecord record;
    char confirmation[32];
    uint8_t colours[COLOR_SET_SIZE];
    bool hadPassword;
};

PasswordScreen* Screen(void* context)
{
    return static_cast<PasswordScreen*>(context);
}

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    const auto last = s.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

// The slot's plain text (the slot itself stays in stored form).
std::string PlainSlot(const PasswordsRecord& record)
{
    char plain[kSlotSize + 1] = {};
    std::memcpy(plain, record.Entries[kSupervisorSlot], kSlotSize - 1);
    FxPasswordToPlain(plain);
    return plain;
}

void PutStoredSlot(PasswordsRecord& record, const std::string& plain)
{
    char* slot = record.Entries[kSupervisorSlot];
    std::memset(slot, 0, kSlotSize);
    std::memcpy(slot, plain.data(), std::min<size_t>(plain.size(), kSlotSize - 1));
    FxPasswordToStored(slot);
}

int ReadPasswords(uint16_t handle, PasswordsRecord* record)
{
    return ReadGeneralRecord(0, handle, GENERAL_PASSWORDS_SIZE, GENERAL_KEY_PASSWORDS, record);
}

int LoadPasswords(void* context)
{
    PasswordScreen* s = Screen(context);
    std::memset(&s->record, 0, sizeof s->record);
    if (ReadPasswords(s->files[0], &s->record) != 0)
        return FX_LEAVE;
    const std::string plain = PlainSlot(s->record);
    std::memset(s->confirmation, 0, sizeof s->confirmation);
    std::memcpy(s->confirmation, plain.data(), std::min(plain.size(), sizeof s->confirmation - 1));
    FxFieldSet(&s->form, F_PASSWORD, plain.c_str());
    FxFieldSet(&s->form, F_CONFIRMATION, s->confirmation);
    FxFormRedraw(&s->fx, &s->form);
    s->hadPassword = !Trimmed(FxFieldGet(&s->form, F_PASSWORD)).empty();
    return FX_GO_ON;
}

// F5: the stations list, shown for reference; the pick is not used. The
// list copies a whole station record, so it gets a whole one.
int OnStationsKey(void*)
{
    StationRecord unused{};
    FlyStations(nullptr, 0, &unused, 5, 13, 10, 54);
    return FX_STAY;
}

int OnSavePassword(void* context)
{
    PasswordScreen* s = Screen(context);
    const std::string password = Trimmed(FxFieldGet(&s->form, F_PASSWORD));
    if (password != Trimmed(FxFieldGet(&s->form, F_CONFIRMATION))) {
        std::memset(s->confirmation, 0, sizeof s->confirmation);
        FxFieldSet(&s->form, F_CONFIRMATION, "");
        ShowMessage(kMsgPasswordsDiffer, 1);
        return FX_STAY;
    }
    PutStoredSlot(s->record, password);
    // A first supervisor password makes this session the supervisor's once
    // it is stored.
    const bool raise = !password.empty() && !s->hadPassword;

    // The record as stored now: only the supervisor's slot changes, so a
    // slot another station set meanwhile is kept.
    PasswordsRecord stored{};
    if (ReadPasswords(s->files[0], &stored) != 0)
        return FX_LEAVE;
    std::memcpy(stored.Entries[kSupervisorSlot], s->record.Entries[kSupervisorSlot], kSlotSize);
    char key[256] = {};
    std::memcpy(key, GENERAL_KEY_PASSWORDS, GENERAL_KEY_SIZE);
    const int status = BtrWrite(B_UPDATE, s->files[0], key, &stored, GENERAL_PASSWORDS_SIZE);
    if (status == 0) {
        s->record = stored;
        if (raise)
            GetSessionPaths()->UserLevel = BWPS_SUPERVISOR_LEVEL;
        return FX_LEAVE;
    }
    ReportRecordManagerError(status, 1, B_UPDATE, bwps::No(bwps::FileNo::General), 0);
    if (status == B_CONFLICT) {
        LoadPasswords(s);
        return FX_STAY;
    }
    return FX_GO_ON;
}

constexpr std::array<ScreenField, 3> kPasswordTemplate{{
    bwps::Field(F_PASSWORD, 2, 30, "%-8sC").Flags(FX_FIELD_CONCEALED | FX_FIELD_UPPER),
    bwps::Field(F_CONFIRMATION, 4, 30, "%-8sC").Flags(FX_FIELD_CONCEALED | FX_FIELD_UPPER),
    {},
}};

}  // namespace

extern "C" {

BWPS_EXPORT int RSEditPassword(void)
{
    std::array<ScreenField, kPasswordTemplate.size()> fields = kPasswordTemplate;
    auto screen = std::make_unique<PasswordScreen>();
    PasswordScreen& s = *screen;
    FxAppBegin(&s.fx);
    if (OpenFileList(s.files, bwps::No(bwps::FileNo::General), 0) != 0) {
        FxAppEnd(&s.fx);
        return 0;
    }
    if (!FxFormLoad(&s.form, fields.data(), 1)) {
        CloseFileList(s.files);
        FxAppEnd(&s.fx);
        return 0;
    }
    SetColorSet(s.colours, kColourSetScreen);
    FxWindowCreate(&s.window, 4, 18, 4 + 8 - 1, 18 + 62 - 1, 1, 1, ' ', nullptr);
    FxWindowSetName(&s.window, "RSEditPassword");
    SetupStandardScreen(&s.form, 0, 0);
    FxWindowAttachForm(&s.window, &s.form, 0);
    // A password set here protects nothing until the system options put
    // passwords in force.
    if (!PasswordsInForce())
        FxWindowText(&s.window, 6, 2, -1, "Passwords are not in force: see the system options.", 0);
    FxReleaseKey(&s.form, FX_KEY_F1 + 5 * 0x100);  // F6
    FxReleaseKey(&s.form, FX_KEY_F1 + 7 * 0x100);  // F8
    FxSetKeyHandler(&s.form, FX_KEY_F1 + 4 * 0x100, OnStationsKey);  // F5
    FxSetKeyHandler(&s.form, FX_KEY_F10, OnSavePassword);
    s.form.newRecord = LoadPasswords;
    s.form.question = AskChoiceMessage;
    FxAppRun(&s.fx, 0);
    FxWindowClose(&s.window, 1);
    FxAppEnd(&s.fx);
    CloseFileList(s.files);
    std::memset(&s.record, 0, sizeof s.record);
    std::memset(s.confirmation, 0, sizeof s.confirmation);
    return 0;
}

}  // extern "C"

BWPS_ORDINAL(616, RSEditPassword);
