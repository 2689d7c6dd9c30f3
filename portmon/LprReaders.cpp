// Readers of the LPR monitors' port configuration: the platform's monitor and
// Canon's, which keep one subkey per port whose "Server Name" is the print
// server's address text or host name. They differ in what a failed lookup
// leaves in the caller's string.
#include "portmon/PortConfigKey.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"

namespace {

const char kLprPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\LPR Port\\Ports";
const char kCanonLprPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Canon LPR Port\\Ports";

}  // namespace

int CZrAddrResolution::GetIPAddressFromLPRPort(const char* port, CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromLPRPort() Start !! : %s", port);
  zrportmon::CPortConfigKey key;
  if (!key.OpenPort(kLprPorts, port) || !key.Read("Server Name")) return 0;
  if (IsValidStringIPAddressIPv4(key.Text()) || IsValidStringIPAddressIPv6(key.Text())) {
    address = key.Text();
    return 1;
  }
  // An empty server name goes to the lookup too, which refuses it. The
  // caller's string takes the lookup's output whatever the result.
  CString resolved;
  int found = GetIPAddressFromHostName(key.Text(), resolved);
  address = resolved;
  return found;
}

int CZrAddrResolution::GetIPAddressFromCanonLPRPort(const char* port, CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromCanonLPRPort() Start !! : %s", port);
  zrportmon::CPortConfigKey key;
  if (!key.OpenPort(kCanonLprPorts, port) || !key.Read("Server Name")) return 0;
  if (IsValidStringIPAddressIPv4(key.Text()) || IsValidStringIPAddressIPv6(key.Text())) {
    address = key.Text();
    return 1;
  }
  // Here the caller's string changes only when the lookup found an address.
  CString resolved;
  int found = GetIPAddressFromHostName(key.Text(), resolved);
  if (found) address = resolved;
  return found;
}
