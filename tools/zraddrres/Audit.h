// What a support engineer asks before moving a printer to a new address:
// zraddrres who (everything that leads to an address or a host) and
// zraddrres store check (whether the recorded addresses still hold). Both
// answer from the same resolution as zraddrres ports (Outcome.h).
#pragma once

#include <string>

#include "tools/zraddrres/Ports.h"

namespace zrtool {

struct WhoOptions {
  std::string target;            // an IPv4, IPv6 or IPX address text, or a host name (ANSI)
  unsigned long timeout = 5000;  // milliseconds for each host-name lookup
  Format format = Format::Table;
  // Each port and stored host name on a resolver of its own: none goes
  // unchecked because an earlier lookup timed out.
  bool each = false;
};

// Every configured port that resolves to the address (or whose lookup was
// for the host), every printer that prints to one of those ports, and every
// stored entry that holds the address or the host, or a host name that
// resolves to the address; addresses compare by value, in any spelling.
// Ports and entries whose lookup timed out or was never made are listed as
// not checked. Exit 0 when something matched, 1 when nothing did, 2 for a
// target that is neither an address nor a host name.
int Who(const WhoOptions& options);

// Each stored entry against a fresh resolution of the port it is for (its
// own name, or the port of the printer it is named after): same, drifted,
// stale (no such port or printer is configured any more) or unresolved (the
// port has no address now but the stored one). Exit 1 when an entry drifted
// or the store cannot be read, else 0.
int StoreCheck(bool json, unsigned long timeout);

}  // namespace zrtool
