// zraddrres who and zraddrres store check. Ports are resolved as zraddrres
// ports resolves them (ResolveInOrder); host names are looked up with the
// library's time-out lookups, on one resolver object, so that a silent name
// server costs one time-out, as it does the library's own readers.
#include "tools/zraddrres/Audit.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <ZrAddrResolution.h>

#include "tools/zraddrres/AddressValue.h"
#include "tools/zraddrres/Commands.h"
#include "tools/zraddrres/Inventory.h"
#include "tools/zraddrres/Outcome.h"
#include "tools/zraddrres/Store.h"
#include "tools/zraddrres/Text.h"

namespace zrtool {

namespace {

std::string FriendlyName(const std::string& name) {
  CString friendly;
  CZrAddrResolution::MakePrinterFriendlyName(name.c_str(), friendly);
  return std::string(friendly, friendly.GetLength());
}

// Host-name lookups on one resolver object, each name asked once. After a
// time-out no more names are asked: the name server is taken as silent
// (unless each name is to be asked on its own, time-out or not).
class HostLookups {
 public:
  enum class Result { Found, NotFound, TimedOut, NotAsked };

  HostLookups(unsigned long timeout, bool each = false) : m_timeout(timeout), m_each(each) {}

  Result Lookup(const std::string& host, std::string& address) {
    for (const auto& [name, answer] : m_answers) {
      if (SameName(name, host)) {
        address = answer.second;
        return answer.first;
      }
    }
    Result result = Result::NotAsked;
    address.clear();
    if (!m_silent) {
      // A resolver that has seen a time-out is done with lookups: a fresh one asks the next name.
      if (!m_resolver || m_resolver->IsTimeOuted()) m_resolver.reset(new CZrAddrResolution);
      CString found;
      unsigned long code = m_resolver->GetIPAddressFromHostName(host.c_str(), found, m_timeout);
      if (code == 0) {
        result = Result::Found;
        address.assign(found, found.GetLength());
      } else if (m_resolver->IsTimeOuted()) {
        result = Result::TimedOut;
        m_silent = !m_each;
      } else {
        result = Result::NotFound;
      }
    }
    m_answers.emplace_back(host, std::make_pair(result, address));
    return result;
  }

  // For a person: why a lookup gave no address.
  std::string Why(Result result, const std::string& host) const {
    switch (result) {
      case Result::NotFound: return "name not found: " + host;
      case Result::TimedOut: return "no answer from the name server for " + host + ": the lookup timed out";
      case Result::NotAsked: return host + " was not looked up, because an earlier lookup had timed out";
      default: return std::string();
    }
  }

 private:
  std::unique_ptr<CZrAddrResolution> m_resolver;
  unsigned long m_timeout;
  bool m_each;
  bool m_silent = false;
  std::vector<std::pair<std::string, std::pair<Result, std::string>>> m_answers;
};

// What a target may not hold: it would be a port, a path or a URL, not an
// address or a host name.
bool CanBeHostName(const std::string& text) {
  if (text.empty()) return false;
  for (unsigned char c : text) {
    if (c <= ' ' || c == 0x7F || c == '\\' || c == '/' || c == ':' || c == '@' || c == ',') return false;
  }
  return true;
}

void PrintJson(const nlohmann::json& out) {
  std::printf("%s\n", out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

// Columns aligned by the width a terminal gives each text.
void PrintColumns(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (const std::string& title : header) widths.push_back(DisplayWidth(title));
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], DisplayWidth(row[i]));
  }
  auto line = [&](const std::vector<std::string>& cells) {
    std::string text;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      text += i + 1 == cells.size() ? cells[i] : PadTo(cells[i], widths[i]) + "  ";
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::printf("%s\n", text.c_str());
  };
  line(header);
  for (const auto& row : rows) line(row);
}

struct WhoRow {
  const char* what;     // "port", "printer", "stored"
  std::string name;     // ANSI
  std::string where;    // the monitor, the printer's port, "address store"
  std::string address;  // what it leads to now; empty when nothing
  const char* match;    // "address", "host name", "port", or "not checked"
  std::string detail;   // ANSI: another spelling of the address, or why it was not checked
};

const char kNotChecked[] = "not checked";

bool Checked(const WhoRow& row) { return std::string(row.match) != kNotChecked; }

// When a row's address is the target written another way, both spellings.
std::string SpellingDetail(const std::string& address, const std::string& target) {
  if (address.empty() || target.empty() || SameName(address, target)) return std::string();
  std::string detail = "the same address as " + target + ", written another way";
  const std::string plain = PlainSpelling(address);
  const std::string note = ReadingNote(address);
  if (!note.empty()) {
    detail += ": " + note;
  } else if (!SameName(plain, address) && !SameName(plain, target)) {
    detail += " (" + plain + ")";
  }
  return detail;
}

}  // namespace

