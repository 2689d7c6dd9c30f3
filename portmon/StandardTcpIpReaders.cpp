// Readers of the Standard TCP/IP monitors' port configuration.
// Still to come: until then they find nothing and write nothing.
#include "resolver/ZrAddrResolution.h"

int CZrAddrResolution::GetIPAddressFromStandardTCPIPPort(const char*, CString&) const { return 0; }

int CZrAddrResolution::GetIPAddressFromHPStandardTCPIPPort(const char*, CString&) const { return 0; }
