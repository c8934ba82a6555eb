// Application object, identity, start and stop, help and other recorded
// calls, and the reset of all framework state.
#include "internal.hpp"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>
#include <unistd.h>

namespace fx {
void resetDates();
bool driverChosen();
}

namespace {

FxAppObject gApp{};

struct Identity {
    int flags = 0, pathLength = 0, mode = 0, productId = 0, interfaced = 0, productNumber = 0, versionFlag = 0;
    std::string title, code, shortName, key, singleUserTitle, productName, version, helpFile, accountingHelpFile;
    std::string companyName, heading1, heading2, dataFolder, helpFolder, screenLibrary, banner;
    void* owner = nullptr;
    int started = 0;
    int contextDepth = 0;
    int windowState = 0;
} gId;

char gMainWindowToken = 0;
FxReportBlock gReportBlock{};

void copyText(char* dest, size_t size, const char* src) {
    std::string s = src ? src : "";
    if (s.size() >= size) s.resize(size - 1);
    std::memset(dest, 0, size);
    std::memcpy(dest, s.data(), s.size());
}

} // namespace

namespace fx {
void resetApp() {
    gApp = FxAppObject{};
    gId = Identity{};
    gReportBlock = FxReportBlock{};
}
std::string dataFolder() { return gId.dataFolder; }
std::string companyName() {
    if (!gId.companyName.empty()) return gId.companyName;
    return gId.banner.substr(0, gId.banner.find('\n')); // the banner's first line: the company
}
std::string headingLine(int line) { return line == 2 ? gId.heading2 : gId.heading1; }
std::string appTitle() { return gId.title; }
std::string helpFolder() { return gId.helpFolder; }
std::string helpFile() { return gId.helpFile; }
} // namespace fx

