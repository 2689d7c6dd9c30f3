#include "tools/zraddrres/Inventory.h"

#include <algorithm>
#include <cstring>
#include <set>

#include <ZrAddrResolution.h>

#include "platform/Modules.h"
#include "platform/Registry.h"
#include "platform/Spooler.h"
#include "vdoem/VdOem.h"

namespace zrtool {

namespace {

const char kMonitors[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
const char kPrinters[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
const char kIppPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Providers\\Internet Print Provider\\Ports";

// Where each monitor keeps its ports: one subkey per port, or one value per port.
struct PortSource {
  const char* monitor;
  bool subkeys;
};

const PortSource kSources[] = {
    {"Standard TCP/IP Port", true},
    {"HP Standard TCP/IP Port", true},
    {"LPR Port", true},
    {"Canon LPR Port", true},
    {"JN TCP/IP TQP Port", false},
    {"NEC TCP/IP TQP Port", false},
    {"JN Spoolbridge Port", false},
    {"\x82\x69\x82\x6D Spoolbridge Port", false},  // the NT line's key, written with two full-width letters
};

// Settings that share the store key but are not recorded addresses.
const char* const kStoreSettings[] = {"PNS", "PNSServer", "PNSDeviceAddress"};

std::vector<std::string> Names(HKEY root, const std::string& path, bool subkeys) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  for (DWORD index = 0;; ++index) {
    char name[16384];
    DWORD length = sizeof name;
    LONG rc = subkeys ? RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr)
                      : RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_SUCCESS) names.emplace_back(name, length);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) break;
  }
  RegCloseKey(key);
  return names;
}

// Port names compare without case, as the registry compares its names.
std::string Folded(const std::string& text) {
  CString upper(text.c_str());
  upper.MakeUpper();
  return std::string(upper, upper.GetLength());
}

// Whether a port has a subkey (or a value) of its own under a Ports key. A
// name with a backslash cannot be a subkey's: it would name a key further down.
bool Configures(const std::string& portsKey, const std::string& port, bool subkeys) {
  if (subkeys && CString(port.c_str()).Find('\\') >= 0) return false;
  HKEY key = nullptr;
  std::string path = subkeys ? portsKey + "\\" + port : portsKey;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  bool found = subkeys || RegQueryValueExA(key, port.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}

}  // namespace

std::vector<std::string> MonitorsConfiguring(const std::string& port) {
  std::vector<std::string> monitors;
  if (port.empty()) return monitors;
  for (const PortSource& source : kSources) {
    if (Configures(std::string(kMonitors) + source.monitor + "\\Ports", port, source.subkeys)) {
      monitors.push_back(source.monitor);
    }
  }
  if (Configures(kIppPorts, port, true)) monitors.push_back("Internet Print Provider");
  return monitors;
}

std::vector<PortEntry> SpoolerPorts() {
  std::vector<PortEntry> ports;
  DWORD needed = 0;
  DWORD count = 0;
  std::vector<BYTE> buffer;
  // The list may grow between the two calls: ask again with the new size.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (EnumPortsA(nullptr, 2, buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(buffer.size()), &needed,
                   &count)) {
      break;
    }
    count = 0;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return ports;
    buffer.resize(needed);
  }
  for (DWORD i = 0; i < count; ++i) {
    PORT_INFO_2A info;
    std::memcpy(&info, buffer.data() + i * sizeof info, sizeof info);
    if (info.pPortName == nullptr) continue;
    ports.push_back({info.pPortName, info.pMonitorName ? info.pMonitorName : ""});
  }
  return ports;
}

std::vector<PrinterEntry> CollectPrinters() {
  std::vector<PrinterEntry> printers;
  for (const std::string& name : Names(HKEY_LOCAL_MACHINE, kPrinters, true)) {
    PrinterEntry entry{name, std::string()};
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kPrinters) + "\\" + name).c_str(), 0, KEY_QUERY_VALUE, &key) ==
        ERROR_SUCCESS) {
      char data[1024] = {};
      DWORD size = sizeof data - 1;
      DWORD type = REG_NONE;
      if (RegQueryValueExA(key, "Port", nullptr, &type, reinterpret_cast<LPBYTE>(data), &size) == ERROR_SUCCESS &&
          (type == REG_SZ || type == REG_EXPAND_SZ)) {
        entry.port = data;
      }
      RegCloseKey(key);
    }
    printers.push_back(entry);
  }
  return printers;
}

std::string FoldedName(const std::string& name) { return Folded(name); }

bool SameName(const std::string& a, const std::string& b) { return zrplatform::SameRegistryName(a.c_str(), b.c_str()); }

bool PrintsTo(const PrinterEntry& printer, const std::string& port) {
  std::string::size_type at = 0;
  while (at <= printer.port.size()) {
    std::string::size_type comma = printer.port.find(',', at);
    std::string part = printer.port.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    while (!part.empty() && part.front() == ' ') part.erase(part.begin());
    while (!part.empty() && part.back() == ' ') part.pop_back();
    if (!part.empty() && SameName(part, port)) return true;
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return false;
}

bool StoreHolds(const std::string& port) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  bool held = RegQueryValueExA(key, port.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return held;
}

bool IsStoreSetting(const std::string& name) {
  return std::any_of(std::begin(kStoreSettings), std::end(kStoreSettings),
                     [&](const char* s) { return Folded(name) == Folded(s); });
}

std::vector<PortEntry> CollectPorts() {
  std::vector<PortEntry> entries;
  std::set<std::string> seen;
  auto add = [&](const std::string& port, const std::string& monitor) {
    if (port.empty() || !seen.insert(Folded(port)).second) return;
    entries.push_back({port, monitor});
  };
  for (const PortSource& source : kSources) {
    for (const std::string& port :
         Names(HKEY_LOCAL_MACHINE, std::string(kMonitors) + source.monitor + "\\Ports", source.subkeys)) {
      add(port, source.monitor);
    }
  }
  for (const std::string& port :
       Names(HKEY_LOCAL_MACHINE, kIppPorts, true)) {
    add(port, "Internet Print Provider");
  }
  for (const std::string& name : Names(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, false)) {
    if (!IsStoreSetting(name)) add(name, "address store");
  }
  return entries;
}

}  // namespace zrtool
