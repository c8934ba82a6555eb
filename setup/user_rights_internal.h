// The steps of the user-access screen and of the secured-function list
// that the screens run, kept apart from the screens so that they can be
// driven one by one (and by two stations at once).
#pragma once

#include <memory>

#include "bwps/export.h"
#include "bwps/records/users.h"
#include "bwps/table.h"
#include "bwps/user_access.h"
#include "bwps/user_rights.h"

namespace bwps::rights {

// The key of a user id as typed: blanks at both ends removed, then the key
// form of the user file (blank-padded to 14 characters).
BWPS_EXPORT void MakeUserKey(KeyBuffer& key, const char* typed);

// True when the typed id is the built-in supervisor's (any padding, any
// case): it is no record of the user file and is never edited.
BWPS_EXPORT bool IsSupervisorId(const char* typed);

// Reads a user for editing through `users`, with a lock that keeps other
// stations from changing it meanwhile. The lock of the user read before
// through the same handle is given up first. On success the record comes
// back in plain form (password and rights); status 4 for an unknown id.
BWPS_EXPORT Status ReadUserForEdit(Table& users, const char* typed, UserRecord& plain);

// A new user's record: the id, every right 'N'.
BWPS_EXPORT void StartNewUser(const char* typed, UserRecord& plain);

// Takes the 200 rights of another user (read without a lock) into `plain`;
// the password and the flag byte stay.
BWPS_EXPORT Status CopyRightsFrom(Table& users, const char* typed, UserRecord& plain);

// True when some right of the plain record is granted.
BWPS_EXPORT bool HasAnyRight(const UserRecord& plain);

// Writes the plain record in stored form: an update of the user read by
// ReadUserForEdit through the same handle, or an insert of a new one.
// With `marks`, the user's warehouse access is rewritten from the marks in
// the same transaction.
BWPS_EXPORT Status WriteUser(Table& users, const UserRecord& plain, bool existing, CUserAccessTable* marks);

// Deletes the user read by ReadUserForEdit and its warehouse access, in
// one transaction.
BWPS_EXPORT Status DeleteUser(Table& users, CUserAccessTable& access);

// The secured-function list of one user: which functions are granted is
// kept in memory (the rights set), so that another station working in the
// same list for another user never changes what this one grants. The
// records' user id and mark are still written, as a record of the last
// session.
class BWPS_EXPORT PermitsList {
public:
    explicit PermitsList(UserRecord& plain);

    // Opens BPOSGEN2.DB and marks every function from the user's rights.
    Status Open();
    Table& File() { return file_; }
    // True when the function is granted in this list.
    bool Granted(const SecuredFunctionRecord& function) const;
    // Grants or removes one function (the record of the list's row).
    Status Toggle(const SecuredFunctionRecord& function);
    // Grants (true) or removes every function.
    Status MarkAll(bool grant);
    // Puts every listed function that has a default right back to it.
    Status ApplyDefaults();
    // Whether the defaults key does anything: the rights differ from them.
    bool DefaultsKeyOn() const { return !rights_.IsDefault(); }
    // Writes the flag of every listed function into the user record.
    Status Accept();
    const UserRightsSet& Rights() const { return rights_; }

private:
    Status WriteMark(SecuredFunctionRecord& function, KeyBuffer& key);

    UserRecord& record_;
    UserRightsSet rights_;
    Table file_;
};

}  // namespace bwps::rights
