#include "tools/zraddrres/Commands.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include <ZrAddrResDiagnostics.h>
#include <ZrAddrResolution.h>

#include "platform/RegImport.h"
#include "platform/Spooler.h"
#include "tools/zraddrres/Outcome.h"
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
  std::fprintf(stderr, "  [%s %2lu] %s\n", name, level, Shown(text).c_str());
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
  // One object through the ports in the order given, as an application would.
  OrderedRun run;
  run.entry = options.entry;
  run.echoTrace = options.trace;
  std::size_t traced = 0;
  if (options.trace) {
    run.step = [&] {
      if (++traced < options.ports.size()) {
        std::fprintf(stderr, "trace of %s:\n", Shown(options.ports[traced]).c_str());
      }
    };
    if (!options.ports.empty()) std::fprintf(stderr, "trace of %s:\n", Shown(options.ports[0]).c_str());
  }
  std::vector<Outcome> outcomes = ResolveInOrder(options.ports, run);
  nlohmann::json results = nlohmann::json::array();
  bool allFound = true;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const std::string& port = options.ports[i];
    const Outcome& o = outcomes[i];
    allFound = allFound && o.resolved;
    if (options.json) {
      nlohmann::json row = {{"port", ToUtf8(port)},
                            {"resolved", o.resolved},
                            {"address", o.resolved ? nlohmann::json(ToUtf8(o.address)) : nlohmann::json(nullptr)},
                            {"kind", o.kind},
                            {"kindName", KindName(o.kind)}};
      if (!o.resolved) {
        row["reason"] = ReasonCode(o.reason);
        row["detail"] = ToUtf8(o.detail);
      }
      results.push_back(row);
    } else if (o.resolved) {
      std::printf("%s\t%s\t%s\n", Shown(port).c_str(), Shown(o.address).c_str(), KindName(o.kind));
    } else {
      std::printf("%s\t-\t%s\t%s\n", Shown(port).c_str(), KindName(o.kind), Shown(o.detail).c_str());
    }
  }
  if (options.json) std::printf("%s\n", results.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  return allFound ? 0 : 1;
}

namespace {

// The library's lines during one lookup, echoed on standard error for --trace.
class LookupLines {
 public:
  explicit LookupLines(bool echo) : m_echo(echo) { ZrLoggingSetHook(&Hear, this); }
  ~LookupLines() { ZrLoggingSetHook(nullptr, nullptr); }
  // The seconds of the registry's time-out setting, when the lookup used it.
  bool RegistrySeconds(const std::string& valueName, long& seconds) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string head = valueName + " = ";
    for (const std::string& line : m_lines) {
      if (line.compare(0, head.size(), head) == 0) {
        seconds = std::strtol(line.c_str() + head.size(), nullptr, 10);
        return true;
      }
    }
    return false;
  }
  bool Saw(const char* fragment) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const std::string& line : m_lines) {
      if (line.find(fragment) != std::string::npos) return true;
    }
    return false;
  }

 private:
  static void Hear(void* self, ZrLoggingEvent event, const char* name, unsigned long level, const char* text) {
    if (event != ZRLOGGING_EVENT_WRITE) return;
    LookupLines& me = *static_cast<LookupLines*>(self);
    std::lock_guard<std::mutex> lock(me.m_mutex);
    me.m_lines.emplace_back(text);
    if (me.m_echo) std::fprintf(stderr, "  [%s %2lu] %s\n", name, level, Shown(text).c_str());
  }
  bool m_echo;
  mutable std::mutex m_mutex;
  std::vector<std::string> m_lines;
};

// The outcomes of the time-out lookups as the library tells them apart: its
// code, and for 0xFFFFFFFF whether the object marked a time-out.
struct LookupOutcome {
  const char* code;  // for JSON
  const char* text;  // for a person
};

LookupOutcome OutcomeOf(unsigned long result, bool timedOut) {
  if (result == 0) return {"found", "found"};
  if (result == 0xFFFFFFFFUL) {
    return timedOut ? LookupOutcome{"timed-out", "timed out: no answer from the name server"}
                    : LookupOutcome{"not-an-address", "not an IPv4 or IPv6 address text"};
  }
  return {"not-found", "not found"};
}

