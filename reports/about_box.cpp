// The about box and the versions of the program files.
//
// Program files carry no version resources on this platform. A file's
// version is what this build knows of it: the libraries that this build
// makes (the base library, the extensions library, the screen framework,
// the record manager and the lookup library) have the version of the build;
// the host declares the versions of the files it brings (its own program
// first) with DeclareProgramFileVersion. A file of which neither is known
// has no version information.
#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bwps/desk_tools.h"
#include "bwps/messages.h"
#include "bwps/records/general.h"
#include "bwps/session.h"
#include "bwps/settings.h"
#include "fx.h"
#include "recman.h"

namespace bwps::desk {
namespace {

struct FileVersion {
    uint32_t major = 0, minor = 0, build = 0, revision = 0;
};

// The version of this build: the data layout it writes, then its own
// release numbers.
constexpr FileVersion kBuildVersion{16, 0, 0, 1};

constexpr std::array<const char*, DESK_PROGRAM_FILES> kProgramFiles = {
    "BWPOS14.EXE", "BWFXWIN.DLL",  "DUVAVEDU.DLL", "DUVODOD.DLL", "RUDERIVI.DLL",
    "RECMAN.DLL",  "BWPSBASE.DLL", "DUZO20.DLL",   "DADOVIDA.DLL", "BWIMGS.DLL",
    "BWPOS-1.DLL", "BWPOS-2.DLL",  "BWPOS-3.DLL",  "BWPOS-4.DLL", "BWPOS-5.DLL"};

constexpr const char* kBuiltFiles[] = {"DUVAVEDU.DLL", "RUDERIVI.DLL", "RECMAN.DLL", "BWPSBASE.DLL",
                                       "BWPOS-1.DLL"};

constexpr const char* kQueryAll = "BWQueryALLFiles";
constexpr const char* kLegal[] = {"This program is protected by copyright law.",
                                  "Copying or passing on this program or any part of it",
                                  "without permission is not allowed."};

std::string Key(const char* file)
{
    std::string name = file;
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name = name.substr(slash + 1);
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::map<std::string, FileVersion>& Declared()
{
    static std::map<std::string, FileVersion> declared;
    return declared;
}

bool Known(const char* file, FileVersion& out)
{
    const std::string key = Key(file);
    if (key.empty())
        return false;
    const auto it = Declared().find(key);
    if (it != Declared().end()) {
        out = it->second;
        return true;
    }
    for (const char* built : kBuiltFiles)
        if (key == built) {
            out = kBuildVersion;
            return true;
        }
    return false;
}

bool Newer(const FileVersion& a, const FileVersion& b)
{
    if (a.major != b.major || a.minor != b.minor)
        return a.major > b.major || (a.major == b.major && a.minor > b.minor);
    return a.build > b.build || (a.build == b.build && a.revision > b.revision);
}

std::string VersionNumbers(const FileVersion& v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%02u.%02u.%02u.%03u", v.major, v.minor, v.build, v.revision);
    return text;
}

std::string CompanyName()
{
    const SessionBlock* session = GetSessionPaths();
    if (session->DataPath[0] == '\0')
        return "";
    uint8_t record[GENERAL_COMPANY_SIZE] = {};
    if (ReadGeneralRecord(0, 0, GENERAL_COMPANY_SIZE, GENERAL_KEY_COMPANY, record) != 0) {
        FxShowText(" Error in opening or reading the general file.");
        return "";
    }
    std::string name(reinterpret_cast<const char*>(record) + 16,
                     strnlen(reinterpret_cast<const char*>(record) + 16, 41));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name;
}

std::vector<std::string> GeneralPage()
{
    std::vector<std::string> lines;
    const char* title = FxConvertText(nullptr);
    lines.push_back(title != nullptr ? title : "");
    lines.push_back(VersionText());
    for (const char* line : kLegal)
        lines.push_back(line);
    lines.push_back("");
    lines.push_back("Database Information");
    lines.push_back("  Company Name     : " + CompanyName());
    const SessionBlock* session = GetSessionPaths();
    lines.push_back("  Database path    : " + std::string(session->DataPath));
    char manager[80] = {};
    GetRecordManagerVersion(manager);
    lines.push_back("  Database Manager : " + std::string(manager));
    lines.push_back("Computer Information");
    struct utsname system {};
    const bool named = ::uname(&system) == 0;
    lines.push_back("  Main processor   : " + std::string(named ? system.machine : ""));
    lines.push_back("  OS version       : " +
                    (named ? std::string(system.sysname) + " " + system.release : std::string()));
    lines.push_back("System Resources           Total          Free");
    struct sysinfo memory {};
    char row[96];
    if (::sysinfo(&memory) == 0) {
        const uint64_t unit = memory.mem_unit != 0 ? memory.mem_unit : 1;
        std::snprintf(row, sizeof row, "  Physical Memory : %13s %13s", SizeText(memory.totalram * unit).c_str(),
                      SizeText(memory.freeram * unit).c_str());
        lines.push_back(row);
        std::snprintf(row, sizeof row, "  Paging File     : %13s %13s", SizeText(memory.totalswap * unit).c_str(),
                      SizeText(memory.freeswap * unit).c_str());
        lines.push_back(row);
    }
    uint64_t total = 0, available = 0;
    if (session->DataPath[0] != '\0' && FxDiskSpace(session->DataPath, &total, &available) == 0) {
        std::snprintf(row, sizeof row, "  Disk space      : %13s %13s", SizeText(total).c_str(),
                      SizeText(available).c_str());
        lines.push_back(row);
    }
    return lines;
}

std::vector<std::string> VersionPage()
{
    std::vector<std::string> lines;
    lines.push_back(VersionText());
    lines.push_back("");
    char newest[260] = {};
    const bool known = GetNewestProgramVersion(nullptr, nullptr, nullptr, nullptr, newest) != 0;
    // The newest file is marked when it is not the host program.
    const bool mark = known && Key(newest) != Key(kProgramFiles[0]);
    char row[96];
    std::snprintf(row, sizeof row, "%-30s %s", "File Name", "File Version");
    lines.push_back(row);
    for (const char* file : kProgramFiles) {
        FileVersion v;
        if (!Known(file, v))
            continue;
        std::string name = file;
        if (mark && Key(file).rfind(Key(newest), 0) == 0)
            name += " *";
        std::snprintf(row, sizeof row, "%-30s %s", name.c_str(), VersionNumbers(v).c_str());
        lines.push_back(row);
    }
    return lines;
}

void DrawPage(FxWindow& window, const std::vector<std::string>& lines, int width, int firstCentred,
              int centredCount)
{
    FxClearWindow(&window);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int n = static_cast<int>(i);
        int column = 1;
        // The heading lines are centred across the page.
        if (n >= firstCentred && n < firstCentred + centredCount)
            column = std::max(1, (width - static_cast<int>(lines[i].size())) / 2);
        FxWindowText(&window, n + 1, column, -1, lines[i].c_str(), 0);
    }
}

}  // namespace

std::string SizeText(uint64_t bytes)
{
    constexpr uint64_t kGB = 1073741824, kMB = 1048576, kKB = 1024;
    const uint64_t unit = bytes > kGB ? kGB : bytes > kMB ? kMB : kKB;
    const char* suffix = bytes > kGB ? " GB" : bytes > kMB ? " MB" : " KB";
    char text[64];
    FxFormatAmount(static_cast<double>(bytes) / static_cast<double>(unit), text, 2);
    return std::string(text) + suffix;
}

std::string VersionText()
{
    uint32_t major = 0, minor = 0, build = 0, revision = 0;
    if (GetNewestProgramVersion(&major, &minor, &build, &revision, nullptr) == 0)
        return "No version information available.";
    char text[64];
    std::snprintf(text, sizeof text, "Version %02u.%02u.%02u.%03u", major, minor, build, revision);
    return text;
}

}  // namespace bwps::desk

