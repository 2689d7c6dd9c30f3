// Version service: which Windows line the process runs on.
// On POSIX: the NT line, 10.0, unless ZRADDRRES_WINVER names another
// (win95, win98, winme, nt40, win2k, win10).
#pragma once

#include "platform/Types.h"

#if !defined(_WIN32)
#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};
typedef OSVERSIONINFOA* LPOSVERSIONINFOA;

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);
#endif
