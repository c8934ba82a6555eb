// The form tools of the program folder: the form compiler `fmtp` (started
// and left to run) and the layout tool `mkfmtdf` (waited for), and the
// temporary compiled layout that a print job hands to the report engine.
//
// A tool is started with posix_spawn and an argument list: no shell ever
// sees a name or a folder, an empty format name stays an empty argument and
// a folder with blanks stays one argument. The form compiler is started
// from a short-lived child that is reaped at once, so the compiler belongs
// to the system's reaper and never stays a zombie of this process.
#include "bwps/custom_forms.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "bwps/screens.h"
#include "fx.h"
#include "report_engine.h"
#include "reports/forms_internal.h"

extern char** environ;

namespace {

std::string g_tempLayout;   // the kept temporary layout ("" none)

std::string Joined(const char* folder, const std::string& name)
{
    std::string path = folder != nullptr ? folder : "";
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + name;
}

bool IsProgram(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<char*> Argv(std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

void SpawnFailed()
{
    FxMessageBox(nullptr, " Error in spawning exe.", nullptr, FX_MB_ICONERROR, 0);
}

// Starts the program and leaves it running: a child starts it and exits at
// once with 0 when the start worked (reaped here), so nothing is left to
// reap later.
bool StartDetached(std::vector<std::string> arguments)
{
    std::vector<char*> argv = Argv(arguments);
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        pid_t tool = 0;
        const int started = ::posix_spawn(&tool, argv[0], nullptr, nullptr, argv.data(), environ);
        ::_exit(started == 0 ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs the program and waits for it: its exit status, -1 when it could not
// be started, -2 when it ended by a signal.
int RunAndWait(std::vector<std::string> arguments)
{
    std::vector<char*> argv = Argv(arguments);
    pid_t tool = 0;
    if (::posix_spawn(&tool, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (::waitpid(tool, &status, 0) < 0)
        if (errno != EINTR)
            return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

std::string PrinterOf(const TagRepInfo* report)
{
    if (report == nullptr)
        return std::string();
    const auto* setup = reinterpret_cast<const EngSetup*>(report->engineSetup);
    return std::string(setup->printer, strnlen(setup->printer, sizeof setup->printer));
}

// A new empty file of the data-files folder named by the compiler's name
// and the clock, with the extension ".LZR"; "" when none could be made.
std::string MakeTempLayout()
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        char name[64];
        std::snprintf(name, sizeof name, "%s%llx.LZR", FORM_COMPILER_PROGRAM,
                      static_cast<unsigned long long>(ticks) + static_cast<unsigned long long>(attempt));
        const std::string path = Joined(GetFilesPath(), name);
        const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            return std::string();
    }
    return std::string();
}

}  // namespace

namespace bwps::forms {

void ResetFormTools()
{
    if (!g_tempLayout.empty())
        ::unlink(g_tempLayout.c_str());
    g_tempLayout.clear();
}

}  // namespace bwps::forms

extern "C" {

BWPS_EXPORT int RunFormCompiler(TagRepInfo* report, int mode, const char* formatName)
{
    const std::string program = Joined(GetProgramPath(), FORM_COMPILER_PROGRAM);
    if (!IsProgram(program)) {
        ShowMessage(FORM_TOOL_MISSING_MESSAGE, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    std::string base = formatName != nullptr ? Trimmed(formatName) : std::string();
    base = base.substr(0, base.find('.'));
    char port[64] = {};
    GetPrinterPortName(PrinterOf(report).c_str(), port);
    std::vector<std::string> arguments = {program, "/ID=BRAMLOW", GetFilesPath() != nullptr ? GetFilesPath() : "",
                                          base, port, std::to_string(mode)};
    std::string text;
    for (const std::string& a : arguments)
        text += (text.empty() ? "" : " ") + a;
    FxTranscriptNote(("form tool " + text).c_str());
    if (!StartDetached(arguments)) {
        SpawnFailed();
        return 0;
    }
    return 1;
}

BWPS_EXPORT int RunFormCompilerMode0(TagRepInfo* report, const char* formatName)
{
    return RunFormCompiler(report, 0, formatName);
}

BWPS_EXPORT int RunFormCompilerMode2(TagRepInfo* report, const char* formatName)
{
    return RunFormCompiler(report, 2, formatName);
}

BWPS_EXPORT int FormCompilerReady(void)
{
    return 1;
}

BWPS_EXPORT int RunLayoutDefinitionTool(const char* source, const char* target, const char* printer)
{
    const std::string program = Joined(GetProgramPath(), FORM_LAYOUT_PROGRAM);
    if (!IsProgram(program)) {
        ShowMessage(FORM_TOOL_MISSING_MESSAGE, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    std::vector<std::string> arguments = {program, source != nullptr ? source : "", target != nullptr ? target : "",
                                          printer != nullptr ? printer : ""};
    std::string text;
    for (const std::string& a : arguments)
        text += (text.empty() ? "\"" : ",\"") + a + "\"";
    FxTranscriptNote(("form tool " + text).c_str());
    const int status = RunAndWait(arguments);
    if (status == -1) {
        SpawnFailed();
        return 0;
    }
    if (status != 0) {
        ShowMessage(FORM_TOOL_FAILED_MESSAGE, MESSAGE_DEFAULT_CONTEXT);
        return 0;
    }
    return 1;
}

BWPS_EXPORT int PrepareFormPrintFiles(TagRepInfo* report, const char* formatFile)
{
    bwps::forms::ResetFormTools();
    g_tempLayout = MakeTempLayout();
    int made = 0;
    if (!g_tempLayout.empty() && formatFile != nullptr) {
        std::string name = Trimmed(formatFile);
        const size_t dot = name.rfind('.');
        if (dot != std::string::npos && name.find('/', dot) == std::string::npos)
            name.erase(dot);
        const std::string source = Joined(GetFilesPath(), name + ".TXT");
        made = RunLayoutDefinitionTool(source.c_str(), g_tempLayout.c_str(), PrinterOf(report).c_str());
    }
    if (report != nullptr)
        ReportEngineSetFormFile(report, g_tempLayout.c_str());
    return made;
}

BWPS_EXPORT int RemoveFormTempFile(void)
{
    bwps::forms::ResetFormTools();
    return 0;
}

}  // extern "C"

namespace bwps::service {
extern "C" int FormatToolsReady(int, int)
{
    return 1;
}
}  // namespace bwps::service