extern "C" {

FxAppObject* FxApp(void) { return &gApp; }
int FxAppFirstRun(void) { return gApp.firstRun; }
void FxAppSetUserId(const char* id) { copyText(gApp.userId, sizeof gApp.userId, id); }
void FxAppSetPassword(const char* password) { copyText(gApp.password, sizeof gApp.password, password); }
void FxAppSetParameterText(const char* text) { copyText(gApp.parameterText, sizeof gApp.parameterText, text); }
void FxAppSetCompanyText(const char* text) { copyText(gApp.companyText, sizeof gApp.companyText, text); }
void FxAppSetStationText(const char* text) { copyText(gApp.stationText, sizeof gApp.stationText, text); }
void FxAppSetFirstRun(int on) { gApp.firstRun = on ? 1 : 0; }
const char* FxAppUserId(void) { return gApp.userId; }
const char* FxAppPassword(void) { return gApp.password; }
const char* FxAppParameterText(void) { return gApp.parameterText; }
const char* FxAppCompanyText(void) { return gApp.companyText; }
const char* FxAppStationText(void) { return gApp.stationText; }

void FxSetAppFlags(int value) { gId.flags = value; }
void FxSetPathLength(int value) { gId.pathLength = value; }
void FxSetAppMode(int value) { gId.mode = value; }
void FxSetProductId(int value) { gId.productId = value; }
void FxSetInterfaced(int on) { gId.interfaced = on; }
void FxSetProductNumber(int value) { gId.productNumber = value; }
int FxGetProductNumber(void) { return gId.productNumber; }
void FxSetAppVersionFlag(int value) { gId.versionFlag = value; }
void FxSetAppTitle(const char* text) { gId.title = text ? text : ""; }
const char* FxGetAppCaption(int) { return gId.title.c_str(); }
void FxSetAppCode(const char* text) { gId.code = text ? text : ""; }
void FxSetAppShortName(const char* text) { gId.shortName = text ? text : ""; }
void FxSetAppKey(const char* text) { gId.key = text ? text : ""; }
void FxSetSingleUserTitle(const char* text) { gId.singleUserTitle = text ? text : ""; }
void FxSetProductName(const char* text) { gId.productName = text ? text : ""; }
void FxSetAppVersion(const char* text) { gId.version = text ? text : ""; }
void FxSetHelpFile(const char* name) { gId.helpFile = name ? name : ""; }
void FxSetAccountingHelpFile(const char* name) { gId.accountingHelpFile = name ? name : ""; }
void* FxAppIcon(void) { return nullptr; }
void FxSetOwnerWindow(void* window) { gId.owner = window; }
void* FxGetMainWindow(void) { return &gMainWindowToken; }
void* FxGetOwnerWindow(void) { return gId.owner ? gId.owner : FxGetMainWindow(); }
int FxHasOwnWindow(void) { return 0; }
void* FxActiveOwner(void) { return FxGetOwnerWindow(); }
void FxSetCompanyName(const char* name) { gId.companyName = name ? name : ""; }

void FxSetHeadingLine(int line, const char* text) {
    (line == 2 ? gId.heading2 : gId.heading1) = text ? text : "";
}

void FxSetDataFolder(const char* folder) { gId.dataFolder = folder ? folder : ""; }
void FxSetHelpFolder(const char* folder) { gId.helpFolder = folder ? folder : ""; }
int FxWindowStateSave(int) { return gId.windowState; }
void FxWindowStateRestore(int state) { gId.windowState = state; }

int FxLoadScreenLibrary(const char* path) {
    gId.screenLibrary = path ? path : "";
    return 0;
}

void FxUnloadScreenLibrary(void) { gId.screenLibrary.clear(); }

void FxCenterDialog(void*, void*) {}
void FxRegisterDialog(void*) {}
void FxUnregisterDialog(void*) {}

int FxBannerCreate(int, int, int, int, int, int) { return 0; }
int FxBannerColour(int, int) { return 0; }
void FxBannerClear(void) { gId.banner.clear(); }

FxReportBlock* FxReportBlockGet(void) { return &gReportBlock; }

int FxBannerShow(const char* text, int) {
    gId.banner = text ? text : "";
    fx::record("banner " + fx::quote(gId.banner));
    return 0;
}

int FxShowHelp(int kind, intptr_t topic, int) {
    std::string t;
    if (kind == 513 || kind == 257) t = fx::quote(topic ? reinterpret_cast<const char*>(topic) : "");
    else t = std::to_string(static_cast<long long>(topic));
    fx::record("help " + std::to_string(kind) + " " + t);
    // On the terminal the topic is shown (the general help when the help
    // file has no such topic); a script only notes the call.
    if (fx::terminalActive()) {
        std::string topicName;
        if (kind == 513 || kind == 257) topicName = topic ? reinterpret_cast<const char*>(topic) : "";
        else if (kind != 11 && topic) topicName = std::to_string(static_cast<long long>(topic));
        bool found = false;
        std::vector<std::string> lines = fx::helpTopic(topicName, found);
        if (lines.empty()) lines.push_back("There is no help for this screen.");
        fx::terminalShowText(kind == 11 ? "Help index" : "Help", lines);
        fx::terminalRedraw();
    }
    return 0;
}

void FxBeep(void) {
    fx::record("beep");
    fx::terminalBeep();
}

int FxStart(void) {
    if (!gId.started) {
        gId.started = 1;
        if (!fx::driverChosen() && !fx::terminalActive() && isatty(STDIN_FILENO) && isatty(STDOUT_FILENO))
            FxUseTerminalDriver();
    }
    return 0;
}

int FxStop(void) {
    fx::terminalShutdown();
    gId.started = 0;
    return 0;
}

int FxContextBegin(intptr_t, intptr_t, intptr_t) {
    if (gId.contextDepth++ == 0 && !gId.started) FxStart();
    return 0;
}

int FxContextEnd(void) {
    if (gId.contextDepth > 0) --gId.contextDepth;
    return 0;
}

void FxReset(void) {
    FxUseScriptDriver(); // a reset process (a test) never switches to the terminal by itself
    fx::resetListViews();
    fx::resetScreens();
    fx::resetWindowPositions();
    fx::resetResources();
    fx::resetApp();
    fx::resetFiles();
    fx::resetScript();
    fx::resetDates();
}

} // extern "C"
