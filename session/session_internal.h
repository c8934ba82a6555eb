// Shared inside the session, message and user code of bwpsbase only.
#ifndef BWPS_SESSION_INTERNAL_H
#define BWPS_SESSION_INTERNAL_H

#include <stdint.h>

#include "bwps/testing.h"
#include "bwps/users.h"

namespace bwps::session {
// The folder this library was loaded from (empty when unknown).
const char* LibraryFolder();
// Forgets the count of record-manager error reports shown.
void ResetErrorReports();
}  // namespace bwps::session

namespace bwps::users {

enum class SupervisorCheck { NotSupervisor, SignedIn, WrongPassword };

// True when the user file is empty and the supervisor needs no password:
// then every right is granted and nobody is asked. A failed read of the
// user file does not count as empty.
bool NobodyCanBeChecked(uint16_t handle);
// The supervisor rule of the log-in for a user id in key form.
SupervisorCheck CheckSupervisor(const char* userIdKeyForm, const char* password);
void SignInSupervisor();
void SignInUser(const UserRecord& record);
bool PasswordMatches(const UserRecord& record, const char* password);
// Forgets the sign-in screen's state.
void ResetSignInState();

}  // namespace bwps::users

#endif
