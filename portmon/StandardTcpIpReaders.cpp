// Readers of the Standard TCP/IP monitors' port configuration: the platform's
// monitor and HP's, which keep one subkey per port with "IPAddress" (an
// address text) and "HostName" (a host name or address text).
#include "portmon/PortConfigKey.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"

namespace {

const char kStandardTcpIpPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
const char kHPStandardTcpIpPorts[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\HP Standard TCP/IP Port\\Ports";

}  // namespace

int CZrAddrResolution::GetIPAddressFromStandardTCPIPPort(const char* port, CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromStandardTCPIPPort() Start !! : %s", port);
  zrportmon::CPortConfigKey key;
  if (!key.OpenPort(kStandardTcpIpPorts, port)) return 0;
  if (key.Read("IPAddress") && IsValidStringIPAddress(key.Text())) {
    address = key.Text();
    return 1;
  }
  if (!key.Read("HostName")) return 0;
  // The caller's string takes the lookup's output even when it failed.
  CString resolved;
  int found = GetIPAddressFromHostName(key.Text(), resolved);
  address = resolved;
  return found;
}

int CZrAddrResolution::GetIPAddressFromHPStandardTCPIPPort(const char* port, CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromHPStandardTCPIPPort() Start !! : %s", port);
  zrportmon::CPortConfigKey key;
  if (!key.OpenPort(kHPStandardTcpIpPorts, port)) return 0;
  if (key.Read("IPAddress") && (IsValidStringIPAddressIPv4(key.Text()) || IsValidStringIPAddressIPv6(key.Text()))) {
    address = key.Text();
    return 1;
  }
  if (!key.Read("HostName")) return 0;
  CString resolved;
  int found = GetIPAddressFromHostName(key.Text(), resolved);
  address = resolved;
  return found;
}
