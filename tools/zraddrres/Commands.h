// The tool's commands, each returning the process exit status:
// 0 done (every port resolved), 1 some port not resolved or an operation
// failed, 2 bad usage.
#pragma once

#include <string>
#include <vector>

namespace zrtool {

enum class Entry { Full, IP, IPX };

struct ResolveOptions {
  std::vector<std::string> ports;
  Entry entry = Entry::Full;
  bool json = false;
  bool trace = false;
};

int Resolve(const ResolveOptions& options);

struct LookupOptions {
  std::string text;            // host name (host) or address text (reverse)
  unsigned long timeout = 5000;  // milliseconds; the registry's setting overrides it
  bool json = false;
  bool trace = false;
};

// Host name to address, and address to host name; exit 1 when not found or timed out.
int Host(const LookupOptions& options);
int Reverse(const LookupOptions& options);
struct PnsOptions {
  std::string name;  // a UNC name, \\server\queue
  bool json = false;
  bool trace = false;
};

// One PNS discovery for a UNC name, as the UNC reader runs it: what was
// chosen (and recorded for the user) and the address taken from it; exit 1
// when no address came of it, 2 for a name that is no UNC name.
int Pns(const PnsOptions& options);

// The host name of a printer's direct TCP/IP port; exit 1 when it has none.
int Printer(const std::string& printer, bool json);

// The name of a ZRMONITOR::ConnectionType value: IP, IPX, NetWare or none.
const char* KindName(int kind);

}  // namespace zrtool
