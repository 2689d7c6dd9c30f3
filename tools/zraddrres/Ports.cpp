// Resolves the whole inventory with a few resolver objects working at once.
// Each object remembers a dead name server for itself, so a dead server costs
// the inventory about one time-out: the workers meet it together, and each
// refuses the later short lookups at once.
#include "tools/zraddrres/Ports.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <ZrAddrResolution.h>

#include "platform/Console.h"
#include "tools/zraddrres/Commands.h"
#include "tools/zraddrres/Inventory.h"
#include "tools/zraddrres/Registry.h"
#include "tools/zraddrres/Text.h"

namespace zrtool {

namespace {

struct Result {
  PortEntry entry;
  bool resolved = false;
  std::string address;
  int kind = ZRMONITOR::CT_NONE;
  double milliseconds = 0;
};

class Progress {
 public:
  Progress(std::size_t total, bool shown) : m_total(total), m_shown(shown) {}

  void Step() {
    std::size_t done = ++m_done;
    if (!m_shown) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    const int width = 30;
    int filled = m_total ? static_cast<int>(done * width / m_total) : width;
    std::fprintf(stderr, "\r[%s%s] %zu/%zu ports", std::string(filled, '#').c_str(),
                 std::string(width - filled, '.').c_str(), done, m_total);
    if (done == m_total) std::fprintf(stderr, "\n");
    std::fflush(stderr);
  }

 private:
  std::size_t m_total;
  bool m_shown;
  std::atomic<std::size_t> m_done{0};
  std::mutex m_mutex;
};

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

void PrintTable(const std::vector<Result>& results) {
  std::size_t portWidth = 4, monitorWidth = 7, addressWidth = 7;
  for (const Result& r : results) {
    portWidth = std::max(portWidth, ToUtf8(r.entry.port).size());
    monitorWidth = std::max(monitorWidth, ToUtf8(r.entry.monitor).size());
    addressWidth = std::max(addressWidth, r.address.size());
  }
  std::printf("%-*s  %-*s  %-*s  %-7s  %8s\n", static_cast<int>(portWidth), "PORT", static_cast<int>(monitorWidth),
              "MONITOR", static_cast<int>(addressWidth), "ADDRESS", "KIND", "MS");
  for (const Result& r : results) {
    std::printf("%-*s  %-*s  %-*s  %-7s  %8.1f\n", static_cast<int>(portWidth), ToUtf8(r.entry.port).c_str(),
                static_cast<int>(monitorWidth), ToUtf8(r.entry.monitor).c_str(), static_cast<int>(addressWidth),
                r.resolved ? r.address.c_str() : "-", KindName(r.kind), r.milliseconds);
  }
}

}  // namespace

int Ports(const PortsOptions& options) {
  std::vector<PortEntry> entries = CollectPorts();
  if (entries.empty()) return SayEmptyRegistry();
  std::vector<Result> results(entries.size());
  std::atomic<std::size_t> next{0};
  Progress progress(entries.size(), options.progress && zrplatform::StandardErrorIsTerminal());

  auto work = [&] {
    CZrAddrResolution resolver;
    for (std::size_t i = next++; i < entries.size(); i = next++) {
      Result& r = results[i];
      r.entry = entries[i];
      CString address;
      ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
      auto start = std::chrono::steady_clock::now();
      r.resolved = resolver.GetAddressFromPort(r.entry.port.c_str(), address, &kind) != 0;
      r.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      r.kind = kind;
      if (r.resolved) r.address.assign(address, address.GetLength());
      progress.Step();
    }
  };
  int jobs = std::max(1, std::min<int>(options.jobs, static_cast<int>(entries.size())));
  std::vector<std::thread> workers;
  for (int j = 0; j < jobs; ++j) workers.emplace_back(work);
  for (std::thread& t : workers) t.join();

  bool all = true;
  for (const Result& r : results) all = all && r.resolved;
  switch (options.format) {
    case Format::Json: {
      nlohmann::json out = nlohmann::json::array();
      for (const Result& r : results) {
        out.push_back({{"port", ToUtf8(r.entry.port)}, {"monitor", ToUtf8(r.entry.monitor)}, {"resolved", r.resolved},
                       {"address", r.address}, {"kind", r.kind}, {"kindName", KindName(r.kind)},
                       {"milliseconds", r.milliseconds}});
      }
      std::printf("%s\n", out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
      break;
    }
    case Format::Csv:
      std::printf("port,monitor,address,kind,milliseconds\n");
      for (const Result& r : results) {
        std::printf("%s,%s,%s,%s,%.1f\n", CsvField(ToUtf8(r.entry.port)).c_str(),
                    CsvField(ToUtf8(r.entry.monitor)).c_str(), CsvField(r.address).c_str(), KindName(r.kind),
                    r.milliseconds);
      }
      break;
    case Format::Table:
      PrintTable(results);
      break;
  }
  return all ? 0 : 1;
}

}  // namespace zrtool
