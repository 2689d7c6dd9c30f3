// The entries under the socket library's own names. In a module loaded with
// RTLD_LOCAL they are seen only through its handle, never by the rest of the
// process, which keeps the C library's.
#include "tests/support/fake_ws2_32/FakeWs2.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

#if FAKE_WS2_PROTOCOL_INDEPENDENT
FAKE_EXPORT int getaddrinfo(const char* node, const char* service, const addrinfo* hints, addrinfo** result) {
  return FakeGetAddrInfo(node, service, hints, result);
}
FAKE_EXPORT void freeaddrinfo(addrinfo* list) { FakeFreeAddrInfo(list); }
FAKE_EXPORT int getnameinfo(const sockaddr* address, socklen_t length, char* host, socklen_t hostLength,
                            char* service, socklen_t serviceLength, int flags) {
  return FakeGetNameInfo(address, length, host, hostLength, service, serviceLength, flags);
}
#endif
FAKE_EXPORT hostent* gethostbyname(const char* name) { return FakeGetHostByName(name); }
FAKE_EXPORT hostent* gethostbyaddr(const void* address, socklen_t length, int family) {
  return FakeGetHostByAddr(static_cast<const char*>(address), static_cast<int>(length), family);
}
// The datagram entries with Winsock's signatures, under the names the library
// looks up. The C library declares some of those names with its own
// signatures, so the symbols are named through asm labels.
FAKE_EXPORT SOCKET FakeSocketEntry(int family, int type, int protocol) __asm__("socket");
SOCKET FakeSocketEntry(int family, int type, int protocol) { return FakeSocket(family, type, protocol); }
FAKE_EXPORT int FakeSetSockOptEntry(SOCKET s, int level, int name, const char* value, int length) __asm__("setsockopt");
int FakeSetSockOptEntry(SOCKET s, int level, int name, const char* value, int length) {
  return FakeSetSockOpt(s, level, name, value, length);
}
FAKE_EXPORT int FakeSendToEntry(SOCKET s, const char* data, int length, int flags, const sockaddr* to, int toLength)
    __asm__("sendto");
int FakeSendToEntry(SOCKET s, const char* data, int length, int flags, const sockaddr* to, int toLength) {
  return FakeSendTo(s, data, length, flags, to, toLength);
}
FAKE_EXPORT int FakeSelectEntry(int count, zrplatform::SocketSet* read, zrplatform::SocketSet* write, zrplatform::SocketSet* except, const timeval* timeout)
    __asm__("select");
int FakeSelectEntry(int count, zrplatform::SocketSet* read, zrplatform::SocketSet* write, zrplatform::SocketSet* except, const timeval* timeout) {
  return FakeSelect(count, read, write, except, timeout);
}
FAKE_EXPORT int FakeRecvFromEntry(SOCKET s, char* data, int length, int flags, sockaddr* from, int* fromLength)
    __asm__("recvfrom");
int FakeRecvFromEntry(SOCKET s, char* data, int length, int flags, sockaddr* from, int* fromLength) {
  return FakeRecvFrom(s, data, length, flags, from, fromLength);
}
FAKE_EXPORT int FakeCloseSocketEntry(SOCKET s) __asm__("closesocket");
int FakeCloseSocketEntry(SOCKET s) { return FakeCloseSocket(s); }
FAKE_EXPORT int FakeLastErrorEntry() __asm__("WSAGetLastError");
int FakeLastErrorEntry() { return FakeWSAGetLastError(); }
