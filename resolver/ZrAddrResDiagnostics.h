// Single steps of the resolution that a support tool shows on their own (the
// command-line tool's "pns"). Applications resolve through the entry points
// of CZrAddrResolution; these run the very same members.
#pragma once

#include "resolver/ZrAddrResolution.h"

struct ZRADDRRES_API ZrAddrResDiagnostics {
  // The UNC reader's PNS step for a port: the per-user flag, one discovery
  // exchange, its outcome recorded under the user's store key. 1 with the
  // device's address, 0 otherwise.
  static int AddressFromPNS(const CZrAddrResolution& resolver, const char* port, CString& address);
};
