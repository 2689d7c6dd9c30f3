// Resolving a list of ports, each answer with the reason when there is none.
//
// A resolver object refuses further host-name lookups once one of its lookups
// has timed out, so what a port gets depends on what was resolved before it
// on the same object. The tool answers as one object working through the
// list in order would, however many objects work at once: a port is resolved
// again when it ran in a state (name server answering or silent) other than
// the one the ports before it left. A dead name server then costs about one
// time-out, and the same registry gives the same answers whatever --jobs is.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/zraddrres/Commands.h"
#include "tools/zraddrres/TraceSteps.h"

namespace zrtool {

// Why a port has no answer, in classes a support engineer can act on.
enum class Reason {
  None,              // it resolved
  PortKind,          // a local, file or special port: refused before any reader
  StoppedByDesign,   // a direct-print port on the NT line
  NameServerSilent,  // a lookup timed out, or was not made after an earlier one had
  NameNotFound,      // the name service answered that the name is unknown
  NotConfigured,     // no monitor this Windows line reads configures it usably
  NoStoredEntry,     // nothing found it and the store holds no usable entry
  NoReader,          // only the spooler knows the port: no reader reads its monitor
};

// The class as it appears in JSON and CSV: "port-kind", "stopped-by-design",
// "name-server-silent", "name-not-found", "not-configured", "no-stored-entry",
// "no-reader" (and "" for None).
const char* ReasonCode(Reason reason);

struct Outcome {
  bool resolved = false;
  std::string address;  // ANSI text, as the library gave it
  int kind = 0;         // ZRMONITOR::ConnectionType
  double milliseconds = 0;
  Reason reason = Reason::None;
  std::string detail;  // for a person, ANSI text (it names ports and hosts)
  std::string host;    // name-server-silent, name-not-found: the host name the lookup was for
  bool fromStore = false;  // resolved by the stored-address fallback: no reader found it
  // Unresolved with a host-name lookup that timed out or was not made after
  // an earlier time-out: what the port leads to is not known.
  bool cutShort = false;
  std::vector<TraceLine> trace;  // the library's lines on the resolving thread, stamped as they came
};

struct OrderedRun {
  Entry entry = Entry::Full;
  int jobs = 1;                 // the most resolver objects working at once
  bool echoTrace = false;       // every line of the library on standard error
  // Every port on a resolver object that has seen no time-out: no port is
  // kept from its lookups by another's, and each silent name costs its own wait.
  bool each = false;
  std::function<void()> step;   // called once per port when its first answer is in
};

std::vector<Outcome> ResolveInOrder(const std::vector<std::string>& ports, const OrderedRun& run);

// The Windows line the library runs as, for a person: "9x", "NT 4", "NT 5 and later".
std::string WindowsLineName();

}  // namespace zrtool
