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

// The datagram entries.
SOCKET WSAAPI FakeSocket(int family, int type, int protocol);
int WSAAPI FakeSetSockOpt(SOCKET s, int level, int name, const char* value, int length);
int WSAAPI FakeSendTo(SOCKET s, const char* data, int length, int flags, const sockaddr* to, int toLength);
int WSAAPI FakeSelect(int count, zrplatform::SocketSet* read, zrplatform::SocketSet* write,
                      zrplatform::SocketSet* except, const timeval* timeout);
int WSAAPI FakeRecvFrom(SOCKET s, char* data, int length, int flags, sockaddr* from, int* fromLength);
int WSAAPI FakeCloseSocket(SOCKET s);
int WSAAPI FakeWSAGetLastError(void);

// The script, set by the test through GetProcAddress.
FAKE_WS2_API void FakeWs2Reset(void);
FAKE_WS2_API void FakeWs2Answer(const char* name, const char* address);
FAKE_WS2_API void FakeWs2AnswerReverse(const char* address, const char* name);
FAKE_WS2_API void FakeWs2Block(const char* nameOrAddress);
FAKE_WS2_API void FakeWs2Release(void);
FAKE_WS2_API int FakeWs2Calls(const char* nameOrAddress);
FAKE_WS2_API int FakeWs2Blocked(void);
// Datagrams: none until enabled; a call made to fail with a Winsock code;
// replies readable once request N (from 1) has gone out; the requests sent
// (the whole length returned, at most size bytes copied; -1 past the last).
FAKE_WS2_API void FakeWs2EnableDatagrams(void);
FAKE_WS2_API void FakeWs2FailCall(const char* call, int code);
FAKE_WS2_API void FakeWs2QueueDatagram(int afterRequest, const char* bytes, int length);
FAKE_WS2_API int FakeWs2Request(int index, char* buffer, int size, char* destination, int destinationSize);
FAKE_WS2_API int FakeWs2OpenSockets(void);
}
