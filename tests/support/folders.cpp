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

void CopyBaseFolder(const std::string& program)
{
    fs::copy(BuiltBaseFolder(), program + "/RAZAVUR", fs::copy_options::recursive);
    // The dictionary folder goes with it: company lists and transfers read
    // their columns there.
    const fs::path dictionary = BuiltBaseFolder().parent_path() / "ROVAZERI";
    if (fs::exists(dictionary))
        fs::copy(dictionary, program + "/ROVAZERI",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

}  // namespace bwpstest