int Who(const WhoOptions& options) {
  const std::string& target = options.target;
  const bool isAddress = IsAddressText(target);
  if (!isAddress && !CanBeHostName(target)) {
    std::fprintf(stderr,
                 "zraddrres: who: '%s' is neither an address (IPv4, IPv6, or IPX as 8 and 12 hexadecimal digits "
                 "around a colon) nor a host name\n",
                 Shown(target).c_str());
    return 2;
  }
  const std::string note = isAddress ? ReadingNote(target) : std::string();
  if (!note.empty()) std::fprintf(stderr, "zraddrres: who: note: %s\n", Shown(note).c_str());
  HostLookups lookups(options.timeout, options.each);
  std::string address = isAddress ? target : std::string();
  if (!isAddress) {
    HostLookups::Result result = lookups.Lookup(target, address);
    if (result != HostLookups::Result::Found) {
      std::fprintf(stderr, "zraddrres: who: %s; only what names %s is listed\n",
                   Shown(lookups.Why(result, target)).c_str(), Shown(target).c_str());
    }
  }

  std::vector<WhoRow> rows;
  std::vector<PortEntry> ports;
  for (const PortEntry& entry : CollectPorts()) {
    if (entry.monitor != "address store") ports.push_back(entry);
  }
  std::vector<std::string> names;
  for (const PortEntry& entry : ports) names.push_back(entry.port);
  OrderedRun run;
  run.jobs = 64;
  run.each = options.each;
  std::vector<Outcome> outcomes = ResolveInOrder(names, run);
  struct Led {
    std::string port;
    std::string address;
    bool checked;
  };
  std::vector<Led> ledPorts;  // the ports that lead to the target, and those not checked
  std::size_t notChecked = 0;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    const Outcome& o = outcomes[i];
    const char* match = nullptr;
    std::string detail;
    if (o.resolved && !address.empty() && SameAddress(o.address, address)) {
      match = "address";
      detail = SpellingDetail(o.address, address);
    } else if (!isAddress && !o.resolved && !o.host.empty() && SameName(o.host, target)) {
      match = "host name";  // configured with the host, whose lookup failed here too
    } else if (!o.resolved && o.cutShort) {
      // Its lookup timed out, or was never made after an earlier one had:
      // it may lead to the target as well as anywhere else.
      match = kNotChecked;
      detail = o.detail;
      ++notChecked;
    }
    if (match == nullptr) continue;
    rows.push_back({"port", ports[i].port, ports[i].monitor, o.resolved ? o.address : std::string(), match, detail});
    ledPorts.push_back({ports[i].port, o.resolved ? o.address : std::string(), match != kNotChecked});
  }
  for (const PrinterEntry& printer : CollectPrinters()) {
    const Led* unchecked = nullptr;
    bool matched = false;
    for (const Led& led : ledPorts) {
      if (!PrintsTo(printer, led.port)) continue;
      if (!led.checked) {
        if (unchecked == nullptr) unchecked = &led;
        continue;
      }
      rows.push_back({"printer", printer.printer, "port " + printer.port, led.address, "port",
                      SpellingDetail(led.address, address)});
      matched = true;
      break;
    }
    if (!matched && unchecked != nullptr) {
      rows.push_back({"printer", printer.printer, "port " + printer.port, std::string(), kNotChecked,
                      "its port " + unchecked->port + " was not checked"});
      ++notChecked;
    }
  }
  std::vector<StoredEntry> stored;
  std::string failure;
  if (!ReadStore(stored, &failure)) std::fprintf(stderr, "zraddrres: who: %s\n", Shown(failure).c_str());
  for (const StoredEntry& entry : stored) {
    if (entry.tooLong) continue;
    if (IsAddressText(entry.value)) {
      if (!address.empty() && SameAddress(entry.value, address)) {
        rows.push_back({"stored", entry.name, "address store", entry.value, "address",
                        SpellingDetail(entry.value, address)});
      }
      continue;
    }
    std::string resolved;
    const bool named = !isAddress && SameName(entry.value, target);
    HostLookups::Result result = HostLookups::Result::NotFound;
    if (named || !address.empty()) result = lookups.Lookup(entry.value, resolved);
    const std::string where = "address store (" + entry.value + ")";
    if (named) {
      rows.push_back({"stored", entry.name, where, resolved, "host name", std::string()});
    } else if (!resolved.empty() && SameAddress(resolved, address)) {
      rows.push_back({"stored", entry.name, where, resolved, "address", SpellingDetail(resolved, address)});
    } else if (result == HostLookups::Result::TimedOut || result == HostLookups::Result::NotAsked) {
      rows.push_back({"stored", entry.name, where, std::string(), kNotChecked, lookups.Why(result, entry.value)});
      ++notChecked;
    }
  }

  switch (options.format) {
    case Format::Json: {
      nlohmann::json matches = nlohmann::json::array();
      nlohmann::json unchecked = nlohmann::json::array();
      for (const WhoRow& row : rows) {
        nlohmann::json item = {{"what", row.what}, {"name", ToUtf8(row.name)}, {"where", ToUtf8(row.where)}};
        if (!Checked(row)) {
          item["detail"] = ToUtf8(row.detail);
          unchecked.push_back(item);
          continue;
        }
        item["address"] = row.address.empty() ? nlohmann::json(nullptr) : nlohmann::json(ToUtf8(row.address));
        item["match"] = row.match;
        if (!row.detail.empty()) item["detail"] = ToUtf8(row.detail);
        matches.push_back(item);
      }
      PrintJson({{"target", ToUtf8(target)},
                 {"address", address.empty() ? nlohmann::json(nullptr) : nlohmann::json(ToUtf8(address))},
                 {"matches", matches},
                 {"notChecked", unchecked}});
      break;
    }
    case Format::Csv:
      std::printf("what,name,where,address,match,detail\n");
      for (const WhoRow& row : rows) {
        std::printf("%s,%s,%s,%s,%s,%s\n", row.what, CsvField(ToUtf8(row.name)).c_str(),
                    CsvField(ToUtf8(row.where)).c_str(), CsvField(ToUtf8(row.address)).c_str(), row.match,
                    CsvField(ToUtf8(row.detail)).c_str());
      }
      break;
    case Format::Table: {
      std::vector<std::vector<std::string>> cells;
      for (const WhoRow& row : rows) {
        cells.push_back({row.what, Shown(row.name), Shown(row.where),
                         row.address.empty() ? "-" : Shown(row.address), row.match, Shown(row.detail)});
      }
      if (!cells.empty()) PrintColumns({"WHAT", "NAME", "WHERE", "ADDRESS", "MATCHED BY", "DETAIL"}, cells);
      break;
    }
  }
  const bool matched = std::any_of(rows.begin(), rows.end(), Checked);
  if (notChecked > 0) {
    std::fprintf(stderr,
                 "zraddrres: who: %zu listed as not checked: a lookup timed out, and a resolver asks for no more "
                 "names after one has; --each asks for each port and stored name on its own (each silent name then "
                 "costs its own wait)\n",
                 notChecked);
  }
  if (!matched) {
    std::fprintf(stderr, "zraddrres: who: nothing %sleads to %s%s\n", notChecked > 0 ? "that was checked " : "",
                 Shown(target).c_str(), address.empty() || isAddress ? "" : (" (" + Shown(address) + ")").c_str());
  }
  return matched ? 0 : 1;
}

