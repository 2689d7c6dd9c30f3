// POSIX registry hives. Each root key lives in a REGEDIT4 text file
// (HKLM.reg, HKCU.reg) in the folder named by ZRADDRRES_REGISTRY, read on
// every call so each test can have its own. Reads come from an in-memory copy
// that is replaced when the file's stamp (device, inode, size, mtime) changes.
// Writes happen under an advisory lock on "<hive>.lock", waited for a bounded
// time: re-read the file, apply the change, write a side file of a random
// name beside it, sync it and rename it over the hive, so a reader or a crash
// only ever sees a whole old or a whole new file. Readers never take the lock.
// The files are the user's own: none is opened through a symbolic link, a
// folder or file owned by another user is refused, the user hive and every
// lock and side file are 0600 (the machine hive 0644), and a hive or text
// over kMaxRegTextBytes is neither loaded nor written.
// A hive file records the code page its key names are written in, so that a
// process of another code page splits its key paths as the writer did.
#include "platform/posix/RegistryHive.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "platform/posix/RegistryTesting.h"
#include "platform/posix/UserFolders.h"

namespace zrplatform {

namespace {

std::atomic<unsigned long> g_parseCount{0};

int DefaultOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t DefaultWrite(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }

RegistryFileCalls g_fileCalls = {DefaultOpen, DefaultWrite, ::fsync, ::rename};

std::chrono::milliseconds g_lockWait{5000};

}  // namespace

unsigned long RegistryParseCountForTesting() { return g_parseCount.load(); }

RegistryFileCalls& RegistryFileCallsForTesting() { return g_fileCalls; }

std::chrono::milliseconds& RegistryLockWaitForTesting() { return g_lockWait; }

namespace registry {

namespace {

thread_local std::string t_errorText;

// The comment line after the header that tells the code page a hive's key
// names are written in; any other reader of the text skips it.
constexpr std::string_view kCodePageRecord = "; ANSI code page ";
// The comment line after it that says quoted names and strings are in that
// code page too, double-byte characters whole. Earlier versions wrote the
// code-page record without it and escaped every backslash byte of quoted
// text, the trail byte of a double-byte character too; their files are read
// that way. They skip this line, and a name they would misread is a
// malformed line to them, never another name.
constexpr std::string_view kWholeCharactersRecord = "; quoted text in that code page too";

bool IsLeadByte(UINT codePage, unsigned char c) {
  return codePage == 932 && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
}

// Upper case, as the registry compares: ASCII everywhere, the accented
// letters of code page 1252, and the full-width Latin letters of code page
// 932 (whose other double-byte characters are kept whole, so a trail byte
// that happens to be an ASCII letter is never changed).
std::string Fold(const std::string& name) {
  std::string folded(name);
  const UINT codePage = GetACP();
  const bool dbcs = codePage == 932;
  for (std::size_t i = 0; i < folded.size(); ++i) {
    auto c = static_cast<unsigned char>(folded[i]);
    if (IsLeadByte(codePage, c) && i + 1 < folded.size()) {
      auto trail = static_cast<unsigned char>(folded[i + 1]);
      if (c == 0x82 && trail >= 0x81 && trail <= 0x9A) folded[i + 1] = static_cast<char>(trail - 0x21);
      ++i;
      continue;
    }
    if (c >= 'a' && c <= 'z') {
      c = static_cast<unsigned char>(c - 0x20);
    } else if (!dbcs && c >= 0xE0 && c <= 0xFE && c != 0xF7) {
      c = static_cast<unsigned char>(c - 0x20);
    } else if (!dbcs && (c == 0x9A || c == 0x9C || c == 0x9E)) {
      c = static_cast<unsigned char>(c - 0x10);
    } else if (!dbcs && c == 0xFF) {
      c = 0x9F;
    }
    folded[i] = static_cast<char>(c);
  }
  return folded;
}

// Characters of an ANSI name: a double-byte character of code page 932 counts once.
std::size_t CharCount(const std::string& name, UINT codePage) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < name.size(); ++i, ++count) {
    if (IsLeadByte(codePage, static_cast<BYTE>(name[i])) && i + 1 < name.size()) ++i;
  }
  return count;
}

// Whether a key name written into a [section] line of a hive of `codePage`
// is read back as that one name: no backslash a reader of that code page
// splits at, no lead byte at its end that would take the next backslash as
// its trail, no line break.
bool WritesWhole(const std::string& name, UINT codePage) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    auto c = static_cast<unsigned char>(name[i]);
    if (IsLeadByte(codePage, c)) {
      if (i + 1 == name.size() || name[i + 1] == '\r' || name[i + 1] == '\n') return false;
      ++i;
    } else if (c == '\\' || c == '\r' || c == '\n') {
      return false;
    }
  }
  return !name.empty();
}

LONG ErrorOfErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ELOOP:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

LONG Refuse(const std::string& text) {
  SetErrorText(text);
  return ERROR_ACCESS_DENIED;
}

// The error of opening `path` with O_NOFOLLOW.
LONG OpenError(const std::string& path, int error) {
  if (error == ELOOP) return Refuse(path + ": a symbolic link; refused");
  return ErrorOfErrno(error);
}

