#include "resolver/ZrAddrResDiagnostics.h"

int ZrAddrResDiagnostics::AddressFromPNS(const CZrAddrResolution& resolver, const char* port, CString& address) {
  return resolver.GetIPAddressFromPNS(port, address);
}

void ZrAddrResDiagnostics::MarkNameServerSilent(const CZrAddrResolution& resolver) { resolver.m_bTimeOuted = 1; }
