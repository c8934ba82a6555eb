// The host's view of the two libraries: loaded with dlopen from the program
// folder, their entries found by name.
#pragma once

#include <cstdint>
#include <string>

struct SessionBlock;
struct CompanyIdRecord;

namespace host {

struct Libraries {
    void* base = nullptr;        // libbwpsbase.so
    void* extensions = nullptr;  // libbwpos-1.so

    // bwpsbase
    int (*StartSession)(const char*, const char*) = nullptr;
    int (*StopSession)() = nullptr;
    SessionBlock* (*GetSessionPaths)() = nullptr;
    int (*DetectDataSetVersion)(const char*) = nullptr;
    int (*FilesInFolder)(const char*) = nullptr;
    int (*UpdateAppCID)(const char*, const char*) = nullptr;
    int (*GetFirstAppCID)(void*, char*, int, char*, int, int32_t*, char*) = nullptr;
    int (*GetNextAppCID)(void*, char*, int, char*, int, int32_t*, char*) = nullptr;
    const char* (*GetDataFileName)(int) = nullptr;
    int (*GetDataFileKind)(int) = nullptr;
    int (*ReadGeneralRecord)(int, uint16_t, int, const char*, void*) = nullptr;
    int (*UpdateCompanyInfo)(const char*, const char*, const char*, const char*, const char*,
                             const char*, const char*, const char*, const char*, const char*,
                             const char*, const char*, const char*, const char*) = nullptr;
    int (*ErrorsReported)(int*, char*, int) = nullptr;
    int (*FolderTextProblem)(const char*, char*, int) = nullptr;

    // bwpos-1
    int (*RunCommand)() = nullptr;
    int (*VerifyBaseFiles)(const char*, int*) = nullptr;
    int (*CreateCompany)(const char*, const char*, int, int, int) = nullptr;
    int (*CommandInfo)(int, int*, const char**, const char**) = nullptr;
    int (*CommandInBuild)(int) = nullptr;
    int (*CommandOutcome)(char*, int) = nullptr;
};

// The folder of the running program.
std::string ProgramFolder();

// Loads both libraries from the folder; false with a one-line reason.
bool LoadLibraries(const std::string& folder, Libraries& libs, std::string& error);
void UnloadLibraries(Libraries& libs);

// The base folder beside the program must exist and hold every base file;
// false with a one-line reason.
bool CheckBaseFolder(const std::string& programFolder, const Libraries& libs, std::string& error);

} // namespace host
