// Seams of the POSIX registry for its own tests: how often a hive file was
// parsed, the file calls of the write path, which a test may replace to
// make one of them fail (as a full disk or a failing rename would), and how
// long a writer waits for another process's lock on a hive.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>

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

}  // namespace zrplatform
