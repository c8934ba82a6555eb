// Tests of permissions run without the super-user's rights: permission
// bits do not bind the super-user, and CI runs the tests as the super-user.
// A test hands the files to an unprivileged id and runs the code under test
// in a forked child that has dropped to that id.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace bwpstest {

// The id a super-user test drops to ("nobody").
constexpr uid_t kUnprivilegedId = 65534;

bool RunningAsSuperUser();

// Gives the folder and everything in it to the unprivileged id when the
// tests run as the super-user (otherwise they are the tester's already).
// False when that fails.
bool GiveToUnprivileged(const std::string& folder);

// In a forked child: gives up the super-user's rights for good (groups,
// group and user become kUnprivilegedId). Without them nothing changes.
// False when the rights could not be dropped.
bool DropPrivileges();

// Runs `body` in a forked child without the super-user's rights. The
// answer is body's answer (0 to 125), 126 when the rights could not be
// dropped, 128 + the signal when the child was killed, -1 when no child ran.
int RunUnprivileged(const std::function<int()>& body);

// Runs a shell command line in a forked child without the super-user's
// rights; its status (as RunUnprivileged) and what it wrote to standard
// output and standard error together. Standard input is /dev/null.
int RunCommandUnprivileged(const std::string& commandLine, std::string& output);

}  // namespace bwpstest
