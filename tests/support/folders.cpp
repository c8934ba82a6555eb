#include "tests/support/folders.h"

#include <stdlib.h>

#include <stdexcept>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace bwpstest {

ScratchFolder::ScratchFolder(const std::string& label)
{
    std::string pattern = (fs::temp_directory_path() / ("bwps-" + label + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr)
        throw std::runtime_error("cannot make a scratch folder");
    path_ = buffer.data();
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string BuildProgramFolder()
{
    return BWPS_PROGRAM_FOLDER;
}

fs::path BuiltBaseFolder()
{
    return fs::path(BuildProgramFolder()) / "RAZAVUR";
}

namespace {

// Copies the data files of a folder. A program that has one of them open
// keeps write-ahead and shared-memory files beside it that come and go:
// they are never copied, and a file that goes while the folder is read is
// passed over.
void CopyDataFolder(const fs::path& from, const fs::path& to)
{
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
        const std::string name = entry.path().filename().string();
        const auto ends = [&](const std::string& tail) {
            return name.size() >= tail.size() &&
                   name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
        };
        if (ends("-wal") || ends("-shm") || ends("-journal") || name.rfind(".recman-tx-", 0) == 0)
            continue;
        std::error_code ec;
        if (entry.is_directory(ec))
            CopyDataFolder(entry.path(), to / name);
        else
            fs::copy_file(entry.path(), to / name, fs::copy_options::overwrite_existing, ec);
        if (ec && fs::exists(entry.path()))
            throw fs::filesystem_error("cannot copy", entry.path(), to / name, ec);
    }
}

}  // namespace

void CopyBaseFolder(const std::string& program)
{
    CopyDataFolder(BuiltBaseFolder(), program + "/RAZAVUR");
    // The dictionary folder goes with it: company lists and transfers read
    // their columns there.
    const fs::path dictionary = BuiltBaseFolder().parent_path() / "ROVAZERI";
    if (fs::exists(dictionary))
        CopyDataFolder(dictionary, program + "/ROVAZERI");
}

}  // namespace bwpstest
