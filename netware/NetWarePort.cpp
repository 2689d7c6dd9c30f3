// NetWare queue ports resolved through the NetWare client.
// Still to come: until then every name is "nothing found" (-4) and nothing is written.
#include "resolver/ZrAddrResolution.h"

int GetIPXAddressFromNetWarePort(const char*, CString&) { return -4; }
