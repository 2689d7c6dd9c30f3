#include "platform/Paths.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/TempFolders.h"
#include "platform/posix/UserFolders.h"

namespace zrplatform {

std::string DefaultLogFolder() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) {
    return std::string(state) + "/zraddrres";
  }
  std::string home = HomeFolder();
  return home.empty() ? std::string() : home + "/.local/state/zraddrres";
}

bool MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (!part.empty() && mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::FILE* OpenFileToAppend(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  if (!FolderRefusal(slash == std::string::npos ? "." : path.substr(0, slash)).empty()) return nullptr;
  // Non-blocking, so that a FIFO in the file's place cannot hold the open up.
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0644);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !FileRefusal(st).empty() || ::fcntl(fd, F_SETFL, O_APPEND) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "a");
  if (file == nullptr) ::close(fd);
  return file;
}

namespace {

// Sixteen hex digits no other user can foresee.
std::string RandomSuffix() {
  std::uint64_t value = 0;
  if (getrandom(&value, sizeof value, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof value)) {
    static std::uint64_t counter = 0;
    value = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
            (static_cast<std::uint64_t>(getpid()) << 40) ^ (++counter * 0x9E3779B97F4A7C15ull);
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

bool WriteAll(int fd, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return ::fsync(fd) == 0;
}

}  // namespace

bool WriteFileWhole(const std::string& path, const std::string& bytes, std::string* error) {
  std::string::size_type slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (slash != std::string::npos && slash + 1 == path.size()) {
    if (error) *error = "it names a folder";
    return false;
  }
  std::string side;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    side = folder + "/.zraddrres-" + RandomSuffix();
    fd = ::open(side.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  const int slot = posix::RemoveWhenProcessEnds(side);
  bool written = WriteAll(fd, bytes);
  int writeError = errno;
  if (::close(fd) != 0 && written) {
    written = false;
    writeError = errno;
  }
  if (written && ::rename(side.c_str(), path.c_str()) != 0) {
    written = false;
    writeError = errno;
  }
  if (!written) {
    ::unlink(side.c_str());
    if (error) *error = std::strerror(writeError);
  }
  posix::ForgetRemoval(slot);
  return written;
}

std::string ProgramFolder() {
  char path[4096] = {};
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return std::string();
  std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.rfind('/') + 1);
}

bool SetProcessEnvironment(const char* name, const char* value) { return setenv(name, value, 1) == 0; }

}  // namespace zrplatform
