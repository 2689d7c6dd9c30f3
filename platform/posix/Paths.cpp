#include "platform/Paths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace zrplatform {

std::string DefaultLogFolder() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) {
    return std::string(state) + "/zraddrres";
  }
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/state/zraddrres";
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

}  // namespace zrplatform