namespace {

struct CheckRow {
  StoredEntry entry;
  std::string printer;  // the printer the entry is named after, if it is
  std::string port;     // the port resolved for it; empty when stale
  const char* state = "stale";
  std::string now;      // the fresh address
  std::string detail;   // ANSI
};

// The names an entry may be stored under for each port and printer: its own
// and its store name, without case. Built once: a site has thousands.
class NameIndex {
 public:
  NameIndex(const std::vector<PortEntry>& ports, const std::vector<PrinterEntry>& printers)
      : m_printers(printers) {
    for (const PortEntry& port : ports) {
      m_ports.emplace(FoldedName(port.port), port.port);
      m_ports.emplace(FoldedName(FriendlyName(port.port)), port.port);
    }
    for (std::size_t i = 0; i < printers.size(); ++i) {
      m_printerIndex.emplace(FoldedName(printers[i].printer), i);
      m_printerIndex.emplace(FoldedName(FriendlyName(printers[i].printer)), i);
    }
  }

  // The port an entry stands for: a configured port of its name (or whose
  // store name it is), else the first port of a printer of that name.
  void FindPort(CheckRow& row) const {
    const std::string folded = FoldedName(row.entry.name);
    auto port = m_ports.find(folded);
    if (port != m_ports.end()) {
      row.port = port->second;
      return;
    }
    auto printer = m_printerIndex.find(folded);
    if (printer == m_printerIndex.end()) return;
    const PrinterEntry& found = m_printers[printer->second];
    row.printer = found.printer;
    std::string first = found.port.substr(0, found.port.find(','));
    while (!first.empty() && first.front() == ' ') first.erase(first.begin());
    while (!first.empty() && first.back() == ' ') first.pop_back();
    row.port = first;
  }

