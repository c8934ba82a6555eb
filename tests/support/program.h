// Running the built host program as a user does: a private program folder
// and the program's output and exit status.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace bwpstest {

struct ProgramRun {
    int status = -1;
    std::string out;   // standard output and error together
};

// The text quoted for the shell.
std::string ShellQuote(const std::string& text);

// The whole content of a file ("" when it cannot be read).
std::string ReadFileText(const std::string& path);

// Makes `program` a program folder of its own: the host, the libraries and
// the named extra programs of the build, the base folder without its
// company list, and an empty dictionary folder.
void InstallProgramFolder(const std::string& program,
                          std::initializer_list<const char*> extras = {});

// Runs <program>/bwpos with the arguments, input from /dev/null.
ProgramRun RunBwpos(const std::string& program, const std::vector<std::string>& args);

}  // namespace bwpstest
