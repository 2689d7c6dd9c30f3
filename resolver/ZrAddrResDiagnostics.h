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

  // Puts a resolver in the state one of its host-name lookups timing out
  // leaves it in: it refuses further host-name lookups at once. A tool that
  // resolves a list of ports on several objects at once uses it to answer as
  // one object working through the list in order would, whatever the
  // scheduling.
  static void MarkNameServerSilent(const CZrAddrResolution& resolver);
};
