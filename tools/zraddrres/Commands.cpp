#include "tools/zraddrres/Commands.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>

#include <ZrAddrResDiagnostics.h>
#include <ZrAddrResolution.h>

#include "platform/RegImport.h"
#include "tools/zraddrres/Text.h"
#include "vdoem/VdOem.h"
#include "zrlogging/ZrLogging.h"

namespace zrtool {

namespace {

// --trace: the library's lines for the call, on standard error as they come.
void TraceToStderr(void*, ZrLoggingEvent event, const char* name, unsigned long level, const char* text) {
  if (event != ZRLOGGING_EVENT_WRITE) return;
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  std::fprintf(stderr, "  [%s %2lu] %s\n", name, level, text);
}

}  // namespace

const char* KindName(int kind) {
  switch (kind) {
    case ZRMONITOR::CT_IP: return "IP";
    case ZRMONITOR::CT_IPX: return "IPX";
    case ZRMONITOR::CT_NETWARE: return "NetWare";
    default: return "none";
  }
}

int Resolve(const ResolveOptions& options) {
  CZrAddrResolution resolver;
  nlohmann::json results = nlohmann::json::array();
  bool allFound = true;
  for (const std::string& port : options.ports) {
    if (options.trace) {
      std::fprintf(stderr, "trace of %s:\n", port.c_str());
      ZrLoggingSetHook(&TraceToStderr, nullptr);
    }
    CString address;
    ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
    int found = 0;
    switch (options.entry) {
      case Entry::Full: found = resolver.GetAddressFromPort(port.c_str(), address, &kind); break;
      case Entry::IP: found = resolver.GetIPAddressFromPort(port.c_str(), address, &kind); break;
      case Entry::IPX: found = resolver.GetIPXAddressFromPort(port.c_str(), address, &kind); break;
    }
    if (options.trace) ZrLoggingSetHook(nullptr, nullptr);
    allFound = allFound && found;
    // After a miss the library's string holds whatever a reader left: not an answer.
    std::string text = found ? std::string(address, address.GetLength()) : std::string();
    if (options.json) {
      results.push_back({{"port", port}, {"resolved", found != 0}, {"address", text}, {"kind", static_cast<int>(kind)},
                         {"kindName", KindName(kind)}});
    } else {
      std::printf("%s\t%s\t%s\n", port.c_str(), found ? text.c_str() : "-", KindName(kind));
    }
  }
  if (options.json) std::printf("%s\n", results.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  return allFound ? 0 : 1;
}

namespace {

// Tells the three outcomes of the time-out lookups apart for a person.
const char* LookupOutcome(unsigned long result, bool timedOut) {
  if (result == 0) return "found";
  if (result == 0xFFFFFFFFUL) return timedOut ? "timed out" : "not an address";
  return "not found";
}

class Trace {
 public:
  explicit Trace(bool on) : m_on(on) {
    if (m_on) ZrLoggingSetHook(&TraceToStderr, nullptr);
  }
  ~Trace() {
    if (m_on) ZrLoggingSetHook(nullptr, nullptr);
  }

 private:
  bool m_on;
};

int PrintLookup(const LookupOptions& options, const char* what, unsigned long result, bool timedOut,
                const CString& answer) {
  std::string text = result == 0 ? std::string(answer, answer.GetLength()) : std::string();
  if (options.json) {
    nlohmann::json out = {{what, options.text}, {"result", LookupOutcome(result, timedOut)}, {"answer", text},
                          {"code", result}};
    std::printf("%s\n", out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else if (result == 0) {
    std::printf("%s\t%s\n", options.text.c_str(), text.c_str());
  } else {
    std::fprintf(stderr, "zraddrres: %s: %s\n", options.text.c_str(), LookupOutcome(result, timedOut));
  }
  return result == 0 ? 0 : 1;
}

}  // namespace

int Host(const LookupOptions& options) {
  CZrAddrResolution resolver;
  CString address;
  unsigned long result;
  {
    Trace trace(options.trace);
    result = resolver.GetIPAddressFromHostName(options.text.c_str(), address, options.timeout);
  }
  return PrintLookup(options, "host", result, resolver.IsTimeOuted() != 0, address);
}

int Reverse(const LookupOptions& options) {
  CZrAddrResolution resolver;
  CString host;
  unsigned long result;
  {
    Trace trace(options.trace);
    result = resolver.GetHostFromIPAddress(options.text.c_str(), host, options.timeout);
  }
  return PrintLookup(options, "address", result, resolver.IsTimeOutedForHost() != 0, host);
}

namespace {

// The PNS values under the user's store key, as the registry holds them.
struct PnsRecord {
  bool switchedOff = false;  // "PNS" is the number 0
  std::string server;        // "PNSServer"
  std::string device;        // "PNSDeviceAddress"
};

std::string StoreText(HKEY key, const char* name) {
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  DWORD type = REG_NONE;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(data), &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::string();
  }
  return std::string(data);
}

PnsRecord ReadPnsRecord() {
  PnsRecord record;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return record;
  DWORD flag = 1;
  DWORD size = sizeof flag;
  DWORD type = REG_NONE;
  if (RegQueryValueExA(key, "PNS", nullptr, &type, reinterpret_cast<LPBYTE>(&flag), &size) == ERROR_SUCCESS &&
      type == REG_DWORD) {
    record.switchedOff = flag == 0;
  }
  record.server = StoreText(key, "PNSServer");
  record.device = StoreText(key, "PNSDeviceAddress");
  RegCloseKey(key);
  return record;
}

}  // namespace

int Pns(const PnsOptions& options) {
  if (options.name.compare(0, 2, "\\\\") != 0) {
    std::fprintf(stderr, "zraddrres: pns asks for UNC names only (\\\\server\\queue), not %s\n", options.name.c_str());
    return 2;
  }
  CZrAddrResolution resolver;
  CString address;
  int found;
  {
    Trace trace(options.trace);
    found = ZrAddrResDiagnostics::AddressFromPNS(resolver, options.name.c_str(), address);
  }
  PnsRecord record = ReadPnsRecord();
  std::string reason;
  if (record.switchedOff) {
    reason = "PNS discovery is switched off for this user (\"PNS\" = 0 under HKEY_CURRENT_USER\\" +
             std::string(c_lpszKeyPath_AddrRes) + ")";
  } else if (record.server.empty()) {
    reason = "no PNS server answered with a complete reply";
  } else if (!found) {
    reason = "the device field is not an address";
  }
  std::string text = found ? std::string(address, address.GetLength()) : std::string();
  if (options.json) {
    nlohmann::json out = {{"name", ToUtf8(options.name)},
                          {"address", found ? nlohmann::json(ToUtf8(text)) : nlohmann::json(nullptr)},
                          {"recorded",
                           {{"PNS", record.switchedOff ? 0 : 1},
                            {"PNSServer", ToUtf8(record.server)},
                            {"PNSDeviceAddress", ToUtf8(record.device)}}}};
    if (!found) out["reason"] = reason;
    std::printf("%s\n", out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else {
    std::printf("server\t%s\ndevice\t%s\naddress\t%s\n", ToUtf8(record.server).c_str(), ToUtf8(record.device).c_str(),
                found ? ToUtf8(text).c_str() : ("none: " + reason).c_str());
  }
  return found ? 0 : 1;
}

int Printer(const std::string& printer, bool json) {
  CString host;
  int found = CZrAddrResolution::GetHostNameFromPrinterName(printer.c_str(), host);
  std::string text = found ? std::string(host, host.GetLength()) : std::string();
  if (json) {
    nlohmann::json out = {{"printer", printer}, {"found", found != 0}, {"host", text}};
    std::printf("%s\n", out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else if (found) {
    std::printf("%s\t%s\n", printer.c_str(), text.c_str());
  } else {
    std::fprintf(stderr, "zraddrres: %s: no direct TCP/IP port configured by host name\n", printer.c_str());
  }
  return found ? 0 : 1;
}

}  // namespace zrtool
