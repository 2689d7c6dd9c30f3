// The NT stand-in's entries under the real names. Without FAKE_NETAPI_PARTIAL
// all three; with it NetApiBufferFree is missing, as in a broken install.
#include "tests/support/fake_netapi/FakeNetApi.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

FAKE_EXPORT NET_API_STATUS NetShareEnum(LPWSTR server, DWORD level, LPBYTE* buffer, DWORD preferred, LPDWORD read,
                                        LPDWORD total, LPDWORD resume) {
  return FakeNetShareEnum(server, level, buffer, preferred, read, total, resume);
}
FAKE_EXPORT NET_API_STATUS NetServerGetInfo(LPWSTR server, DWORD level, LPBYTE* buffer) {
  return FakeNetServerGetInfo(server, level, buffer);
}
#if !FAKE_NETAPI_PARTIAL
FAKE_EXPORT NET_API_STATUS NetApiBufferFree(LPVOID buffer) { return FakeNetApiBufferFree(buffer); }
#endif
