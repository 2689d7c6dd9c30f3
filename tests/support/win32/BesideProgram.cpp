#include "platform/Types.h"
#include "tests/support/Env.h"

namespace zrtest {

std::string BesideProgram(const std::string& relative) {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string program(path, length);
  std::string file = program.substr(0, program.rfind('\\') + 1) + relative;
  for (char& c : file) {
    if (c == '/') c = '\\';
  }
  return file;
}

}  // namespace zrtest
