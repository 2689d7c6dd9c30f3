// Every port the library knows how to read: the ports configured under the
// port monitors and the Internet Print Provider, and the names recorded in the
// address store, each with where it was found.
#pragma once

#include <string>
#include <vector>

namespace zrtool {

struct PortEntry {
  std::string port;
  std::string monitor;  // the monitor's key name, "Internet Print Provider" or "address store"
};

// In a fixed order (monitors first, then the store); a name found twice is
// listed once, under the first place it was found.
std::vector<PortEntry> CollectPorts();

// The monitors (and the Internet Print Provider) that configure a port, in
// the order CollectPorts visits them: whatever Windows line reads them.
std::vector<std::string> MonitorsConfiguring(const std::string& port);

// The ports the spooler itself reports (EnumPorts), each with its monitor's
// name. Windows only: the POSIX platform layer has no spooler ports.
std::vector<PortEntry> SpoolerPorts();

// A printer of the registry's printers key and the port text the spooler
// keeps for it (several ports are one text, separated by commas).
struct PrinterEntry {
  std::string printer;
  std::string port;
};
std::vector<PrinterEntry> CollectPrinters();

// Whether a printer's port text names the port (one of its comma-separated
// ports, compared as the registry compares names).
bool PrintsTo(const PrinterEntry& printer, const std::string& port);

// Whether two port or entry names are one, as the registry compares names.
bool SameName(const std::string& a, const std::string& b);

// A name without case, as CString upper-cases it: a key for finding names.
std::string FoldedName(const std::string& name);
// Whether the address store holds a value named exactly like the port.
bool StoreHolds(const std::string& port);

// The PNS settings kept beside the entries in the store's key ("PNS",
// "PNSServer", "PNSDeviceAddress"): not recorded addresses.
bool IsStoreSetting(const std::string& name);

}  // namespace zrtool
