// Applying the operations of a .reg text (platform/RegText.h) to the registry
// as one change. On POSIX all or nothing: both hives are changed under their
// locks and saved once, or neither is touched. On Windows the real registry
// has no such change, so everything that can be checked is checked before the
// first call, and then the operations are made one call at a time.
//
// A text may also replace what it touches rather than merge into it. The
// hives a text touches are the roots (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER)
// named by any of its [key] or [-key] lines. On POSIX each touched hive's
// whole content is replaced by the text's, in the same single save. On
// Windows a hive cannot be emptied, so the text's top keys (its [key] lines
// with no [key] line of the text above them) are deleted first and the text
// is imported after them: not atomic, a failure midway leaves those keys
// deleted or partly imported.
#pragma once

#include <string>
#include <vector>

#include "platform/RegText.h"
#include "platform/Types.h"

namespace zrplatform {

enum class RegApplyMode {
  Merge,    // keys and values are added to what the registry holds, or change it
  Replace,  // the hives the text touches hold the text's content and nothing else
};

// Applies parsed operations in order; stops at the first failure and returns
// its code, with "line N: <what>" in error.
LONG ApplyRegOperations(const RegOperations& operations, std::string* error,
                        RegApplyMode mode = RegApplyMode::Merge);

// The keys a Replace deletes on Windows: the [key] lines with no [key] line
// of the same text above them, once each, in text order.
std::vector<RegOperation> TopRegKeys(const RegOperations& operations);

// Where the hives live, for messages: on POSIX the folder of their files and
// the files ("/srv/registry (HKLM.reg, HKCU.reg)", or one folder per hive
// when they differ), naming only the hives asked for; on Windows "the
// Windows registry".
std::string RegistryLocation(bool machine, bool user);

// "line N: setting "x" under HKEY_...\path failed with error C": the text
// either side gives for an operation that failed.
std::string DescribeRegFailure(const RegOperation& op, LONG code);

}  // namespace zrplatform
