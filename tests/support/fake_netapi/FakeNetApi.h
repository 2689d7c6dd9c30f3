// Stand-ins for tests of the two share-list libraries: netapi32.dll (the NT
// line's NetShareEnum, NetServerGetInfo, NetApiBufferFree) and svrapi.dll (the
// 9x line's NetShareEnum). Every server gets the scripted share list, or the
// scripted failure. Each module keeps its own script; the Fake* entries are
// exported under the real entries' names by the per-target export files.
#pragma once

#include "platform/Export.h"
#include "platform/NetApi.h"

#if defined(FAKE_NETAPI_BUILD)
#define FAKE_NETAPI_API ZR_DLL_EXPORT
#else
#define FAKE_NETAPI_API ZR_DLL_IMPORT
#endif

extern "C" {

// netapi32.dll
NET_API_STATUS WINAPI FakeNetShareEnum(LPWSTR server, DWORD level, LPBYTE* buffer, DWORD preferred, LPDWORD read,
                                       LPDWORD total, LPDWORD resume);
NET_API_STATUS WINAPI FakeNetServerGetInfo(LPWSTR server, DWORD level, LPBYTE* buffer);
NET_API_STATUS WINAPI FakeNetApiBufferFree(LPVOID buffer);
// svrapi.dll
NET_API_STATUS WINAPI FakeNetShareEnum9x(const char* server, short level, char* buffer, unsigned short size,
                                         unsigned short* read, unsigned short* total);

// The script, set by the test through GetProcAddress. Texts are ANSI; the
// NT stand-in answers them as wide text of the ANSI code page.
FAKE_NETAPI_API void FakeShareListReset(void);
FAKE_NETAPI_API void FakeShareListAdd(const char* name, DWORD type, const char* remark);
// NetShareEnum answers this code (with no records) until the next reset.
FAKE_NETAPI_API void FakeShareListFail(DWORD status);
// How often an entry (by its real name) was called since the reset.
FAKE_NETAPI_API int FakeShareListCalls(const char* entry);
// The server the last NetShareEnum was asked for, as ANSI text.
FAKE_NETAPI_API void FakeShareListServer(char* text, int size);
// svrapi.dll: the buffer size of the last NetShareEnum call that gave a buffer.
FAKE_NETAPI_API unsigned FakeShareListBufferSize(void);
// netapi32.dll: buffers given out and not yet released.
FAKE_NETAPI_API int FakeShareListOutstanding(void);
}
