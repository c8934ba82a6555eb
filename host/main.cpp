// bwpos: the host program. Loads bwpsbase and bwpos-1 from its own folder,
// starts a session over a company and drives the command entry: in a
// terminal with a menu, headless from the command line, or as a demo.
#include "host/alert_commands.h"
#include "host/data_commands.h"
#include "host/host_framework.h"
#include "host/host_session.h"
#include "host/sample_store.h"
#include "fx.h"

#include "bwps/cards.h"
#include "bwps/files.h"
#include "bwps/home_folder.h"
#include "bwps/report_services.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/table.h"
#include "recman.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <memory>
#include <vector>

namespace fs = std::filesystem;
using host::Libraries;

namespace {

constexpr int kLogin = 101;
constexpr int kConfirmExit = 104;
constexpr int kCompanyHeading = 103;
constexpr int kSalesPosting = 206;
constexpr int kRunRestore = 112;  // exit code and command: restore the company's data
constexpr int kDataSetCurrent = 16;
constexpr int kSupervisorLevel = 5;
constexpr size_t kFolderLimit = 143;  // the session's folder fields
constexpr size_t kNameLimit = 18;     // the company list's name field

// Exit statuses of the program.
constexpr int kExitDone = 0;
constexpr int kExitUsage = 2;          // bad arguments, unknown command, unusable script
constexpr int kExitProgramFolder = 3;  // a library or a base file is missing or damaged
constexpr int kExitCompany = 4;        // the company folder cannot be used or created
constexpr int kExitSignIn = 5;         // the company was not opened or the user not signed in
constexpr int kExitRecordManager = 6;  // the screens reported a record-manager error
constexpr int kExitCancelled = 27;     // a command was cancelled (or the leave question answered Yes)
constexpr int kExitNotInThisBuild = 28;  // the command's screen is not in this build

const char* const kUsage =
    "usage: bwpos                      sign in and choose commands in a terminal\n"
    "       bwpos --company DIR --user ID --password PW [--station ID] [--params TEXT]\n"
    "             [--script FILE] COMMAND...   run commands headless, print the transcript\n"
    "       bwpos create-company DIR NAME     create a company and add it to the list\n"
    "       bwpos demo [DIR]                  create a demo company (./demo-company) and open it\n"
    "       bwpos export|import --company DIR FILE-NUMBER PATH [--columns LIST] [--update]\n"
    "       bwpos files --company DIR         list the company's data files and their records\n"
    "       bwpos alerts --company DIR rule-add NAME CONDITION [THRESHOLD] [--range FIELD FROM TO]\n"
    "       bwpos alerts --company DIR rules|run [--date MM/DD/YYYY]|list\n"
    "                                         business alert rules, their run and the alert list\n"
    "       bwpos card --company DIR --amount A [--kind N|D|C] [--invoice NO] [--void]\n"
    "             [--card-timeout S] [CARD or CHECK options] [--swipe-first] [--script FILE]\n"
    "                                         take a card or check tender (or void one) as the\n"
    "                                         sale entry does; see \"Taking a card\" in README.md\n"
    "       bwpos verify-gl DIR               check and repair the online general ledger\n"
    "       bwpos verify-checks DIR           check and repair the online check register\n"
    "       bwpos --help                      this text and the commands of this build\n"
    "\n"
    "COMMAND is a command number (e.g. 103) or its name (e.g. CmdCompanyHeading),\n"
    "or lookup-customer / lookup-product: pick from the list and print the fields\n"
    "returned (the next lookup of the run starts at the pick), or system-options:\n"
    "the system options (passwords in force; the supervisor's once they are).\n"
    "DIR is a company folder of at most 143 characters (its absolute path); NAME has\n"
    "1 to 18 characters (18 bytes). A new company has no users and no passwords:\n"
    "any --user and --password (e.g. empty ones) sign in until passwords are set up.\n"
    "The script has one event a line (key F10, type TEXT, field N TEXT, answer Yes,\n"
    "pick N, wait); at most 16 MB.\n"
    "\n"
    "Exit statuses: 0 done; 2 usage (bad arguments, unknown command, unusable\n"
    "script); 3 program folder (a library or base file missing or damaged);\n"
    "4 company folder (missing, unreadable, too long, damaged data files, not\n"
    "created); 5 sign-in failed (company not opened, user or password refused);\n"
    "6 a record-manager error was reported; 27 cancelled; 28 the command is not\n"
    "available in this build; any other value is the command's own exit code.\n"
    "verify-gl and verify-checks run in a session of their own, write ONLINEGL.LOG\n"
    "or ONLINECK.LOG in DIR and exit 0, or 32 when the check or the repair failed.\n"
    "card exits 0 when the tender was approved (or the void recorded) and 31 when it\n"
    "was not: declined, not answered, cancelled or card authorization not available.\n";

int Fail(const std::string& text, int status = kExitUsage)
{
    std::fprintf(stderr, "bwpos: %s\n", text.c_str());
    return status;
}

// "~" or "~user" at the start of a folder, read as the creation screen
// reads it: that home folder (HOME, else the password entry). A folder
// whose user is unknown is left as written.
std::string HomeExpanded(const std::string& folder)
{
    if (folder.empty() || folder[0] != '~') return folder;
    const size_t slash = folder.find('/');
    const std::string user = folder.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
    const std::string home = bwps::HomeFolderOf(user);
    if (home.empty()) return folder;
    return home + (slash == std::string::npos ? "" : folder.substr(slash));
}

std::string Absolute(const std::string& given)
{
    const std::string folder = HomeExpanded(given);
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
    // The log-in starts from "cancelled": only its own success clears it.
    int Run(int number, int* exitCode)
    {
        SessionBlock* s = Session();
        s->CommandNumber = number;
        s->ExitCode = number == kLogin ? kExitCancelled : 0;
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

    // Record-manager error reports shown so far; the last one's status and
    // path.
    int Errors(int* status = nullptr, std::string* path = nullptr)
    {
        int last = 0;
        char text[512] = {};
        const int n = libs.ErrorsReported(&last, text, sizeof text);
        if (status) *status = last;
        if (path) *path = text;
        return n;
    }

    // "record-manager error S on PATH" of the last report.
    std::string LastError()
    {
        int status = 0;
        std::string path;
        Errors(&status, &path);
        return "record-manager error " + std::to_string(status) + " on " + host::Printable(path);
    }

    std::vector<host::MenuEntry> Menu()
    {
        std::vector<host::MenuEntry> entries;
        int number = 0;
        const char* title = nullptr;
        for (int i = 0; libs.CommandInfo(i, &number, nullptr, &title); ++i)
            entries.push_back({number, title, libs.CommandInBuild(number) == 1});
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

    // A company of an earlier release that the company opening converts.
    bool IsConvertible(const std::string& folder)
    {
        const int code = libs.DetectDataSetVersion(folder.c_str());
        return code >= 10 && code <= 15;
    }

    // Why the folder does not hold a company this build can open.
    std::string CompanyProblem(const std::string& folder)
    {
        const std::string shown = host::Printable(folder);
        if (::access(folder.c_str(), R_OK | X_OK) != 0)
            return "cannot read the company folder " + shown + ": " + std::strerror(errno);
        bool anyFile = false;
        std::string missing;
        for (int n = 1; n <= bwps::No(bwps::FileNo::CashRegisters); ++n) {
            if (libs.GetDataFileKind(n) != 1) continue;
            const char* name = libs.GetDataFileName(n);
            if (name == nullptr) continue;
            const std::string path = folder + "/" + name;
            std::error_code ec;
            if (!fs::exists(path, ec)) {
                if (missing.empty()) missing = name;
                continue;
            }
            anyFile = true;
            bwps::Table file;
            const int status = file.OpenPath(static_cast<bwps::FileNo>(n), path.c_str()).status;
            if (status != 0)
                return "the company in " + shown + " is damaged: " + name +
                       " cannot be opened (record-manager status " + std::to_string(status) + ")";
        }
        if (!anyFile)
            return "no company in " + shown + " (create one with: bwpos create-company DIR NAME)";
        if (!missing.empty())
            return "the company in " + shown + " is incomplete: " + missing + " is missing";
        const int code = libs.DetectDataSetVersion(folder.c_str());
        return "the data in " + shown + " is of another release (version code " +
               std::to_string(code) + ") and cannot be opened by this build";
    }
};

// The company folder given on the command line, made absolute; empty with
// a one-line reason when it cannot hold a company.
std::string CompanyFolder(const std::string& given, std::string& error)
{
    const std::string folder = Absolute(given);
    if (folder.size() > kFolderLimit) {
        error = "the company folder " + host::Printable(folder) + " has " +
                std::to_string(folder.size()) + " characters; a company folder has at most " +
                std::to_string(kFolderLimit);
        return "";
    }
    for (unsigned char c : folder) {
        if (c < 0x20 || c == 0x7F) {
            error = "the company folder " + host::Printable(folder) +
                    " holds a control character";
            return "";
        }
    }
    return folder;
}

// Characters of a UTF-8 text.
size_t Characters(const std::string& text)
{
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

// ---- lookups ------------------------------------------------------------------

// A field of the buffer that the session's customer and product lookups
// fill: its caption, place and width.
struct PickedField {
    const char* caption;
    size_t offset;
    size_t width;
};

// The customer and product lookups of the menu and of the command line.
struct LookupCommand {
    const char* word;     // command word of headless runs
    int menuNumber;       // entry of the menu (no command of the command entry)
    const char* title;
    const char* entry;    // the session's lookup
    const char* noun;
    std::vector<PickedField> fields;
};

const LookupCommand kLookupCommands[] = {
    {"lookup-customer", 901, "Look up a customer", "BWPSLookupCustomer", "customer",
     {{"Code", 0, 10}, {"Name", 11, 40}, {"ZIP code", 52, 10}, {"Salesperson", 63, 5},
      {"Receivables account", 69, 10}, {"Interface code", 80, 5}, {"Code 27", 86, 5}}},
    {"lookup-product", 902, "Look up a product", "BWPSLookupProduct", "product",
     {{"Code", 0, 14}, {"Description", 15, 30}, {"Interface code", 46, 5}, {"Alternate code", 52, 8},
      {"Vendor code", 61, 10}, {"Sub-item code", 72, 3}}},
};
constexpr size_t kPickBufferSize = 128;

const LookupCommand* LookupByWord(const std::string& word)
{
    for (const LookupCommand& l : kLookupCommands)
        if (word == l.word) return &l;
    return nullptr;
}

const LookupCommand* LookupByMenuNumber(int number)
{
    for (const LookupCommand& l : kLookupCommands)
        if (number == l.menuNumber) return &l;
    return nullptr;
}

// The fields of a pick buffer, one "caption: value" line each.
std::string PickedText(const LookupCommand& l, const char* buffer)
{
    std::string text;
    for (const PickedField& f : l.fields) {
        std::string value(buffer + f.offset, strnlen(buffer + f.offset, f.width));
        while (!value.empty() && value.back() == ' ') value.pop_back();
        text += std::string("  ") + f.caption + ":" + (value.empty() ? "" : " " + host::Printable(value)) + "\n";
    }
    return text;
}

// Runs a lookup of the signed-in session: 1 picked (the fields in
// buffer), 0 nothing picked, -1 the entry is not in the libraries.
int RunLookup(Host& h, const LookupCommand& l, char* buffer)
{
    using Entry = int (*)(char*);
    const auto entry = reinterpret_cast<Entry>(dlsym(h.libs.base, l.entry));
    if (entry == nullptr) return -1;
    std::memset(buffer, 0, kPickBufferSize);
    return entry(buffer) != 0 ? 1 : 0;
}

// A lookup of a headless run: what the list showed, then the fields
// returned; 0 or an exit status after one line saying why.
int RunHeadlessLookup(Host& h, const LookupCommand& l)
{
    std::fputs(host::Transcript().c_str(), stdout);
    host::ClearTranscript();
    const int errorsBefore = h.Errors();
    char buffer[kPickBufferSize];
    const int picked = RunLookup(h, l, buffer);
    std::fputs(host::Transcript().c_str(), stdout);
    host::ClearTranscript();
    if (picked < 0)
        return Fail(std::string(l.word) + ": " + l.entry + " is not in the libraries", kExitProgramFolder);
    if (h.Errors() != errorsBefore) return Fail(std::string(l.word) + ": " + h.LastError(), kExitRecordManager);
    if (picked == 0) {
        std::printf("No %s was picked.\n", l.noun);
        return Fail(std::string(l.word) + " ended cancelled", kExitCancelled);
    }
    std::printf("Picked %s:\n%s", l.noun, PickedText(l, buffer).c_str());
    return 0;
}

// The system options (passwords in force, posting and sales options): a
// screen of the session that the command entry has no command for. While
// passwords are in force only the supervisor opens it.
constexpr const char* kSystemOptionsWord = "system-options";
constexpr int kSystemOptionsMenuNumber = 903;
constexpr int kScreenLeftWithEsc = 27;
constexpr const char* kSystemOptionsTitle = "System options";

// Runs the system options: 0 done, 1 refused (the reason in `why`), 2 left
// with Esc, -1 the screen is not in the libraries.
int RunSystemOptions(Host& h, std::string& why)
{
    using Screen = int (*)();
    const auto screen = reinterpret_cast<Screen>(dlsym(h.libs.base, "RSEditInterface"));
    const auto inForce = reinterpret_cast<Screen>(dlsym(h.libs.base, "PasswordsInForce"));
    if (screen == nullptr || inForce == nullptr) return -1;
    if (inForce() != 0 && h.Session()->UserLevel != kSupervisorLevel) {
        why = "the system options are the supervisor's while passwords are in force";
        return 1;
    }
    return screen() == kScreenLeftWithEsc ? 2 : 0;
}

int RunHeadlessSystemOptions(Host& h)
{
    const int errorsBefore = h.Errors();
    std::string why;
    const int result = RunSystemOptions(h, why);
    if (result < 0)
        return Fail(std::string(kSystemOptionsWord) + ": RSEditInterface is not in the libraries",
                    kExitProgramFolder);
    if (result == 1) return Fail(std::string(kSystemOptionsWord) + ": " + why, kExitSignIn);
    if (h.Errors() != errorsBefore) return Fail(std::string(kSystemOptionsWord) + ": " + h.LastError(), kExitRecordManager);
    if (result == 2) return Fail(std::string(kSystemOptionsWord) + " ended cancelled", kExitCancelled);
    return 0;
}

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

// Name of a command for messages: "103 (CmdCompanyHeading)".
std::string CommandName(Host& h, int number)
{
    int n = 0;
    const char* constant = nullptr;
    for (int i = 0; h.libs.CommandInfo(i, &n, &constant, nullptr); ++i)
        if (n == number) return std::to_string(number) + " (" + constant + ")";
    return std::to_string(number);
}

// Signs in headless; 0, or the exit status after one line saying why. A
// run that is not signed in runs no command.
int SignIn(Host& h, const std::string& company)
{
    const int errorsBefore = h.Errors();
    int exitCode = kExitCancelled;
    h.Login(&exitCode);
    const std::string shown = host::Printable(company);
    if (h.Errors() != errorsBefore)
        return Fail("not signed in to the company in " + shown + ": " + h.LastError(),
                    kExitRecordManager);
    if (exitCode != 0 || h.Session()->DataPath[0] == 0)
        return Fail("not signed in to the company in " + shown +
                        ": the company was not opened or the user id or password was refused"
                        " (exit code " + std::to_string(exitCode) + ")",
                    kExitSignIn);
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
        if (const LookupCommand* l = LookupByWord(c)) {
            numbers.push_back(l->menuNumber);
            continue;
        }
        if (c == kSystemOptionsWord) {
            numbers.push_back(kSystemOptionsMenuNumber);
            continue;
        }
        const int n = h.CommandOf(c);
        if (n == 0) return Fail("unknown command " + host::Printable(c) + " (see bwpos --help)");
        numbers.push_back(n);
    }
    std::string error;
    const std::string company = CompanyFolder(a.company, error);
    if (company.empty()) return Fail(error, kExitCompany);
    std::error_code ec;
    if (!fs::exists(company, ec) && ec.value() != EACCES)
        return Fail("company folder " + host::Printable(company) + " does not exist", kExitCompany);
    if (!fs::is_directory(company, ec) && ec.value() != EACCES)
        return Fail(host::Printable(company) + " is a file, not a company folder", kExitCompany);
    if (!h.IsCompany(company) && !h.IsConvertible(company))
        return Fail(h.CompanyProblem(company), kExitCompany);

    if (!host::UseScript(a.script, error)) return Fail(error);
    host::SetApplication(a.user, a.password, a.params, a.station, company);
    h.Start(company);

    int status = SignIn(h, company);
    for (size_t i = 0; status == 0 && i < numbers.size(); ++i) {
        const int n = numbers[i];
        if (const LookupCommand* l = LookupByMenuNumber(n)) {
            status = RunHeadlessLookup(h, *l);
            continue;
        }
        if (n == kSystemOptionsMenuNumber) {
            status = RunHeadlessSystemOptions(h);
            continue;
        }
        const int errorsBefore = h.Errors();
        int exitCode = 0;
        if (h.Run(n, &exitCode) == -1) {
            status = Fail("command " + std::to_string(n) + " is not known to the command entry");
        } else if (h.Errors() != errorsBefore) {
            status = Fail("command " + CommandName(h, n) + ": " + h.LastError(), kExitRecordManager);
        } else if (exitCode == kExitNotInThisBuild) {
            status = Fail("command " + CommandName(h, n) + " is not available in this build",
                          kExitNotInThisBuild);
        } else if (exitCode == kExitCancelled) {
            status = Fail("command " + CommandName(h, n) + " ended cancelled", kExitCancelled);
        } else if (exitCode != 0) {
            char outcome[256] = {};
            h.libs.CommandOutcome(outcome, sizeof outcome);
            status = Fail("command " + CommandName(h, n) + " ended with exit code " +
                              std::to_string(exitCode) + (outcome[0] ? std::string(": ") + outcome : ""),
                          exitCode);
        }
    }
    std::fputs(host::Transcript().c_str(), stdout);
    if (status == 0 && host::ScriptEventsLeft() > 0)
        std::fprintf(stderr, "bwpos: note: %d script event(s) were not used\n",
                     host::ScriptEventsLeft());
    h.Stop();
    return status;
}

// ---- create-company and demo ---------------------------------------------------

// Creates the company and lists it; 0 or an exit status after one line
// on the error stream saying why.
int CreateCompany(Host& h, const std::string& folder, const std::string& name)
{
    const size_t characters = Characters(name);
    if (characters == 0 || characters > kNameLimit)
        return Fail("a company name has 1 to 18 characters; \"" + host::Printable(name) + "\" has " +
                    std::to_string(characters));
    if (name.size() > kNameLimit)
        return Fail("a company name is kept in 18 bytes; \"" + host::Printable(name) + "\" takes " +
                    std::to_string(name.size()) + " (letters outside A-Z take more than one)");
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F) return Fail("a company name holds no control characters");
    char normalised[260] = {};
    switch (h.libs.FolderTextProblem(folder.c_str(), normalised, sizeof normalised)) {
    case 0: break;
    case 5:  // too long
        return Fail("the company folder " + host::Printable(folder) + " has " +
                    std::to_string(folder.size()) + " characters; a company folder has at most " +
                    std::to_string(kFolderLimit), kExitCompany);
    case 6:  // the program folder or inside it
        return Fail("a company cannot be created in the program folder or a folder inside it",
                    kExitCompany);
    default:
        return Fail("the company folder " + host::Printable(folder) + " is not a valid folder name",
                    kExitCompany);
    }
    const std::string shown = host::Printable(folder);
    std::error_code ec;
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec))
        return Fail(shown + " is a file, not a folder", kExitCompany);
    if (h.IsCompany(folder)) return Fail(shown + " already holds a company", kExitCompany);
    if (h.libs.FilesInFolder(folder.c_str()))
        return Fail(shown + " already holds data files of a company; they are not replaced",
                    kExitCompany);
    fs::create_directories(folder, ec);
    if (ec) return Fail("cannot create the folder " + shown + ": " + ec.message(), kExitCompany);
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return Fail("cannot write into the folder " + shown + ": " + std::strerror(errno),
                    kExitCompany);

