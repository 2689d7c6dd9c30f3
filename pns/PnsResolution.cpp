// UNC names resolved through the PNS broadcast discovery: the devices'
// servers answer with the address behind the name.
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"

namespace {

const unsigned short kPnsPort = 14717;

bool BeginsWithTwoBackslashes(const char* text) { return text != nullptr && text[0] == '\\' && text[1] == '\\'; }

}  // namespace

int CZrAddrResolution::GetIPAddressFromPNS(const char* port, CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromPNS() Start !! : %s", port);
  CString server;
  CString device;
  unsigned long use = 1;
  GetPNSUseFlag(use);
  if (use == 0) {
    address.Empty();
    return 0;
  }
  // Only a UNC name is asked for; the exchange's result is told by the texts.
  if (BeginsWithTwoBackslashes(port)) PnsUdpBroadcast(kPnsPort, port, server, device);
  // Recorded whatever came of it, so the values describe the last attempt.
  SetPNSServer(server);
  SetPNSDevice(device);
  if (server.IsEmpty() || device.IsEmpty() || BeginsWithTwoBackslashes(device)) return 0;
  if (IsValidStringIPAddressIPv4(device) || IsValidStringIPAddressIPv6(device)) {
    address = device;
    return 1;
  }
  return 0;
}
