// The screen fuzz: random key scripts over the record editors and the
// posting screen of a demo company, each run by the host program. A run
// that ends by a signal, hangs past its time, or prints a sanitizer report
// fails the fuzz; the script that did it is printed and kept.
//
//   screen_fuzz [--scripts N] [--seed S] [--events M] [--keep DIR]
//
// Built with the sanitizers (-DBWPS_SANITIZE=ON), the host reports memory
// and undefined-behaviour faults; a long run is --scripts 5000.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/support/folders.h"
#include "tests/support/program.h"

namespace fs = std::filesystem;

namespace {

const char* const kCommands[] = {"120", "122", "124", "130", "132", "133", "134", "135", "206"};

const char* const kKeys[] = {
    "F1",       "F2",       "F3",       "F4",       "F5",       "F6",       "F7",       "F8",
    "F9",       "F10",      "Shift+F1", "Shift+F2", "Shift+F3", "Shift+F4", "Shift+F5", "Shift+F6",
    "Shift+F7", "Shift+F8", "Shift+F9", "Shift+F10", "Esc",     "Enter",    "Tab",      "ShiftTab",
    "Up",       "Down",     "PgUp",     "PgDn",     "Home",     "End",      "Ctrl+Home", "Ctrl+End",
    "Backspace", "Del",     "Ins",      "Alt+D",    "Alt+N",    "Left",     "Right",    "Space",
};

const char* const kAnswers[] = {"Yes", "No", "OK", "Cancel", "Continue", "1", "2", "3"};

const char* const kTexts[] = {"C100", "WIDGET", "N30", "ST", "CASH", "VISA", "0", "-1", "99999999999",
                              "12/31/2099", "02/30/2026", "%s%n%x", "\\\\", "A", "ZZZZZZZZZZZZZZZZZZZZZZZZZ"};

std::string RandomScript(std::mt19937& random, int events)
{
    std::string script;
    for (int i = 0; i < events; ++i) {
        const unsigned pick = random() % 10;
        if (pick < 6) {
            script += std::string("key ") + kKeys[random() % (sizeof kKeys / sizeof kKeys[0])] + "\n";
        } else if (pick < 8) {
            script += std::string("type ") + kTexts[random() % (sizeof kTexts / sizeof kTexts[0])] + "\n";
        } else if (pick < 9) {
            script += std::string("answer ") + kAnswers[random() % (sizeof kAnswers / sizeof kAnswers[0])] + "\n";
        } else {
            script += "pick " + std::to_string(random() % 4) + "\n";
        }
    }
    return script;
}

struct Run {
    int status = -1;
    std::string out;
};

Run Bwpos(const std::string& program, const std::vector<std::string>& args, int seconds)
{
    std::string command = "timeout -s KILL " + std::to_string(seconds) + " " +
                          bwpstest::ShellQuote(program + "/bwpos");
    for (const std::string& a : args)
        command += " " + bwpstest::ShellQuote(a);
    command += " </dev/null 2>&1";
    Run run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        run.out.append(chunk, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return run;
}

// Why the run failed ("" when it did not).
std::string Fault(const Run& run)
{
    if (run.status == 137)
        return "no end within its time (hang)";
    if (run.status >= 128)
        return "ended by signal " + std::to_string(run.status - 128);
    for (const char* report : {"AddressSanitizer", "LeakSanitizer", "UndefinedBehaviorSanitizer", "runtime error:"})
        if (run.out.find(report) != std::string::npos)
            return std::string("sanitizer report (") + report + ")";
    return "";
}

int Usage()
{
    std::fputs("usage: screen_fuzz [--scripts N] [--seed S] [--events M] [--keep DIR]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    long scripts = 16, events = 24;
    unsigned long seed = 23;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc)
            return Usage();
        const std::string v = argv[++i];
        if (a == "--scripts")
            scripts = std::strtol(v.c_str(), nullptr, 10);
        else if (a == "--seed")
            seed = std::strtoul(v.c_str(), nullptr, 10);
        else if (a == "--events")
            events = std::strtol(v.c_str(), nullptr, 10);
        else if (a == "--keep")
            keep = v;
        else
            return Usage();
    }
    if (scripts < 1 || events < 1)
        return Usage();

    bwpstest::ScratchFolder folder("screenfuzz");
    const std::string program = folder.path() + "/program";
    bwpstest::InstallProgramFolder(program);
    const std::string company = folder.path() + "/demo-company";
    const Run demo = Bwpos(program, {"demo", company}, 120);
    if (demo.status != 0) {
        std::fprintf(stderr, "screen_fuzz: the demo company could not be made:\n%s\n", demo.out.c_str());
        return 1;
    }
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    const std::string path = folder.path() + "/fuzz.script";
    int failures = 0;
    for (long n = 1; n <= scripts; ++n) {
        const char* command = kCommands[random() % (sizeof kCommands / sizeof kCommands[0])];
        const std::string script = RandomScript(random, static_cast<int>(events));
        std::ofstream(path) << script;
        const Run run = Bwpos(program, {"--company", company, "--user", "", "--password", "", "--script", path, command},
                              60);
        const std::string fault = Fault(run);
        if (fault.empty())
            continue;
        ++failures;
        std::fprintf(stderr, "screen_fuzz: script %ld (seed %lu) on command %s: %s\n--- script\n%s--- output (end)\n%s\n",
                     n, seed, command, fault.c_str(), script.c_str(),
                     run.out.substr(run.out.size() > 4000 ? run.out.size() - 4000 : 0).c_str());
        if (!keep.empty()) {
            fs::create_directories(keep);
            std::ofstream(keep + "/script-" + std::to_string(n) + "-" + command + ".txt") << script;
        }
    }
    std::printf("screen_fuzz: %ld scripts of %ld events (seed %lu): %d failed\n", scripts, events, seed, failures);
    return failures == 0 ? 0 : 1;
}
