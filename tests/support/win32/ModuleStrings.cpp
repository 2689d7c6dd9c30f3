#include "tests/support/ModuleStrings.h"

namespace zrtest {

std::string ModuleString(HMODULE module, unsigned id) {
  char text[512] = {};
  int length = LoadStringA(module, id, text, sizeof text);
  return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace zrtest
