// The sign-in screen "RSGetUserPassword": a user id and a password, F10 to
// sign in, five failed attempts end the screen as cancelled.
#include <array>
#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "bwps/session.h"
#include "bwps/table.h"
#include "bwps/users.h"
#include "fx.h"
#include "recman.h"
#include "session/session_internal.h"

namespace {

enum { kFieldUserId = 1, kFieldPassword = 2, kSignInColours = 5 };

struct SignInContext {
    FxContext fx;        // first: the framework's part
    FxForm form;
    FxWindow window;
    bwps::Table userFile;
    bool cancelled;
    uint8_t colours[COLOR_SET_SIZE];
};

int g_failureCount = 0;   // failed attempts on the current screen

const char kLeaveText[] =
    "You must enter a valid User Id followed by a\nvalid Password to enter this company's records.";

SignInContext& Context(void* context)
{
    return *static_cast<SignInContext*>(context);
}

int PrefillUserIdField(void* context)
{
    SignInContext& c = Context(context);
    const SessionBlock* session = GetSessionPaths();
    char station[BWPS_STATION_ID_SIZE + 1] = {};
    std::memcpy(station, session->StationId, BWPS_STATION_ID_SIZE);
    if (FxIsEmpty(FxFieldGet(&c.form, kFieldUserId)) && std::strcmp(station, "DEFAULT       ") != 0 &&
        station[0] != '\0')
        FxFieldSet(&c.form, kFieldUserId, station);
    return FX_GO_ON;
}

int ConfirmLeaveSignIn(void* context)
{
    SignInContext& c = Context(context);
    int answer = FxMessageBox(FxGetMainWindow(), kLeaveText, FxGetAppCaption(0), FX_MB_OKCANCEL, 0);
    if (answer != FX_ID_CANCEL)
        return FX_STAY;
    c.cancelled = true;
    c.fx.key = FX_KEY_ESC;
    return FX_GO_ON;
}

// One failed attempt: the password is blanked and the user may try again,
// until the fifth, which ends the screen as cancelled.
int FailedAttempt(SignInContext& c)
{
    g_failureCount += 1;
    if (g_failureCount < SIGN_IN_ATTEMPTS) {
        FxFieldSet(&c.form, kFieldPassword, "        ");
        ShowMessage(1543, MESSAGE_DEFAULT_CONTEXT);
        return FX_STAY;
    }
    ShowMessage(183, MESSAGE_DEFAULT_CONTEXT);
    c.cancelled = true;
    c.fx.key = FX_KEY_ESC;
    return FX_GO_ON;
}

int OnSignInKey(void* context)
{
    SignInContext& c = Context(context);
    if (c.fx.key == FX_KEY_UP)
        return FX_GO_ON;

    char password[PASSWORD_ENTRY_LENGTH + 1] = {};
    std::strncpy(password, FxFieldGet(&c.form, kFieldPassword), PASSWORD_ENTRY_LENGTH);
    char key[256] = {};
    MakeUserIdKey(key, FxFieldGet(&c.form, kFieldUserId));

    using bwps::users::SupervisorCheck;
    switch (bwps::users::CheckSupervisor(key, password)) {
    case SupervisorCheck::SignedIn:
        bwps::users::SignInSupervisor();
        return FX_LEAVE;
    case SupervisorCheck::WrongPassword:
        return FailedAttempt(c);
    case SupervisorCheck::NotSupervisor:
        break;
    }
    if (FxIsEmpty(key))
        return FX_STAY;

    UserRecord record{};
    const bwps::Status status = c.userFile.Get(B_GET_EQUAL, key, &record, sizeof record);
    if (status.Ok()) {
        if (!bwps::users::PasswordMatches(record, password))
            return FailedAttempt(c);
        bwps::users::SignInUser(record);
        return FX_LEAVE;
    }
    if (status.Is(B_KEY_NOT_FOUND))
        ShowMessage(1481, MESSAGE_DEFAULT_CONTEXT);
    else
        status.Report();
    FxFocusField(&c.form, kFieldUserId);
    return FX_STAY_FOCUSED;
}

// The sign-in form: the user id and the password (a zero field ends it).
constexpr std::array<ScreenField, 3> kSignInFields{{
    bwps::Field(kFieldUserId, 2, 20, "%-14s"),
    bwps::Field(kFieldPassword, 4, 20, "%-14s").Flags(FX_FIELD_CONCEALED),
    {},
}};

}  // namespace

namespace bwps::users {

void ResetSignInState()
{
    g_failureCount = 0;
}

}  // namespace bwps::users

extern "C" {

BWPS_EXPORT int GetSignInFailureCount(void)
{
    return g_failureCount;
}

BWPS_EXPORT int PromptUserPassword(const char* /*userId*/, const char* /*password*/)
{
    g_failureCount = 0;
    int status = 0;
    if (!ReadPasswordsRecord(&status))
        return 0;
    if (!PasswordsInForce())
        return 1;

    SignInContext c{};
    const bwps::Status opened = c.userFile.Open(bwps::FileNo::Users);
    if (!opened.Ok()) {
        opened.Report();
        return 0;
    }
    if (bwps::users::NobodyCanBeChecked(c.userFile.Handle()))
        return 1;

    // The form reads its table in place: a copy that lives as long as it.
    std::array<ScreenField, kSignInFields.size()> fields = kSignInFields;
    FxAppBegin(&c.fx);
    int result = 0;
    SetColorSet(c.colours, kSignInColours);
    if (FxFormLoad(&c.form, fields.data(), 0) != 0 &&
        FxWindowCreate(&c.window, 4, 25, 4 + 7 - 1, 25 + 53 - 1, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&c.window, "RSGetUserPassword");
        SetupStandardScreen(&c.form, 0, 0);
        FxSetKeyHandler(&c.form, FX_KEY_F10, OnSignInKey);
        FxReleaseKey(&c.form, FX_KEY_F1 + 0x100);  // F2's default binding
        FxSetKeyHandler(&c.form, FX_KEY_ESC, ConfirmLeaveSignIn);
        c.form.newRecord = PrefillUserIdField;
        FxWindowAttachForm(&c.window, &c.form, 0);
        int exitKey = FxAppRun(&c.fx, 0);
        result = !c.cancelled && exitKey != FX_KEY_ESC ? 1 : 0;
        FxWindowClose(&c.window, 1);
    }
    c.userFile.Close();
    FxAppEnd(&c.fx);
    return result;
}

}  // extern "C"

BWPS_ORDINAL(406, PromptUserPassword);
