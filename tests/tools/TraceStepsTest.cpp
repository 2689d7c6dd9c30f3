// The explain command's reading of the trace, on real traces: each case
// seeds a small registry, resolves a port through the library with the
// scripted name service in place, captures the lines of the resolving thread
// as the tool does, and checks the steps read from them.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "resolver/ZrAddrResolution.h"
#include "tests/portmon/ReaderTestSupport.h"
#include "tests/support/FakeNameService.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"
#include "tools/zraddrres/TraceSteps.h"
#include "zrlogging/ZrLogging.h"

namespace {

// The lines of the thread that resolves, numbered as stamps: the workers'
// lines are left out, as the tool leaves them out.
class ThreadTrace {
 public:
  ThreadTrace() : m_thread(std::this_thread::get_id()) { ZrLoggingSetHook(&Hear, this); }
  ~ThreadTrace() { ZrLoggingSetHook(nullptr, nullptr); }
  const std::vector<zrtool::TraceLine>& Lines() const { return m_lines; }

 private:
  static void Hear(void* self, ZrLoggingEvent event, const char*, unsigned long level, const char* text) {
    ThreadTrace& me = *static_cast<ThreadTrace*>(self);
    if (event != ZRLOGGING_EVENT_WRITE || std::this_thread::get_id() != me.m_thread) return;
    zrtool::TraceLine line;
    line.ms = static_cast<double>(me.m_lines.size());
    line.level = level;
    line.text = text;
    me.m_lines.push_back(line);
  }
  std::thread::id m_thread;
  std::vector<zrtool::TraceLine> m_lines;
};

const char kMonitors[] = "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
// A zero wait: a held name times out at once.
const char kNoWait[] = "[HKEY_LOCAL_MACHINE\\Software\\ZrAddrRes]\n\"GetIPAddress Timeout\"=dword:00000000\n";

struct Case {
  const char* what;
  const zrtest::Lines& lines;
  std::string seed;  // .reg text after REGEDIT4
  const char* port;
  bool resolved;
  // "reader=verdict" of the steps that must appear, in this order (other
  // steps may come between them); with `resolved` the last one answered.
  std::vector<std::string> steps;
  // "outcome host" of lookups that must appear in this order (the remote
  // reader of the NT lines also looks the port name up).
  std::vector<std::string> lookups;
  bool unplacedLines = false;  // whether lines no rule knows are expected
};

std::string Summary(const zrtool::Step& step) { return step.reader + "=" + step.verdict; }

// Whether `wanted` appears in `steps` in order.
bool InOrder(const std::vector<std::string>& wanted, const std::vector<std::string>& steps) {
  std::size_t at = 0;
  for (const std::string& step : steps) {
    if (at < wanted.size() && step == wanted[at]) ++at;
  }
  return at == wanted.size();
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string out;
  for (const std::string& text : texts) out += text + "\n";
  return out;
}

TEST(TraceSteps, RealTracesOfEachReaderKind) {
  const std::string stdPort = std::string(kMonitors) + "Standard TCP/IP Port\\Ports\\";
  const std::string hpPort = std::string(kMonitors) + "HP Standard TCP/IP Port\\Ports\\";
  const std::string store = "[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n";
  const char* const spool = "GetIPXAddressFromSpoolbridgePort=no-answer";
  const std::vector<Case> cases = {
      {"address configured", zrtest::NT5Lines(),
       stdPort + "Desk]\n\"IPAddress\"=\"10.0.0.21\"\n", "Desk", true,
       {spool, "GetIPAddressFromStandardTCPIPPort=answered"}, {}},
      {"host name found", zrtest::AllLines(),
       hpPort + "Desk]\n\"IPAddress\"=\"\"\n\"HostName\"=\"desk.zrtest\"\n", "Desk", true,
       {"GetIPAddressFromHPStandardTCPIPPort=answered"}, {"found desk.zrtest"}},
      {"host name unknown, then the port name itself", zrtest::NTLines(),
       hpPort + "Desk]\n\"HostName\"=\"gone.zrtest\"\n", "Desk", false,
       {"GetIPAddressFromHPStandardTCPIPPort=not-found", "GetIPAddressFromRemotePort=not-found",
        "GetAddressFromRegistry=no-answer"},
       {"not-found gone.zrtest", "not-found Desk"}},
      {"time-out, and no lookup after it", zrtest::NTLines(),
       std::string(kNoWait) + hpPort + "Desk]\n\"HostName\"=\"held.zrtest\"\n", "Desk", false,
       {"GetIPAddressFromHPStandardTCPIPPort=timed-out", "GetIPAddressFromRemotePort=refused-after-time-out"},
       {"timed-out held.zrtest", "refused-after-time-out Desk"}},
      {"local port refused before any reader", zrtest::AllLines(), "", "LPT1:", false,
       {"IsValidPortName=refused"}, {}},
      {"direct-print port on the NT line", zrtest::NTLines(),
       std::string(kMonitors) + "\x82\x69\x82\x6D Spoolbridge Port\\Ports]\n\"SB1\"=\"00000001-0080c7123456\"\n",
       "SB1", false, {"GetIPXAddressFromSpoolbridgePort=stopped"}, {}},
      {"direct-print port on the 9x line", zrtest::NineXLines(),
       std::string(kMonitors) + "JN Spoolbridge Port\\Ports]\n\"SB1\"=\"00000001-0080c7123456\"\n", "SB1", true,
       {"GetIPXAddressFromSpoolbridgePort=answered"}, {}},
      {"LPR port", zrtest::NTLines(),
       std::string(kMonitors) + "LPR Port\\Ports\\Lpr1]\n\"Server Name\"=\"10.0.0.50\"\n", "Lpr1", true,
       {spool, "GetIPAddressFromLPRPort=answered"}, {}},
      {"TQP port", zrtest::NineXLines(),
       std::string(kMonitors) + "NEC TCP/IP TQP Port\\Ports]\n\"Tqp1\"=\"10.0.0.71\"\n", "Tqp1", true,
       {"GetIPAddressFromJNTQPPort=no-answer", "GetIPAddressFromNECTQPPort=answered"}, {}},
      {"IPP port", zrtest::NT5Lines(),
       "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Providers\\Internet Print "
       "Provider\\Ports\\http://10.0.0.80/ipp]\n",
       "http://10.0.0.80/ipp", true, {"GetIPAddressFromStandardTCPIPPort=no-answer", "GetIPAddressFromIPP=answered"},
       {}},
      {"address in the port name", zrtest::NTLines(), "", "10.0.0.8:lp", true,
       {"GetIPAddressFromRemotePort=answered"}, {}},
      {"SMB name that is no device's share name, then NetWare", zrtest::NTLines(), "",
       "\\\\printserver01\\queue", false,
       {"GetIPAddressFromSMBPort=no-answer", "GetIPXAddressFromNetWarePort=no-answer",
        "GetAddressFromRegistry=no-answer"},
       {"refused-backslash \\\\printserver01\\queue"}},
      {"stored address", zrtest::AllLines(), store + "\"Kept\"=\"10.0.0.99\"\n", "Kept", true,
       {"GetAddressFromRegistry=answered"}, {}},
      {"stored host name found", zrtest::AllLines(), store + "\"Kept\"=\"desk.zrtest\"\n", "Kept", true,
       {"GetAddressFromRegistry=answered"}, {"found desk.zrtest"}},
      // The PNS exchange finds no network here: its socket errors are lines
      // the reading does not place.
      {"PNS without a network, then SMB", zrtest::NineXLines(), "", "\\\\srv\\srv-P", false,
       {"GetIPAddressFromPNS=no-answer", "GetIPAddressFromSMBPort=no-answer"}, {}, true},
  };
  for (const Case& c : cases) {
    zrtest::ForEachLine(c.lines, [&](const std::string& line) {
      SCOPED_TRACE(std::string(c.what) + " in " + line);
      zrtest::RegistrySandbox registry;
      // The UNC reader records what PNS chose in the user's key: undo it.
      registry.TrackKey(HKEY_CURRENT_USER, "Software\\ZrAddrRes");
      for (const char* value : {"PNS", "PNSServer", "PNSDeviceAddress"}) {
        registry.TrackValue(HKEY_CURRENT_USER, "Software\\ZrAddrRes", value);
      }
      if (!c.seed.empty()) {
        ASSERT_TRUE(zrtest::SeedRegistry("REGEDIT4\n\n" + c.seed));
      }
      zrtest::FakeNameService names;
      names.Answer("desk.zrtest", "10.0.0.22");
      names.Block("held.zrtest");
      CZrAddrResolution resolver;
      CString address;
      ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
      std::vector<zrtool::TraceLine> lines;
      int found;
      {
        ThreadTrace trace;
        found = resolver.GetAddressFromPort(c.port, address, &kind);
        lines = trace.Lines();
      }
      names.Release();
      ASSERT_EQ(found != 0, c.resolved);

      zrtool::Account account = zrtool::ReadTrace(c.port, lines, found != 0);
      std::vector<std::string> steps;
      std::vector<std::string> lookups;
      for (const zrtool::Step& step : account.steps) {
        steps.push_back(Summary(step));
        for (const zrtool::Lookup& lookup : step.lookups) lookups.push_back(lookup.outcome + " " + lookup.host);
        EXPECT_FALSE(step.detail.empty()) << Summary(step);
      }
      std::string trace;
      for (const zrtool::TraceLine& l : lines) trace += l.text + "\n";
      EXPECT_TRUE(InOrder(c.steps, steps)) << "steps:\n" << Joined(steps) << "trace:\n" << trace;
      EXPECT_TRUE(InOrder(c.lookups, lookups)) << "lookups:\n" << Joined(lookups) << "trace:\n" << trace;
      EXPECT_TRUE(account.finished);
      EXPECT_EQ(account.resolved, c.resolved);
      if (c.resolved) {
        EXPECT_EQ(steps.back(), c.steps.back());
      }
      // Only the answering step answers.
      for (std::size_t i = 0; i + 1 < account.steps.size(); ++i) EXPECT_NE(account.steps[i].verdict, "answered");
      if (!c.unplacedLines) {
        std::string unplaced;
        for (const zrtool::TraceLine& l : account.unplaced) unplaced += l.text + "\n";
        EXPECT_TRUE(account.unplaced.empty()) << unplaced;
      } else {
        EXPECT_FALSE(account.unplaced.empty());
      }
      // Every line is placed in a step or kept as unplaced, none lost or doubled.
      std::size_t kept = account.unplaced.size();
      for (const zrtool::Step& step : account.steps) kept += step.lines.size();
      std::size_t callLines = 0;  // the dispatch's own start line, before any step
      for (const zrtool::TraceLine& l : lines) {
        callLines += l.text.compare(0, 44, "------------- GetAddressFromPort() start! : ") == 0;
      }
      EXPECT_EQ(kept + callLines, lines.size()) << trace;
    });
  }
}

// Step times come from the stamps: a step lasts until the next one begins,
// the last until the trace's end; a lookup from its start to its end line.
TEST(TraceSteps, StepTimesComeFromTheStamps) {
  const std::vector<zrtool::TraceLine> lines = {
      {0, 16, "------------- GetAddressFromPort() start! : Desk"},
      {1, 16, "GetIPXAddressFromSpoolbridgePort() start!! : Desk"},
      {2, 16, "GetIPAddressFromPort() Start !! : Desk"},
      {3, 16, "GetIPAddressFromStandardTCPIPPort() Start !! : Desk"},
      {4, 16, "GetIPAddressFromHostName() start!! : slow.zrtest"},
      {5, 16, "GetIPAddressFromHostName(with timeout) start!! : slow.zrtest"},
      {6, 16, "GetIPAddress Timeout = 2 sec"},
      {2005, 16, "GetIPFromDNSThreadProc Timeout"},
      {2006, 16, "GetIPAddressFromIPP(with timeout) start!! : Desk"},
      {2007, 16, "a line no rule knows"},
      {2010, 16, "------------- GetAddressFromPort() finish(Not Resolved)! : Desk"},
  };
  zrtool::Account account = zrtool::ReadTrace("Desk", lines, false);
  ASSERT_EQ(account.steps.size(), 3u);
  EXPECT_DOUBLE_EQ(account.steps[0].ms, 2);
  EXPECT_DOUBLE_EQ(account.steps[1].ms, 2003);
  EXPECT_DOUBLE_EQ(account.steps[2].ms, 4);
  ASSERT_EQ(account.steps[1].lookups.size(), 1u);
  const zrtool::Lookup& lookup = account.steps[1].lookups[0];
  EXPECT_EQ(lookup.outcome, "timed-out");
  EXPECT_EQ(lookup.timeoutSeconds, 2);
  EXPECT_DOUBLE_EQ(lookup.ms, 2001);
  // The IP entry point's line leads into the first IP reader.
  ASSERT_FALSE(account.steps[1].lines.empty());
  EXPECT_EQ(account.steps[1].lines.front().text, "GetIPAddressFromPort() Start !! : Desk");
  EXPECT_EQ(account.steps[0].lines.size(), 1u);
  ASSERT_EQ(account.unplaced.size(), 1u);
  EXPECT_EQ(account.unplaced[0].text, "a line no rule knows");
  EXPECT_FALSE(account.resolved);
}

}  // namespace
