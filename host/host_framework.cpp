#include "host/host_framework.h"

#include "fx.h"

#include <unistd.h>

#include <cstring>
#include <string>

namespace host {

void SetApplication(const std::string& user, const std::string& password,
                    const std::string& parameters, const std::string& station,
                    const std::string& company)
{
    FxAppSetCompanyText(company.c_str());
    FxAppSetUserId(user.c_str());
    FxAppSetPassword(password.c_str());
    FxAppObject* app = FxApp();
    std::memset(app->parameterText, 0, sizeof app->parameterText);
    std::strncpy(app->parameterText, parameters.c_str(), sizeof app->parameterText - 1);
    FxAppSetStationText(station.c_str());
}

bool UseScript(const std::string& path, std::string& error)
{
    FxUseScriptDriver();
    if (path.empty()) return true;
    const int status = FxScriptLoadFile(path.c_str());
    if (status == -2) {
        error = "cannot read the script " + path;
        return false;
    }
    if (status != 0) {
        error = "the script " + path + " has a line that is not an event";
        return false;
    }
    return true;
}

std::string Transcript()
{
    const char* text = FxTranscript();
    return text ? text : "";
}

void ClearTranscript() { FxTranscriptClear(); }

bool TerminalAttached() { return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO); }

void UseTerminal() { FxUseTerminalDriver(); }

void MarkFirstRun() { FxAppSetFirstRun(1); }

int ChooseCommand(const std::vector<MenuEntry>& entries, const std::string& heading)
{
    std::string list;
    for (const MenuEntry& e : entries) {
        std::string title = std::to_string(e.number) + " " + e.title;
        for (char& ch : title)
            if (ch == ',') ch = ' ';
        if (!list.empty()) list += ',';
        list += title;
    }
    FxSetHeadingLine(1, heading.c_str());
    const int picked = FxPopupChoose(list.c_str(), 1, 2, 1);
    if (picked < 1 || picked > static_cast<int>(entries.size())) return 0;
    return entries[picked - 1].number;
}

void Notice(const std::string& text) { FxShowText(text.c_str()); }

void EndTerminal() { FxStop(); }

} // namespace host
