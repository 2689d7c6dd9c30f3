// POSIX registry hives. Each root key lives in a REGEDIT4 text file
// (HKLM.reg, HKCU.reg) in the folder named by ZRADDRRES_REGISTRY, read on
// every call so each test can have its own. Reads come from an in-memory copy
// that is replaced when the file's stamp (device, inode, size, mtime) changes.
// Writes happen under an advisory lock on "<hive>.lock": re-read the file, apply
// the change, write "<hive>.tmp", sync it and rename it over the hive, so
// a reader or a crash only ever sees a whole old or a whole new file.
#include "platform/posix/RegistryHive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "platform/posix/RegistryTesting.h"

namespace zrplatform {

namespace {

std::atomic<unsigned long> g_parseCount{0};

int DefaultOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t DefaultWrite(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }

RegistryFileCalls g_fileCalls = {DefaultOpen, DefaultWrite, ::fsync, ::rename};

}  // namespace

unsigned long RegistryParseCountForTesting() { return g_parseCount.load(); }

RegistryFileCalls& RegistryFileCallsForTesting() { return g_fileCalls; }

namespace registry {

namespace {

thread_local std::string t_errorText;

// Upper case, as the registry compares: ASCII everywhere, the accented
// letters of code page 1252, and the full-width Latin letters of code page
// 932 (whose other double-byte characters are kept whole, so a trail byte
// that happens to be an ASCII letter is never changed).
std::string Fold(const std::string& name) {
  std::string folded(name);
  const bool dbcs = GetACP() == 932;
  for (std::size_t i = 0; i < folded.size(); ++i) {
    auto c = static_cast<unsigned char>(folded[i]);
    if (dbcs && IsDBCSLeadByte(c) && i + 1 < folded.size()) {
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
std::size_t CharCount(const std::string& name) {
  const bool dbcs = GetACP() == 932;
  std::size_t count = 0;
  for (std::size_t i = 0; i < name.size(); ++i, ++count) {
    if (dbcs && IsDBCSLeadByte(static_cast<BYTE>(name[i])) && i + 1 < name.size()) ++i;
  }
  return count;
}

LONG ErrorOfErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

// Builds the key tree of a hive file; false with the line and the fault.
bool BuildTree(const std::string& bytes, RegRoot root, RegTextKey& tree, int& line, std::string& what) {
  RegParseResult parsed = ParseRegText(bytes);
  if (!parsed.ok()) {
    line = parsed.errorLine;
    what = parsed.errorWhat;
    return false;
  }
  RegTextKey* current = &tree;
  std::vector<std::string> components;
  for (const RegOperation& op : parsed.operations) {
    line = op.line;
    if (op.root != root) {
      what = std::string("this hive holds only ") + RegRootName(root) + " keys";
      return false;
    }
    switch (op.kind) {
      case RegOperation::Kind::CreateKey: {
        if (SplitKeyPath(op.keyPath.c_str(), components) != ERROR_SUCCESS) {
          what = "bad key name (a leading backslash, or longer than 255 characters)";
          return false;
        }
        if (components.size() > kMaxDepth) {
          what = "key deeper than 512 levels";
          return false;
        }
        current = &tree;
        for (const std::string& name : components) {
          RegTextKey* next = FindSubkey(*current, name);
          current = next ? next : &AddSubkey(*current, name);
        }
        break;
      }
      case RegOperation::Kind::SetValue: {
        if (CheckValueName(op.valueName) != ERROR_SUCCESS) {
          what = "value name longer than 16383 characters";
          return false;
        }
        RegTextValue* value = FindValue(*current, op.valueName);
        if (value == nullptr) {
          current->values.push_back(RegTextValue{op.valueName, op.type, op.data});
        } else {
          value->type = op.type;
          value->data = op.data;
        }
        break;
      }
      case RegOperation::Kind::DeleteValue:
      case RegOperation::Kind::DeleteTree:
        what = "a hive file holds no deletions";
        return false;
    }
  }
  return true;
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) { return a.size() == b.size() && Fold(a) == Fold(b); }

bool NameLess(const std::string& a, const std::string& b) { return Fold(a) < Fold(b); }

LONG SplitKeyPath(const char* path, std::vector<std::string>& components) {
  components.clear();
  if (path == nullptr || *path == '\0') return ERROR_SUCCESS;
  if (*path == '\\') return ERROR_BAD_PATHNAME;
  const bool dbcs = GetACP() == 932;
  std::string current;
  for (const char* p = path; *p != '\0'; ++p) {
    auto c = static_cast<unsigned char>(*p);
    if (dbcs && IsDBCSLeadByte(c) && p[1] != '\0') {
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
    if (CharCount(name) > kMaxKeyNameChars) return ERROR_INVALID_PARAMETER;
  }
  return ERROR_SUCCESS;
}

LONG CheckValueName(const std::string& name) {
  if (CharCount(name) > kMaxValueNameChars) return ERROR_INVALID_PARAMETER;
  if (name.find_first_of("\r\n") != std::string::npos) return ERROR_INVALID_PARAMETER;
  return ERROR_SUCCESS;
}

// Subkeys are kept in folded-name order, so both the lookup and the place of
// a new key are binary searches: a Ports key may hold many thousands.
std::vector<RegTextKey>::iterator SubkeyPlace(RegTextKey& key, const std::string& folded) {
  return std::lower_bound(key.subkeys.begin(), key.subkeys.end(), folded,
                          [](const RegTextKey& subkey, const std::string& f) { return Fold(subkey.name) < f; });
}

RegTextKey* FindSubkey(RegTextKey& key, const std::string& name) {
  const std::string folded = Fold(name);
  auto place = SubkeyPlace(key, folded);
  return (place != key.subkeys.end() && Fold(place->name) == folded) ? &*place : nullptr;
}

const RegTextKey* FindSubkey(const RegTextKey& key, const std::string& name) {
  return FindSubkey(const_cast<RegTextKey&>(key), name);
}

RegTextKey* FindKey(RegTextKey& root, const std::vector<std::string>& path) {
  RegTextKey* key = &root;
  for (const std::string& name : path) {
    key = FindSubkey(*key, name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

const RegTextKey* FindKey(const RegTextKey& root, const std::vector<std::string>& path) {
  return FindKey(const_cast<RegTextKey&>(root), path);
}

RegTextKey& AddSubkey(RegTextKey& key, const std::string& name) {
  auto place = SubkeyPlace(key, Fold(name));
  RegTextKey added;
  added.name = name;
  return *key.subkeys.insert(place, std::move(added));
}

RegTextValue* FindValue(RegTextKey& key, const std::string& name) {
  const std::string folded = Fold(name);
  for (RegTextValue& value : key.values) {
    if (value.name.size() == name.size() && Fold(value.name) == folded) return &value;
  }
  return nullptr;
}

const RegTextValue* FindValue(const RegTextKey& key, const std::string& name) {
  return FindValue(const_cast<RegTextKey&>(key), name);
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

std::string Hive::FilePath() const {
  const char* fileName = root_ == RegRoot::LocalMachine ? "/HKLM.reg" : "/HKCU.reg";
  if (const char* folder = std::getenv("ZRADDRRES_REGISTRY"); folder && *folder) return folder + std::string(fileName);
  if (root_ == RegRoot::LocalMachine) return "/etc/zraddrres" + std::string(fileName);
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
    return config + std::string("/zraddrres") + fileName;
  }
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.config/zraddrres" + fileName;
}

LONG Hive::ReadFile(int fd, std::string& bytes, Stamp& stamp) {
  struct stat st;
  if (fstat(fd, &st) != 0) return ErrorOfErrno(errno);
  stamp = Stamp::Of(st);
  bytes.clear();
  char chunk[16384];
  for (;;) {
    ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got > 0) {
      bytes.append(chunk, static_cast<std::size_t>(got));
    } else if (got == 0) {
      return ERROR_SUCCESS;
    } else if (errno != EINTR) {
      return ErrorOfErrno(errno);
    }
  }
}

LONG Hive::Adopt(const std::string& path, std::string bytes, const Stamp& stamp) {
  // A new stamp over the same bytes (our own write seen again, a touch)
  // keeps the copy we have: no parse.
  const bool same = loaded_ && path == loadedPath_ && bytes == bytes_;
  loaded_ = true;
  loadedPath_ = path;
  stamp_ = stamp;
  if (!same) {
    bytes_ = std::move(bytes);
    tree_ = RegTextKey();
    corruptText_.clear();
    // An empty file is an empty hive, like a missing one.
    if (!bytes_.empty()) {
      ++g_parseCount;
      RegTextKey tree;
      int line = 0;
      std::string what;
      if (BuildTree(bytes_, root_, tree, line, what)) {
        tree_ = std::move(tree);
      } else {
        corruptText_ = path + ":" + std::to_string(line) + ": " + what;
      }
    }
  }
  return CorruptError();
}

LONG Hive::CorruptError() {
  if (corruptText_.empty()) return ERROR_SUCCESS;
  SetErrorText(corruptText_);
  // Said once per version of the file, however often the hive is asked for.
  static std::mutex* reportedMutex = new std::mutex;
  static std::set<std::string>* reported = new std::set<std::string>;
  std::string version =
      loadedPath_ + "@" + std::to_string(stamp_.mtimeSeconds) + "." + std::to_string(stamp_.mtimeNanoseconds);
  std::lock_guard<std::mutex> lock(*reportedMutex);
  if (reported->insert(version).second) std::fprintf(stderr, "%s\n", corruptText_.c_str());
  return ERROR_REGISTRY_CORRUPT;
}

LONG Hive::Refresh(const std::string& path) {
  Stamp now;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    now = Stamp::Of(st);
  } else if (errno != ENOENT && errno != ENOTDIR) {
    return ErrorOfErrno(errno);
  }
  if (loaded_ && path == loadedPath_ && now == stamp_) return CorruptError();
  std::string bytes;
  if (now.exists) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      LONG rc = ReadFile(fd, bytes, now);
      ::close(fd);
      if (rc != ERROR_SUCCESS) return rc;
    } else if (errno == ENOENT) {
      now = Stamp();
    } else {
      return ErrorOfErrno(errno);
    }
  }
  return Adopt(path, std::move(bytes), now);
}

LONG Hive::Read(const std::function<LONG(const RegTextKey& root)>& read) {
  std::lock_guard<std::mutex> lock(mutex_);
  LONG rc = Refresh(FilePath());
  if (rc != ERROR_SUCCESS) return rc;
  return read(tree_);
}

LONG Hive::Save(const std::string& path, const RegTextKey& tree, const Stamp& previous, std::string& text,
                Stamp& stamp) {
  text = WriteRegText(RegRootName(root_), tree);
  const std::string temporary = path + ".tmp";
  RegistryFileCalls& calls = g_fileCalls;
  // Only the holder of the lock writes this name, so one left by a writer
  // that died is simply overwritten.
  int fd = calls.openFile(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return ErrorOfErrno(errno);
  auto fail = [&](int error) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return ErrorOfErrno(error);
  };
  if (previous.exists) {
    struct stat old;
    if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  }
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
  if (calls.renameFile(temporary.c_str(), path.c_str()) != 0) return fail(errno);
  struct stat st;
  if (fstat(fd, &st) == 0) {
    stamp = Stamp::Of(st);
  } else {
    stamp = Stamp();  // unknown: the next read parses again
    stamp.exists = true;
  }
  ::close(fd);
  // The rename itself is made durable by syncing the folder.
  std::string folder = path.substr(0, path.rfind('/'));
  int folderFd = ::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    ::fsync(folderFd);
    ::close(folderFd);
  }
  return ERROR_SUCCESS;
}

LONG Hive::Write(const std::function<LONG(RegTextKey& root, bool& changed)>& change) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::string path = FilePath();
  LONG rc = Refresh(path);
  if (rc != ERROR_SUCCESS) return rc;
  // A change that fails or changes nothing on the copy we have needs no
  // lock, no folder and no file.
  {
    RegTextKey trial = tree_;
    bool changed = false;
    rc = change(trial, changed);
    if (rc != ERROR_SUCCESS || !changed) return rc;
  }

  std::string folder = path.substr(0, path.rfind('/'));
  if (!folder.empty() && !MakeFolders(folder)) return ErrorOfErrno(errno);
  int lockFd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lockFd < 0) return ErrorOfErrno(errno);
  while (::flock(lockFd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      int error = errno;
      ::close(lockFd);
      return ErrorOfErrno(error);
    }
  }

  // Under the lock: the newest file, which another process may have written
  // since we looked.
  std::string bytes;
  Stamp current;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    rc = ReadFile(fd, bytes, current);
    ::close(fd);
  } else if (errno != ENOENT) {
    rc = ErrorOfErrno(errno);
  }
  if (rc == ERROR_SUCCESS) rc = Adopt(path, std::move(bytes), current);
  RegTextKey next;
  bool changed = false;
  if (rc == ERROR_SUCCESS) {
    next = tree_;
    rc = change(next, changed);
  }
  if (rc == ERROR_SUCCESS && changed) {
    std::string text;
    Stamp written;
    rc = Save(path, next, current, text, written);
    if (rc == ERROR_SUCCESS) {
      tree_ = std::move(next);
      bytes_ = std::move(text);
      stamp_ = written;
    }
  }
  ::close(lockFd);  // releases the lock
  return rc;
}

Hive& HiveOf(RegRoot root) {
  // Never destroyed: a thread still running at exit may yet ask.
  static Hive* machine = new Hive(RegRoot::LocalMachine);
  static Hive* user = new Hive(RegRoot::CurrentUser);
  return root == RegRoot::LocalMachine ? *machine : *user;
}

}  // namespace registry

}  // namespace zrplatform
