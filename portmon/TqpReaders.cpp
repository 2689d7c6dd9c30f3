// Readers of the TQP monitors' port configuration.
// Still to come: until then they find nothing and write nothing.
#include "resolver/ZrAddrResolution.h"

int CZrAddrResolution::GetIPAddressFromTQPPort(const char*, const char*, CString&) const { return 0; }

int CZrAddrResolution::GetIPAddressFromJNTQPPort(const char*, CString&) const { return 0; }

int CZrAddrResolution::GetIPAddressFromNECTQPPort(const char*, CString&) const { return 0; }
