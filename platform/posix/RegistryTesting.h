// Seams of the POSIX registry for its own tests: how often a hive file was
// parsed, the file calls of the write path, which a test may replace to
// make one of them fail (as a full disk or a failing rename would), and how
// long a writer waits for another process's lock on a hive.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "platform/Registry.h"

namespace zrplatform {

// Hive files parsed by this process so far.
unsigned long RegistryParseCountForTesting();

struct RegistryFileCalls {
  int (*openFile)(const char* path, int flags, mode_t mode);
  ssize_t (*writeFile)(int fd, const void* data, std::size_t size);
  int (*syncFile)(int fd);
  int (*renameFile)(const char* from, const char* to);
};

// The live table; a test saves it, swaps entries and restores it.
RegistryFileCalls& RegistryFileCallsForTesting();

// The longest a writer waits for a hive's lock before it gives up with
// ERROR_LOCK_VIOLATION (five seconds); a test may shorten it.
std::chrono::milliseconds& RegistryLockWaitForTesting();

// Adds `step` to the REG_DWORD value `name` of the key at `path` (made when
// missing; a missing value counts as 0) as one change of the hive under its
// file lock: what several processes' read-modify-write relies on.
// ERROR_SUCCESS or the hive's error; `now` gets the new value.
LONG RegistryAddToDwordForTesting(RegRoot root, const char* path, const char* name, DWORD step, DWORD& now);

}  // namespace zrplatform
