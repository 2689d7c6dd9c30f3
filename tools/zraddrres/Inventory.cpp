#include "tools/zraddrres/Inventory.h"

#include <algorithm>
#include <set>

#include <ZrAddrResolution.h>

#include "platform/Registry.h"
#include "vdoem/VdOem.h"

namespace zrtool {

namespace {

const char kMonitors[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
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
