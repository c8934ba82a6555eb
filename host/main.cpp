// bwpos: the host program. Loads bwpsbase and bwpos-1 from its own folder,
// starts a session over a company and drives the command entry: in a
// terminal with a menu, headless from the command line, or as a demo.
#include "host/data_commands.h"
#include "host/host_framework.h"
#include "host/host_session.h"

#include "bwps/records.h"
#include "bwps/session.h"
#include "recman.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using host::Libraries;

namespace {

constexpr int kLogin = 101;
constexpr int kConfirmExit = 104;
constexpr int kCompanyHeading = 103;
constexpr int kRunRestore = 112;  // exit code and command: restore the company's data
constexpr int kDataSetCurrent = 16;

const char* const kUsage =
    "usage: bwpos                      sign in and choose commands in a terminal\n"
    "       bwpos --company DIR --user ID --password PW [--station ID] [--params TEXT]\n"
    "             [--script FILE] COMMAND...   run commands headless, print the transcript\n"
    "       bwpos create-company DIR NAME     create a company and add it to the list\n"
    "       bwpos demo [DIR]                  create a demo company (./demo-company) and open it\n"
    "       bwpos export|import --company DIR FILE-NUMBER PATH [--columns LIST] [--update]\n"
    "       bwpos files --company DIR         list the company's data files and their records\n"
    "COMMAND is a command number (e.g. 103) or its name (e.g. CmdCompanyHeading).\n";

int Fail(const std::string& text, int status = 2)
{
    std::fprintf(stderr, "bwpos: %s\n", text.c_str());
    return status;
}

std::string Absolute(const std::string& folder)
{
    std::error_code ec;
    fs::path p = fs::absolute(folder, ec);
    if (ec) return folder;
    std::string s = p.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

struct Host {
    std::string programFolder;
    Libraries libs;
    bool sessionStarted = false;

    // Loads the libraries and checks the base folder; 0 or an exit status.
    int Load()
    {
        programFolder = host::ProgramFolder();
        std::string error;
        if (!host::LoadLibraries(programFolder, libs, error)) return Fail(error, 3);
        if (!host::CheckBaseFolder(programFolder, libs, error)) return Fail(error, 3);
        return 0;
    }

    SessionBlock* Session() { return libs.GetSessionPaths(); }

    void Start(const std::string& dataFolder)
    {
        libs.StartSession(programFolder.c_str(), dataFolder.empty() ? nullptr : dataFolder.c_str());
        sessionStarted = true;
    }

    void Stop()
    {
        if (sessionStarted) libs.StopSession();
        sessionStarted = false;
    }

    // Runs one command; its return value (-1 unknown) and the exit code.
    int Run(int number, int* exitCode)
    {
        SessionBlock* s = Session();
        s->CommandNumber = number;
        s->ExitCode = 0;
        const int result = libs.RunCommand();
        *exitCode = s->ExitCode;
        return result;
    }

    // Signs in. When the company opening asks for a restore (its data is
    // too old), the restore command runs and the sign-in is tried again.
    void Login(int* exitCode)
    {
        Run(kLogin, exitCode);
        if (*exitCode != kRunRestore) return;
        Run(kRunRestore, exitCode);
        if (*exitCode == 0) Run(kLogin, exitCode);
    }

    std::vector<host::MenuEntry> Menu()
    {
        std::vector<host::MenuEntry> entries;
        int number = 0;
        const char* title = nullptr;
        for (int i = 0; libs.CommandInfo(i, &number, nullptr, &title); ++i)
            entries.push_back({number, title});
        return entries;
    }

    // A command named by number or by its constant ("CmdCompanyHeading",
    // "CompanyHeading", any case); 0 when unknown.
    int CommandOf(const std::string& text)
    {
        if (!text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-')) {
            char* end = nullptr;
            const long n = std::strtol(text.c_str(), &end, 10);
            if (*end == 0) return static_cast<int>(n);
            return 0;
        }
        auto lower = [](std::string s) {
            for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return s;
        };
        const std::string wanted = lower(text);
        int number = 0;
        const char* constant = nullptr;
        for (int i = 0; libs.CommandInfo(i, &number, &constant, nullptr); ++i) {
            const std::string c = lower(constant);
            if (c == wanted || c == "cmd" + wanted) return number;
        }
        return 0;
    }

    bool HasListedCompany()
    {
        char id[32], path[160], status = 0;
        int32_t date = 0;
        return libs.GetFirstAppCID(nullptr, id, sizeof id, path, sizeof path, &date, &status) != 0;
    }

    bool IsCompany(const std::string& folder)
    {
        return libs.DetectDataSetVersion(folder.c_str()) == kDataSetCurrent;
    }
};

// ---- headless -----------------------------------------------------------------

struct HeadlessArgs {
    std::string company, user, password, station, params, script;
    std::vector<std::string> commands;
};

int ParseHeadless(int argc, char** argv, HeadlessArgs& a)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        bool ok = true;
        if (arg == "--company") ok = value(a.company);
        else if (arg == "--user") ok = value(a.user);
        else if (arg == "--password") ok = value(a.password);
        else if (arg == "--station") ok = value(a.station);
        else if (arg == "--params") ok = value(a.params);
        else if (arg == "--script") ok = value(a.script);
        else if (arg.rfind("--", 0) == 0) return Fail("unknown option " + arg + " (see bwpos --help)");
        else a.commands.push_back(arg);
        if (!ok) return Fail("option " + arg + " needs a value");
    }
    if (a.company.empty()) return Fail("--company DIR is required (see bwpos --help)");
    if (a.commands.empty()) return Fail("no COMMAND given (see bwpos --help)");
    return 0;
}