    std::string error;
    if (!host::UseScript("", error)) return Fail(error);
    h.Start("");
    const int errorsBefore = h.Errors();
    const bool created = h.libs.CreateCompany(name.c_str(), folder.c_str(), 0, 0, 0) != 0;
    if (!created) {
        std::fputs(host::Transcript().c_str(), stdout);
        const std::string why = h.Errors() != errorsBefore ? h.LastError()
                                                             : "the creation was stopped";
        h.Stop();
        return Fail("company not created in " + shown + ": " + why, kExitCompany);
    }
    // The new company's own record carries its name (the banner shows it).
    h.libs.UpdateCompanyInfo(name.c_str(), "", "", "", "", "", "", "", "", "", "", "", "", "");
    if (!h.libs.UpdateAppCID(name.c_str(), folder.c_str())) {
        const std::string why = h.Errors() != errorsBefore ? ": " + h.LastError() : "";
        h.Stop();
        return Fail("company created in " + shown + " but not added to the company list" + why,
                    kExitCompany);
    }
    h.Stop();
    return 0;
}

int RunCreateCompany(int argc, char** argv)
{
    if (argc != 4) return Fail("usage: bwpos create-company DIR NAME");
    Host h;
    if (int status = h.Load()) return status;
    std::string error;
    const std::string folder = CompanyFolder(argv[2], error);
    if (folder.empty()) return Fail(error, kExitCompany);
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
    for (int n = 1; n <= bwps::No(bwps::FileNo::CashRegisters); ++n) {
        const int kind = h.libs.GetDataFileKind(n);
        const char* name = h.libs.GetDataFileName(n);
        if ((kind != 1 && kind != 2) || name == nullptr) continue;
        const std::string path = folder + "/" + name;
        bwps::Table file;
        if (!file.OpenPath(static_cast<bwps::FileNo>(n), path.c_str()).Ok()) continue;
        unsigned char stat[RECMAN_STAT_BUFFER] = {};
        const int status = BtrStat(file.Handle(), stat);
        file.Close();
        if (status != 0) continue;
        TagFileSpec spec;
        std::memcpy(&spec, stat, sizeof spec);
        std::printf("  %-12s %4u b %d k %3d r%s", name, spec.RecordLength, spec.KeyCount,
                    static_cast<int32_t>(spec.RecordCount), ++shown % 3 == 0 ? "\n" : " ");
    }
    if (shown % 3 != 0) std::printf("\n");
    std::printf("  (%d files; b = bytes a record, k = keys, r = records)\n", shown);

    const std::string general =
        folder + "/" + h.libs.GetDataFileName(bwps::No(bwps::FileNo::General));
    bwps::Table file;
    if (!file.OpenPath(bwps::FileNo::General, general.c_str()).Ok()) return;
    TagFilesVersion stamp{};
    bwps::KeyBuffer key;
    std::memcpy(key.bytes, GENERAL_KEY_FILESVERSION, 15);
    if (file.Get(B_GET_EQUAL, key.data(), &stamp, sizeof stamp).Ok())
        std::printf("Data-files version stamp: %u.%u\n", stamp.Major, stamp.Minor);
}

