// Where a user's own files live on POSIX, and which folders and files may be
// trusted to be the user's: the registry hives and the log are read and
// written only there, so another local user can neither plant a store nor
// point a hive or log name at someone else's file.
#pragma once

#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace zrplatform {

// $HOME, or when it is unset or empty the home of the effective user in the
// password database; "" when neither names one. Never a shared folder such as /tmp.
std::string HomeFolder();

// "" when `folder` may hold this user's files: owned by the effective user or
// root, and not writable by others unless its sticky bit is set. Otherwise
// why not, for an error text. A missing folder is fine (nothing to trust yet).
std::string FolderRefusal(const std::string& folder);

// "" when an opened file may be used as this user's: a regular file owned by
// the effective user or root. Otherwise why not.
std::string FileRefusal(const struct stat& st);

// The password-database lookup HomeFolder falls back on; a test points it at
// a stand-in so that the home it finds is a folder of the test's own.
using PasswordLookup = int (*)(uid_t uid, struct passwd* entry, char* buffer, std::size_t size,
                               struct passwd** result);
PasswordLookup& PasswordLookupForTesting();

}  // namespace zrplatform
