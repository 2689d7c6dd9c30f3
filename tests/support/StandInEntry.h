// Entries of the tests' stand-in modules, looked up by name: a stand-in
// without one is a broken build, not a test result.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/Modules.h"

namespace zrtest {

template <typename F>
void FindStandInEntry(HMODULE module, const char* name, F*& entry) {
  entry = reinterpret_cast<F*>(GetProcAddress(module, name));
  if (entry == nullptr) throw std::runtime_error(std::string("stand-in module lacks ") + name);
}

}  // namespace zrtest
