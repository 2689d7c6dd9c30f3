// clxwin32: connections. A connection handle is the file server's place in
// the described network, counted from 1; the primary connection's reference too.
#include "tests/support/nwstandin/Network.h"

using nwstandin::Session;

namespace {

const NWCCODE c_nServerUnknown = 0x8847;
const NWCCODE c_nNoPrimary = 0x8801;

}  // namespace

NWSTANDIN_EXPORT NWCCODE NWAPI NWCCOpenConnByName(NWCONN_HANDLE, const char* name, std::uint32_t, std::uint32_t,
                                                  std::uint32_t, NWCONN_HANDLE* conn) {
  Session s("NWCCOpenConnByName");
  FAIL_ON_REQUEST(s);
  const auto& servers = s.Net().servers;
  for (std::size_t i = 0; name != nullptr && i < servers.size(); ++i) {
    if (nwstandin::SameText(servers[i].name, name)) {
      *conn = static_cast<NWCONN_HANDLE>(i + 1);
      return 0;
    }
  }
  return c_nServerUnknown;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWCCCloseConn(NWCONN_HANDLE) {
  Session s("NWCCCloseConn");
  FAIL_ON_REQUEST(s);
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWCCGetAllConnInfo(NWCONN_HANDLE, std::uint32_t, void*) {
  Session s("NWCCGetAllConnInfo");
  FAIL_ON_REQUEST(s);
  return c_nServerUnknown;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWCCGetPrimConnRef(NWCONN_REF* reference) {
  Session s("NWCCGetPrimConnRef");
  FAIL_ON_REQUEST(s);
  if (s.Net().primary < 0) return c_nNoPrimary;
  *reference = static_cast<NWCONN_REF>(s.Net().primary + 1);
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWCCOpenConnByRef(NWCONN_REF reference, std::uint32_t, std::uint32_t,
                                                 NWCONN_HANDLE* conn) {
  Session s("NWCCOpenConnByRef");
  FAIL_ON_REQUEST(s);
  if (reference == 0 || reference > s.Net().servers.size()) return c_nServerUnknown;
  *conn = reference;
  return 0;
}
