// zraddrres ports: every known port, each resolved, in parallel.
#pragma once

#include <string>

namespace zrtool {

enum class Format { Table, Json, Csv };

struct PortsOptions {
  Format format = Format::Table;
  int jobs = 64;  // the most resolver objects working at once
  bool progress = true;  // a progress bar on standard error when it is a terminal
  bool spooler = true;   // also list the ports only the spooler knows (not for an export: another machine's)
  std::string html;      // also write the inventory as a page here (the file system's name, as typed)
};

int Ports(const PortsOptions& options);

}  // namespace zrtool
