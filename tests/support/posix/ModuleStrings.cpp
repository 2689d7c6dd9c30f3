#include "tests/support/ModuleStrings.h"

#include "platform/Modules.h"

namespace zrtest {

// The shared object keeps its string table behind ZrAddrResLoadString.
std::string ModuleString(HMODULE module, unsigned id) {
  typedef int (*LoadString)(unsigned, char*, int);
  LoadString load = reinterpret_cast<LoadString>(GetProcAddress(module, "ZrAddrResLoadString"));
  if (load == nullptr) return "";
  char text[512] = {};
  int length = load(id, text, sizeof text);
  return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace zrtest
