// Network-management service: the records and entry points of the two
// libraries that list a server's shares, both loaded at run time and reached
// through GetProcAddress: NETAPI32.DLL (NT line, wide records) and SVRAPI.DLL
// (9x line, narrow records in the caller's buffer).
// On POSIX both modules are built into this layer (posix/NetApi.cpp) and
// answer through Samba's libnetapi.
#pragma once

#include "platform/Types.h"

#if defined(_WIN32)
#include <lmcons.h>
#include <lmerr.h>
#include <lmapibuf.h>
#include <lmserver.h>
#include <lmshare.h>
#else
#include "platform/Threads.h"  // WINAPI

typedef DWORD NET_API_STATUS;

#define NERR_Success 0
#define NERR_BufTooSmall 2123
#define MAX_PREFERRED_LENGTH ((DWORD)-1)
#define LM20_NNLEN 12

#define STYPE_DISKTREE 0
#define STYPE_PRINTQ 1
#define STYPE_DEVICE 2
#define STYPE_IPC 3
#define STYPE_TEMPORARY 0x40000000
#define STYPE_SPECIAL 0x80000000

typedef struct _SHARE_INFO_1 {
  LPWSTR shi1_netname;
  DWORD shi1_type;
  LPWSTR shi1_remark;
} SHARE_INFO_1;

typedef struct _SERVER_INFO_101 {
  DWORD sv101_platform_id;
  LPWSTR sv101_name;
  DWORD sv101_version_major;
  DWORD sv101_version_minor;
  DWORD sv101_type;
  LPWSTR sv101_comment;
} SERVER_INFO_101;
#endif

// The 9x line's level-1 share record, as SVRAPI.DLL lays it out (svrapi.h;
// its declarations clash with lmshare.h's, so the layout is restated here).
// 20 bytes in a 32-bit process, 24 in a 64-bit one.
#pragma pack(push, 1)
struct share_info_1 {
  char shi1_netname[LM20_NNLEN + 1];
  char shi1_pad1;
  unsigned short shi1_type;
  char* shi1_remark;
};
#pragma pack(pop)

// NETAPI32.DLL
typedef NET_API_STATUS(WINAPI* NetShareEnumFn)(LPWSTR servername, DWORD level, LPBYTE* bufptr, DWORD prefmaxlen,
                                               LPDWORD entriesread, LPDWORD totalentries, LPDWORD resume_handle);
typedef NET_API_STATUS(WINAPI* NetServerGetInfoFn)(LPWSTR servername, DWORD level, LPBYTE* bufptr);
typedef NET_API_STATUS(WINAPI* NetApiBufferFreeFn)(LPVOID buffer);
// SVRAPI.DLL: the records and their texts go into the caller's buffer, whose
// size is a 16-bit count, as are the counts of shares read and available.
typedef NET_API_STATUS(WINAPI* NetShareEnum9xFn)(const char* pszServer, short sLevel, char* pbBuffer,
                                                 unsigned short cbBuffer, unsigned short* pcEntriesRead,
                                                 unsigned short* pcTotalAvail);
