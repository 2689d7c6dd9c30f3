// POSIX GetVersionExA: the Windows line named by ZRADDRRES_WINVER, read on
// every call so a test can switch lines within one process.
#include "platform/Version.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/Settings.h"

namespace {

struct VersionByName {
  const char* name;
  DWORD platform;
  DWORD major;
  DWORD minor;
  DWORD build;
};

// The same figures Windows (and Wine) report for each line.
const VersionByName kVersions[] = {
    {"win95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950},   {"win98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222},
    {"winme", VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3000}, {"nt40", VER_PLATFORM_WIN32_NT, 4, 0, 1381},
    {"win2k", VER_PLATFORM_WIN32_NT, 5, 0, 2195},       {"win10", VER_PLATFORM_WIN32_NT, 10, 0, 19045},
};

}  // namespace

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
  if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
    return FALSE;
  }
  const VersionByName* chosen = &kVersions[5];
  if (const char* wanted = std::getenv("ZRADDRRES_WINVER")) {
    for (const VersionByName& v : kVersions) {
      if (strcasecmp(v.name, wanted) == 0) chosen = &v;
    }
  }
  info->dwPlatformId = chosen->platform;
  info->dwMajorVersion = chosen->major;
  info->dwMinorVersion = chosen->minor;
  info->dwBuildNumber = chosen->build;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  return TRUE;
}

namespace zrplatform {
namespace posix {

bool IsWindowsLineName(const char* name) {
  for (const VersionByName& v : kVersions) {
    if (strcasecmp(v.name, name) == 0) return true;
  }
  return false;
}

std::string WindowsLineNames() {
  std::string names;
  for (const VersionByName& v : kVersions) names += (names.empty() ? "" : ", ") + std::string(v.name);
  return names;
}

}  // namespace posix
}  // namespace zrplatform