int RunHeadless(int argc, char** argv)
{
    HeadlessArgs a;
    if (int status = ParseHeadless(argc, argv, a)) return status;

    Host h;
    if (int status = h.Load()) return status;
    std::vector<int> numbers;
    for (const std::string& c : a.commands) {
        const int n = h.CommandOf(c);
        if (n == 0) return Fail("unknown command " + c);
        numbers.push_back(n);
    }
    const std::string company = Absolute(a.company);
    std::error_code ec;
    if (!fs::is_directory(company, ec)) return Fail("company folder " + company + " does not exist");
    if (!h.IsCompany(company))
        return Fail("no company in " + company + " (create one with: bwpos create-company DIR NAME)");

    std::string error;
    if (!host::UseScript(a.script, error)) return Fail(error);
    host::SetApplication(a.user, a.password, a.params, a.station, company);
    h.Start(company);

    int exitCode = 0;
    h.Login(&exitCode);
    int status = 0;
    if (exitCode != 0) {
        std::fputs(host::Transcript().c_str(), stdout);
        h.Stop();
        return Fail("sign-in failed (exit code " + std::to_string(exitCode) + ")", exitCode);
    }
    for (int n : numbers) {
        if (h.Run(n, &exitCode) == -1) {
            status = Fail("command " + std::to_string(n) + " is not known to the command entry");
            break;
        }
        if (exitCode != 0) {
            status = exitCode;
            break;
        }
    }
    std::fputs(host::Transcript().c_str(), stdout);
    h.Stop();
    return status;
}

// ---- create-company and demo ---------------------------------------------------

// Creates the company and lists it; 0 or an exit status.
int CreateCompany(Host& h, const std::string& folder, const std::string& name)
{
    if (name.empty() || name.size() > 18) return Fail("a company name has 1 to 18 characters");
    if (folder.size() > 143) return Fail("the company folder path is longer than 143 characters");
    if (folder == Absolute(h.programFolder))
        return Fail("a company cannot be created in the program folder");
    std::error_code ec;
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec))
        return Fail(folder + " is a file, not a folder");
    if (h.IsCompany(folder)) return Fail(folder + " already holds a company");
    if (h.libs.FilesInFolder(folder.c_str()))
        return Fail(folder + " already holds data files of a company; they are not replaced");

    std::string error;
    if (!host::UseScript("", error)) return Fail(error);
    h.Start("");
    const bool created = h.libs.CreateCompany(name.c_str(), folder.c_str(), 0, 0, 0) != 0;
    if (!created) {
        std::fputs(host::Transcript().c_str(), stdout);
        h.Stop();
        return Fail("company not created in " + folder);
    }
    // The new company's own record carries its name (the banner shows it).
    h.libs.UpdateCompanyInfo(name.c_str(), "", "", "", "", "", "", "", "", "", "", "", "", "");
    if (!h.libs.UpdateAppCID(name.c_str(), folder.c_str())) {
        h.Stop();
        return Fail("company created in " + folder + " but not added to the company list");
    }
    h.Stop();
    return 0;
}

int RunCreateCompany(int argc, char** argv)
{
    if (argc != 4) return Fail("usage: bwpos create-company DIR NAME");
    Host h;
    if (int status = h.Load()) return status;
    const std::string folder = Absolute(argv[2]);
    if (int status = CreateCompany(h, folder, argv[3])) return status;
    std::printf("Created company \"%s\" in %s and added it to the company list.\n", argv[3],
                folder.c_str());
    return 0;
}

void PrintCompanyList(Host& h)
{
    char id[32], path[160], status = 0;
    int32_t date = 0;
    std::printf("Company list:\n");
    for (int ok = h.libs.GetFirstAppCID(nullptr, id, sizeof id, path, sizeof path, &date, &status);
         ok; ok = h.libs.GetNextAppCID(nullptr, id, sizeof id, path, sizeof path, &date, &status))
        std::printf("  %c %-18s %s (added %d)\n", status == 'D' ? '*' : ' ', id, path, date);
}

