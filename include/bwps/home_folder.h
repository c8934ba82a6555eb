// The home folder a typed "~" or "~user" stands for, as the shell reads it:
// for "~" the user's HOME, else the password entry; for "~user" that user's
// password entry. Empty when unknown.
#pragma once

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace bwps {

inline std::string HomeFolderOf(const std::string& user)
{
    const passwd* pw = nullptr;
    if (user.empty()) {
        const char* home = std::getenv("HOME");
        if (home != nullptr && home[0] != '\0')
            return home;
        pw = getpwuid(getuid());
    } else {
        pw = getpwnam(user.c_str());
    }
    return pw != nullptr && pw->pw_dir != nullptr ? pw->pw_dir : "";
}

}  // namespace bwps
