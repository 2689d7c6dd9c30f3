// The addresses the application recorded per port, as the last resort of the search.
// Still to come: until then nothing is found and neither the address nor the kind is written.
#include "resolver/ZrAddrResolution.h"

int CZrAddrResolution::GetAddressFromRegistry(const char*, CString&, ZRMONITOR::ConnectionType*) const { return 0; }
