// What the tool says when the thing a command names is not there, before the
// library is asked: the library's own failure only reaches its log.
#pragma once

#include <string>
#include <vector>

namespace zrtool {

// For store get, remove and rename (the entry they start from): 0 when that
// entry exists or the call is another one, else 1 after saying there is no
// such entry and where to look.
int SayMissingStoreEntry(const std::string& action, const std::vector<std::string>& arguments);

}  // namespace zrtool