std::string FolderOf(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The form of a hive file's REGEDIT4 text: the code page its records name,
// or the reader's own for a file without one (or a version 5.00 export,
// whose names the parser converts to the reader's code page); quoted text
// with whole characters unless the file is one of the earlier versions'.
// False, with the line, for a record of a code page this registry cannot read.
bool RecordedForm(const std::string& bytes, RegTextForm& form, int& line, std::string& what) {
  form.codePage = GetACP();
  form.quoting = RegQuoting::WholeCharacters;
  bool header = false;
  bool codePageRecord = false;
  bool wholeCharacters = false;
  int number = 0;
  for (std::size_t pos = 0; pos < bytes.size();) {
    std::size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    std::string_view text(bytes.data() + pos, end - pos);
    pos = end + 1;
    ++number;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    if (text.empty()) continue;
    if (!header) {
      if (text != "REGEDIT4") return true;
      header = true;
      continue;
    }
    if (text.front() != ';') break;  // the records come before the first key
    if (text == kWholeCharactersRecord) {
      wholeCharacters = true;
      continue;
    }
    if (codePageRecord || text.substr(0, kCodePageRecord.size()) != kCodePageRecord) continue;
    std::string_view digits = text.substr(kCodePageRecord.size());
    UINT value = 0;
    bool ok = !digits.empty() && digits.size() <= 5;
    for (char c : digits) {
      ok = ok && c >= '0' && c <= '9';
      value = value * 10 + static_cast<UINT>(c - '0');
    }
    if (!ok || (value != 932 && value != 1252)) {
      line = number;
      what = "key names in a code page this registry cannot read (it reads 932 and 1252)";
      return false;
    }
    form.codePage = value;
    codePageRecord = true;
  }
  if (codePageRecord && !wholeCharacters) form.quoting = RegQuoting::EveryByte;
  return true;
}

// Builds the key tree of a hive file, splitting its key paths in the code
// page they were written in; false with the line and the fault. Each
// operation goes into the tree as it is read, so a load holds the file's
// bytes and the tree, never a list of every line.
bool BuildTree(const std::string& bytes, RegRoot root, RegTextForm form, HiveKey& tree, int& line,
               std::string& what) {
  HiveKey* current = &tree;
  std::vector<std::string> components;
  RegParseResult parsed =
      ParseRegText(bytes.data(), bytes.size(), form, [&](RegOperation& op) -> std::string {
        if (op.root != root) return std::string("this hive holds only ") + RegRootName(root) + " keys";
        switch (op.kind) {
          case RegOperation::Kind::CreateKey: {
            if (SplitKeyPath(op.keyPath.c_str(), form.codePage, components) != ERROR_SUCCESS) {
              return "bad key name (a leading backslash, or longer than 255 characters)";
            }
            if (components.size() > kMaxDepth) return "key deeper than 512 levels";
            bool created = false;
            current = &CreatePath(tree, components, nullptr, created);
            return std::string();
          }
          case RegOperation::Kind::SetValue:
            if (CheckValueName(op.valueName) != ERROR_SUCCESS) return "value name longer than 16383 characters";
            current->SetValue(op.valueName, op.type, std::move(op.data));
            return std::string();
          case RegOperation::Kind::DeleteValue:
          case RegOperation::Kind::DeleteTree:
            break;
        }
        return "a hive file holds no deletions";
      });
  if (!parsed.ok()) {
    line = parsed.errorLine;
    what = parsed.errorWhat;
    return false;
  }
  return true;
}

// One [section] per key, the key first and then its subkeys depth first;
// false with what names a key or value that would not be read back whole.
bool AppendSections(std::string& out, std::string& path, const HiveKey& key, UINT codePage, std::string& bad) {
  out += "\r\n[";
  out += path;
  out += "]\r\n";
  for (const RegTextValue& value : key.values()) {
    if (!QuotesWhole(value.name, codePage)) {
      bad = "the value name \"" + value.name + "\" under " + path;
      return false;
    }
    out += WriteRegValueLine(value, codePage);
    out += "\r\n";
  }
  for (const HiveKey& subkey : key.subkeys()) {
    const std::size_t length = path.size();
    path += '\\';
    path += subkey.name();
    if (!WritesWhole(subkey.name(), codePage)) {
      bad = "the key name " + path;
      return false;
    }
    if (!AppendSections(out, path, subkey, codePage, bad)) return false;
    path.resize(length);
  }
  return true;
}

// The text of a hive file: the header, the records of its form, the keys.
bool HiveText(RegRoot root, const HiveKey& tree, UINT codePage, std::string& text, std::string& bad) {
  text = "REGEDIT4\r\n";
  text += kCodePageRecord;
  text += std::to_string(codePage);
  text += "\r\n";
  text += kWholeCharactersRecord;
  text += "\r\n";
  std::string path = RegRootName(root);
  return AppendSections(text, path, tree, codePage, bad);
}

// "<path>: N bytes, more than the 64 MiB ...; refused", for a hive over the maximum.
LONG TooLarge(const std::string& path, unsigned long long size, const char* outcome) {
  SetErrorText(path + ": " + std::to_string(size) + " bytes, more than " + RegTextLimitText() + "; " + outcome);
  return ERROR_FILE_TOO_LARGE;
}

// Reads a hive file, never through a symbolic link and only one of this
// user's (or root's) in a folder of theirs. ERROR_FILE_NOT_FOUND when there is none.
LONG ReadHiveFile(const std::string& path, std::string& bytes, Stamp& stamp) {
  if (std::string why = FolderRefusal(FolderOf(path)); !why.empty()) return Refuse(why);
  // Non-blocking, so that a FIFO in the hive's place cannot hold the open up.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? ERROR_FILE_NOT_FOUND : OpenError(path, errno);
  struct stat st;
  LONG rc = ERROR_SUCCESS;
  if (::fstat(fd, &st) != 0) {
    rc = ErrorOfErrno(errno);
  } else if (std::string why = FileRefusal(st); !why.empty()) {
    rc = Refuse(path + ": " + why);
  } else if (static_cast<unsigned long long>(st.st_size) > kMaxRegTextBytes) {
    rc = TooLarge(path, static_cast<unsigned long long>(st.st_size), "refused");
  } else {
    stamp = Stamp::Of(st);
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
      ssize_t got = ::read(fd, chunk, sizeof chunk);
      if (got > 0) {
        bytes.append(chunk, static_cast<std::size_t>(got));
        // Grown since its size was taken: read no further than the maximum.
        if (bytes.size() > kMaxRegTextBytes) {
          rc = TooLarge(path, bytes.size(), "refused");
          break;
        }
      } else if (got == 0) {
        break;
      } else if (errno != EINTR) {
        rc = ErrorOfErrno(errno);
        break;
      }
    }
  }
  ::close(fd);
  return rc;
}

