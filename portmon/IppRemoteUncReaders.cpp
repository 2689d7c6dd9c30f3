// Ports whose name carries the address: Internet Print Provider ports named by
// a URL, ports named by an address or host name, and UNC ports, which the PNS
// discovery and then the SMB share list may resolve.
#include "portmon/PortConfigKey.h"
#include "portmon/PortNameParsing.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"

namespace {

const char kIppPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Providers\\Internet Print Provider\\Ports";

}  // namespace

int CZrAddrResolution::GetIPAddressFromIPP(const char* port, CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromIPP(with timeout) start!! : %s", port);
  // No value is read: the key's existence proves the port is the provider's.
  zrportmon::CPortConfigKey key;
  if (!key.OpenPort(kIppPorts, port)) return 0;
  // The host is taken without a port number and without IPv6 brackets, and a
  // secure URL is read like a plain one: "printer:631" or "[fe80::1]" never
  // resolves, although the device's name or address is right there.
  CString host;
  if (!zrportmon::GetIppHost(port, host)) return 0;
  if (IsValidStringIPAddressIPv4(host) || IsValidStringIPAddressIPv6(host)) {
    address = host;
    return 1;
  }
  return GetIPAddressFromHostName(host, address) ? 1 : 0;
}

int CZrAddrResolution::GetIPAddressFromRemotePort(const char* port, CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromRemotePort() Start !! : %s", port);
  const CString name(port);
  if (IsValidStringIPAddressIPv4(name) || IsValidStringIPAddressIPv6(name)) {
    address = name;
    return 1;
  }
  // "<host>:<queue>": the host part alone.
  CString candidate = name;
  CString head;
  if (zrportmon::GetTextBeforeLastColon(name, head)) {
    if (IsValidStringIPAddressIPv4(head) || IsValidStringIPAddressIPv6(head)) {
      address = head;
      return 1;
    }
    candidate = head;
  }
  if (GetIPAddressFromHostName(candidate, address)) return 1;

  // The Standard TCP/IP monitor names its ports "IP_<address>" by default.
  // It is tried after the lookup, so an address in it is still found after the
  // lookups of this object have timed out.
  CString rest;
  if (!zrportmon::GetTextAfterIPPrefix(name, rest)) return 0;
  if (IsValidStringIPAddress(rest)) {
    address = rest;
    return 1;
  }
  return GetIPAddressFromHostName(rest, address) ? 1 : 0;
}

int CZrAddrResolution::GetIPAddressFromUNC(const char* port, CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromUNC() Start !! : %s", port);
  // Each of the two decides itself whether it can handle the name.
  if (GetIPAddressFromPNS(port, address)) return 1;
  return GetIPAddressFromSMBPort(port, address) ? 1 : 0;
}
