#include "platform/Paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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

std::string ProgramFolder() {
  char path[4096] = {};
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return std::string();
  std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.rfind('/') + 1);
}

bool SetProcessEnvironment(const char* name, const char* value) { return setenv(name, value, 1) == 0; }

}  // namespace zrplatform
