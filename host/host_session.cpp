#include "host/host_session.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

namespace fs = std::filesystem;

namespace host {

std::string ProgramFolder()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return ".";
    return exe.parent_path().string();
}

namespace {

template <typename F>
bool Find(void* lib, const char* name, F& out, std::string& error)
{
    out = reinterpret_cast<F>(dlsym(lib, name));
    if (!out) {
        error = std::string("entry ") + name + " not found in the libraries";
        return false;
    }
    return true;
}

void* Open(const std::string& path, std::string& error)
{
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!lib) {
        const char* why = dlerror();
        error = "cannot load " + path + (why ? std::string(": ") + why : std::string());
    }
    return lib;
}

} // namespace

bool LoadLibraries(const std::string& folder, Libraries& libs, std::string& error)
{
    libs.base = Open(folder + "/libbwpsbase.so", error);
    if (!libs.base) return false;
    libs.extensions = Open(folder + "/libbwpos-1.so", error);
    if (!libs.extensions) return false;
    void* b = libs.base;
    void* e = libs.extensions;
    return Find(b, "BWPSStartSession", libs.StartSession, error) &&
           Find(b, "BWPSStopSession", libs.StopSession, error) &&
           Find(b, "GetSessionPaths", libs.GetSessionPaths, error) &&
           Find(b, "DetectDataSetVersion", libs.DetectDataSetVersion, error) &&
           Find(b, "BWPSFilesInFolder", libs.FilesInFolder, error) &&
           Find(b, "BWPSUpdateAppCID", libs.UpdateAppCID, error) &&
           Find(b, "BWPSGetFirstAppCID", libs.GetFirstAppCID, error) &&
           Find(b, "BWPSGetNextAppCID", libs.GetNextAppCID, error) &&
           Find(b, "GetDataFileName", libs.GetDataFileName, error) &&
           Find(b, "GetDataFileKind", libs.GetDataFileKind, error) &&
           Find(b, "ReadGeneralRecord", libs.ReadGeneralRecord, error) &&
           Find(b, "BWPSUpdateCompanyInfo", libs.UpdateCompanyInfo, error) &&
           Find(b, "RecordManagerErrorsReported", libs.ErrorsReported, error) &&
           Find(b, "CheckFolderTextProblem", libs.FolderTextProblem, error) &&
           Find(e, "BWPSRunCommand", libs.RunCommand, error) &&
           Find(e, "BWPSVerifyBaseFiles", libs.VerifyBaseFiles, error) &&
           Find(e, "BWPSCreateCompany", libs.CreateCompany, error) &&
           Find(e, "BWPS1CommandInfo", libs.CommandInfo, error) &&
           Find(e, "BWPS1CommandInBuild", libs.CommandInBuild, error) &&
           Find(e, "BWPS1CommandOutcome", libs.CommandOutcome, error);
}

void UnloadLibraries(Libraries& libs)
{
    // The libraries stay loaded until the process ends: their unload hooks
    // then run in the right order.
    libs = Libraries{};
}

bool CheckBaseFolder(const std::string& programFolder, const Libraries& libs, std::string& error)
{
    const std::string base = programFolder + "/RAZAVUR";
    std::error_code ec;
    if (!fs::is_directory(base, ec)) {
        error = "base folder " + base + " is missing (build the target basefiles)";
        return false;
    }
    int missing = 0;
    if (!libs.VerifyBaseFiles(base.c_str(), &missing)) {
        const char* name = libs.GetDataFileName(missing);
        error = "base folder " + base + " is damaged: " + (name ? name : "a base file") +
                " is missing";
        return false;
    }
    return true;
}

} // namespace host
