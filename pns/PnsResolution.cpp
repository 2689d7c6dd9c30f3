// UNC names resolved through the PNS broadcast discovery.
// Still to come: until then nothing is found and nothing is written.
#include "resolver/ZrAddrResolution.h"

int CZrAddrResolution::GetIPAddressFromPNS(const char*, CString&) const { return 0; }
