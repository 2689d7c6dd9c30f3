// The tests' door to the resolver's private steps.
#pragma once

#include "resolver/ZrAddrResolution.h"

struct ZrAddrResolutionTestAccess {
  // The short host-name lookup the port readers use.
  static int ShortLookup(const CZrAddrResolution& resolver, const char* host, CString& address) {
    return resolver.GetIPAddressFromHostName(host, address);
  }
  static unsigned long TimeoutValue(const char* valueName, unsigned long defaultTimeout) {
    return CZrAddrResolution::GetTimeoutValue(valueName, defaultTimeout);
  }
  static int Spoolbridge(const CZrAddrResolution& resolver, const char* port, CString& address, int& abort) {
    return resolver.GetIPXAddressFromSpoolbridgePort(port, address, abort);
  }
  static int PnsUdpBroadcast(const CZrAddrResolution& resolver, const char* name, CString& server, CString& device) {
    return resolver.PnsUdpBroadcast(14717, name, server, device);
  }
  static int AddressFromPNS(const CZrAddrResolution& resolver, const char* port, CString& address) {
    return resolver.GetIPAddressFromPNS(port, address);
  }
  static void GetPNSUseFlag(const CZrAddrResolution& resolver, unsigned long& flag) { resolver.GetPNSUseFlag(flag); }
  static void SetPNSServer(const CZrAddrResolution& resolver, const char* text) { resolver.SetPNSServer(text); }
  static void SetPNSDevice(const CZrAddrResolution& resolver, const char* text) { resolver.SetPNSDevice(text); }
  static int StoredAddress(const CZrAddrResolution& resolver, const char* port, CString& address,
                           ZRMONITOR::ConnectionType* kind) {
    return resolver.GetAddressFromRegistry(port, address, kind);
  }
};