// Prints lines through the report writer into a PDF in prints/ of the
// company folder, with the page heading on every page.
void PrintBooksToPdf(Host& h, const std::string& company, const char* title, const char* file,
                     const std::vector<std::string>& lines)
{
    using Open = int (*)(TagRepInfo*, const char*);
    using Report = int (*)(TagRepInfo*);
    using Heading = int (*)(TagRepInfo*, int);
    using Write = int (*)(TagRepInfo*, const char*, int, int);
    using Lines = int (*)(TagRepInfo*, int);
    const auto open = reinterpret_cast<Open>(dlsym(h.libs.base, "ReportOpen"));
    const auto heading = reinterpret_cast<Heading>(dlsym(h.libs.base, "ReportWritePageHeading"));
    const auto write = reinterpret_cast<Write>(dlsym(h.libs.base, "ReportWriteText"));
    const auto newLines = reinterpret_cast<Lines>(dlsym(h.libs.base, "ReportNewLines"));
    const auto endPage = reinterpret_cast<Report>(dlsym(h.libs.base, "ReportEndPage"));
    const auto close = reinterpret_cast<Report>(dlsym(h.libs.base, "ReportClose"));
    if (!open || !heading || !write || !newLines || !endPage || !close)
        return;
    std::error_code ec;
    std::filesystem::create_directories(company + "/prints", ec);
    auto report = std::make_unique<TagRepInfo>();
    std::memset(report.get(), 0, sizeof *report);
    report->silent = 1;
    report->keepStatus = 1;
    report->destination = REPORT_TO_EXPORT;
    report->exportKind = REPORT_EXPORT_FILE;
    const std::string target = std::filesystem::absolute(company + "/prints/" + file, ec).lexically_normal().string();
    std::snprintf(report->exportFile, sizeof report->exportFile, "%s", target.c_str());
    if (!open(report.get(), title)) {
        std::printf("\n%s was not printed.\n%s", title, host::Transcript().c_str());
        return;
    }
    heading(report.get(), 0);
    for (const std::string& line : lines) {
        if (static_cast<int>(report->line) >= report->linesPerPage - 2 && report->linesPerPage > 0) {
            endPage(report.get());
            heading(report.get(), 0);
        }
        write(report.get(), line.c_str(), 0, 1);
        newLines(report.get(), 1);
    }
    const int failed = close(report.get());
    std::printf("\n%s %s %s\n", title, failed ? "could not be printed to" : "printed to", target.c_str());
}

