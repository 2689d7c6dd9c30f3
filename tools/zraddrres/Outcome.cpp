#include "tools/zraddrres/Outcome.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include <ZrAddrResDiagnostics.h>
#include <ZrAddrResolution.h>

#include "platform/Registry.h"
#include "platform/Version.h"
#include "tools/zraddrres/Inventory.h"
#include "tools/zraddrres/Text.h"
#include "vdoem/VdOem.h"
#include "zrlogging/ZrLogging.h"

namespace zrtool {

namespace {

class Capture;

// The lines the library writes on the thread that resolves a port. Lines of
// the lookup workers are left out: the caller's own lines say how each lookup
// ended.
thread_local Capture* t_capture = nullptr;

class Capture {
 public:
  Capture() : m_start(std::chrono::steady_clock::now()) { t_capture = this; }
  ~Capture() { t_capture = nullptr; }
  // Stamped on arrival: the time between two lines is the time the library
  // spent between writing them.
  void Add(unsigned long level, const char* text) {
    TraceLine line;
    line.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start).count();
    line.level = level;
    line.text = text;
    m_lines.push_back(std::move(line));
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const TraceLine& line : m_lines) texts.push_back(line.text);
    return texts;
  }
  std::vector<TraceLine> Take() { return std::move(m_lines); }

 private:
  std::chrono::steady_clock::time_point m_start;
  std::vector<TraceLine> m_lines;
};

void Listen(void* echo, ZrLoggingEvent event, const char* name, unsigned long level, const char* text) {
  if (event != ZRLOGGING_EVENT_WRITE) return;
  if (t_capture) t_capture->Add(level, text);
  if (echo) {
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    std::fprintf(stderr, "  [%s %2lu] %s\n", name, level, Shown(text).c_str());
  }
}

class Listening {
 public:
  explicit Listening(bool echo) { ZrLoggingSetHook(&Listen, echo ? this : nullptr); }
  ~Listening() { ZrLoggingSetHook(nullptr, nullptr); }
};

bool StartsWith(const std::string& text, const char* head) { return text.compare(0, std::strlen(head), head) == 0; }

// What follows the " : " of a start or refusal line: the name it was about.
std::string NameAfterColon(const std::string& line) {
  std::string::size_type colon = line.rfind(" : ");
  return colon == std::string::npos ? std::string() : line.substr(colon + 3);
}

// The readers that read a monitor's configuration, and that monitor.
struct MonitorReader {
  const char* reader;
  const char* monitor;
};

const MonitorReader kMonitorReaders[] = {
    {"GetIPAddressFromStandardTCPIPPort()", "Standard TCP/IP Port"},
    {"GetIPAddressFromHPStandardTCPIPPort()", "HP Standard TCP/IP Port"},
    {"GetIPAddressFromLPRPort()", "LPR Port"},
    {"GetIPAddressFromCanonLPRPort()", "Canon LPR Port"},
    {"GetIPAddressFromJNTQPPort()", "JN TCP/IP TQP Port"},
    {"GetIPAddressFromNECTQPPort()", "NEC TCP/IP TQP Port"},
    {"GetIPAddressFromIPP(", "Internet Print Provider"},
};

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

const char kNtDirectPrintKey[] = "\x82\x69\x82\x6D Spoolbridge Port";

