// POSIX: private temporary folders and files, removed however the process
// ends short of SIGKILL, and swept at the next start when it was SIGKILL.
// The removal may run inside a signal handler: it walks a folder with
// getdents64 and a buffer on the stack, and calls nothing that allocates.
#include "platform/posix/TempFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Console.h"

namespace zrplatform {
namespace posix {

namespace {

const char* const kPrefixes[] = {"zraddrres-registry", "zraddrres-smb"};

// Deep enough for what Samba makes under its folder; the walk stops there.
constexpr int kDepthLimit = 8;

enum SlotState { kFree, kFilling, kArmed };

struct Slot {
  std::atomic<int> state{kFree};
  char path[4096];
};
Slot g_slots[8];

struct LinuxDirent64 {
  std::uint64_t ino;
  std::int64_t offset;
  unsigned short length;
  unsigned char type;
  char name[1];
};

void RemoveAt(int parent, const char* name, int depth, bool mustBeMine);

// Empties an open folder. Removing entries while reading them may make the
// kernel skip some, so it reads again until a pass finds nothing.
void EmptyFolder(int folder, int depth) {
  alignas(8) char buffer[2048];
  for (int pass = 0; pass < 4; ++pass) {
    if (lseek(folder, 0, SEEK_SET) != 0) return;
    bool found = false;
    for (;;) {
      long size = syscall(SYS_getdents64, folder, buffer, sizeof buffer);
      if (size <= 0) break;
      for (long at = 0; at < size;) {
        const LinuxDirent64* entry = reinterpret_cast<const LinuxDirent64*>(buffer + at);
        at += entry->length;
        if (std::strcmp(entry->name, ".") == 0 || std::strcmp(entry->name, "..") == 0) continue;
        found = true;
        RemoveAt(folder, entry->name, depth + 1, false);
      }
    }
    if (!found) return;
  }
}

// A file or link itself; a folder with everything in it, never entered
// through a link. With `mustBeMine`, only a folder of the effective user.
void RemoveAt(int parent, const char* name, int depth, bool mustBeMine) {
  int folder = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (folder < 0) {
    if (errno == ENOTDIR || errno == ELOOP) unlinkat(parent, name, 0);
    return;
  }
  struct stat st;
  if (mustBeMine && (fstat(folder, &st) != 0 || st.st_uid != geteuid())) {
    close(folder);
    return;
  }
  if (depth < kDepthLimit) EmptyFolder(folder, depth);
  close(folder);
  unlinkat(parent, name, AT_REMOVEDIR);
}

void RemoveArmed() {
  for (Slot& slot : g_slots) {
    if (slot.state.load() == kArmed) RemoveAt(AT_FDCWD, slot.path, 0, true);
  }
}

void ArrangeRemoval() {
  static const bool arranged = UndoWhenProcessEnds(&RemoveArmed);
  (void)arranged;
}

Slot* ClaimSlot() {
  for (Slot& slot : g_slots) {
    int expected = kFree;
    if (slot.state.compare_exchange_strong(expected, kFilling)) return &slot;
  }
  return nullptr;
}

// The pid in "<prefix>.<pid>.XXXXXX" of a known prefix; 0 when the name is not one.
long OwnerPid(const char* name) {
  for (const char* prefix : kPrefixes) {
    std::size_t length = std::strlen(prefix);
    if (std::strncmp(name, prefix, length) != 0 || name[length] != '.') continue;
    const char* digits = name + length + 1;
    char* end = nullptr;
    errno = 0;
    long pid = std::strtol(digits, &end, 10);
    if (errno != 0 || end == digits || *digits < '1' || *digits > '9' || pid <= 0) return 0;
    if (*end != '.' || std::strlen(end + 1) != 6) return 0;
    return pid;
  }
  return 0;
}

}  // namespace

std::string TempRoot() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

void SweepAbandonedFolders(const std::string& root) {
  DIR* listing = opendir(root.c_str());
  if (listing == nullptr) return;
  std::vector<std::string> abandoned;
  while (const dirent* entry = readdir(listing)) {
    long pid = OwnerPid(entry->d_name);
    if (pid == 0 || pid == static_cast<long>(getpid())) continue;
    // A process that exists (ours or another user's) may still use it.
    if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    abandoned.push_back(entry->d_name);
  }
  const int folder = dirfd(listing);
  for (const std::string& name : abandoned) {
    struct stat st;
    if (fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != geteuid()) {
      continue;
    }
    // The owner holds a lock on its folder while it lives: a process of
    // another pid namespace sharing this root is not taken for a dead one.
    int own = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (own < 0) continue;
    if (flock(own, LOCK_EX | LOCK_NB) == 0) RemoveAt(folder, name.c_str(), 0, true);
    close(own);
  }
  closedir(listing);
}

std::string MakeOwnTempFolder(const char* prefix) {
  const std::string root = TempRoot();
  SweepAbandonedFolders(root);
  ArrangeRemoval();
  Slot* slot = ClaimSlot();
  if (slot == nullptr) {
    errno = EMFILE;
    return std::string();
  }
  int length = std::snprintf(slot->path, sizeof slot->path, "%s/%s.%ld.XXXXXX", root.c_str(), prefix,
                             static_cast<long>(getpid()));
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof slot->path) {
    slot->state = kFree;
    errno = ENAMETOOLONG;
    return std::string();
  }
  // Armed before it exists: mkdtemp fills the name in place, and a signal
  // after the folder is made finds its name there. (Before, the name holds
  // this process's pid, so nothing of another's can match it.)
  slot->state = kArmed;
  if (mkdtemp(slot->path) == nullptr) {
    int error = errno;
    slot->state = kFree;
    errno = error;
    return std::string();
  }
  // Held for the life of the process (and of any child it forks), the sign
  // that the folder is in use.
  int lock = open(slot->path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (lock >= 0 && flock(lock, LOCK_EX | LOCK_NB) != 0) close(lock);
  return slot->path;
}

int RemoveWhenProcessEnds(const std::string& path) {
  ArrangeRemoval();
  Slot* slot = ClaimSlot();
  if (slot == nullptr) return -1;
  if (path.size() >= sizeof slot->path) {
    slot->state = kFree;
    return -1;
  }
  std::memcpy(slot->path, path.c_str(), path.size() + 1);
  slot->state = kArmed;
  return static_cast<int>(slot - g_slots);
}

void ForgetRemoval(int slot) {
  if (slot >= 0 && slot < static_cast<int>(sizeof g_slots / sizeof g_slots[0])) g_slots[slot].state = kFree;
}

}  // namespace posix
}  // namespace zrplatform
