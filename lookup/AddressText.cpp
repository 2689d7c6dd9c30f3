// Whether a text already is a network address, so callers can skip a lookup.
#include "framework/Mbcs.h"
#include "lookup/SocketLibrary.h"
#include "platform/Modules.h"
#include "platform/Sockets.h"
#include "resolver/ZrAddrResolution.h"

int CZrAddrResolution::IsValidStringIPAddress(const char* text) {
  if (IsValidStringIPAddressIPv4(text)) return 1;
  return IsValidStringIPAddressIPv6(text) ? 1 : 0;
}

// A purely syntactic scan: three dots and runs of at most three ASCII digits.
// Part values, empty parts and leading zeros are not checked.
int CZrAddrResolution::IsValidStringIPAddressIPv4(const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  int dots = 0;
  int digits = 0;
  for (const char* p = text; *p != '\0'; p += zrframework::Mbcs::CharLength(p)) {
    std::size_t length = zrframework::Mbcs::CharLength(p);
    if (length == 1 && *p >= '0' && *p <= '9') {
      if (++digits > 3) return 0;
    } else if (length == 1 && *p == '.') {
      if (++dots > 3) return 0;
      digits = 0;
    } else {
      return 0;  // anything else, a double-byte (full-width) digit included
    }
  }
  return dots == 3 ? 1 : 0;
}

// Only the platform's numeric parser decides; no name is ever looked up.
int CZrAddrResolution::IsValidStringIPAddressIPv6(const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  HMODULE socketLibrary = zrlookup::SocketLibrary();
  if (socketLibrary == nullptr) return 0;
  zrplatform::GetAddrInfoFn getAddrInfo =
      reinterpret_cast<zrplatform::GetAddrInfoFn>(GetProcAddress(socketLibrary, "getaddrinfo"));
  zrplatform::FreeAddrInfoFn freeAddrInfo =
      reinterpret_cast<zrplatform::FreeAddrInfoFn>(GetProcAddress(socketLibrary, "freeaddrinfo"));
  if (getAddrInfo == nullptr || freeAddrInfo == nullptr) return 0;

  addrinfo hints = {};
  hints.ai_flags = AI_NUMERICHOST;
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* list = nullptr;
  int result = getAddrInfo(text, "", &hints, &list);
  int isIPv6 = (result == 0 && list != nullptr && list->ai_family == AF_INET6) ? 1 : 0;
  if (list != nullptr) freeAddrInfo(list);
  return isIPv6;
}
