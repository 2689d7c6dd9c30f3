#include "platform/posix/UserFolders.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace zrplatform {

namespace {

PasswordLookup g_passwordLookup = ::getpwuid_r;

bool TrustedOwner(uid_t owner) { return owner == ::geteuid() || owner == 0; }

}  // namespace

PasswordLookup& PasswordLookupForTesting() { return g_passwordLookup; }

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
  for (;;) {
    struct passwd entry = {};
    struct passwd* found = nullptr;
    int rc = g_passwordLookup(::geteuid(), &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') return std::string();
    return found->pw_dir;
  }
}

std::string FolderRefusal(const std::string& folder) {
  struct stat st;
  if (::stat(folder.empty() ? "/" : folder.c_str(), &st) != 0) return std::string();
  if (!TrustedOwner(st.st_uid)) {
    return folder + ": owned by uid " + std::to_string(st.st_uid) + ", neither this user nor root; refused";
  }
  // Anyone could swap the files of a folder everyone may write to, unless
  // its sticky bit keeps each user to their own.
  if ((st.st_mode & S_IWOTH) != 0 && (st.st_mode & S_ISVTX) == 0) {
    return folder + ": writable by every user and not sticky; refused";
  }
  return std::string();
}

std::string FileRefusal(const struct stat& st) {
  if (!S_ISREG(st.st_mode)) return "not a regular file; refused";
  if (!TrustedOwner(st.st_uid)) {
    return "owned by uid " + std::to_string(st.st_uid) + ", neither this user nor root; refused";
  }
  return std::string();
}

}  // namespace zrplatform
