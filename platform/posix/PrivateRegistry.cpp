// POSIX: a private registry is a pair of hive files in a temporary folder of
// this process's own, named by ZRADDRRES_REGISTRY for the rest of the
// process. The registry reads the variable on every call (RegistryHive.cpp),
// in this object and in the library's own copy of the platform layer alike,
// so setting it once before any thread starts moves every caller over. The
// folder goes at exit, and on the signals that would end the process without
// running the exit handlers.
#include "platform/PrivateRegistry.h"

#include <ftw.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/RegApply.h"

namespace zrplatform {

namespace {

std::string* g_folder = nullptr;

// What a signal handler may remove without allocating: the hives, their
// locks and temporary files, then the folder. Filled before the handlers.
const char* const kLeaves[] = {"HKLM.reg", "HKCU.reg", "HKLM.reg.lock", "HKCU.reg.lock", "HKLM.reg.tmp", "HKCU.reg.tmp"};
constexpr std::size_t kLeafCount = sizeof kLeaves / sizeof kLeaves[0];
char g_paths[kLeafCount][4096];
char g_folderPath[4096];

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

void RemoveFolder() {
  if (g_folder != nullptr) nftw(g_folder->c_str(), &RemoveEntry, 8, FTW_DEPTH | FTW_PHYS);
}

void RemoveOnSignal(int signal) {
  for (const char* path : g_paths) ::unlink(path);
  ::rmdir(g_folderPath);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

bool FillPaths(const std::string& folder) {
  for (std::size_t i = 0; i < kLeafCount; ++i) {
    if (std::snprintf(g_paths[i], sizeof g_paths[i], "%s/%s", folder.c_str(), kLeaves[i]) >=
        static_cast<int>(sizeof g_paths[i])) {
      return false;
    }
  }
  std::snprintf(g_folderPath, sizeof g_folderPath, "%s", folder.c_str());
  return true;
}

}  // namespace

LONG MakePrivateRegistry(const RegOperations& operations, std::string* error) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zraddrres-registry.XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) {
    if (error) *error = "cannot make a private folder for it in " + pattern.substr(0, pattern.rfind('/')) + ": " +
                        std::strerror(errno);
    return ERROR_ACCESS_DENIED;
  }
  g_folder = new std::string(pattern);
  std::atexit(&RemoveFolder);
  if (FillPaths(pattern)) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
      struct sigaction now = {};
      if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_DFL) ::signal(signal, &RemoveOnSignal);
    }
  }
  if (setenv("ZRADDRRES_REGISTRY", pattern.c_str(), 1) != 0) {
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