// The hive file's stamp as its name shows it now; a symbolic link is refused.
LONG StampOfPath(const std::string& path, Stamp& stamp) {
  stamp = Stamp();
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) return Refuse(path + ": a symbolic link; refused");
    stamp = Stamp::Of(st);
  } else if (errno != ENOENT && errno != ENOTDIR) {
    return ErrorOfErrno(errno);
  }
  return ERROR_SUCCESS;
}
// A writer that finds a hive's lock taken waits for it in the kernel, which
// wakes it at the release: under steady contention the lock is free only for
// an instant between two writers, which a poll would almost never catch. The
// blocking flock runs on a thread the writer can stop waiting for, and there
// is at most one such thread per lock file, whatever the number of writes
// waiting: it takes the lock through an open file of its own and hands that
// open file, lock and all, to a writer still waiting; when none is left, it
// lets the lock go and ends. Writes given up while the lock is held
// elsewhere thus leave one thread and one descriptor, not one each.
struct LockWaiter {
  int fd = -1;        // its own open file of the lock
  bool done = false;  // its flock returned
  int error = 0;      // and how
  int waiting = 0;    // writers waiting for it now
};

struct LockWaiters {
  std::mutex mutex;
  std::condition_variable changed;
  std::map<std::string, std::shared_ptr<LockWaiter>> byPath;  // at most one a lock file
};

LockWaiters& Waiters() {
  // Never destroyed: a waiter may still be blocked when the process exits.
  static LockWaiters* waiters = new LockWaiters;
  return *waiters;
}

// Takes the lock on fd without waiting: ERROR_SUCCESS, ERROR_LOCK_VIOLATION
// when another open file holds it, or the error of the call.
LONG TryLock(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return ERROR_SUCCESS;
    if (errno == EINTR) continue;
    return errno == EWOULDBLOCK ? ERROR_LOCK_VIOLATION : ErrorOfErrno(errno);
  }
}

