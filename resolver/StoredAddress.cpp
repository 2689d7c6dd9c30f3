// The addresses the application recorded per port, as the last resort of the
// search. Read straight from the store's key, under the port name as given.
#include "portmon/RegKeyHolder.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"
#include "vdoem/VdOem.h"

namespace {

// The time-out for a stored host name; the registry's "GetIPAddress Timeout" overrides it.
const unsigned long kStoredHostTimeoutMs = 1000;

// The first colon stands after the first character.
bool LooksLikeIpx(const CString& text) { return text.Find(':') > 0; }

}  // namespace

int CZrAddrResolution::GetAddressFromRegistry(const char* port, CString& address,
                                              ZRMONITOR::ConnectionType* kind) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetAddressFromRegistry() start!! : %s", port);
  address.Empty();

  CRegKeyHolder key;
  if (key.Open(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, KEY_QUERY_VALUE) != ERROR_SUCCESS) return 0;
  char stored[260] = {};
  unsigned long count = sizeof stored;
  if (key.QueryStringValue(port, stored, &count) != ERROR_SUCCESS) return 0;
  address = stored;

  // IPv6 texts are asked about before the IPX rule: nearly all of them have
  // their first colon after the first character, and reported as IPX they
  // would send the application to IPX for an IP device.
  if (IsValidStringIPAddressIPv6(address)) {
    *kind = ZRMONITOR::CT_IP;
    return 1;
  }
  if (LooksLikeIpx(address)) {
    *kind = ZRMONITOR::CT_IPX;
    return 1;
  }
  if (IsValidStringIPAddressIPv4(address)) {
    *kind = ZRMONITOR::CT_IP;
    return 1;
  }

  // A host name (or the empty text, which the lookup refuses).
  CString resolved;
  if (GetIPAddressFromHostName(address, resolved, kStoredHostTimeoutMs) != 0) return 0;
  *kind = ZRMONITOR::CT_IP;
  address = resolved;
  return 1;
}
