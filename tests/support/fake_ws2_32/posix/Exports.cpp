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