// Takes the lock of `lockPath` (open as fd, which is `st`) within `wait`:
// ERROR_SUCCESS, with fd then possibly another descriptor of the lock file
// (the old one closed); ERROR_LOCK_VIOLATION when the wait ran out; or the
// error of a call.
LONG WaitForLock(int& fd, const std::string& lockPath, const struct stat& st, std::chrono::milliseconds wait) {
  if (LONG rc = TryLock(fd); rc != ERROR_LOCK_VIOLATION) return rc;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  LockWaiters& waiters = Waiters();
  std::unique_lock<std::mutex> guard(waiters.mutex);
  for (;;) {
    std::shared_ptr<LockWaiter>& slot = waiters.byPath[lockPath];
    if (!slot) {
      // An open file of its own, never a copy of the writer's descriptor: a
      // writer that took the lock through a shared open file could be
      // handed the lock it already holds.
      int waitFd = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
      struct stat now;
      if (waitFd >= 0 && (::fstat(waitFd, &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino)) {
        ::close(waitFd);
        waitFd = -1;
        errno = ESTALE;
      }
      if (waitFd < 0) {
        const int error = errno;
        waiters.byPath.erase(lockPath);
        return OpenError(lockPath, error);
      }
      auto waiter = std::make_shared<LockWaiter>();
      waiter->fd = waitFd;
      try {
        std::thread([waiter, lockPath] {
          int rc;
          while ((rc = ::flock(waiter->fd, LOCK_EX)) != 0 && errno == EINTR) {
          }
          const int error = rc == 0 ? 0 : errno;
          LockWaiters& all = Waiters();
          std::lock_guard<std::mutex> lock(all.mutex);
          waiter->done = true;
          waiter->error = error;
          if (waiter->waiting == 0) {
            // Nobody to hand it to: the lock goes, and so does the waiter.
            auto found = all.byPath.find(lockPath);
            if (found != all.byPath.end() && found->second == waiter) all.byPath.erase(found);
            ::close(waiter->fd);
            waiter->fd = -1;
          }
          all.changed.notify_all();
        }).detach();
      } catch (const std::system_error&) {
        ::close(waitFd);
        waiters.byPath.erase(lockPath);
        return ERROR_NOT_ENOUGH_MEMORY;
      }
      slot = std::move(waiter);
    }
    std::shared_ptr<LockWaiter> waiter = slot;
    if (waiter->done) {
      waiters.byPath.erase(lockPath);
      if (waiter->error != 0) {
        ::close(waiter->fd);
        return ErrorOfErrno(waiter->error);
      }
      ::close(fd);
      fd = waiter->fd;
      return ERROR_SUCCESS;
    }
    // Until it has the lock, or another writer took the lock from it (then
    // a new waiter for the rest of this wait).
    ++waiter->waiting;
    const bool woken = waiters.changed.wait_until(guard, deadline, [&] {
      auto found = waiters.byPath.find(lockPath);
      return waiter->done || found == waiters.byPath.end() || found->second != waiter;
    });
    --waiter->waiting;
    if (!woken) return ERROR_LOCK_VIOLATION;
  }
}

// Makes the hive's folder (and its parents): the user hive's private to
// its owner, the machine hive's readable by every user.
bool MakeHiveFolder(const std::string& folder, RegRoot root) {
  struct stat st;
  if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const std::string parent = FolderOf(folder);
  if (parent != folder && !MakeFolders(parent)) return false;
  if (::mkdir(folder.c_str(), root == RegRoot::CurrentUser ? 0700 : 0755) != 0 && errno != EEXIST) return false;
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Opens "<hive>.lock", making the hive's folder first. The lock file is its
// owner's alone (0600): flock works on a descriptor opened only to read, so
// a lock file other users could open would let any of them stop every
// write. Readers never take it.
LONG OpenLockFile(const std::string& path, RegRoot root, int& lockFd, struct stat& st) {
  const std::string folder = FolderOf(path);
  if (!MakeHiveFolder(folder, root)) return ErrorOfErrno(errno);
  if (std::string why = FolderRefusal(folder); !why.empty()) return Refuse(why);
  const std::string lockPath = path + ".lock";
  int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) return OpenError(lockPath, errno);
  if (::fstat(fd, &st) != 0) {
    int error = errno;
    ::close(fd);
    return ErrorOfErrno(error);
  }
  if (std::string why = FileRefusal(st); !why.empty()) {
    ::close(fd);
    return Refuse(lockPath + ": " + why);
  }
  // One left open to others by an earlier version is closed to them now.
  if ((st.st_mode & 077) != 0 && st.st_uid == ::geteuid()) ::fchmod(fd, 0600);
  lockFd = fd;
  return ERROR_SUCCESS;
}

// Waits a bounded time for the lock of `path`: a writer stopped while it
// holds the lock (a suspended import) must not hold up every other writer
// for ever.
LONG WaitForHiveLock(const std::string& path, int& lockFd, const struct stat& st) {
  const std::string lockPath = path + ".lock";
  const auto wait = g_lockWait;
  LONG rc = WaitForLock(lockFd, lockPath, st, wait);
  if (rc == ERROR_LOCK_VIOLATION) {
    SetErrorText(lockPath + ": held by another process for more than " + std::to_string(wait.count()) +
                 " ms; nothing was written");
  }
  return rc;
}

// The file locks of one write, released (by closing) when it ends.
class FileLocks {
 public:
  FileLocks() = default;
  FileLocks(const FileLocks&) = delete;
  FileLocks& operator=(const FileLocks&) = delete;
  ~FileLocks() {
    for (int fd : fds) {
      if (fd >= 0) ::close(fd);
    }
  }

  std::vector<int> fds;
  std::vector<struct stat> stats;
};

// Side files are "<hive>.tmp." and twelve random letters and digits: a file
// someone else left under a fixed name in a shared folder could block every
// write, and one a writer that died left behind is removed by the next.
constexpr std::string_view kSideFileInfix = ".tmp.";
constexpr std::size_t kSideFileRandom = 12;

std::string SideFileName(const std::string& path) {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[kSideFileRandom];
  if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
    // No entropy yet: the name need only be new, O_EXCL makes sure of that.
    static std::atomic<unsigned long long> counter{0};
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    unsigned long long mix = static_cast<unsigned long long>(now.tv_nsec) ^
                             (static_cast<unsigned long long>(::getpid()) << 32) ^ (counter++ * 0x9E3779B97F4A7C15ull);
    for (unsigned char& c : random) {
      c = static_cast<unsigned char>(mix);
      mix = mix * 6364136223846793005ull + 1442695040888963407ull;
    }
  }
  std::string name = path;
  name += kSideFileInfix;
  for (unsigned char c : random) name += kAlphabet[c % (sizeof kAlphabet - 1)];
  return name;
}

