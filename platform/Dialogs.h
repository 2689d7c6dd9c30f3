// User-interface service: the one message box the library shows.
// On POSIX the box is a line on standard error.
#pragma once

#include "platform/Types.h"

#if !defined(_WIN32)
#define MB_OK 0x00000000L
#define MB_ICONERROR 0x00000010L
#define IDOK 1

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
#endif
