// Reads a string table entry of a loaded library.
#pragma once

#include <string>

#include "platform/Types.h"

namespace zrtest {

std::string ModuleString(HMODULE module, unsigned id);

}  // namespace zrtest
