// Scratch folders of the tests and the base folder of the build.
#pragma once

#include <filesystem>
#include <string>

namespace bwpstest {

// A fresh folder under the temporary folder ("bwps-<label>-XXXXXX"),
// removed with everything in it at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& label = "test");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The program folder of the build (the libraries, the host and RAZAVUR).
std::string BuildProgramFolder();

// The base folder RAZAVUR of the build.
std::filesystem::path BuiltBaseFolder();

// Copies the build's whole base folder to <program>/RAZAVUR and its
// dictionary folder to <program>/ROVAZERI.
void CopyBaseFolder(const std::string& program);

}  // namespace bwpstest
