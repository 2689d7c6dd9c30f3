// Applying the operations of a .reg text (platform/RegText.h) to the registry
// as one change. On POSIX all or nothing: both hives are changed under their
// locks and saved once, or neither is touched. On Windows the real registry
// has no such change, so everything that can be checked is checked before the
// first call, and then the operations are made one call at a time.
#pragma once

#include <string>
#include <vector>

#include "platform/RegText.h"
#include "platform/Types.h"

namespace zrplatform {

// Applies parsed operations in order; stops at the first failure and returns
// its code, with "line N: <what>" in error.
LONG ApplyRegOperations(const std::vector<RegOperation>& operations, std::string* error);

// "line N: setting "x" under HKEY_...\path failed with error C": the text
// either side gives for an operation that failed.
std::string DescribeRegFailure(const RegOperation& op, LONG code);

}  // namespace zrplatform
