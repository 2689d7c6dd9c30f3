#include "tools/zraddrres/TraceSteps.h"

#include <cstdlib>
#include <cstring>

namespace zrtool {

namespace {

// What a line of a given head does to the account.
enum class Act {
  CallStart,       // the dispatch began
  CallFinish,      // the dispatch ended (an address found, or a stop)
  CallNotResolved, // the dispatch ended without an address
  Group,           // an entry point or wrapper that only hands on to readers
  Reader,          // a reader began: a new step
  Continue,        // a further line of the current reader (a generic body, a sub-step)
  Refused,         // the port-name check refused the name
  Stopped,         // a direct-print port on the NT line: the search stops
  SmbAbort,        // the SMB reader's naming checks failed
  Exchange,        // PNS: the broadcast went out
  ShareList,       // SMB: the share list is asked for
  LookupShort,     // the readers' lookup began
  LookupTimed,     // the lookup with a time-out began
  LookupBackslash, // a lookup refused a name with a backslash
  LookupRefused,   // a lookup refused after an earlier time-out
  LookupFound,
  LookupNotFound,
  LookupTimedOut,
  TimeoutSetting,  // the registry's time-out for lookups
};

struct Rule {
  const char* head;    // the line's fixed text up to its argument
  Act act;
  const char* reader;  // Reader: the reader's name
  const char* what;    // Reader: for a person
};

// First match wins, so a head that begins another comes before it.
const Rule kRules[] = {
    {"------------- GetAddressFromPort() start! : ", Act::CallStart, nullptr, nullptr},
    {"------------- GetAddressFromPort() finish(Not Resolved)! : ", Act::CallNotResolved, nullptr, nullptr},
    {"------------- GetAddressFromPort() finish! : ", Act::CallFinish, nullptr, nullptr},
    {"GetAddressFromPort() This Port is not supported !! : ", Act::Refused, nullptr, nullptr},
    {"GetIPXAddressFromSpoolbridgePort() This Port may be a NT SpoolbridgePort(AddresResolution Aborted) !! : ",
     Act::Stopped, nullptr, nullptr},
    {"GetIPAddressFromPort() Start !! : ", Act::Group, nullptr, nullptr},
    {"GetIPXAddressFromPort() Start !! : ", Act::Group, nullptr, nullptr},
    {"GetIPAddressFromUNC() Start !! : ", Act::Group, nullptr, nullptr},
    {"GetIPXAddressFromSpoolbridgePort() start!! : ", Act::Reader, "GetIPXAddressFromSpoolbridgePort",
     "direct-print (Spoolbridge) monitor"},
    {"GetIPAddressFromStandardTCPIPPort() Start !! : ", Act::Reader, "GetIPAddressFromStandardTCPIPPort",
     "Standard TCP/IP monitor"},
    {"GetIPAddressFromHPStandardTCPIPPort() Start !! : ", Act::Reader, "GetIPAddressFromHPStandardTCPIPPort",
     "HP Standard TCP/IP monitor"},
    {"GetIPAddressFromLPRPort() Start !! : ", Act::Reader, "GetIPAddressFromLPRPort", "LPR monitor"},
    {"GetIPAddressFromCanonLPRPort() Start !! : ", Act::Reader, "GetIPAddressFromCanonLPRPort", "Canon LPR monitor"},
    {"GetIPAddressFromJNTQPPort() Start !! : ", Act::Reader, "GetIPAddressFromJNTQPPort", "JN TQP monitor"},
    {"GetIPAddressFromNECTQPPort() Start !! : ", Act::Reader, "GetIPAddressFromNECTQPPort", "NEC TQP monitor"},
    {"GetIPAddressFromTQPPort() Start !! : ", Act::Continue, nullptr, nullptr},
    {"GetIPAddressFromIPP(with timeout) start!! : ", Act::Reader, "GetIPAddressFromIPP",
     "Internet Print Provider"},
    {"GetIPAddressFromRemotePort() Start !! : ", Act::Reader, "GetIPAddressFromRemotePort",
     "address in the port name"},
    {"GetIPAddressFromPNS() Start !! : ", Act::Reader, "GetIPAddressFromPNS", "PNS discovery"},
    {"PnsUdpBroadcast() start!! : ", Act::Exchange, nullptr, nullptr},
    {"GetIPAddressFromSMBPort() Start !! : ", Act::Reader, "GetIPAddressFromSMBPort", "SMB share list"},
    {"GetIPAddressFromSMBPort() abort!! ", Act::SmbAbort, nullptr, nullptr},
    {"NAddrResolution::GetIPAddressFromSMBPort() start!! : ", Act::ShareList, nullptr, nullptr},
    {"GetIPXAddressFromNetWarePort() start!! : ", Act::Reader, "GetIPXAddressFromNetWarePort", "NetWare"},
    {"GetAddressFromRegistry() start!! : ", Act::Reader, "GetAddressFromRegistry", "address store"},
    {"GetIPAddressFromHostName() start!! : ", Act::LookupShort, nullptr, nullptr},
    {"GetIPAddressFromHostName(with timeout) start!! : ", Act::LookupTimed, nullptr, nullptr},
    {"GetIPAddressFromHostName() FALSE! (\\ exists) : ", Act::LookupBackslash, nullptr, nullptr},
    {"GetIPAddressFromHostName(with Timeout) FALSE! (\\ exists) : ", Act::LookupBackslash, nullptr, nullptr},
    {"GetIPAddressFromHostName() gethosybyname() is aleady timeouted!! : ", Act::LookupRefused, nullptr, nullptr},
    {"GetIPFromDNSThreadProc IP FALSE !!!!! (", Act::LookupNotFound, nullptr, nullptr},
    {"GetIPFromDNSThreadProc IP (", Act::LookupFound, nullptr, nullptr},
    {"GetIPFromDNSThreadProc Timeout", Act::LookupTimedOut, nullptr, nullptr},
    {"GetIPAddress Timeout = ", Act::TimeoutSetting, nullptr, nullptr},
};

const Rule* RuleFor(const std::string& text) {
  for (const Rule& rule : kRules) {
    if (text.compare(0, std::strlen(rule.head), rule.head) == 0) return &rule;
  }
  return nullptr;
}

// The argument after the head: "%s" at the end, or "(%s)".
std::string Argument(const std::string& text, const Rule& rule) {
  std::string rest = text.substr(std::strlen(rule.head));
  if (!rest.empty() && rest.back() == ')' && rule.head[std::strlen(rule.head) - 1] == '(') rest.pop_back();
  return rest;
}

bool IsMonitorReader(const std::string& reader) { return MonitorOf(reader) != nullptr; }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The verdict of a step that ended without an answer, from what it did.
void JudgeMiss(Step& step) {
  if (!step.verdict.empty()) return;  // refused, stopped or a naming abort said it already
  if (!step.lookups.empty()) {
    const Lookup& last = step.lookups.back();
    step.verdict = last.outcome;
    const std::string head = step.reader == "GetAddressFromRegistry" ? "stored host name " : "host name ";
    if (last.outcome == "not-found") {
      step.detail = head + last.host + ": the name server does not know it";
    } else if (last.outcome == "timed-out") {
      step.detail = head + last.host + ": the lookup timed out, no answer from the name server";
    } else if (last.outcome == "refused-after-time-out") {
      step.detail = head + last.host + ": not looked up, because an earlier lookup had timed out";
    } else if (last.outcome == "refused-backslash") {
      step.detail = head + Quoted(last.host) + " holds a backslash: not looked up";
    } else if (last.outcome == "refused-port-kind") {
      step.detail = head + Quoted(last.host) + " is a local port name: not looked up";
    } else {
      step.detail = head + last.host + ": the trace ends before the lookup did";
    }
    return;
  }
  step.verdict = "no-answer";
  if (IsMonitorReader(step.reader)) {
    step.detail = "not a port of this monitor, or configured without an address or host name";
  } else if (step.reader == "GetIPXAddressFromSpoolbridgePort") {
    step.detail = "not a port of this monitor";
  } else if (step.reader == "GetIPAddressFromIPP") {
    step.detail = "not an http:// port of the Internet Print Provider";
  } else if (step.reader == "GetIPAddressFromRemotePort") {
    step.detail = "the port name holds no address";
  } else if (step.reader == "GetIPAddressFromPNS") {
    step.detail = step.exchanged ? "no PNS answer with an address (silence, or a device field that is no address)"
                                 : "no broadcast: PNS is switched off for this user, or the name is no UNC name";
  } else if (step.reader == "GetIPAddressFromSMBPort") {
    step.detail = step.shareListed ? "the share list gave no address (no answer, or no address in the IPC$ remark)"
                                   : "not a UNC name";
  } else if (step.reader == "GetIPXAddressFromNetWarePort") {
    step.detail = "the NetWare client found no print server for the queue";
  } else if (step.reader == "GetAddressFromRegistry") {
    step.detail = "no stored entry for the port";
  }
}

void JudgeAnswer(Step& step) {
  step.verdict = "answered";
  if (!step.lookups.empty() && step.lookups.back().outcome == "found") {
    const Lookup& last = step.lookups.back();
    step.detail = (step.reader == "GetAddressFromRegistry" ? "stored host name " : "configured with host name ") +
                  last.host + ", found " + last.address;
  } else if (step.reader == "GetIPXAddressFromSpoolbridgePort") {
    step.detail = "configured with the device's IPX address";
  } else if (step.reader == "GetIPAddressFromIPP") {
    step.detail = "the address is in the port's URL";
  } else if (step.reader == "GetIPAddressFromRemotePort") {
    step.detail = "the address is in the port name";
  } else if (step.reader == "GetIPAddressFromPNS") {
    step.detail = "a PNS server answered with the device's address";
  } else if (step.reader == "GetIPAddressFromSMBPort") {
    step.detail = "the device announces its address in its IPC$ remark";
  } else if (step.reader == "GetIPXAddressFromNetWarePort") {
    step.detail = "the NetWare client found the queue's print server";
  } else if (step.reader == "GetAddressFromRegistry") {
    step.detail = "stored entry";
  } else {
    step.detail = "configured with an address";
  }
}

}  // namespace

const char* MonitorOf(const std::string& reader) {
  struct Pair {
    const char* reader;
    const char* monitor;
  };
  static const Pair kPairs[] = {
      {"GetIPAddressFromStandardTCPIPPort", "Standard TCP/IP Port"},
      {"GetIPAddressFromHPStandardTCPIPPort", "HP Standard TCP/IP Port"},
      {"GetIPAddressFromLPRPort", "LPR Port"},
      {"GetIPAddressFromCanonLPRPort", "Canon LPR Port"},
      {"GetIPAddressFromJNTQPPort", "JN TCP/IP TQP Port"},
      {"GetIPAddressFromNECTQPPort", "NEC TCP/IP TQP Port"},
  };
  for (const Pair& pair : kPairs) {
    if (reader == pair.reader) return pair.monitor;
  }
  return nullptr;
}

Place DocumentedPlace(const std::string& reader, const std::string& port, bool ntLine) {
  const std::string monitors = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
  if (reader == "GetIPAddressFromStandardTCPIPPort" || reader == "GetIPAddressFromHPStandardTCPIPPort") {
    return {monitors + MonitorOf(reader) + "\\Ports\\" + port, {"IPAddress", "HostName"}};
  }
  if (reader == "GetIPAddressFromLPRPort" || reader == "GetIPAddressFromCanonLPRPort") {
    return {monitors + MonitorOf(reader) + "\\Ports\\" + port, {"Server Name"}};
  }
  if (reader == "GetIPAddressFromJNTQPPort" || reader == "GetIPAddressFromNECTQPPort") {
    return {monitors + MonitorOf(reader) + "\\Ports", {port}};
  }
  if (reader == "GetIPXAddressFromSpoolbridgePort") {
    // Each line keeps its direct-print ports under a key of its own; the NT
    // line's is written with two full-width letters.
    return {monitors + (ntLine ? "\x82\x69\x82\x6D Spoolbridge Port" : "JN Spoolbridge Port") + "\\Ports", {port}};
  }
  if (reader == "GetIPAddressFromIPP") {
    // Only the key's existence counts; the host comes from the port name.
    return {"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Providers\\Internet Print "
            "Provider\\Ports\\" + port,
            {}};
  }
  if (reader == "GetIPAddressFromPNS") return {"HKEY_CURRENT_USER\\Software\\ZrAddrRes", {"PNS"}};
  if (reader == "GetAddressFromRegistry") return {"HKEY_CURRENT_USER\\Software\\ZrAddrRes", {port}};
  return {};
}

Account ReadTrace(const std::string& port, const std::vector<TraceLine>& lines, bool resolved) {
  Account account;
  // A lookup refused as a local port name writes the dispatch's finish line
  // on its own behalf: that line belongs to the lookup, not the call.
  bool lookupRefusalPending = false;
  auto current = [&]() -> Step* { return account.steps.empty() ? nullptr : &account.steps.back(); };
  auto openLookup = [&]() -> Lookup* {
    Step* step = current();
    if (step == nullptr || step->lookups.empty()) return nullptr;
    Lookup& last = step->lookups.back();
    return last.outcome == "unfinished" ? &last : nullptr;
  };
  auto endLookup = [&](const TraceLine& line, const char* outcome) {
    Lookup* lookup = openLookup();
    if (lookup == nullptr) return false;
    lookup->outcome = outcome;
    lookup->ms = line.ms - lookup->startMs;
    return true;
  };

  // An entry point's or wrapper's line leads into the reader after it.
  std::vector<TraceLine> leading;
  for (const TraceLine& line : lines) {
    account.ms = line.ms;
    const Rule* rule = RuleFor(line.text);
    bool placed = rule != nullptr;
    if (rule != nullptr) {
      const std::string argument = Argument(line.text, *rule);
      Step* step = current();
      switch (rule->act) {
        case Act::CallStart:
          break;
        case Act::Group:
          leading.push_back(line);
          continue;
        case Act::CallFinish:
          if (lookupRefusalPending) {
            lookupRefusalPending = false;
          } else if (argument == port) {
            account.finished = true;
            // A refusal or a stop writes this line too, and finds nothing.
            account.resolved = step != nullptr && step->verdict != "refused" && step->verdict != "stopped";
          } else {
            placed = false;
          }
          break;
        case Act::CallNotResolved:
          account.finished = true;
          account.resolved = false;
          break;
        case Act::Refused:
          if (openLookup() != nullptr) {
            endLookup(line, "refused-port-kind");
            lookupRefusalPending = true;
          } else {
            Step refusal;
            refusal.reader = "IsValidPortName";
            refusal.what = "port-name check";
            refusal.verdict = "refused";
            refusal.detail = "not a port that leads to a network device (a local, file or special port)";
            refusal.startMs = line.ms;
            refusal.lines.swap(leading);
            account.steps.push_back(refusal);
          }
          break;
        case Act::Stopped:
          if (step != nullptr) {
            step->verdict = "stopped";
            step->detail = "configured under the NT line's direct-print key: the search stops here, by design";
          } else {
            placed = false;
          }
          break;
        case Act::Reader: {
          Step next;
          next.reader = rule->reader;
          next.what = rule->what;
          next.startMs = line.ms;
          next.lines.swap(leading);
          account.steps.push_back(next);
          break;
        }
        case Act::Continue:
          placed = step != nullptr;
          break;
        case Act::SmbAbort:
          if (step != nullptr) {
            step->verdict = "no-answer";
            step->detail = "not a device's share name (\\\\server\\server-P): " + argument;
          } else {
            placed = false;
          }
          break;
        case Act::Exchange:
          if (step != nullptr) step->exchanged = true;
          placed = step != nullptr;
          break;
        case Act::ShareList:
          if (step != nullptr) step->shareListed = true;
          placed = step != nullptr;
          break;
        case Act::LookupShort:
        case Act::LookupTimed: {
          Lookup* open = openLookup();
          // The readers' lookup hands on to the one with a time-out: one lookup.
          if (rule->act == Act::LookupTimed && open != nullptr && open->host == argument) break;
          if (step == nullptr) {
            placed = false;
            break;
          }
          Lookup lookup;
          lookup.host = argument;
          lookup.startMs = line.ms;
          step->lookups.push_back(lookup);
          break;
        }
        case Act::LookupBackslash: placed = endLookup(line, "refused-backslash"); break;
        case Act::LookupRefused: placed = endLookup(line, "refused-after-time-out"); break;
        case Act::LookupNotFound: placed = endLookup(line, "not-found"); break;
        case Act::LookupTimedOut: placed = endLookup(line, "timed-out"); break;
        case Act::LookupFound: {
          Lookup* lookup = openLookup();
          placed = endLookup(line, "found");
          if (placed) lookup->address = argument;
          break;
        }
        case Act::TimeoutSetting: {
          Lookup* lookup = openLookup();
          placed = lookup != nullptr;
          // "GetIPAddress Timeout = 2 sec"
          if (lookup != nullptr) lookup->timeoutSeconds = std::strtol(argument.c_str(), nullptr, 10);
          break;
        }
      }
    }
    if (placed && !account.steps.empty()) {
      account.steps.back().lines.push_back(line);
    } else if (!placed) {
      account.unplaced.push_back(line);
    }
  }
  // An entry point that led into no reader (the trace ended first).
  if (!leading.empty() && !account.steps.empty()) {
    std::vector<TraceLine>& last = account.steps.back().lines;
    last.insert(last.end(), leading.begin(), leading.end());
  } else {
    account.unplaced.insert(account.unplaced.end(), leading.begin(), leading.end());
  }

  // Each step lasts until the next one begins; the last until the call ended.
  for (std::size_t i = 0; i < account.steps.size(); ++i) {
    Step& step = account.steps[i];
    double end = i + 1 < account.steps.size() ? account.steps[i + 1].startMs : account.ms;
    step.ms = end - step.startMs;
    for (Lookup& lookup : step.lookups) {
      if (lookup.outcome == "unfinished") lookup.ms = account.ms - lookup.startMs;
    }
  }
  for (std::size_t i = 0; i < account.steps.size(); ++i) {
    Step& step = account.steps[i];
    bool last = i + 1 == account.steps.size();
    if (last && resolved && step.verdict.empty()) {
      JudgeAnswer(step);
    } else {
      JudgeMiss(step);
    }
  }
  return account;
}

}  // namespace zrtool