// Under the hive's lock no other writer has a side file open, so any of this
// user's left in the folder (or the fixed "<hive>.tmp" of earlier versions)
// belongs to a writer that died.
void RemoveDeadSideFiles(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::string prefix = path.substr(path.rfind('/') + 1) + ".tmp";
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const struct dirent* entry = ::readdir(dir)) {
    std::string_view name(entry->d_name);
    if (name.substr(0, prefix.size()) != prefix) continue;
    std::string_view rest = name.substr(prefix.size());
    if (!rest.empty() && (rest.size() != 1 + kSideFileRandom || rest.front() != '.')) continue;
    const std::string full = folder + "/" + std::string(name);
    struct stat st;
    if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) ::unlink(full.c_str());
  }
  ::closedir(dir);
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) { return a.size() == b.size() && Fold(a) == Fold(b); }

LONG SplitKeyPath(const char* path, std::vector<std::string>& components) {
  return SplitKeyPath(path, GetACP(), components);
}

LONG SplitKeyPath(const char* path, UINT codePage, std::vector<std::string>& components) {
  components.clear();
  if (path == nullptr || *path == '\0') return ERROR_SUCCESS;
  if (*path == '\\') return ERROR_BAD_PATHNAME;
  std::string current;
  for (const char* p = path; *p != '\0'; ++p) {
    auto c = static_cast<unsigned char>(*p);
    if (IsLeadByte(codePage, c) && p[1] != '\0') {
      current.append(p, 2);
      ++p;
      continue;
    }
    if (c == '\\') {
      // Doubled (and trailing) backslashes separate nothing, as in Wine's registry.
      if (!current.empty()) components.push_back(std::move(current));
      current.clear();
      continue;
    }
    // A line break cannot be written into a hive file's [section] line.
    if (c == '\r' || c == '\n') return ERROR_INVALID_PARAMETER;
    current.push_back(static_cast<char>(c));
  }
  if (!current.empty()) components.push_back(std::move(current));
  for (const std::string& name : components) {
    if (CharCount(name, codePage) > kMaxKeyNameChars) return ERROR_INVALID_PARAMETER;
  }
  return ERROR_SUCCESS;
}

LONG CheckValueName(const std::string& name) {
  if (CharCount(name, GetACP()) > kMaxValueNameChars) return ERROR_INVALID_PARAMETER;
  if (name.find_first_of("\r\n") != std::string::npos) return ERROR_INVALID_PARAMETER;
  return ERROR_SUCCESS;
}

HiveKey::HiveKey(std::string name) : name_(std::move(name)), folded_(Fold(name_)) {}

const RegTextValue* HiveKey::FindValue(const std::string& name) const {
  auto found = valueIndex_.find(Fold(name));
  return found == valueIndex_.end() ? nullptr : &values_[found->second];
}

bool HiveKey::SetValue(const std::string& name, DWORD type, std::vector<BYTE> data) {
  auto [place, added] = valueIndex_.try_emplace(Fold(name), values_.size());
  if (added) {
    values_.push_back(RegTextValue{name, type, std::move(data)});
    return true;
  }
  RegTextValue& value = values_[place->second];
  if (value.type == type && value.data == data) return false;
  value.type = type;
  value.data = std::move(data);
  return true;
}

bool HiveKey::DeleteValue(const std::string& name) {
  auto found = valueIndex_.find(Fold(name));
  if (found == valueIndex_.end()) return false;
  const std::size_t place = found->second;
  valueIndex_.erase(found);
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(place));
  // The values after it move up one place.
  for (auto& entry : valueIndex_) {
    if (entry.second > place) --entry.second;
  }
  return true;
}

std::vector<HiveKey>::iterator HiveKey::SubkeyPlace(const std::string& folded) {
  return std::lower_bound(subkeys_.begin(), subkeys_.end(), folded,
                          [](const HiveKey& subkey, const std::string& f) { return subkey.folded_ < f; });
}

HiveKey* HiveKey::FindSubkey(const std::string& name) {
  const std::string folded = Fold(name);
  auto place = SubkeyPlace(folded);
  return (place != subkeys_.end() && place->folded_ == folded) ? &*place : nullptr;
}

const HiveKey* HiveKey::FindSubkey(const std::string& name) const {
  return const_cast<HiveKey*>(this)->FindSubkey(name);
}

HiveKey& HiveKey::FindOrAddSubkey(const std::string& name, bool& added) {
  HiveKey key(name);
  auto place = SubkeyPlace(key.folded_);
  if (place != subkeys_.end() && place->folded_ == key.folded_) return *place;
  added = true;
  return *subkeys_.insert(place, std::move(key));
}

bool HiveKey::DeleteSubkey(const std::string& name) {
  HiveKey* subkey = FindSubkey(name);
  if (subkey == nullptr) return false;
  subkeys_.erase(subkeys_.begin() + (subkey - subkeys_.data()));
  return true;
}

bool HiveKey::Clear() {
  const bool any = !values_.empty() || !subkeys_.empty();
  values_.clear();
  valueIndex_.clear();
  subkeys_.clear();
  return any;
}

