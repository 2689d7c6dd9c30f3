// Code-page service: the ANSI code page and conversions to and from UTF-16.
// On POSIX: 1252 unless ZRADDRRES_ACP says otherwise (932 has Shift-JIS lead
// bytes); conversions go through iconv.
#pragma once

#include "platform/Types.h"

#if !defined(_WIN32)
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400

UINT GetACP();
BOOL IsDBCSLeadByte(BYTE TestChar);
int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar);
#endif