// The company's data files as the record manager sees them: name, record
// length, keys and records, three to a line; then the data-files version
// stamp of its general settings file.
void PrintDataFiles(Host& h, const std::string& folder)
{
    std::printf("Data files of the company:\n");
    int shown = 0;
    for (int n = 1; n <= 100; ++n) {
        const int kind = h.libs.GetDataFileKind(n);
        const char* name = h.libs.GetDataFileName(n);
        if ((kind != 1 && kind != 2) || name == nullptr) continue;
        const std::string path = folder + "/" + name;
        uint16_t handle = 0;
        if (BtrOpenFile(&handle, path.c_str(), 0, 0) != 0) continue;
        unsigned char stat[RECMAN_STAT_BUFFER] = {};
        const int status = BtrStat(handle, stat);
        BtrCloseFile(handle);
        if (status != 0) continue;
        uint16_t length = 0;
        int32_t records = 0;
        std::memcpy(&length, stat, sizeof length);
        std::memcpy(&records, stat + 6, sizeof records);
        std::printf("  %-12s %4u b %d k %3d r%s", name, length, stat[4], records,
                    ++shown % 3 == 0 ? "\n" : " ");
    }
    if (shown % 3 != 0) std::printf("\n");
    std::printf("  (%d files; b = bytes a record, k = keys, r = records)\n", shown);

    const std::string general = folder + "/" + h.libs.GetDataFileName(31);
    uint16_t handle = 0;
    if (BtrOpenFile(&handle, general.c_str(), 0, 0) != 0) return;
    TagFilesVersion stamp{};
    char key[16] = {};
    std::memcpy(key, GENERAL_KEY_FILESVERSION, 15);
    if (BtrGet(B_GET_EQUAL, handle, key, &stamp, sizeof stamp) == 0)
        std::printf("Data-files version stamp: %u.%u\n", stamp.Major, stamp.Minor);
    BtrCloseFile(handle);
}

int RunDemo(int argc, char** argv)
{
    if (argc > 3) return Fail("usage: bwpos demo [DIR]");
    Host h;
    if (int status = h.Load()) return status;
    const std::string folder = Absolute(argc == 3 ? argv[2] : "./demo-company");
    const std::string name = "Demo Company";

    if (h.IsCompany(folder)) {
        std::printf("Using the demo company already in %s.\n", folder.c_str());
        h.libs.UpdateAppCID(name.c_str(), folder.c_str());  // listed again if the list was lost
    } else {
        if (int status = CreateCompany(h, folder, name)) return status;
        std::printf("Created company \"%s\" in %s.\n", name.c_str(), folder.c_str());
    }

    std::string error;
    if (!host::UseScript("", error)) return Fail(error);
    host::ClearTranscript();
    host::SetApplication("", "", "", "", folder);
    h.Start(folder);
    int exitCode = 0;
    h.Login(&exitCode);
    if (exitCode != 0) {
        std::fputs(host::Transcript().c_str(), stdout);
        h.Stop();
        return Fail("sign-in failed (exit code " + std::to_string(exitCode) + ")", exitCode);
    }
    SessionBlock* s = h.Session();
    std::printf("Signed in. Open company: \"%s\" in %s.\n", s->CompanyName, s->DataPath);
    h.Run(kCompanyHeading, &exitCode);
    std::printf("\nWhat the screens showed while signing in and refreshing the banner:\n%s\n",
                host::Transcript().c_str());
    PrintDataFiles(h, s->DataPath);
    PrintCompanyList(h);
    h.Stop();
    return 0;
}

// ---- interactive -----------------------------------------------------------------

int RunInteractive()
{
    if (!host::TerminalAttached()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    Host h;
    if (int status = h.Load()) return status;
    host::UseTerminal();
    // Without any company yet, the log-in offers the first-company screen.
    if (!h.HasListedCompany()) host::MarkFirstRun();
    h.Start("");
    int exitCode = 0;
    h.Login(&exitCode);
    if (exitCode != 0 || h.Session()->DataPath[0] == 0) {
        h.Stop();
        host::EndTerminal();
        return Fail("not signed in", exitCode ? exitCode : 1);
    }
    const std::vector<host::MenuEntry> menu = h.Menu();
    for (;;) {
        const std::string heading = std::string(h.Session()->CompanyName) + "  " + h.Session()->DataPath;
        const int number = host::ChooseCommand(menu, heading);
        if (number == 0 || number == kConfirmExit) {
            h.Run(kConfirmExit, &exitCode);
            if (exitCode == 27) break;
            continue;
        }
        if (h.Run(number, &exitCode) == -1) host::Notice("That command is not known.");
    }
    h.Stop();
    host::EndTerminal();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2) {
        const std::string first = argv[1];
        if (first == "--help" || first == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (first == "create-company") return RunCreateCompany(argc, argv);
        if (first == "demo") return RunDemo(argc, argv);
        if (first == "export" || first == "import" || first == "files") return host::RunDataCommand(argc, argv);
        return RunHeadless(argc, argv);
    }
    return RunInteractive();
}
