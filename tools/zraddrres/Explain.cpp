#include "tools/zraddrres/Explain.h"

#include <algorithm>
#include <cstdio>

#include "tools/zraddrres/Commands.h"
#include "tools/zraddrres/Inventory.h"
#include "tools/zraddrres/Text.h"
#include "vdoem/VdOem.h"

namespace zrtool {

namespace {

// A monitor reader's miss: the trace cannot tell a port the monitor does not
// know from one it configures without a usable value, the registry can.
void TellMonitorMisses(const std::string& port, Account& account) {
  std::vector<std::string> configured = MonitorsConfiguring(port);
  for (Step& step : account.steps) {
    const char* monitor = MonitorOf(step.reader);
    if (monitor == nullptr || step.verdict != "no-answer") continue;
    bool here = std::find(configured.begin(), configured.end(), monitor) != configured.end();
    step.detail = here ? "configured under this monitor, but without an address or host name it uses"
                       : "not a port of this monitor";
  }
}

Account AccountOf(const std::string& port, const Outcome& outcome) {
  Account account = ReadTrace(port, outcome.trace, outcome.resolved);
  TellMonitorMisses(port, account);
  return account;
}

bool NtLine() { return WindowsLineName() != "9x"; }

nlohmann::json LinesJson(const std::vector<TraceLine>& lines) {
  nlohmann::json out = nlohmann::json::array();
  for (const TraceLine& line : lines) {
    out.push_back({{"ms", line.ms}, {"level", line.level}, {"text", ToUtf8(line.text)}});
  }
  return out;
}

// Where the lookups' time-out setting lives; the trace names the value, not the key.
std::string SettingsKey() { return std::string("HKEY_LOCAL_MACHINE\\") + c_lpszKeyPath_AddrRes; }

std::string Ms(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f ms", ms);
  return text;
}

std::string LookupText(const Lookup& lookup) {
  std::string text = "lookup of " + lookup.host + ": " + lookup.outcome;
  if (lookup.outcome == "found") text += " " + lookup.address;
  if (lookup.outcome.compare(0, 8, "refused-") != 0) {
    text += " in " + Ms(lookup.ms);
  }
  if (lookup.timeoutSeconds >= 0) {
    text += "; time-out " + std::to_string(lookup.timeoutSeconds) + " s from \"GetIPAddress Timeout\" under " +
            SettingsKey() + " (traced)";
  }
  return text;
}

std::string PlaceText(const Place& place) {
  std::string text = "reads " + place.key;
  for (std::size_t i = 0; i < place.values.size(); ++i) {
    text += (i == 0 ? (place.values.size() == 1 ? ", value \"" : ", values \"") : ", then \"") + place.values[i] +
            "\"";
  }
  return text + (place.values.empty() ? " (whether it exists; documented, the trace does not name it)"
                                      : " (documented; the trace does not name it)");
}

void PrintAccount(const std::string& port, const Outcome& outcome, const Account& account) {
  std::printf("%s\n", Shown(port).c_str());
  if (outcome.resolved) {
    std::printf("  answer: %s, kind %s (%d), in %s\n", Shown(outcome.address).c_str(), KindName(outcome.kind),
                outcome.kind, Ms(outcome.milliseconds).c_str());
  } else {
    std::printf("  no answer (%s): %s, in %s\n", ReasonCode(outcome.reason), Shown(outcome.detail).c_str(),
                Ms(outcome.milliseconds).c_str());
  }
  int number = 0;
  for (const Step& step : account.steps) {
    std::printf("  %d. %s (%s), %s\n", ++number, step.reader.c_str(), step.what.c_str(), Ms(step.ms).c_str());
    std::printf("     %s: %s\n", step.verdict.c_str(), Shown(step.detail).c_str());
    Place place = DocumentedPlace(step.reader, port, NtLine());
    if (!place.key.empty()) std::printf("     %s\n", Shown(PlaceText(place)).c_str());
    for (const Lookup& lookup : step.lookups) std::printf("     %s\n", Shown(LookupText(lookup)).c_str());
  }
  if (!account.unplaced.empty()) {
    std::printf("  trace lines not placed in a step:\n");
    for (const TraceLine& line : account.unplaced) {
      std::printf("     [%9.1f ms %2lu] %s\n", line.ms, line.level, Shown(line.text).c_str());
    }
  }
}

}  // namespace

nlohmann::json AccountJson(const std::string& port, const Outcome& outcome) {
  Account account = AccountOf(port, outcome);
  nlohmann::json steps = nlohmann::json::array();
  for (const Step& step : account.steps) {
    nlohmann::json lookups = nlohmann::json::array();
    for (const Lookup& lookup : step.lookups) {
      nlohmann::json row = {{"host", ToUtf8(lookup.host)},
                            {"outcome", lookup.outcome},
                            {"address", lookup.outcome == "found" ? nlohmann::json(ToUtf8(lookup.address))
                                                                  : nlohmann::json(nullptr)},
                            {"milliseconds", lookup.ms}};
      if (lookup.timeoutSeconds >= 0) {
        row["timeout"] = {{"seconds", lookup.timeoutSeconds},
                          {"key", ToUtf8(SettingsKey())},
                          {"value", "GetIPAddress Timeout"},
                          {"source", "trace"}};
      }
      lookups.push_back(row);
    }
    Place place = DocumentedPlace(step.reader, port, NtLine());
    nlohmann::json registry = nullptr;
    if (!place.key.empty()) {
      nlohmann::json values = nlohmann::json::array();
      for (const std::string& value : place.values) values.push_back(ToUtf8(value));
      registry = {{"key", ToUtf8(place.key)}, {"values", values}, {"source", "documented"}};
    }
    steps.push_back({{"reader", step.reader},
                     {"what", step.what},
                     {"verdict", step.verdict},
                     {"detail", ToUtf8(step.detail)},
                     {"milliseconds", step.ms},
                     {"registry", registry},
                     {"lookups", lookups},
                     {"trace", LinesJson(step.lines)}});
  }
  nlohmann::json out = {{"port", ToUtf8(port)},
                        {"resolved", outcome.resolved},
                        {"address", outcome.resolved ? nlohmann::json(ToUtf8(outcome.address)) : nlohmann::json(nullptr)},
                        {"kind", outcome.kind},
                        {"kindName", KindName(outcome.kind)},
                        {"milliseconds", outcome.milliseconds},
                        {"steps", steps},
                        {"unplaced", LinesJson(account.unplaced)}};
  if (!outcome.resolved) {
    out["reason"] = ReasonCode(outcome.reason);
    out["detail"] = ToUtf8(outcome.detail);
  }
  return out;
}

int Explain(const ExplainOptions& options) {
  // One object through the ports in the order given, as resolve does: a
  // time-out on one port shows in the accounts of the ports after it.
  OrderedRun run;
  run.entry = Entry::Full;
  run.jobs = 1;
  std::vector<Outcome> outcomes = ResolveInOrder(options.ports, run);
  nlohmann::json all = nlohmann::json::array();
  int status = 0;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const std::string& port = options.ports[i];
    const Outcome& outcome = outcomes[i];
    if (!outcome.resolved) status = 1;
    // A name no monitor configures and the store does not hold, and that no
    // reader could take an address from, is a typing error more often than a
    // port. A refused or stopped name, and a UNC name (the spooler's share
    // names are in no monitor's configuration), get their account.
    bool unknown = !outcome.resolved && outcome.reason != Reason::PortKind &&
                   outcome.reason != Reason::StoppedByDesign && port.compare(0, 2, "\\\\") != 0 &&
                   MonitorsConfiguring(port).empty() && !StoreHolds(port);
    if (unknown) {
      std::fprintf(stderr,
                   "zraddrres: explain: no port named %s: no monitor configures it, the store holds no entry for "
                   "it, and its name holds no address (see zraddrres ports)\n",
                   Shown(port).c_str());
      continue;
    }
    if (options.json) {
      all.push_back(AccountJson(port, outcome));
    } else {
      if (i > 0) std::printf("\n");
      PrintAccount(port, outcome, AccountOf(port, outcome));
    }
  }
  if (options.json) std::printf("%s\n", all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  return status;
}

}  // namespace zrtool
