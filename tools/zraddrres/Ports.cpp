// Resolves the whole inventory with a few resolver objects working at once,
// answering as one object working through the list in order would (see
// Outcome.h): a dead name server costs about one time-out, and --jobs changes
// only how long it takes.
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
#include "platform/Paths.h"
#include "platform/RegApply.h"
#include "tools/zraddrres/Commands.h"
#include "tools/zraddrres/Explain.h"
#include "tools/zraddrres/Inventory.h"
#include "tools/zraddrres/Outcome.h"
#include "tools/zraddrres/Registry.h"
#include "tools/zraddrres/Report.h"
#include "tools/zraddrres/Text.h"

namespace zrtool {

namespace {

struct Result {
  PortEntry entry;
  Outcome outcome;
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

// The ports the spooler reports that no reader knows, unresolved: their
// names mean nothing to the library, and asking it could send the name
// service a port name. They do not change the exit status.
void AddSpoolerOnlyPorts(std::vector<Result>& results) {
  for (const PortEntry& port : SpoolerPorts()) {
    bool known = std::any_of(results.begin(), results.end(),
                             [&](const Result& r) { return SameName(r.entry.port, port.port); });
    if (known) continue;
    Result result;
    result.entry = {port.port, port.monitor + " (spooler)"};
    result.outcome.kind = ZRMONITOR::CT_NONE;
    result.outcome.reason = Reason::NoReader;
    result.outcome.detail = "only the spooler knows it: no reader reads its monitor, " + port.monitor;
    results.push_back(result);
  }
}

// Columns aligned by the width a terminal gives each name, not its bytes.
void PrintTable(const std::vector<Result>& results) {
  std::size_t portWidth = 4, monitorWidth = 7, addressWidth = 7;
  for (const Result& r : results) {
    portWidth = std::max(portWidth, DisplayWidth(Shown(r.entry.port)));
    monitorWidth = std::max(monitorWidth, DisplayWidth(Shown(r.entry.monitor)));
    addressWidth = std::max(addressWidth, DisplayWidth(Shown(r.outcome.address)));
  }
  std::printf("%s  %s  %s  %-7s  %8s  %s\n", PadTo("PORT", portWidth).c_str(), PadTo("MONITOR", monitorWidth).c_str(),
              PadTo("ADDRESS", addressWidth).c_str(), "KIND", "MS", "WHY NONE");
  for (const Result& r : results) {
    const Outcome& o = r.outcome;
    std::printf("%s  %s  %s  %-7s  %8.1f  %s\n", PadTo(Shown(r.entry.port), portWidth).c_str(),
                PadTo(Shown(r.entry.monitor), monitorWidth).c_str(),
                PadTo(o.resolved ? Shown(o.address) : "-", addressWidth).c_str(), KindName(o.kind), o.milliseconds,
                Shown(o.detail).c_str());
  }
}

nlohmann::json RowJson(const Result& r) {
  const Outcome& o = r.outcome;
  nlohmann::json row = {{"port", ToUtf8(r.entry.port)},
                        {"monitor", ToUtf8(r.entry.monitor)},
                        {"resolved", o.resolved},
                        {"address", o.resolved ? nlohmann::json(ToUtf8(o.address)) : nlohmann::json(nullptr)},
                        {"kind", o.kind},
                        {"kindName", KindName(o.kind)},
                        {"milliseconds", o.milliseconds}};
  if (!o.resolved) {
    row["reason"] = ReasonCode(o.reason);
    row["detail"] = ToUtf8(o.detail);
  }
  return row;
}

// The page, written whole or not at all: a half-written report would pass
// for an inventory with fewer ports. It may go to a folder other users can
// write to, so it is never written through a name they could have planted.
bool WriteReport(const std::string& path, const std::vector<Result>& results) {
  nlohmann::json rows = nlohmann::json::array();
  for (const Result& r : results) {
    nlohmann::json row = RowJson(r);
    row["account"] = AccountJson(r.entry.port, r.outcome);
    rows.push_back(row);
  }
  nlohmann::json data = {{"rows", rows},
                         {"registry", ToUtf8(zrplatform::RegistryLocation(true, true))},
                         {"line", WindowsLineName()}};
  const std::string page = HtmlReport(data);
  std::string error;
  if (!zrplatform::WriteFileWhole(path, page, &error)) {
    std::fprintf(stderr, "zraddrres: ports: cannot write %s: %s\n", Printable(path).c_str(), Printable(error).c_str());
    return false;
  }
  std::fprintf(stderr, "zraddrres: ports: wrote %s (%zu port%s)\n", path.c_str(), results.size(),
               results.size() == 1 ? "" : "s");
  return true;
}

}  // namespace

int Ports(const PortsOptions& options) {
  std::vector<PortEntry> entries = CollectPorts();
  if (entries.empty()) return SayEmptyRegistry();
  Progress progress(entries.size(), options.progress && zrplatform::StandardErrorIsTerminal());
  std::vector<std::string> names;
  for (const PortEntry& entry : entries) names.push_back(entry.port);
  OrderedRun run;
  run.jobs = options.jobs;
  run.step = [&progress] { progress.Step(); };
  std::vector<Outcome> outcomes = ResolveInOrder(names, run);
  std::vector<Result> results;
  for (std::size_t i = 0; i < entries.size(); ++i) results.push_back({entries[i], outcomes[i]});

  bool all = true;
  for (const Result& r : results) all = all && r.outcome.resolved;
  if (options.spooler) AddSpoolerOnlyPorts(results);
  if (!options.html.empty() && !WriteReport(options.html, results)) return 1;
  switch (options.format) {
    case Format::Json: {
      nlohmann::json out = nlohmann::json::array();
      for (const Result& r : results) out.push_back(RowJson(r));
      std::printf("%s\n", out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
      break;
    }
    case Format::Csv:
      std::printf("port,monitor,address,kind,milliseconds,reason,detail\n");
      for (const Result& r : results) {
        const Outcome& o = r.outcome;
        std::printf("%s,%s,%s,%s,%.1f,%s,%s\n", CsvField(ToUtf8(r.entry.port)).c_str(),
                    CsvField(ToUtf8(r.entry.monitor)).c_str(), CsvField(ToUtf8(o.address)).c_str(), KindName(o.kind),
                    o.milliseconds, ReasonCode(o.reason), CsvField(ToUtf8(o.detail)).c_str());
      }
      break;
    case Format::Table:
      PrintTable(results);
      break;
  }
  return all ? 0 : 1;
}

}  // namespace zrtool
