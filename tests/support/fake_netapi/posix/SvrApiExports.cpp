// The 9x stand-in's entry under the real name; missing with FAKE_NETAPI_PARTIAL.
#include "tests/support/fake_netapi/FakeNetApi.h"

#if !FAKE_NETAPI_PARTIAL
extern "C" __attribute__((visibility("default"))) NET_API_STATUS NetShareEnum(const char* server, short level,
                                                                               char* buffer, unsigned short size,
                                                                               unsigned short* read,
                                                                               unsigned short* total) {
  return FakeNetShareEnum9x(server, level, buffer, size, read, total);
}
#endif
