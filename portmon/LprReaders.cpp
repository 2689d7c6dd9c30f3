// Readers of the LPR monitors' port configuration.
// Still to come: until then they find nothing and write nothing.
#include "resolver/ZrAddrResolution.h"

int CZrAddrResolution::GetIPAddressFromLPRPort(const char*, CString&) const { return 0; }

int CZrAddrResolution::GetIPAddressFromCanonLPRPort(const char*, CString&) const { return 0; }