int PrintLookup(const LookupOptions& options, const char* what, const char* valueName, unsigned long result,
                bool timedOut, const CString& answer, const LookupLines& lines) {
  std::string text = result == 0 ? std::string(answer, answer.GetLength()) : std::string();
  LookupOutcome outcome = OutcomeOf(result, timedOut);
  // The registry's setting, when there is one, replaces the caller's wait;
  // it is read only once the worker runs, so a refused input used neither.
  long seconds = 0;
  bool fromRegistry = lines.RegistrySeconds(valueName, seconds);
  bool waited = std::string(outcome.code) != "not-an-address" && !options.text.empty() && !lines.Saw("(\\ exists)");
  unsigned long milliseconds = fromRegistry ? static_cast<unsigned long>(seconds) * 1000UL : options.timeout;
  std::string source = fromRegistry ? std::string("the registry value \"") + valueName +
                                          "\" under HKEY_LOCAL_MACHINE\\" + c_lpszKeyPath_AddrRes +
                                          ", which overrides --timeout"
                                    : std::string("--timeout");
  if (options.json) {
    nlohmann::json out = {{what, ToUtf8(options.text)},
                          {"result", outcome.text},
                          {"code", outcome.code},
                          {"answer", result == 0 ? nlohmann::json(ToUtf8(text)) : nlohmann::json(nullptr)}};
    if (waited) {
      out["timeout"] = {{"milliseconds", milliseconds}, {"from", fromRegistry ? "registry" : "--timeout"}};
      if (fromRegistry) out["timeout"]["value"] = valueName;
    }
    std::printf("%s\n", out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else {
    if (result == 0) std::printf("%s\t%s\n", Shown(options.text).c_str(), Shown(text).c_str());
    if (result != 0) std::fprintf(stderr, "zraddrres: %s: %s\n", Shown(options.text).c_str(), outcome.text);
    if (waited) std::fprintf(stderr, "zraddrres: time-out %lu ms, from %s\n", milliseconds, source.c_str());
  }
  return result == 0 ? 0 : 1;
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

}  // namespace

int Host(const LookupOptions& options) {
  CZrAddrResolution resolver;
  CString address;
  unsigned long result;
  LookupLines lines(options.trace);
  result = resolver.GetIPAddressFromHostName(options.text.c_str(), address, options.timeout);
  return PrintLookup(options, "host", "GetIPAddress Timeout", result, resolver.IsTimeOuted() != 0, address, lines);
}

int Reverse(const LookupOptions& options) {
  CZrAddrResolution resolver;
  CString host;
  unsigned long result;
  LookupLines lines(options.trace);
  result = resolver.GetHostFromIPAddress(options.text.c_str(), host, options.timeout);
  return PrintLookup(options, "address", "GetHostName Timeout", result, resolver.IsTimeOutedForHost() != 0, host,
                     lines);
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
    std::fprintf(stderr, "zraddrres: pns: give a UNC name (\\\\server\\queue), not %s\n", Shown(options.name).c_str());
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
    std::printf("server\t%s\ndevice\t%s\naddress\t%s\n", Shown(record.server).c_str(),
                Shown(record.device).c_str(),
                found ? Shown(text).c_str() : ("none: " + reason).c_str());
  }
  return found ? 0 : 1;
}

namespace {

// Why a printer has no host: it does not exist, or its port is another kind.
std::string PrinterMiss(const std::string& printer) {
  HANDLE handle = nullptr;
  if (!OpenPrinterA(const_cast<char*>(printer.c_str()), &handle, nullptr)) return "no such printer";
  DWORD needed = 0;
  GetPrinterA(handle, 2, nullptr, 0, &needed);
  std::vector<BYTE> record(needed);
  std::string port;
  if (needed >= sizeof(PRINTER_INFO_2A) &&
      GetPrinterA(handle, 2, record.data(), static_cast<DWORD>(record.size()), &needed)) {
    const char* name = reinterpret_cast<const PRINTER_INFO_2A*>(record.data())->pPortName;
    port = name ? name : "";
  }
  ClosePrinter(handle);
  return "its port " + (port.empty() ? std::string("(none)") : ToUtf8(port)) +
         " is not a direct TCP/IP port configured by host name on the " + WindowsLineName() + " line";
}

}  // namespace

int Printer(const std::string& printer, bool json) {
  CString host;
  int found = CZrAddrResolution::GetHostNameFromPrinterName(printer.c_str(), host);
  std::string text = found ? std::string(host, host.GetLength()) : std::string();
  std::string miss = found ? std::string() : PrinterMiss(printer);
  if (json) {
    nlohmann::json out = {{"printer", ToUtf8(printer)},
                          {"found", found != 0},
                          {"host", found ? nlohmann::json(ToUtf8(text)) : nlohmann::json(nullptr)}};
    if (!found) out["reason"] = miss;
    std::printf("%s\n", out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else if (found) {
    std::printf("%s\t%s\n", Shown(printer).c_str(), Shown(text).c_str());
  } else {
    std::fprintf(stderr, "zraddrres: printer %s: %s\n", Shown(printer).c_str(), Printable(miss).c_str());
  }
  return found ? 0 : 1;
}

}  // namespace zrtool