HiveKey* FindKey(HiveKey& root, const std::vector<std::string>& path) {
  HiveKey* key = &root;
  for (const std::string& name : path) {
    key = key->FindSubkey(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

const HiveKey* FindKey(const HiveKey& root, const std::vector<std::string>& path) {
  return FindKey(const_cast<HiveKey&>(root), path);
}

HiveKey& CreatePath(HiveKey& key, const std::vector<std::string>& path, std::vector<std::string>* stored,
                    bool& created) {
  HiveKey* current = &key;
  for (const std::string& name : path) {
    current = &current->FindOrAddSubkey(name, created);
    if (stored != nullptr) stored->push_back(current->name());
  }
  return *current;
}

LONG DeleteTree(HiveKey& key, const std::vector<std::string>& path, bool& changed) {
  if (path.empty()) {
    if (key.Clear()) changed = true;
    return ERROR_SUCCESS;
  }
  HiveKey* parent = &key;
  for (std::size_t i = 0; i + 1 < path.size() && parent != nullptr; ++i) parent = parent->FindSubkey(path[i]);
  if (parent == nullptr || !parent->DeleteSubkey(path.back())) return ERROR_FILE_NOT_FOUND;
  changed = true;
  return ERROR_SUCCESS;
}

void SetErrorText(const std::string& text) { t_errorText = text; }

const char* ErrorText() { return t_errorText.c_str(); }

Stamp Stamp::Of(const struct stat& st) {
  Stamp stamp;
  stamp.exists = true;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.mtimeSeconds = st.st_mtim.tv_sec;
  stamp.mtimeNanoseconds = st.st_mtim.tv_nsec;
  return stamp;
}

bool Stamp::operator==(const Stamp& other) const {
  if (exists != other.exists) return false;
  if (!exists) return true;
  return device == other.device && inode == other.inode && size == other.size &&
         mtimeSeconds == other.mtimeSeconds && mtimeNanoseconds == other.mtimeNanoseconds;
}

// A hive file written and synced under its temporary name, not yet in place.
struct Hive::PendingSave {
  std::string path;
  std::string temporary;
  std::string text;
  int fd = -1;

  // Removes the temporary file of a save that will not be put in place.
  void Drop() {
    if (fd < 0) return;
    ::close(fd);
    ::unlink(temporary.c_str());
    fd = -1;
  }
};

LONG HiveFilePath(RegRoot root, std::string& path) {
  const char* fileName = root == RegRoot::LocalMachine ? "/HKLM.reg" : "/HKCU.reg";
  if (const char* folder = std::getenv("ZRADDRRES_REGISTRY"); folder && *folder) {
    path = folder + std::string(fileName);
  } else if (root == RegRoot::LocalMachine) {
    path = "/etc/zraddrres" + std::string(fileName);
  } else if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
    path = config + std::string("/zraddrres") + fileName;
  } else {
    // Never a shared folder in place of a missing home: anyone could plant a hive there.
    std::string home = HomeFolder();
    if (home.empty()) {
      SetErrorText("the user hive has no folder: HOME is unset and the password database names no home for uid " +
                   std::to_string(::geteuid()));
      return ERROR_ACCESS_DENIED;
    }
    path = home + "/.config/zraddrres" + fileName;
  }
  return ERROR_SUCCESS;
}

void Hive::Rebuild() {
  tree_ = HiveKey();
  dirty_ = false;
  codePage_ = GetACP();
  corruptText_.clear();
  // An empty file is an empty hive, like a missing one.
  if (bytes_.empty()) return;
  ++g_parseCount;
  HiveKey tree;
  int line = 0;
  std::string what;
  RegTextForm form;
  if (RecordedForm(bytes_, form, line, what) && BuildTree(bytes_, root_, form, tree, line, what)) {
    tree_ = std::move(tree);
    codePage_ = form.codePage;
  } else {
    corruptText_ = loadedPath_ + ":" + std::to_string(line) + ": " + what;
  }
}

LONG Hive::Adopt(const std::string& path, std::string bytes, const Stamp& stamp, bool* rebuilt) {
  // A new stamp over the same bytes (our own write seen again, a touch)
  // keeps the copy we have: no parse.
  const bool same = loaded_ && !dirty_ && path == loadedPath_ && bytes == bytes_;
  loaded_ = true;
  loadedPath_ = path;
  stamp_ = stamp;
  if (!same) {
    bytes_ = std::move(bytes);
    Rebuild();
    if (rebuilt != nullptr) *rebuilt = true;
  }
  return CorruptError();
}

LONG Hive::CorruptError() {
  if (corruptText_.empty()) return ERROR_SUCCESS;
  SetErrorText(corruptText_);
  // Said once per version of the file, however often the hive is asked for.
  // Only the last version said is remembered, so nothing grows.
  std::string version =
      loadedPath_ + "@" + std::to_string(stamp_.mtimeSeconds) + "." + std::to_string(stamp_.mtimeNanoseconds);
  if (version != reported_) {
    std::fprintf(stderr, "%s\n", corruptText_.c_str());
    reported_ = std::move(version);
  }
  return ERROR_REGISTRY_CORRUPT;
}

LONG Hive::Refresh(const std::string& path, bool* rebuilt) {
  // The stamp is trusted, under the lock as on a read: every writer gives
  // its version a new one.
  Stamp now;
  if (LONG rc = StampOfPath(path, now); rc != ERROR_SUCCESS) return rc;
  if (loaded_ && path == loadedPath_ && now == stamp_) return CorruptError();
  std::string bytes;
  if (now.exists) {
    LONG rc = ReadHiveFile(path, bytes, now);
    if (rc == ERROR_FILE_NOT_FOUND) {
      now = Stamp();
    } else if (rc != ERROR_SUCCESS) {
      return rc;
    }
  }
  return Adopt(path, std::move(bytes), now, rebuilt);
}

LONG Hive::Read(const std::function<LONG(const HiveKey& root)>& read) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string path;
  LONG rc = FilePath(path);
  if (rc == ERROR_SUCCESS) rc = Refresh(path);
  if (rc != ERROR_SUCCESS) return rc;
  return read(tree_);
}

LONG Hive::Prepare(const std::string& path, PendingSave& pending) {
  pending.path = path;
  std::string bad;
  if (!HiveText(root_, tree_, codePage_, pending.text, bad)) {
    SetErrorText(path + ": " + bad + " cannot be written in this hive's code page " + std::to_string(codePage_) +
                 " (a reader would not read it back whole); nothing was written");
    return ERROR_INVALID_PARAMETER;
  }
  // A hive no reader would load is never written.
  if (pending.text.size() > kMaxRegTextBytes) return TooLarge(path, pending.text.size(), "nothing was written");
  RegistryFileCalls& calls = g_fileCalls;
  RemoveDeadSideFiles(path);
  // A new name each time, made afresh and never through a link; only its
  // owner may read or write it until it takes the hive's mode.
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    pending.temporary = SideFileName(path);
    fd = calls.openFile(pending.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return OpenError(pending.temporary, errno);
  pending.fd = fd;
  auto fail = [&](int error) {
    pending.Drop();
    return ErrorOfErrno(error);
  };
  // The user hive is its owner's alone; the machine hive is readable by
  // every user (keeping a mode its owner gave it), writable by none but its owner.
  mode_t mode = root_ == RegRoot::CurrentUser ? 0600 : 0644;
  if (root_ == RegRoot::LocalMachine && stamp_.exists) {
    struct stat old;
    if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) mode = old.st_mode & 0755;
  }
  if (::fchmod(fd, mode) != 0) return fail(errno);
  const std::string& text = pending.text;
  for (std::size_t done = 0; done < text.size();) {
    ssize_t wrote = calls.writeFile(fd, text.data() + done, text.size() - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
    } else if (wrote == 0) {
      return fail(EIO);
    } else if (errno != EINTR) {
      return fail(errno);
    }
  }
  // Readers tell versions apart by their stamp. The file clock is coarse, so
  // two quick versions of one size could share an mtime on a reused inode:
  // each version gets an mtime later than the one it replaces.
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  clock_gettime(CLOCK_REALTIME, &times[1]);
  const Stamp& previous = stamp_;
  if (previous.exists && (times[1].tv_sec < previous.mtimeSeconds ||
                          (times[1].tv_sec == previous.mtimeSeconds && times[1].tv_nsec <= previous.mtimeNanoseconds))) {
    times[1].tv_sec = static_cast<time_t>(previous.mtimeSeconds);
    times[1].tv_nsec = previous.mtimeNanoseconds + 1;
    if (times[1].tv_nsec >= 1000000000L) {
      ++times[1].tv_sec;
      times[1].tv_nsec = 0;
    }
  }
  ::futimens(fd, times);
  if (calls.syncFile(fd) != 0) return fail(errno);
  return ERROR_SUCCESS;
}

LONG Hive::Commit(PendingSave& pending) {
  if (g_fileCalls.renameFile(pending.temporary.c_str(), pending.path.c_str()) != 0) {
    int error = errno;
    pending.Drop();
    return ErrorOfErrno(error);
  }
  struct stat st;
  if (::fstat(pending.fd, &st) == 0) {
    stamp_ = Stamp::Of(st);
  } else {
    stamp_ = Stamp();  // unknown: the next read parses again
    stamp_.exists = true;
  }
  ::close(pending.fd);
  pending.fd = -1;
  bytes_ = std::move(pending.text);
  dirty_ = false;
  // The rename itself is made durable by syncing the folder.
  int folderFd = ::open(FolderOf(pending.path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    ::fsync(folderFd);
    ::close(folderFd);
  }
  return ERROR_SUCCESS;
}

LONG Hive::WriteAll(std::vector<HiveEdit>& edits, const std::function<LONG(std::vector<HiveEdit>& edits)>& change) {
  // One order for every writer, so two writers of both hives never wait on each other.
  std::sort(edits.begin(), edits.end(), [](const HiveEdit& a, const HiveEdit& b) {
    return static_cast<int>(a.hive->root_) < static_cast<int>(b.hive->root_);
  });
  std::vector<std::unique_lock<std::mutex>> guards;
  std::vector<std::string> paths(edits.size());
  for (std::size_t i = 0; i < edits.size(); ++i) {
    guards.emplace_back(edits[i].hive->mutex_);
    LONG rc = edits[i].hive->FilePath(paths[i]);
    if (rc == ERROR_SUCCESS) rc = edits[i].hive->Refresh(paths[i]);
    if (rc != ERROR_SUCCESS) return rc;
  }
  // The change runs on the trees in place; a tree it touched and that is not
  // saved is built again from its bytes.
  bool changed = false;
  auto run = [&]() {
    for (HiveEdit& edit : edits) {
      edit.root = &edit.hive->tree_;
      edit.changed = false;
    }
    LONG rc = change(edits);
    changed = false;
    for (HiveEdit& edit : edits) {
      if (edit.changed) edit.hive->dirty_ = changed = true;
    }
    return rc;
  };
  auto undo = [&]() {
    for (HiveEdit& edit : edits) {
      if (edit.hive->dirty_) edit.hive->Rebuild();
    }
  };
  // A change that fails or changes nothing on the copies we have needs no
  // lock, no folder and no file.
  LONG rc = run();
  if (rc != ERROR_SUCCESS || !changed) {
    undo();
    return rc;
  }

  // The files' locks, taken in the same order. Usually they are free and
  // taken at once, the hive mutexes held. When one is held elsewhere the
  // change is undone and the mutexes let go for the wait: a reader, or a
  // writer of nothing, on another thread must not wait behind another
  // process's lock, nor see a change that is not saved.
  FileLocks locks;
  locks.fds.assign(edits.size(), -1);
  locks.stats.resize(edits.size());
  std::size_t busy = edits.size();
  for (std::size_t i = 0; i < edits.size() && rc == ERROR_SUCCESS && busy == edits.size(); ++i) {
    rc = OpenLockFile(paths[i], edits[i].hive->root_, locks.fds[i], locks.stats[i]);
    if (rc == ERROR_SUCCESS) rc = TryLock(locks.fds[i]);
    if (rc == ERROR_LOCK_VIOLATION) {
      busy = i;
      rc = ERROR_SUCCESS;
    }
  }
  if (rc != ERROR_SUCCESS) {
    undo();
    return rc;
  }
  bool rebuilt = false;
  if (busy < edits.size()) {
    undo();
    guards.clear();
    for (std::size_t i = busy; i < edits.size() && rc == ERROR_SUCCESS; ++i) {
      if (locks.fds[i] < 0) rc = OpenLockFile(paths[i], edits[i].hive->root_, locks.fds[i], locks.stats[i]);
      if (rc == ERROR_SUCCESS) rc = WaitForHiveLock(paths[i], locks.fds[i], locks.stats[i]);
    }
    if (rc != ERROR_SUCCESS) return rc;
    for (HiveEdit& edit : edits) guards.emplace_back(edit.hive->mutex_);
    rebuilt = true;  // the change was undone: it is made again below
  }
  // Under the locks: the newest files, which another process may have
  // written since we looked. The change is made again on them.
  for (std::size_t i = 0; i < edits.size() && rc == ERROR_SUCCESS; ++i) {
    rc = edits[i].hive->Refresh(paths[i], &rebuilt);
  }
  if (rc == ERROR_SUCCESS && rebuilt) {
    undo();
    rc = run();
  }
  if (rc != ERROR_SUCCESS || !changed) {
    undo();
    return rc;
  }

  // Every file is written and synced before any is put in place.
  std::vector<PendingSave> pending(edits.size());
  for (std::size_t i = 0; i < edits.size() && rc == ERROR_SUCCESS; ++i) {
    if (edits[i].changed) rc = edits[i].hive->Prepare(paths[i], pending[i]);
  }
  for (std::size_t i = 0; i < edits.size() && rc == ERROR_SUCCESS; ++i) {
    if (edits[i].changed) rc = edits[i].hive->Commit(pending[i]);
  }
  for (PendingSave& save : pending) save.Drop();
  undo();
  return rc;
}

LONG Hive::Write(const std::function<LONG(HiveKey& root, bool& changed)>& change) {
  std::vector<HiveEdit> edits(1);
  edits[0].hive = this;
  return WriteAll(edits, [&](std::vector<HiveEdit>& all) { return change(*all[0].root, all[0].changed); });
}

Hive& HiveOf(RegRoot root) {
  // Never destroyed: a thread still running at exit may yet ask.
  static Hive* machine = new Hive(RegRoot::LocalMachine);
  static Hive* user = new Hive(RegRoot::CurrentUser);
  return root == RegRoot::LocalMachine ? *machine : *user;
}

}  // namespace registry

LONG RegistryAddToDwordForTesting(RegRoot root, const char* path, const char* name, DWORD step, DWORD& now) {
  std::vector<std::string> components;
  LONG rc = registry::SplitKeyPath(path, components);
  if (rc != ERROR_SUCCESS) return rc;
  return registry::HiveOf(root).Write([&](registry::HiveKey& top, bool& changed) {
    registry::HiveKey& key = registry::CreatePath(top, components, nullptr, changed);
    DWORD value = 0;
    const RegTextValue* held = key.FindValue(name);
    if (held != nullptr && held->type == REG_DWORD && held->data.size() == sizeof value) {
      std::memcpy(&value, held->data.data(), sizeof value);
    }
    now = value + step;
    std::vector<BYTE> data(sizeof now);
    std::memcpy(data.data(), &now, sizeof now);
    if (key.SetValue(name, REG_DWORD, std::move(data))) changed = true;
    return ERROR_SUCCESS;
  });
}

}  // namespace zrplatform
