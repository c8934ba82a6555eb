// The calls of the company jobs into the screen framework.
#include "extensions/company/session_steps.h"
#include "extensions/company/screens.h"
#include "extensions/company/services.h"

#include "bwps/screens.h"
#include "bwps/session.h"
#include "fx.h"

#include <cstring>
#include <string>


namespace bwps1 {

void ShowTextMessage(const char* text)
{
    FxMessageBox(FxGetOwnerWindow(), text, FxGetAppCaption(0), FX_MB_OK, 0);
}

bool AskYesNoText(const char* text)
{
    return FxMessageBox(FxGetOwnerWindow(), text, FxGetAppCaption(0),
                        FX_MB_YESNO | FX_MB_ICONQUESTION, 0) == FX_ID_YES;
}

void ScreenNotInThisBuild(const char* screen)
{
    const std::string text = std::string(screen) + " is not available in this build.";
    FxShowText(text.c_str());
    ExitCode() = ExitNotInThisBuild;
}

int32_t Today() { return FxToday(); }
int CurrentYear() { return FxYearOfDate(FxToday()); }

void SetSessionDatesToToday()
{
    FxTodayRefresh();
    SessionBlock* s = Session();
    s->SystemDate = FxSystemDate();
    s->ProgramDate = s->SystemDate;
    FxSetProgramDate(s->ProgramDate);
}

StatusWindow::StatusWindow(const char* name)
    : handle_(reinterpret_cast<intptr_t>(FxStatusOpen(name, 0)))
{
}

StatusWindow::~StatusWindow()
{
    if (handle_) FxStatusClose(reinterpret_cast<FxStatus*>(handle_));
}

FrameworkContext::FrameworkContext(int x, int y, int z) { FxContextBegin(x, y, z); }
FrameworkContext::~FrameworkContext() { FxContextEnd(); }

const char* CommandParamText() { return FxAppParameterText(); }

void HandDataFolderToFramework() { FxSetDataFolder(DataPath()); }

bool HostGaveCompany()
{
    return !FxIsEmpty(FxAppCompanyText()) || DataPath()[0] != 0 || FxAppFirstRun() != 0;
}

void SetStatusWindowQuietFlag(int flag)
{
    if (bwps::service::SetStatusWindowQuiet) bwps::service::SetStatusWindowQuiet(flag);
}

} // namespace bwps1
