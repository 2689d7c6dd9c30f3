// zraddrres ports: every known port, each resolved, in parallel.
#pragma once

namespace zrtool {

enum class Format { Table, Json, Csv };

struct PortsOptions {
  Format format = Format::Table;
  int jobs = 64;  // the most resolver objects working at once
  bool progress = true;  // a progress bar on standard error when it is a terminal
  bool spooler = true;   // also list the ports only the spooler knows (not for an export: another machine's)
};

int Ports(const PortsOptions& options);

}  // namespace zrtool
