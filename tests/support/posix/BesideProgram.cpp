#include <unistd.h>

#include "tests/support/Env.h"

namespace zrtest {

std::string BesideProgram(const std::string& relative) {
  char path[4096] = {};
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string program(path, length > 0 ? static_cast<std::size_t>(length) : 0);
  return program.substr(0, program.rfind('/') + 1) + relative;
}

}  // namespace zrtest