int RunDemo(int argc, char** argv)
{
    if (argc > 3) return Fail("usage: bwpos demo [DIR]");
    Host h;
    if (int status = h.Load()) return status;
    std::string error;
    const std::string folder = CompanyFolder(argc == 3 ? argv[2] : "./demo-company", error);
    if (folder.empty()) return Fail(error, kExitCompany);
    const std::string name = "Demo Company";

    if (h.IsCompany(folder)) {
        std::printf("Using the demo company already in %s.\n", folder.c_str());
        h.libs.UpdateAppCID(name.c_str(), folder.c_str());  // listed again if the list was lost
    } else {
        if (int status = CreateCompany(h, folder, name)) return status;
        std::printf("Created company \"%s\" in %s.\n", name.c_str(), folder.c_str());
    }

    if (!host::UseScript("", error)) return Fail(error);
    host::ClearTranscript();
    host::SetApplication("", "", "", "", folder);
    h.Start(folder);
    if (int status = SignIn(h, folder)) {
        std::fputs(host::Transcript().c_str(), stdout);
        h.Stop();
        return status;
    }
    int exitCode = 0;
    SessionBlock* s = h.Session();
    std::printf("Signed in. Open company: \"%s\" in %s.\n", s->CompanyName, s->DataPath);
    h.Run(kCompanyHeading, &exitCode);
    std::printf("\nWhat the screens showed while signing in and refreshing the banner:\n%s\n",
                host::Transcript().c_str());
    PrintDataFiles(h, s->DataPath);
    PrintCompanyList(h);

    // The store's day end: a day of sales (once), posted by the sales
    // posting (command 206) as a clerk would run it, then the books.
    const std::string data = s->DataPath;
    const host::FilePath path = [&](bwps::FileNo file) {
        const char* name = h.libs.GetDataFileName(bwps::No(file));
        return data + "/" + (name != nullptr ? name : "");
    };
    if (!host::HasSales(path)) {
        if (!host::AddSampleStore(path, data, FxToday(), error)) {
            h.Stop();
            return Fail("the sample store could not be added: " + error, kExitRecordManager);
        }
        std::printf("\nAdded a sample store: a chart of accounts, a tax code, products, a service,\n"
                    "a billing code, a customer with an open invoice and today's sales.\n");
    }
    const std::string authorizer = host::AddCardInterface(path, data, error);
    if (authorizer.empty())
        std::printf("\nThe card interface was not set up: %s.\n", error.c_str());
    else
        std::printf("\nCard interface on; authorizer folder %s (bwpos card --company %s --amount 12.34).\n",
                    authorizer.c_str(), folder.c_str());
    host::ClearTranscript();
    FxScriptLoad("key F10\nanswer Continue\n");
    h.Run(kSalesPosting, &exitCode);
    std::printf("\nPosting the sales (command %d) showed:\n%s\n", kSalesPosting,
                host::Transcript().c_str());
    host::PrintBooks(path);
    PrintBooksToPdf(h, folder, "Trial Balance", "TRIALBAL.pdf", host::TrialBalanceLines(path));
    PrintBooksToPdf(h, folder, "Open Invoices", "OPENINV.pdf", host::OpenInvoiceLines(path));
    h.Stop();
    return exitCode;
}