// Reads the library's own account of one call. The first class that applies
// wins: a refusal or a stop ends the search; a port configured only where
// this line does not look is not configured here, whatever became of the
// lookups on the way; a silent name server or an unknown name is what kept
// a configured port from its address; and only then is the configuration
// itself in question.
void Explain(const std::string& port, Entry entry, const std::vector<std::string>& lines, bool timedOutHere,
             Outcome& out) {
  std::string lastHost;
  std::string refusedHost;
  std::string unknownHost;
  std::vector<std::string> monitorsRead;
  for (const std::string& line : lines) {
    if (line.find("This Port is not supported !!") != std::string::npos) {
      out.reason = Reason::PortKind;
      out.detail = "not a port that leads to a network device (a local, file or special port)";
      return;
    }
    if (line.find("(AddresResolution Aborted)") != std::string::npos) {
      out.reason = Reason::StoppedByDesign;
      out.detail = "a direct-print port: on the NT line the search stops there, by design";
      return;
    }
    if (StartsWith(line, "GetIPAddressFromHostName(with timeout) start!! : ")) lastHost = NameAfterColon(line);
    if (StartsWith(line, "GetIPAddressFromHostName() gethosybyname() is aleady timeouted!! : ") && refusedHost.empty())
      refusedHost = NameAfterColon(line);
    if (StartsWith(line, "GetIPFromDNSThreadProc IP FALSE") && unknownHost.empty()) unknownHost = lastHost;
    if (StartsWith(line, "GetIPXAddressFromSpoolbridgePort()")) {
      // Each line keeps its direct-print ports under a key of its own.
      const char* key = WindowsLineName() == "9x" ? "JN Spoolbridge Port" : kNtDirectPrintKey;
      if (!Has(monitorsRead, key)) monitorsRead.push_back(key);
    }
    for (const MonitorReader& reader : kMonitorReaders) {
      if (StartsWith(line, reader.reader) && !Has(monitorsRead, reader.monitor)) monitorsRead.push_back(reader.monitor);
    }
  }
  out.cutShort = timedOutHere || !refusedHost.empty();
  const std::string line = WindowsLineName();
  const std::vector<std::string> configured = MonitorsConfiguring(port);
  // The IPX search gives a direct-print port of the NT line up as the full
  // search does, but writes no line saying so.
  if (entry == Entry::IPX && line != "9x" && Has(monitorsRead, kNtDirectPrintKey) &&
      Has(configured, kNtDirectPrintKey)) {
    out.reason = Reason::StoppedByDesign;
    out.detail = "a direct-print port: on the NT line the search stops there, by design";
    return;
  }
  std::vector<std::string> readHere;
  for (const std::string& monitor : configured) {
    if (Has(monitorsRead, monitor)) readHere.push_back(monitor);
  }
  // Only the full search falls back on the store.
  const char* search = entry == Entry::IP ? "the IP search" : entry == Entry::IPX ? "the IPX search" : nullptr;
  const bool unc = port.compare(0, 2, "\\\\") == 0;
  const bool stored = StoreHolds(port);
  // The IP and IPX searches end without the store: an entry there is no reason.
  auto storeNote = [&] {
    if (search && stored && !unc) out.detail += "; the store holds an entry, but " + std::string(search) + " does not read the store";
  };
  auto notConfigured = [&] {
    out.reason = Reason::NotConfigured;
    out.detail = "not configured under any monitor " + std::string(search ? search : "the") +
                 (search ? " reads on the " : " ") + line + " line" + (search ? "" : " reads");
    if (!monitorsRead.empty()) out.detail += " (" + Joined(monitorsRead) + ")";
    if (!configured.empty()) {
      out.detail += "; it is configured under " + Joined(configured);
      if (!search && stored) out.detail += "; its stored entry is not an address";
    } else {
      out.detail += search ? ", nor under any other" : ", nor under any other, and there is no stored entry";
    }
    if (entry == Entry::IPX) out.detail += "; NetWare did not find it";
    storeNote();
  };

  // The NT line's remote-port and SMB readers take the port's own name for a
  // host name: for a port configured only where the line does not look, what
  // became of that lookup is a note, not the reason.
  if (!configured.empty() && readHere.empty()) {
    notConfigured();
    if (timedOutHere) {
      out.detail += "; the lookup of " + lastHost + " on the way timed out";
    } else if (!refusedHost.empty()) {
      out.detail += "; " + refusedHost + " was not looked up on the way, because an earlier lookup had timed out";
    }
    return;
  }
  if (timedOutHere) {
    out.reason = Reason::NameServerSilent;
    out.host = lastHost;
    out.detail = "no answer from the name server: the lookup of " + lastHost + " timed out";
    storeNote();
    return;
  }
  if (!refusedHost.empty()) {
    out.reason = Reason::NameServerSilent;
    out.host = refusedHost;
    out.detail = "no answer from the name server: " + refusedHost +
                 " was not looked up, because an earlier lookup had timed out";
    storeNote();
    return;
  }
  if (!unknownHost.empty()) {
    out.reason = Reason::NameNotFound;
    out.host = unknownHost;
    out.detail = "name not found: " + unknownHost;
    storeNote();
    return;
  }
  if (unc) {
    out.reason = Reason::NoStoredEntry;
    const char* readers = entry == Entry::IP    ? "PNS, the SMB share list"
                          : entry == Entry::IPX ? "NetWare"
                                                : "PNS, the SMB share list, NetWare";
    out.detail = "no reader found the device (" + std::string(readers) + ")";
    if (!search) {
      out.detail += stored ? ", and the stored entry is not an address" : ", and there is no stored entry";
    } else {
      out.detail += "; " + std::string(search) + " does not read the store";
    }
    return;
  }
  if (!search && stored) {
    out.reason = Reason::NoStoredEntry;
    out.detail = "no reader found the device, and the stored entry is not an address";
    return;
  }
  if (!readHere.empty()) {
    out.reason = Reason::NotConfigured;
    out.detail = "configured under " + Joined(readHere) + ", but without an address or host name its reader uses";
    storeNote();
    return;
  }
  notConfigured();
}