 private:
  const std::vector<PrinterEntry>& m_printers;
  std::map<std::string, std::string> m_ports;  // the first port of a name wins
  std::map<std::string, std::size_t> m_printerIndex;
};

}  // namespace

int StoreCheck(bool json, unsigned long timeout) {
  std::vector<StoredEntry> stored;
  std::string failure;
  if (!ReadStore(stored, &failure)) {
    std::fprintf(stderr, "zraddrres: store check: %s\n", Shown(failure).c_str());
    return 1;
  }
  std::vector<PortEntry> ports;
  for (const PortEntry& entry : CollectPorts()) {
    if (entry.monitor != "address store") ports.push_back(entry);
  }
  const std::vector<PrinterEntry> printers = CollectPrinters();
  const NameIndex index(ports, printers);

  std::vector<CheckRow> rows;
  std::vector<std::string> toResolve;
  std::map<std::string, std::size_t> resolveAt;  // port -> its place in toResolve
  for (const StoredEntry& entry : stored) {
    if (entry.tooLong) {
      std::fprintf(stderr, "zraddrres: store check: %s holds more than the store reads; not checked\n",
                   Shown(entry.name).c_str());
      continue;
    }
    CheckRow row;
    row.entry = entry;
    index.FindPort(row);
    if (row.port.empty()) {
      row.detail = row.printer.empty() ? "no monitor configures a port of this name, and no printer has it"
                                       : "the printer " + row.printer + " has no port";
    } else if (resolveAt.emplace(row.port, toResolve.size()).second) {
      toResolve.push_back(row.port);
    }
    rows.push_back(row);
  }
  OrderedRun run;
  run.jobs = 64;
  const std::vector<Outcome> outcomes = ResolveInOrder(toResolve, run);
  HostLookups lookups(timeout);
  bool drifted = false;
  for (CheckRow& row : rows) {
    if (row.port.empty()) continue;
    const Outcome& o = outcomes[resolveAt.at(row.port)];
    if (!o.resolved || o.fromStore) {
      row.state = "unresolved";
      row.detail = o.resolved ? std::string("no reader finds an address for the port now; only the store does")
                              : o.detail;
      continue;
    }
    row.now = o.address;
    std::string storedAddress = row.entry.value;
    if (!IsAddressText(storedAddress)) {
      // A stored host name: compared by the address it has now.
      HostLookups::Result result = lookups.Lookup(row.entry.value, storedAddress);
      if (result == HostLookups::Result::TimedOut || result == HostLookups::Result::NotAsked) {
        row.state = "unresolved";
        row.detail = lookups.Why(result, row.entry.value);
        continue;
      }
      if (result == HostLookups::Result::NotFound) storedAddress.clear();
      row.detail = "the stored host " + row.entry.value +
                   (storedAddress.empty() ? " is not found" : " has the address " + storedAddress);
    }
    if (!storedAddress.empty() && SameAddress(storedAddress, o.address)) {
      row.state = "same";
      if (row.detail.empty() && !SameName(storedAddress, o.address)) row.detail = "the same address, written another way";
    } else {
      row.state = "drifted";
      drifted = true;
    }
  }

  if (json) {
    nlohmann::json out = nlohmann::json::array();
    for (const CheckRow& row : rows) {
      auto text = [](const std::string& s) { return s.empty() ? nlohmann::json(nullptr) : nlohmann::json(ToUtf8(s)); };
      out.push_back({{"entry", ToUtf8(row.entry.name)},
                     {"stored", ToUtf8(row.entry.value)},
                     {"state", row.state},
                     {"printer", text(row.printer)},
                     {"port", text(row.port)},
                     {"now", text(row.now)},
                     {"detail", ToUtf8(row.detail)}});
    }
    PrintJson(out);
  } else if (!rows.empty()) {
    std::vector<std::vector<std::string>> cells;
    for (const CheckRow& row : rows) {
      std::string port = row.port.empty() ? "-" : Shown(row.port);
      if (!row.printer.empty()) port += " (printer " + Shown(row.printer) + ")";
      cells.push_back({row.state, Shown(row.entry.name), port, Shown(row.entry.value),
                       row.now.empty() ? "-" : Shown(row.now), Shown(row.detail)});
    }
    PrintColumns({"STATE", "ENTRY", "PORT", "STORED", "NOW", "DETAIL"}, cells);
  }
  return drifted ? 1 : 0;
}

}  // namespace zrtool
