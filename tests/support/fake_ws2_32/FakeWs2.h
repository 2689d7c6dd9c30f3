// A stand-in socket library for tests: the name-service entries of ws2_32.dll
// answered from a script, with calls that can be held until released.
// The Fake* functions are exported under the real entries' names
// (getaddrinfo, ...) by the per-target export files.
#pragma once

#include "platform/Export.h"
#include "platform/Sockets.h"

#if defined(FAKE_WS2_BUILD)
#define FAKE_WS2_API ZR_DLL_EXPORT
#else
#define FAKE_WS2_API ZR_DLL_IMPORT
#endif

extern "C" {

// The name-service entries.
int WSAAPI FakeGetAddrInfo(const char* node, const char* service, const addrinfo* hints, addrinfo** result);
void WSAAPI FakeFreeAddrInfo(addrinfo* list);
int WSAAPI FakeGetNameInfo(const sockaddr* address, socklen_t length, char* host, DWORD hostLength, char* service,
                           DWORD serviceLength, int flags);
hostent* WSAAPI FakeGetHostByName(const char* name);
hostent* WSAAPI FakeGetHostByAddr(const char* address, int length, int family);

// The script, set by the test through GetProcAddress.
FAKE_WS2_API void FakeWs2Reset(void);
FAKE_WS2_API void FakeWs2Answer(const char* name, const char* address);
FAKE_WS2_API void FakeWs2AnswerReverse(const char* address, const char* name);
FAKE_WS2_API void FakeWs2Block(const char* nameOrAddress);
FAKE_WS2_API void FakeWs2Release(void);
FAKE_WS2_API int FakeWs2Calls(const char* nameOrAddress);
FAKE_WS2_API int FakeWs2Blocked(void);
}