// ---- online verification -----------------------------------------------------------

// verify-gl DIR, verify-checks DIR: the library's verification run over the
// company (a session of its own), then what the screens showed and the log.
int RunVerification(int argc, char** argv)
{
    const std::string word = argv[1];
    const bool ledger = word == "verify-gl";
    if (argc != 3) return Fail("usage: bwpos " + word + " DIR");
    Host h;
    if (int status = h.Load()) return status;
    std::string error;
    const std::string company = CompanyFolder(argv[2], error);
    if (company.empty()) return Fail(error, kExitCompany);
    std::error_code ec;
    if (!fs::exists(company, ec) && ec.value() != EACCES)
        return Fail("company folder " + host::Printable(company) + " does not exist", kExitCompany);
    if (!fs::is_directory(company, ec) && ec.value() != EACCES)
        return Fail(host::Printable(company) + " is a file, not a company folder", kExitCompany);
    if (!h.IsCompany(company)) return Fail(h.CompanyProblem(company), kExitCompany);

    using Run = int (*)(const char*, const char*);
    const char* entry = ledger ? "BWPSVerifyOnlineGenLedger" : "BWPSVerifyOnlineCheckRegister";
    const auto run = reinterpret_cast<Run>(dlsym(h.libs.base, entry));
    if (run == nullptr) return Fail(std::string("entry ") + entry + " not found in the libraries", 3);
    if (!host::UseScript("", error)) return Fail(error);
    host::ClearTranscript();
    const int status = run(h.programFolder.c_str(), company.c_str());
    std::fputs(host::Transcript().c_str(), stdout);
    const std::string log = company + (ledger ? "/ONLINEGL.LOG" : "/ONLINECK.LOG");
    std::ifstream in(log, std::ios::binary);
    if (in) {
        std::printf("Log %s:\n", host::Printable(log).c_str());
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::printf("  %s\n", line.c_str());
        }
    }
    if (status != 0)
        return Fail(std::string("the check of the online ") +
                        (ledger ? "general ledger" : "check register") +
                        " failed or could not run (exit " + std::to_string(status) + ")",
                    status);
    return kExitDone;
}