using Clock = std::chrono::steady_clock;
// A worker on the same port this long is waiting, not computing.
const auto kGrowthTick = std::chrono::milliseconds(2);

std::int64_t Now() { return Clock::now().time_since_epoch().count(); }

// One worker's resolver objects: one that has never seen a time-out, and one
// that refuses host-name lookups as if it had.
class Resolvers {
 public:
  CZrAddrResolution& For(bool silent) {
    if (silent) {
      if (!m_silent) {
        m_silent.reset(new CZrAddrResolution);
        ZrAddrResDiagnostics::MarkNameServerSilent(*m_silent);
      }
      return *m_silent;
    }
    if (!m_answering || m_answering->IsTimeOuted()) m_answering.reset(new CZrAddrResolution);
    return *m_answering;
  }

 private:
  std::unique_ptr<CZrAddrResolution> m_answering;
  std::unique_ptr<CZrAddrResolution> m_silent;
};

struct Slot {
  Outcome out;
  bool ranSilent = false;     // the state the port was resolved in
  bool leavesSilent = false;  // the state it left for the next port
};

void ResolveOne(const std::string& port, Entry entry, bool silent, Resolvers& resolvers, Slot& slot) {
  CZrAddrResolution& resolver = resolvers.For(silent);
  Outcome out;
  CString address;
  ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
  int found = 0;
  Capture capture;
  auto start = std::chrono::steady_clock::now();
  switch (entry) {
    case Entry::Full: found = resolver.GetAddressFromPort(port.c_str(), address, &kind); break;
    case Entry::IP: found = resolver.GetIPAddressFromPort(port.c_str(), address, &kind); break;
    case Entry::IPX: found = resolver.GetIPXAddressFromPort(port.c_str(), address, &kind); break;
  }
  out.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  bool leavesSilent = resolver.IsTimeOuted() != 0;
  out.resolved = found != 0;
  out.kind = out.resolved ? kind : ZRMONITOR::CT_NONE;
  // After a miss the string holds whatever a reader left: not an answer.
  if (out.resolved) {
    out.address.assign(address, address.GetLength());
    // The fallback runs last, only when every reader came back empty.
    for (const std::string& line : capture.Texts()) {
      if (StartsWith(line, "GetAddressFromRegistry() start!! : ")) out.fromStore = true;
    }
  } else {
    Explain(port, entry, capture.Texts(), leavesSilent && !silent, out);
  }
  out.trace = capture.Take();
  slot.out = out;
  slot.ranSilent = silent;
  slot.leavesSilent = leavesSilent;
}

}  // namespace

const char* ReasonCode(Reason reason) {
  switch (reason) {
    case Reason::PortKind: return "port-kind";
    case Reason::StoppedByDesign: return "stopped-by-design";
    case Reason::NameServerSilent: return "name-server-silent";
    case Reason::NameNotFound: return "name-not-found";
    case Reason::NotConfigured: return "not-configured";
    case Reason::NoStoredEntry: return "no-stored-entry";
    case Reason::NoReader: return "no-reader";
    default: return "";
  }
}

