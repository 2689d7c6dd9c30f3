// The lookups end to end: the real name service of the target (the C
// library's resolver natively, Wine's ws2_32 under Wine) asking a real name
// server, our responder, inside the private network namespace that
// run-in-netns.sh makes. The names and what the server does with them are in
// zone.txt beside this file.
//
// The server waits 3 s for an answer before it gives up (resolv.conf of the
// namespace), longer than the 1 s the time-out cases allow the library, so a
// time-out seen here is the library's own and not the name service's failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "lookup/ThreadChecker.h"
#include "resolver/ZrAddrResolution.h"
#include "tests/support/Env.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Mode.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"
#include "tests/support/ResolverAccess.h"

namespace {

using namespace zrtest;
using Clock = std::chrono::steady_clock;

const unsigned long kFound = 0;
const unsigned long kFailed = 0xFFFFFFFEUL;
const unsigned long kTimedOut = 0xFFFFFFFFUL;
const unsigned long kShortTimeoutMs = 1000;  // well below the name server's own 3 s
const unsigned long kAmpleTimeoutMs = 3000;  // the late answer (600 ms) comes well within it
// A wait may end a timer tick before its time as measured here.
const long long kWaitSlackMs = 50;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool WaitForWorkerCount(int count) {
  // An abandoned worker ends when the name service gives up: 3 s after its start.
  auto until = Clock::now() + std::chrono::seconds(20);
  while (CThreadChecker::GetInstance().GetCount() != count) {
    if (Clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

int LinesWith(const LogCapture& log, const std::string& text) {
  int count = 0;
  for (const std::string& line : log.Texts()) count += line == text;
  return count;
}

bool LoggedAtLevel(const LogCapture& log, const std::string& text, unsigned long level) {
  for (const LogLine& line : log.Lines()) {
    if (line.text == text && line.level == level) return true;
  }
  return false;
}

class NetnsTest : public testing::Test {
 protected:
  void SetUp() override {
    // Outside the namespace these lookups would go to the machine's real name servers.
    ZR_SKIP_UNLESS(!GetEnv("ZR_NETNS").empty(),
                   "runs only inside the private network namespace of tests/netns/run-in-netns.sh");
  }

  void TearDown() override {
    // No worker of one test may write its lines into the next test's trace.
    EXPECT_TRUE(WaitForWorkerCount(0)) << "a lookup worker did not end";
  }

  void SetTimeoutSetting(const char* value, const char* data) {
    ASSERT_TRUE(SeedRegistry(std::string("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\ZrAddrRes]\n\"") + value +
                             "\"=" + data + "\n"));
  }

  RegistrySandbox m_registry;
  LogCapture m_log;
};

struct ForwardCase {
  const char* what;
  const char* name;
  unsigned long result;
  const char* address;  // the output string afterwards
};

TEST_F(NetnsTest, HostNamesResolveOrFailWithinTheTimeOut) {
  const std::vector<ForwardCase> cases = {
      {"an A record", "printer.zrtest", kFound, "192.0.2.10"},
      {"an AAAA record", "printer6.zrtest", kFound, "2001:db8::10"},
      {"the name in upper case", "PRINTER.ZRTEST", kFound, "192.0.2.10"},
      {"a late answer within the time-out", "late.zrtest", kFound, "192.0.2.12"},
      {"a name the server does not know", "nobody.zrtest", kFailed, ""},
      {"an answer cut off inside its record", "garbled.zrtest", kFailed, ""},
  };
  for (const ForwardCase& c : cases) {
    SCOPED_TRACE(c.what);
    m_log.Clear();
    CZrAddrResolution resolver;
    CString address = "old";
    EXPECT_EQ(resolver.GetIPAddressFromHostName(c.name, address, kAmpleTimeoutMs), c.result);
    EXPECT_STREQ(address, c.address);
    EXPECT_EQ(resolver.IsTimeOuted(), 0);
    if (c.result == kFound) {
      EXPECT_TRUE(m_log.Contains(std::string("----- GetIPFromDNS (") + c.name + " -> " + c.address + ") success"));
    } else {
      EXPECT_TRUE(LoggedAtLevel(m_log, std::string("----- GetIPFromDNS (") + c.name + ") fail. getaddrinfo status != 0",
                                1));
      // A failure is no time-out: the port readers' lookup still runs.
      CString again;
      EXPECT_EQ(ZrAddrResolutionTestAccess::ShortLookup(resolver, "printer.zrtest", again), 1);
      EXPECT_STREQ(again, "192.0.2.10");
    }
  }
}

TEST_F(NetnsTest, ANameWithBothRecordsGivesOneOfItsAddresses) {
  // Which comes first is the name service's choice (address sorting).
  CZrAddrResolution resolver;
  CString address;
  EXPECT_EQ(resolver.GetIPAddressFromHostName("dual.zrtest", address, kAmpleTimeoutMs), kFound);
  EXPECT_THAT(std::string(address), testing::AnyOf("192.0.2.11", "2001:db8::11"));
}

struct TimeOutCase {
  const char* what;
  const char* name;
};

TEST_F(NetnsTest, AServerThatDoesNotAnswerInTimeCostsTheTimeOut) {
  const std::vector<TimeOutCase> cases = {
      {"a server that never answers", "silent.zrtest"},
      {"an answer that comes after the time-out", "toolate.zrtest"},
  };
  for (const TimeOutCase& c : cases) {
    SCOPED_TRACE(c.what);
    m_log.Clear();
    CZrAddrResolution resolver;
    CString address = "untouched";
    Clock::time_point start = Clock::now();
    EXPECT_EQ(resolver.GetIPAddressFromHostName(c.name, address, kShortTimeoutMs), kTimedOut);
    long long elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, static_cast<long long>(kShortTimeoutMs) - kWaitSlackMs);  // after the wait, not before
    EXPECT_LT(elapsed, 20000);
    EXPECT_STREQ(address, "untouched");
    EXPECT_EQ(resolver.IsTimeOuted(), 1);

    // The port readers' lookup is refused at once from now on; the public one still runs.
    CString refused = "untouched";
    EXPECT_EQ(ZrAddrResolutionTestAccess::ShortLookup(resolver, "printer.zrtest", refused), 0);
    EXPECT_EQ(LinesWith(m_log, "GetIPAddressFromHostName() gethosybyname() is aleady timeouted!! : printer.zrtest"), 1);
    CString later;
    EXPECT_EQ(resolver.GetIPAddressFromHostName("printer.zrtest", later, kAmpleTimeoutMs), kFound);
    EXPECT_STREQ(later, "192.0.2.10");

    // The abandoned worker ends when its call returns, and leaves everything alone.
    ASSERT_TRUE(WaitForWorkerCount(0));
    EXPECT_TRUE(LoggedAtLevel(m_log, std::string("----- GetIPFromDNS (") + c.name + ") fail. Thread quit message received.",
                              1));
    EXPECT_STREQ(address, "untouched");
    EXPECT_STREQ(later, "192.0.2.10");
    EXPECT_FALSE(m_log.Contains(std::string("----- GetIPFromDNS (") + c.name + " -> "));
  }
}

struct ReverseCase {
  const char* what;
  const char* address;
  unsigned long result;
  const char* host;  // the output string afterwards
};

TEST_F(NetnsTest, AddressesResolveToTheirRegisteredNames) {
  const std::vector<ReverseCase> cases = {
      {"an IPv4 address with a name", "192.0.2.10", kFound, "printer.zrtest"},
      {"an IPv6 address with a name", "2001:db8::10", kFound, "printer6.zrtest"},
      // Never the numeric form instead of a name.
      {"an IPv4 address without a name", "192.0.2.99", kFailed, ""},
      {"an IPv6 address without a name", "2001:db8::99", kFailed, ""},
  };
  for (const ReverseCase& c : cases) {
    SCOPED_TRACE(c.what);
    CZrAddrResolution resolver;
    CString host = "old";
    EXPECT_EQ(resolver.GetHostFromIPAddress(c.address, host, kAmpleTimeoutMs), c.result);
    EXPECT_STREQ(host, c.host);
    EXPECT_EQ(resolver.IsTimeOutedForHost(), 0);
  }
}

TEST_F(NetnsTest, AReverseLookupThatTimesOutDoesNotStopTheNext) {
  CZrAddrResolution resolver;
  CString host = "untouched";
  Clock::time_point start = Clock::now();
  EXPECT_EQ(resolver.GetHostFromIPAddress("192.0.2.66", host, kShortTimeoutMs), kTimedOut);
  EXPECT_GE(MillisecondsSince(start), static_cast<long long>(kShortTimeoutMs) - kWaitSlackMs);
  EXPECT_STREQ(host, "untouched");
  EXPECT_EQ(resolver.IsTimeOutedForHost(), 1);
  EXPECT_EQ(resolver.IsTimeOuted(), 0);

  CString next;
  EXPECT_EQ(resolver.GetHostFromIPAddress("192.0.2.10", next, kAmpleTimeoutMs), kFound);
  EXPECT_STREQ(next, "printer.zrtest");
  EXPECT_EQ(resolver.IsTimeOutedForHost(), 1);

  ASSERT_TRUE(WaitForWorkerCount(0));
  EXPECT_TRUE(LoggedAtLevel(m_log, "----- GetHostFromIP (192.0.2.66) fail. Thread quit message received.", 1));
  EXPECT_STREQ(host, "untouched");
}

// The monitor whose ports each Windows line's chain of readers reads by host
// name: the platform's Standard TCP/IP monitor from NT 5 on, HP's on the others.
const char* HostNameMonitor() {
  return WindowsLine() == Line::NT5OrLater ? "Standard TCP/IP Port" : "HP Standard TCP/IP Port";
}

std::string PortName(int n) { return "ZRNET_" + std::to_string(n); }

// Five ports of that monitor, port n configured with the host name "<prefix><n>.zrtest".
testing::AssertionResult SeedPorts(const std::string& prefix) {
  std::string reg = "REGEDIT4\n";
  for (int n = 1; n <= 5; ++n) {
    reg += std::string("\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\") +
           HostNameMonitor() + "\\Ports\\" + PortName(n) + "]\n\"IPAddress\"=\"\"\n\"HostName\"=\"" + prefix +
           std::to_string(n) + ".zrtest\"\n";
  }
  return SeedRegistry(reg);
}

TEST_F(NetnsTest, PortsConfiguredByHostNameResolve) {
  ASSERT_TRUE(SeedPorts("port"));
  CZrAddrResolution resolver;
  for (int n = 1; n <= 5; ++n) {
    SCOPED_TRACE(PortName(n));
    CString address;
    ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
    EXPECT_EQ(resolver.GetAddressFromPort(PortName(n).c_str(), address, &kind), 1);
    EXPECT_EQ(kind, ZRMONITOR::CT_IP);
    EXPECT_STREQ(address, ("192.0.2.2" + std::to_string(n)).c_str());
  }
  EXPECT_EQ(resolver.IsTimeOuted(), 0);
}

TEST_F(NetnsTest, ADeadServerCostsOneTimeOutForAWholeRunOfPorts) {
  ASSERT_TRUE(SeedPorts("dead"));
  SetTimeoutSetting("GetIPAddress Timeout", "dword:00000001");  // 1 s instead of the readers' 5 s
  CZrAddrResolution resolver;
  Clock::time_point start = Clock::now();
  for (int n = 1; n <= 5; ++n) {
    SCOPED_TRACE(PortName(n));
    CString address;
    ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_IP;
    EXPECT_EQ(resolver.GetAddressFromPort(PortName(n).c_str(), address, &kind), 0);
    EXPECT_EQ(kind, ZRMONITOR::CT_NONE);
  }
  long long elapsed = MillisecondsSince(start);
  // One time-out of 1 s, not five: the later ports' lookups are refused at once.
  EXPECT_GE(elapsed, 1000 - kWaitSlackMs);
  EXPECT_LT(elapsed, 3500);
  EXPECT_EQ(resolver.IsTimeOuted(), 1);
  EXPECT_EQ(LinesWith(m_log, "GetIPFromDNSThreadProc Timeout"), 1);
  for (int n = 2; n <= 5; ++n) {
    EXPECT_EQ(LinesWith(m_log, "GetIPAddressFromHostName() gethosybyname() is aleady timeouted!! : dead" +
                                   std::to_string(n) + ".zrtest"),
              1)
        << PortName(n);
  }
}

}  // namespace