// ---- card ------------------------------------------------------------------------

constexpr int kExitNotApproved = 31;

struct CardArgs {
    std::string company, user, password, station, script;
    std::string amount, kind = "N", invoice, registerText = "1", timeout;
    std::string number, expiry, name, street, postal, swipe;
    std::string checkMode = "2", bankLine, checkNumber, licence, state, birthDate;
    bool voidIt = false;
    bool swipeFirst = false;
};

int ParseCard(int argc, char** argv, CardArgs& a)
{
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        struct Option {
            const char* name;
            std::string* field;
        } options[] = {
            {"--company", &a.company},     {"--user", &a.user},
            {"--password", &a.password},   {"--station", &a.station},
            {"--script", &a.script},       {"--amount", &a.amount},
            {"--kind", &a.kind},           {"--invoice", &a.invoice},
            {"--register", &a.registerText}, {"--card-timeout", &a.timeout},
            {"--card", &a.number},         {"--expiry", &a.expiry},
            {"--name", &a.name},           {"--street", &a.street},
            {"--postal-code", &a.postal},  {"--swipe", &a.swipe},
            {"--check-mode", &a.checkMode}, {"--bank-line", &a.bankLine},
            {"--check-number", &a.checkNumber}, {"--licence", &a.licence},
            {"--state", &a.state},         {"--birth-date", &a.birthDate},
        };
        if (arg == "--void" || arg == "--swipe-first") {
            (arg == "--void" ? a.voidIt : a.swipeFirst) = true;
            continue;
        }
        bool known = false;
        for (const Option& o : options) {
            if (arg != o.name) continue;
            known = true;
            if (!value(*o.field)) return Fail("option " + arg + " needs a value");
        }
        if (!known) return Fail("unknown argument " + host::Printable(arg) + " of card (see bwpos --help)");
    }
    if (a.company.empty()) return Fail("card: --company DIR is required");
    if (a.voidIt && a.invoice.empty()) return Fail("card --void: --invoice NO names the tender to void");
    if (!a.voidIt && a.amount.empty()) return Fail("card: --amount A is required");
    for (char& c : a.kind) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (a.kind != "N" && a.kind != "D" && a.kind != "C")
        return Fail("card: --kind is N (credit card), D (debit card) or C (check)");
    if (a.checkMode != "2" && a.checkMode != "4" && a.checkMode != "5")
        return Fail("card: --check-mode is 2 (bank line), 4 (driver's licence) or 5 (licence and birth date)");
    for (const std::string* text : {&a.number, &a.expiry, &a.name, &a.street, &a.postal, &a.swipe,
                                    &a.bankLine, &a.checkNumber, &a.licence, &a.state, &a.birthDate})
        for (unsigned char c : *text)
            if (c < 0x20 || c == 0x7F) return Fail("card: the tender's texts hold no control characters");
    return 0;
}

// A whole number of the command line; false when the text is not one.
bool WholeNumber(const std::string& text, long low, long high, long& out)
{
    char* end = nullptr;
    errno = 0;
    out = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == 0 && errno == 0 && out >= low && out <= high;
}

// What a clerk types on the tender screen, as script events.
std::string TenderScript(const CardArgs& a, std::string& note)
{
    std::string s;
    auto field = [&](int n, const std::string& text) {
        if (!text.empty()) s += "field " + std::to_string(n) + " " + text + "\n";
    };
    if (a.kind == "C") {
        const std::string mode = a.checkMode;
        if (mode == "2") {
            s += "type " + (a.bankLine.empty() ? std::string("T011000015 000123456789") : a.bankLine) + "\n";
        } else {
            s += "type " + (a.licence.empty() ? std::string("D1234567") : a.licence) + "\n";
            if (mode == "5") field(3, a.birthDate.empty() ? std::string("01/01/80") : a.birthDate);
        }
        field(4, a.state.empty() ? std::string("NY") : a.state);
        field(5, a.checkNumber);
        field(6, a.name);
        return s + "key F10\n";
    }
    if (!a.swipe.empty()) return "type " + a.swipe + "\nkey Enter\nkey F10\n";
    std::string number = a.number;
    std::string expiry = a.expiry;
    std::string name = a.name;
    if (number.empty()) {
        number = "4111111111111111";
        if (name.empty()) name = "DEMO CARD";
        note = "no card was given: the test card ending 1111 is used";
    }
    if (expiry.empty()) {
        char text[8];
        std::snprintf(text, sizeof text, "%02d12", (FxDateYear(FxToday()) + 2) % 100);
        expiry = text;
    }
    s += "type " + number + "\nkey Enter\ntype " + expiry + "\nkey Enter\n";
    if (!name.empty()) s += "type " + name + "\n";
    field(5, a.street);
    field(6, a.postal);
    return s + "key F10\n";
}

std::string Masked(const char* number, size_t width)
{
    std::string text(number, strnlen(number, width));
    if (text.size() <= 4) return text;
    return std::string(text.size() - 4, '*') + text.substr(text.size() - 4);
}

