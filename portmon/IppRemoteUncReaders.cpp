// Readers of Internet Print Provider ports, ports named by an address, and UNC ports.
// Still to come: until then they find nothing and write nothing.
#include "resolver/ZrAddrResolution.h"

int CZrAddrResolution::GetIPAddressFromIPP(const char*, CString&) const { return 0; }

int CZrAddrResolution::GetIPAddressFromRemotePort(const char*, CString&) const { return 0; }

int CZrAddrResolution::GetIPAddressFromUNC(const char*, CString&) const { return 0; }
