// POSIX: a private registry is a pair of hive files in a temporary folder of
// this process's own, named by ZRADDRRES_REGISTRY for the rest of the
// process. The registry reads the variable on every call (RegistryHive.cpp),
// in this object and in the library's own copy of the platform layer alike,
// so setting it once before any thread starts moves every caller over. The
// folder goes at exit and on the signals that end a process, and one left by
// a process killed outright goes when the next is made (TempFolders.h).
#include "platform/PrivateRegistry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/RegApply.h"
#include "platform/posix/TempFolders.h"

namespace zrplatform {

LONG MakePrivateRegistry(const RegOperations& operations, std::string* error) {
  std::string folder = posix::MakeOwnTempFolder("zraddrres-registry");
  if (folder.empty()) {
    if (error) *error = "cannot make a private folder for it in " + posix::TempRoot() + ": " + std::strerror(errno);
    return ERROR_ACCESS_DENIED;
  }
  if (setenv("ZRADDRRES_REGISTRY", folder.c_str(), 1) != 0) {
    if (error) *error = "cannot name the private registry in the environment";
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  return ApplyRegOperations(operations, error, RegApplyMode::Merge);
}

bool SpoolerAnswersFromTheCopy() {
  // The printers are read from the registry, so from the copy.
  return true;
}

}  // namespace zrplatform