const char* KindName(int kind)
{
    switch (kind) {
    case CARD_RECORD_SALE: return "sale";
    case CARD_RECORD_CREDIT: return "credit";
    case CARD_RECORD_VOICE: return "voice approval, first form";
    case CARD_RECORD_OTHER: return "voice approval";
    case CARD_RECORD_DEBIT: return "debit card";
    case CARD_RECORD_CHECK: return "check";
    default: return "?";
    }
}

// Prints the stored card transactions of the invoice and register.
void PrintStoredCard(bwps::Table& cards, const CardTransactionKey& wanted)
{
    bwps::KeyBuffer key;
    key.Set(wanted);
    CardTransactionRecord r{};
    int shown = 0;
    for (int op = B_GET_EQUAL; cards.Get(op, key.data(), &r, sizeof r).Ok(); op = B_GET_NEXT) {
        if (std::memcmp(r.InvoiceNo, wanted.InvoiceNo, sizeof r.InvoiceNo) != 0 || r.Register != wanted.Register)
            break;
        if (shown++ == 0) std::printf("Stored in BPOSCARD.DB:\n");
        char amount[32];
        FxFormatAmount(r.Amount, amount, 2);
        if (r.PreviousKind != 0)
            std::printf("  invoice %.*s  register %d  kind %d (voided), was %d (%s)", 11, r.InvoiceNo,
                        r.Register, r.Kind, r.PreviousKind, KindName(r.PreviousKind));
        else
            std::printf("  invoice %.*s  register %d  kind %d (%s)", 11, r.InvoiceNo, r.Register,
                        r.Kind, KindName(r.Kind));
        if (r.Unreversed == CARD_RECORD_UNREVERSED) std::printf(", approved and not reversed");
        std::printf("\n  card %s  expiry %.*s  amount %s  approval %.*s\n  payment %.*s  name %.*s\n",
                    Masked(r.CardNumber, sizeof r.CardNumber).c_str(), 5, r.Expiry, amount, 40,
                    r.Approval, 11, r.PaymentMethod, 27, r.Name);
    }
    if (shown == 0) std::printf("Nothing is stored in BPOSCARD.DB for invoice %s, register %d.\n",
                                host::Printable(wanted.InvoiceNo).c_str(), wanted.Register);
}

// card: one tender (or the void of one) of the sale entry, headless.
int RunCard(int argc, char** argv)
{
    CardArgs a;
    if (int status = ParseCard(argc, argv, a)) return status;
    double amount = 0.0;
    if (!a.voidIt) {
        char* end = nullptr;
        amount = std::strtod(a.amount.c_str(), &end);
        if (*end != 0 || !std::isfinite(amount) || std::fabs(amount) > 9999999.99)
            return Fail("card: --amount takes an amount such as 12.34 (a negative one is a refund)");
    }
    long registerNumber = 0, timeout = 0;
    if (!WholeNumber(a.registerText, 1, 9999, registerNumber))
        return Fail("card: --register takes a register number from 1 to 9999");
    if (!a.timeout.empty() && !WholeNumber(a.timeout, 1, 3600, timeout))
        return Fail("card: --card-timeout takes seconds from 1 to 3600");
    if (a.invoice.size() > 10) return Fail("card: an invoice number has at most 10 characters");

    Host h;
    if (int status = h.Load()) return status;
    std::string error;
    const std::string company = CompanyFolder(a.company, error);
    if (company.empty()) return Fail(error, kExitCompany);
    std::error_code ec;
    if (!fs::exists(company, ec) && ec.value() != EACCES)
        return Fail("company folder " + host::Printable(company) + " does not exist", kExitCompany);
    if (!h.IsCompany(company)) return Fail(h.CompanyProblem(company), kExitCompany);

    using Setup = uint8_t (*)(CardContext*, const char*, int32_t);
    using Run = int (*)(CardContext*);
    using Timeout = int (*)(int);
    const auto setup = reinterpret_cast<Setup>(dlsym(h.libs.base, "SetupCardAuthorization"));
    const auto authorize = reinterpret_cast<Run>(dlsym(h.libs.base, "RunCardAuthorization"));
    const auto voidCard = reinterpret_cast<Run>(dlsym(h.libs.base, "VoidCardTransaction"));
    const auto setTimeout = reinterpret_cast<Timeout>(dlsym(h.libs.base, "SetCardAuthorizationTimeout"));
    if (!setup || !authorize || !voidCard || !setTimeout)
        return Fail("the card entries are not in the libraries", kExitProgramFolder);

    std::string note;
    if (!host::UseScript(a.script, error)) return Fail(error);
    if (a.script.empty()) {
        const std::string events = a.voidIt ? std::string("answer Yes\n") : TenderScript(a, note);
        if (FxScriptLoad(events.c_str()) != 0)
            return Fail("card: a tender text cannot be typed on the screen");
    }
    host::SetApplication(a.user, a.password, "", a.station, company);
    h.Start(company);
    if (int status = SignIn(h, company)) {
        std::fputs(host::Transcript().c_str(), stdout);
        h.Stop();
        return status;
    }
    host::ClearTranscript();

    const std::string data = h.Session()->DataPath;
    bwps::Table cards;
    const char* cardFile = h.libs.GetDataFileName(bwps::No(bwps::FileNo::CardTransactions));
    if (!cards.OpenPath(bwps::FileNo::CardTransactions, (data + "/" + (cardFile ? cardFile : "")).c_str()).Ok()) {
        h.Stop();
        return Fail("the card-transaction file of the company cannot be opened", kExitRecordManager);
    }
    if (timeout > 0) setTimeout(static_cast<int>(timeout));

    CardContext c{};
    setup(&c, (data + "/authorizer").c_str(), static_cast<int32_t>(registerNumber));
    std::string invoice = a.invoice;
    if (invoice.empty()) {
        char text[16];
        std::snprintf(text, sizeof text, "IN%08d", static_cast<int>(cards.RecordCount() + 1) % 100000000);
        invoice = text;
    }
    std::snprintf(c.InvoiceNo, sizeof c.InvoiceNo, "%s", invoice.c_str());
    // A credit card is recorded by the kind its number shows (the library
    // names it when no tender code is given).
    std::snprintf(c.PaymentMethod, sizeof c.PaymentMethod, "%s",
                  a.kind == "N" ? "" : a.kind == "D" ? "DEBIT" : "CHECK");
    c.Register = static_cast<uint16_t>(registerNumber);
    c.FileHandle = cards.Handle();
    c.TenderKind = a.kind[0];
    c.CheckMode = static_cast<uint8_t>(a.checkMode[0] - '0');
    c.SwipeFirst = a.swipeFirst || !a.swipe.empty() ? 'Y' : 'N';
    c.Amount = amount;

    if (!note.empty()) std::printf("Note: %s.\n", note.c_str());
    std::printf("%s invoice %s, register %ld%s:\n", a.voidIt ? "Voiding the card tender of" : "Tender of",
                invoice.c_str(), registerNumber,
                a.voidIt ? "" : (std::string(", amount ") + a.amount).c_str());
    const int result = a.voidIt ? voidCard(&c) : authorize(&c);
    std::fputs(host::Transcript().c_str(), stdout);

    const std::string answer(c.AnswerText, strnlen(c.AnswerText, sizeof c.AnswerText));
    const std::string approval(c.Approval, strnlen(c.Approval, sizeof c.Approval));
    if (result != 0)
        std::printf("Answer: approved, approval code %s%s\n", approval.c_str(),
                    answer.empty() ? "" : (" (" + answer + ")").c_str());
    else if (c.ApprovalLetter == 'N')
        std::printf("Answer: declined: %s\n", approval.c_str());
    else if (c.ApprovalLetter == 'Y')
        std::printf("Answer: approved, approval code %s, but not kept (see above)\n", approval.c_str());
    else
        std::printf("Answer: none: the tender was not authorised\n");
    CardTransactionKey key{};
    std::snprintf(key.InvoiceNo, sizeof key.InvoiceNo, "%s", invoice.c_str());
    key.Register = c.Register;
    PrintStoredCard(cards, key);
    cards.Close();
    h.Stop();
    if (result != 0) return kExitDone;
    return Fail(a.voidIt ? "card: the void was not recorded"
                         : "card: the tender was not approved (declined, not answered or cancelled)",
                kExitNotApproved);
}