using namespace bwps::desk;

extern "C" {

BWPS_EXPORT int ReadFileVersionInfo(const char* file, uint32_t* major, uint32_t* minor, uint32_t* build,
                                    uint32_t* revision)
{
    FileVersion v;
    if (!Known(file != nullptr ? file : kProgramFiles[0], v))
        return 0;
    if (major != nullptr)
        *major = v.major;
    if (minor != nullptr)
        *minor = v.minor;
    if (build != nullptr)
        *build = v.build;
    if (revision != nullptr)
        *revision = v.revision;
    return 1;
}

BWPS_EXPORT int GetNewestProgramVersion(uint32_t* major, uint32_t* minor, uint32_t* build, uint32_t* revision,
                                        char* fileName)
{
    if (major == nullptr && minor == nullptr && build == nullptr && revision == nullptr && fileName == nullptr)
        return 0;
    FileVersion newest;
    if (!Known(kProgramFiles[0], newest))
        return 0;
    const char* newestName = kProgramFiles[0];
    for (size_t i = 1; i < kProgramFiles.size(); ++i) {
        FileVersion v;
        if (!Known(kProgramFiles[i], v))
            return 0;
        if (Newer(v, newest)) {
            newest = v;
            newestName = kProgramFiles[i];
        }
    }
    if (major != nullptr)
        *major = newest.major;
    if (minor != nullptr)
        *minor = newest.minor;
    if (build != nullptr)
        *build = newest.build;
    if (revision != nullptr)
        *revision = newest.revision;
    if (fileName != nullptr)
        std::snprintf(fileName, 260, "%s", newestName);
    return 1;
}

BWPS_EXPORT int GetProgramFileVersion(const char* file)
{
    if (file == nullptr)
        return 0;
    uint32_t major = 0;
    if (std::strcmp(file, kQueryAll) == 0)
        return GetNewestProgramVersion(&major, nullptr, nullptr, nullptr, nullptr) != 0 ? static_cast<int>(major) : 0;
    return ReadFileVersionInfo(file, &major, nullptr, nullptr, nullptr) != 0 ? static_cast<int>(major) : 0;
}

BWPS_EXPORT int GetRecordManagerVersion(char* text)
{
    if (text == nullptr)
        return 0;
    text[0] = '\0';
    int16_t version = 0;
    char revision[8] = {};
    char platform[4] = {};
    const int status = BtrGetVersion(&version, revision, platform);
    if (status != 0)
        return status;
    char letter = platform[0];
    if (version == 5)
        letter = 'D';
    const char* word = "";
    switch (letter) {
    case 'D': word = " Local"; break;
    case 'N': word = " Requester"; break;
    case 'P': word = " Local"; break;
    case 'S': word = " Server"; break;
    case 'W': word = " Workstation"; break;
    default: break;
    }
    std::snprintf(text, 80, "Record manager%s Version %d.%d", word, version, std::atoi(revision));
    return 0;
}

BWPS_EXPORT int DeclareProgramFileVersion(const char* file, uint32_t major, uint32_t minor, uint32_t build,
                                          uint32_t revision)
{
    if (file == nullptr) {
        Declared().clear();
        return 0;
    }
    const std::string key = Key(file);
    if (!key.empty())
        Declared()[key] = FileVersion{major, minor, build, revision};
    return 0;
}

// Shows the two pages, "General" first; Tab, PgDn and PgUp turn the page,
// Enter, F10 and Esc close the box.
BWPS_EXPORT int Version(void)
{
    const char* title = FxConvertText(nullptr);
    const std::string caption = "About " + std::string(title != nullptr ? title : "").substr(0, 260);
    FxWindow window{};
    if (FxWindowCreate(&window, 1, 4, 23, 75, 1, 5, ' ', caption.c_str()) != 0)
        return 0;
    FxWindowSetName(&window, "RSAboutGeneral");
    const std::vector<std::string> general = GeneralPage();
    const std::vector<std::string> versions = VersionPage();
    const int width = window.right - window.left - 1;
    int page = 0;
    DrawPage(window, general, width, 0, 5);
    for (;;) {
        const int key = FxGetKey(1);
        if (key == 0 || key == FX_KEY_ESC || key == FX_KEY_ENTER || key == FX_KEY_F10)
            break;
        if (key == FX_KEY_TAB || key == FX_KEY_PGDN || key == FX_KEY_PGUP || key == FX_KEY_SHIFT_TAB) {
            page = 1 - page;
            FxWindowSetName(&window, page == 0 ? "RSAboutGeneral" : "RSAboutVersions");
            if (page == 0)
                DrawPage(window, general, width, 0, 5);
            else
                DrawPage(window, versions, width, 0, 1);
        }
    }
    FxWindowClose(&window, 1);
    return 0;
}

}  // extern "C"
