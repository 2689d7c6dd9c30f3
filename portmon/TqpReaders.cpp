// Readers of the TQP monitors, the maker's own and NEC's. They keep no subkey
// per port: their "Ports" key holds one string value per port, named by the
// port name, whose data is the printer's address text or host name.
#include "portmon/PortConfigKey.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"

namespace {

const char kJNTqpPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\JN TCP/IP TQP Port\\Ports";
const char kNECTqpPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\NEC TCP/IP TQP Port\\Ports";

}  // namespace

int CZrAddrResolution::GetIPAddressFromTQPPort(const char* monitorPortsKey, const char* port,
                                               CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromTQPPort() Start !! : %s", port);
  // An empty value name is the key's default value, which belongs to no port.
  if (port == nullptr || *port == '\0') return 0;
  zrportmon::CPortConfigKey key;
  if (!key.Open(monitorPortsKey) || !key.Read(port)) return 0;
  if (IsValidStringIPAddressIPv4(key.Text()) || IsValidStringIPAddressIPv6(key.Text())) {
    address = key.Text();
    return 1;
  }
  CString resolved;
  int found = GetIPAddressFromHostName(key.Text(), resolved);
  if (found) address = resolved;
  return found;
}

int CZrAddrResolution::GetIPAddressFromJNTQPPort(const char* port, CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromJNTQPPort() Start !! : %s", port);
  return GetIPAddressFromTQPPort(kJNTqpPorts, port, address);
}

int CZrAddrResolution::GetIPAddressFromNECTQPPort(const char* port, CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromNECTQPPort() Start !! : %s", port);
  return GetIPAddressFromTQPPort(kNECTqpPorts, port, address);
}