// ---- interactive -----------------------------------------------------------------

int RunInteractive()
{
    if (!host::TerminalAttached())
        return Fail("no terminal to sign in at: give a COMMAND to run headless (see bwpos --help)");
    Host h;
    if (int status = h.Load()) return status;
    if (std::string why; !host::UseTerminal(why)) return Fail("the terminal cannot be used: " + why, kExitUsage);
    // Without any company yet, the log-in offers the first-company screen.
    if (!h.HasListedCompany()) host::MarkFirstRun();
    h.Start("");
    int exitCode = 0;
    h.Login(&exitCode);
    if (exitCode != 0 || h.Session()->DataPath[0] == 0) {
        h.Stop();
        host::EndTerminal();
        return Fail("not signed in (exit code " + std::to_string(exitCode) + ")", kExitSignIn);
    }
    std::vector<host::MenuEntry> menu = h.Menu();
    for (const LookupCommand& l : kLookupCommands) menu.push_back({l.menuNumber, l.title, true});
    menu.push_back({kSystemOptionsMenuNumber, kSystemOptionsTitle, true});
    for (;;) {
        const std::string heading = std::string(h.Session()->CompanyName) + "  " + h.Session()->DataPath;
        const int number = host::ChooseCommand(menu, heading);
        if (number == 0 || number == kConfirmExit) {
            h.Run(kConfirmExit, &exitCode);
            if (exitCode == kExitCancelled) break;
            continue;
        }
        if (const LookupCommand* l = LookupByMenuNumber(number)) {
            char buffer[kPickBufferSize];
            const int picked = RunLookup(h, *l, buffer);
            if (picked < 0) host::Notice(std::string(l->entry) + " is not in the libraries.");
            else if (picked == 0) host::Notice(std::string("No ") + l->noun + " was picked.");
            else host::Notice(std::string("Picked ") + l->noun + ":\n" + PickedText(*l, buffer));
            continue;
        }
        if (number == kSystemOptionsMenuNumber) {
            std::string why;
            const int result = RunSystemOptions(h, why);
            if (result < 0) host::Notice("RSEditInterface is not in the libraries.");
            else if (result == 1) host::Notice("Refused: " + why + ".");
            continue;
        }
        if (h.Run(number, &exitCode) == -1) host::Notice("That command is not known.");
    }
    h.Stop();
    host::EndTerminal();
    return 0;
}

// The usage and the command table of this build (when the libraries load).
int PrintHelp()
{
    std::fputs(kUsage, stdout);
    Host h;
    std::string error;
    h.programFolder = host::ProgramFolder();
    if (!host::LoadLibraries(h.programFolder, h.libs, error)) {
        std::printf("\n(The commands are listed when the libraries load: %s.)\n", error.c_str());
        return kExitDone;
    }
    std::printf("\nCommands (\"-\": not available in this build; it answers so and exits 28):\n");
    int number = 0;
    const char* constant = nullptr;
    const char* title = nullptr;
    for (int i = 0; h.libs.CommandInfo(i, &number, &constant, &title); ++i)
        std::printf("  %c %3d %-24s %s\n", h.libs.CommandInBuild(number) == 1 ? ' ' : '-', number,
                    constant, title);
    return kExitDone;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2) {
        const std::string first = argv[1];
        if (first == "--help" || first == "-h") return PrintHelp();
        if (first == "create-company") return RunCreateCompany(argc, argv);
        if (first == "demo") return RunDemo(argc, argv);
        if (first == "export" || first == "import" || first == "files") return host::RunDataCommand(argc, argv);
        if (first == "verify-gl" || first == "verify-checks") return RunVerification(argc, argv);
        if (first == "card") return RunCard(argc, argv);
        if (first == "alerts") return host::RunAlertCommand(argc, argv);
        if (first.rfind("-", 0) != 0)
            return Fail("unknown command " + host::Printable(first) + " (see bwpos --help)");
        return RunHeadless(argc, argv);
    }
    return RunInteractive();
}