std::string WindowsLineName() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return "unknown Windows";
  if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return "9x";
  return version.dwMajorVersion < 5 ? "NT 4" : "NT 5 and later";
}

std::vector<Outcome> ResolveInOrder(const std::vector<std::string>& ports, const OrderedRun& run) {
  const int count = static_cast<int>(ports.size());
  std::vector<Slot> slots(ports.size());
  Listening listening(run.echoTrace);

  // A round resolves the ports listed, each in the state given, or (-1) in
  // the state the earliest port known to have met a time-out implies.
  struct Task {
    int index;
    int silent;  // 0, 1, or -1: guess
  };
  std::vector<Task> tasks;
  for (int i = 0; i < count; ++i) tasks.push_back({i, run.each ? 0 : -1});
  bool first = true;
  while (!tasks.empty()) {
    std::atomic<std::size_t> next{0};
    std::atomic<int> earliestSilent{INT_MAX};
    const int most = std::max(1, std::min<int>(run.jobs, static_cast<int>(tasks.size())));
    // When each worker began its current port (0: between ports).
    std::unique_ptr<std::atomic<std::int64_t>[]> busySince(new std::atomic<std::int64_t>[most]);
    for (int j = 0; j < most; ++j) busySince[j] = 0;
    std::atomic<std::size_t> finished{0};
    auto work = [&](int worker) {
      Resolvers resolvers;
      for (std::size_t t = next++; t < tasks.size(); t = next++) {
        busySince[worker] = Now();
        const Task& task = tasks[t];
        bool silent = task.silent < 0 ? earliestSilent.load() < task.index : task.silent != 0;
        Slot& slot = slots[task.index];
        ResolveOne(ports[task.index], run.entry, silent, resolvers, slot);
        if (slot.leavesSilent) {
          int seen = earliestSilent.load();
          while (task.index < seen && !earliestSilent.compare_exchange_weak(seen, task.index)) {
          }
        }
        if (first && run.step) run.step();
        busySince[worker] = 0;
        ++finished;
      }
    };
    // Ports configured by address take microseconds, and more workers than
    // cores would only contend; a port behind a slow name server takes its
    // wait, which more workers share. So the pool starts at the cores and
    // doubles, up to the most asked for, while every worker is waiting.
    std::vector<std::thread> workers;
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    while (static_cast<int>(workers.size()) < std::min(most, cores)) {
      workers.emplace_back(work, static_cast<int>(workers.size()));
    }
    while (static_cast<int>(workers.size()) < most && next.load() < tasks.size()) {
      std::this_thread::sleep_for(kGrowthTick);
      const std::int64_t stuck = Now() - std::chrono::duration_cast<Clock::duration>(kGrowthTick).count();
      // The first ports also load the registry: a long first port is no sign of waiting.
      bool allWaiting = finished.load() >= workers.size();
      for (std::size_t j = 0; j < workers.size() && allWaiting; ++j) {
        std::int64_t since = busySince[j].load();
        allWaiting = since != 0 && since <= stuck;
      }
      if (!allWaiting) continue;
      const int more = std::min(static_cast<int>(workers.size()), most - static_cast<int>(workers.size()));
      for (int k = 0; k < more; ++k) workers.emplace_back(work, static_cast<int>(workers.size()));
    }
    for (std::thread& worker : workers) worker.join();
    first = false;

    // Walk the list as one object would: each port must have run in the state
    // the ports before it left. Once the name server was silent it stays so,
    // so every later port that ran otherwise runs again, silent. A port that
    // ran silent too early runs again answering, and the walk waits for it.
    tasks.clear();
    bool silent = false;
    for (int i = 0; i < count && !run.each; ++i) {
      const Slot& slot = slots[i];
      if (slot.ranSilent != silent) {
        tasks.push_back({i, silent ? 1 : 0});
        if (!silent) break;
        continue;
      }
      silent = silent || slot.leavesSilent;
    }
  }

  std::vector<Outcome> outcomes;
  outcomes.reserve(slots.size());
  for (Slot& slot : slots) outcomes.push_back(std::move(slot.out));
  return outcomes;
}

}  // namespace zrtool
