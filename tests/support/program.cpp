#include "tests/support/program.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/folders.h"

namespace fs = std::filesystem;

namespace bwpstest {

std::string ShellQuote(const std::string& text)
{
    std::string q = "'";
    for (char c : text) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void InstallProgramFolder(const std::string& program, std::initializer_list<const char*> extras)
{
    fs::create_directories(program);
    const fs::path shipped = BuildProgramFolder();
    for (const auto& entry : fs::directory_iterator(shipped)) {
        const std::string name = entry.path().filename().string();
        bool wanted = name == "bwpos" || name.find(".so") != std::string::npos;
        for (const char* extra : extras)
            wanted = wanted || name == extra;
        if (wanted)
            fs::copy(entry.path(), program + "/" + name, fs::copy_options::overwrite_existing);
    }
    CopyBaseFolder(program);
    std::error_code ec;
    fs::remove(program + "/RAZAVUR/BPOSCID.DB", ec);
    fs::create_directories(program + "/ROVAZERI");
}

ProgramRun RunBwpos(const std::string& program, const std::vector<std::string>& args)
{
    std::string command = ShellQuote(program + "/bwpos");
    for (const std::string& a : args)
        command += " " + ShellQuote(a);
    command += " </dev/null 2>&1";
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    std::array<char, 4096> chunk;
    std::size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        run.out.append(chunk.data(), n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return run;
}

}  // namespace bwpstest
