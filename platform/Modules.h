// Module service: run-time loading of libraries and lookup of their entries.
// On POSIX, "ws2_32.dll" is provided by this layer itself (getaddrinfo,
// freeaddrinfo, getnameinfo with Winsock's error codes); other names go to dlopen.
#pragma once

#include "platform/Types.h"

#if !defined(_WIN32)
HMODULE LoadLibraryA(LPCSTR lpLibFileName);
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
BOOL FreeLibrary(HMODULE hLibModule);
// The module already loaded under that name, without a new reference; or null.
HMODULE GetModuleHandleA(LPCSTR lpModuleName);
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
#endif
