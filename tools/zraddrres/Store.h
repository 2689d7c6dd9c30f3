// zraddrres store: the addresses an application recorded per port or printer.
#pragma once

#include <string>
#include <vector>

namespace zrtool {

// action: list, get, add, rename or remove; arguments as each needs them.
// add and rename refuse to replace another entry unless force is set.
int Store(const std::string& action, const std::vector<std::string>& arguments, bool json, bool force);

}  // namespace zrtool
