// The three entry points from a port name: they order the readers, pass the
// port name and the caller's string along, and set the kind of address found.
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"

namespace {

typedef int (CZrAddrResolution::*PortReader)(const char* port, CString& address) const;

}  // namespace

int CZrAddrResolution::GetAddressFromPort(const char* port, CString& address,
                                          ZRMONITOR::ConnectionType* kind) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "------------- GetAddressFromPort() start! : %s", port);
  *kind = ZRMONITOR::CT_NONE;

  // A refusal logs its own finish line.
  if (!IsValidPortName(port)) return 0;

  int abort = 0;
  if (GetIPXAddressFromSpoolbridgePort(port, address, abort)) {
    *kind = ZRMONITOR::CT_IPX;
  } else if (abort) {
    NLogZrAddrRes::GetSession()->LogWrite(
        ZRLOG_PROGRESS,
        "GetIPXAddressFromSpoolbridgePort() This Port may be a NT SpoolbridgePort(AddresResolution Aborted) !! : %s",
        port);
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "------------- GetAddressFromPort() finish! : %s", port);
    return 0;
  } else if (GetIPAddressFromPort(port, address, kind)) {
    // the IP chain has set the kind
  } else if (port[0] == '\\' && port[1] == '\\' && GetIPXAddressFromNetWarePort(port, address) == 0) {
    *kind = ZRMONITOR::CT_NETWARE;
  } else if (!GetAddressFromRegistry(port, address, kind)) {
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "------------- GetAddressFromPort() finish(Not Resolved)! : %s",
                                          port);
    return 0;
  }

  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "------------- GetAddressFromPort() finish! : %s", port);
  return 1;
}

int CZrAddrResolution::GetIPAddressFromPort(const char* port, CString& address,
                                            ZRMONITOR::ConnectionType* kind) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromPort() Start !! : %s", port);
  *kind = ZRMONITOR::CT_IP;
  if (!IsValidPortName(port)) {
    *kind = ZRMONITOR::CT_NONE;
    return 0;
  }

  // The chain of readers of each Windows line, in the order they are tried.
  static const PortReader kNT5OrLater[] = {
      &CZrAddrResolution::GetIPAddressFromStandardTCPIPPort,   &CZrAddrResolution::GetIPAddressFromIPP,
      &CZrAddrResolution::GetIPAddressFromLPRPort,             &CZrAddrResolution::GetIPAddressFromHPStandardTCPIPPort,
      &CZrAddrResolution::GetIPAddressFromRemotePort,          &CZrAddrResolution::GetIPAddressFromSMBPort,
  };
  static const PortReader kNT4[] = {
      &CZrAddrResolution::GetIPAddressFromLPRPort,
      &CZrAddrResolution::GetIPAddressFromHPStandardTCPIPPort,
      &CZrAddrResolution::GetIPAddressFromRemotePort,
      &CZrAddrResolution::GetIPAddressFromSMBPort,
  };
  static const PortReader kOther[] = {
      &CZrAddrResolution::GetIPAddressFromJNTQPPort,     &CZrAddrResolution::GetIPAddressFromNECTQPPort,
      &CZrAddrResolution::GetIPAddressFromCanonLPRPort,  &CZrAddrResolution::GetIPAddressFromHPStandardTCPIPPort,
      &CZrAddrResolution::GetIPAddressFromUNC,
  };

  const PortReader* first = kOther;
  const PortReader* last = kOther + sizeof kOther / sizeof kOther[0];
  if (m_bWindows2000OrLater) {
    first = kNT5OrLater;
    last = kNT5OrLater + sizeof kNT5OrLater / sizeof kNT5OrLater[0];
  } else if (m_bWindowsNT4) {
    first = kNT4;
    last = kNT4 + sizeof kNT4 / sizeof kNT4[0];
  }
  for (const PortReader* reader = first; reader != last; ++reader) {
    if ((this->**reader)(port, address)) return 1;
  }
  *kind = ZRMONITOR::CT_NONE;
  return 0;
}

int CZrAddrResolution::GetIPXAddressFromPort(const char* port, CString& address,
                                             ZRMONITOR::ConnectionType* kind) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPXAddressFromPort() Start !! : %s", port);
  *kind = ZRMONITOR::CT_NONE;
  if (!IsValidPortName(port)) return 0;

  int abort = 0;
  if (GetIPXAddressFromSpoolbridgePort(port, address, abort)) {
    *kind = ZRMONITOR::CT_IPX;
    return 1;
  }
  if (abort) return 0;
  if (GetIPXAddressFromNetWarePort(port, address) == 0) {
    *kind = ZRMONITOR::CT_NETWARE;
    return 1;
  }
  return 0;
}
