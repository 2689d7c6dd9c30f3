// Registry service: the advapi32 calls the library and its tools make.
// On POSIX the two hives HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER live in
// REGEDIT4 text files (see platform/posix/Registry.cpp for the rules).
#pragma once

#include "platform/Types.h"

#if !defined(_WIN32)

#define HKEY_CLASSES_ROOT ((HKEY)(std::uintptr_t)0x80000000UL)
#define HKEY_CURRENT_USER ((HKEY)(std::uintptr_t)0x80000001UL)
#define HKEY_LOCAL_MACHINE ((HKEY)(std::uintptr_t)0x80000002UL)
#define HKEY_USERS ((HKEY)(std::uintptr_t)0x80000003UL)

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define REG_OPTION_NON_VOLATILE 0
#define REG_OPTION_VOLATILE 1
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
struct FILETIME;
typedef FILETIME* PFILETIME;

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                     REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                     LPDWORD lpdwDisposition);
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData);
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData);
LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
LONG RegCloseKey(HKEY hKey);
LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                   LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime);
LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
LONG RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey);

#endif

namespace zrplatform {

// Whether two value names (ANSI text of the process's code page) name the
// same value, as the registry decides it: without regard to case, full-width
// letters included. Null is the empty name.
bool SameRegistryName(const char* a, const char* b);

// The text of the last registry error that has more to say than its code
// (on POSIX: a malformed hive file with its path and line, a hive lock held
// too long, a file or folder refused, a key name the hive cannot hold).
// Empty otherwise.
const char* RegistryErrorText();

}  // namespace zrplatform
