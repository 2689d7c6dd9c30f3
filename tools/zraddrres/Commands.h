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
int RegImport(const std::string& file);
int RegExport(const std::string& key);

// The name of a ZRMONITOR::ConnectionType value: IP, IPX, NetWare or none.
const char* KindName(int kind);

}  // namespace zrtool
