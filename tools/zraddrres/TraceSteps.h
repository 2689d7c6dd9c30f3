// The library's trace of one GetAddressFromPort call read back as the steps
// it took: each reader tried, in order, what came of it and how long it took.
//
// Pure: trace lines in, steps out. The lines are the library's own fixed
// texts, so the reading is a table of their heads; a line the table does not
// know is kept as it is, in order, for the reader of the account.
#pragma once

#include <string>
#include <vector>

namespace zrtool {

// One line as the logging hook received it on the resolving thread.
struct TraceLine {
  double ms = 0;  // since the call began, stamped on arrival
  unsigned long level = 0;
  std::string text;  // ANSI, as the library wrote it
};

// A host-name lookup a reader started, or was refused.
struct Lookup {
  std::string host;
  // "found", "not-found", "timed-out", "refused-after-time-out" (an earlier
  // lookup of the object had timed out), "refused-backslash",
  // "refused-port-kind", or "unfinished" when the trace ends first.
  std::string outcome = "unfinished";
  std::string address;         // with "found"
  long timeoutSeconds = -1;    // the registry's "GetIPAddress Timeout", when the trace names it
  double startMs = 0;
  double ms = 0;  // from its start line to its end line (or the trace's end)
};

struct Step {
  std::string reader;  // the library's name, e.g. "GetIPAddressFromStandardTCPIPPort"
  std::string what;    // for a person, e.g. "Standard TCP/IP monitor"
  // What came of it: "answered", "refused" (not a port that leads to a
  // device), "stopped" (a direct-print port on the NT line), "no-answer", or
  // the outcome of its last lookup ("not-found", "timed-out", …).
  std::string verdict;
  std::string detail;  // for a person; ANSI (it names hosts and addresses)
  double startMs = 0;
  double ms = 0;  // until the next step began, or the call finished
  std::vector<Lookup> lookups;
  bool exchanged = false;    // PNS: a broadcast went out
  bool shareListed = false;  // SMB: the server's share list was asked for
  std::vector<TraceLine> lines;  // the trace lines placed in this step
};

struct Account {
  std::vector<Step> steps;
  std::vector<TraceLine> unplaced;  // lines no rule knows, as they came
  bool finished = false;            // the dispatch's finish line was seen
  bool resolved = false;            // that finish line said an address was found
  double ms = 0;                    // the last stamp
};

// Reads the caller-thread trace of GetAddressFromPort(port). `resolved`
// tells whether the call found an address: the last reader then answered.
Account ReadTrace(const std::string& port, const std::vector<TraceLine>& lines, bool resolved);

// Where a reader is documented to read the registry, for a person: the key
// (HKEY_… path, ANSI) and the values, in reading order. Empty key for readers
// that read no registry. The trace does not name them: this is the reader's
// documented place, not a record of the read.
struct Place {
  std::string key;
  std::vector<std::string> values;
};
Place DocumentedPlace(const std::string& reader, const std::string& port, bool ntLine);

// Whether a reader reads a monitor's configuration of its own (as opposed to
// the port name, the network or the store); its monitor's key name if so.
const char* MonitorOf(const std::string& reader);

}  // namespace zrtool
