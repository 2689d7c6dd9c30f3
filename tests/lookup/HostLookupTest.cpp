// Host name to address on a worker bounded by a time-out, against a scripted
// name service that answers, fails, or holds a call until released.
#include <algorithm>
#include <memory>
#include <vector>

#include "lookup/WorkerStart.h"
#include "tests/lookup/LookupFixture.h"
#include "tests/support/Mode.h"
#include "tests/support/ResolverAccess.h"

namespace {

using namespace zrtest;

TEST_F(LookupTest, ANameThatResolvesGivesItsAddress) {
  m_names.Answer("printer.example", "192.168.0.7");
  CZrAddrResolution resolver;
  CString address = "old";
  EXPECT_EQ(resolver.GetIPAddressFromHostName("printer.example", address, 5000), 0u);
  EXPECT_STREQ(address, "192.168.0.7");
  EXPECT_EQ(resolver.IsTimeOuted(), 0);

  std::vector<std::string> expected = {
      "GetIPAddressFromHostName(with timeout) start!! : printer.example",
      "Number of Running Threads: 1",
      "getaddrinfo start",
  };
  std::vector<std::string> texts = m_log.Texts();
  ASSERT_GE(texts.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 3), expected);
  EXPECT_EQ(texts[3].rfind("getaddrinfo end. hostent=0x", 0), 0u) << texts[3];
  EXPECT_EQ(texts[4], "----- GetIPFromDNS (printer.example -> 192.168.0.7) success");
  EXPECT_EQ(texts[5], "Number of Running Threads: 0");
  EXPECT_EQ(texts[6], "GetIPFromDNSThreadProc IP (192.168.0.7)");
}

TEST_F(LookupTest, TheFirstAnswerDecidesEvenWhenItIsIPv6) {
  m_names.Answer("v6.example", "fd00::7");
  CZrAddrResolution resolver;
  CString address;
  EXPECT_EQ(resolver.GetIPAddressFromHostName("v6.example", address, 5000), 0u);
  EXPECT_STREQ(address, "fd00::7");
}

TEST_F(LookupTest, AnUnknownNameFailsWithAnEmptyOutputAndNoTimeOut) {
  CZrAddrResolution resolver;
  CString address = "old";
  EXPECT_EQ(resolver.GetIPAddressFromHostName("nobody.example", address, 5000), kFailed);
  EXPECT_STREQ(address, "");
  EXPECT_EQ(resolver.IsTimeOuted(), 0);
  EXPECT_TRUE(m_log.Contains("----- GetIPFromDNS (nobody.example) fail. getaddrinfo status != 0"));
  EXPECT_TRUE(m_log.Contains("GetIPFromDNSThreadProc IP FALSE !!!!! ()"));
  for (const LogLine& line : m_log.Lines()) {
    if (line.text.find("fail.") != std::string::npos) {
      EXPECT_EQ(line.level, 1u) << line.text;
    }
  }
  // The short lookup still runs afterwards.
  m_names.Answer("printer.example", "10.0.0.9");
  EXPECT_EQ(ZrAddrResolutionTestAccess::ShortLookup(resolver, "printer.example", address), 1);
  EXPECT_STREQ(address, "10.0.0.9");
}

TEST_F(LookupTest, NamesRefusedWithoutAWorker) {
  CZrAddrResolution resolver;
  struct Case {
    const char* name;
    const char* line;
  };
  const Case cases[] = {
      {"\\\\server\\printer", "GetIPAddressFromHostName(with Timeout) FALSE! (\\ exists) : \\\\server\\printer"},
      {"", nullptr},
      {nullptr, nullptr},
  };
  for (const Case& c : cases) {
    m_log.Clear();
    CString address = "untouched";
    EXPECT_EQ(resolver.GetIPAddressFromHostName(c.name, address, 5000), kFailed);
    // No worker asked the name service (a stray line of an earlier test's
    // late worker could say "Number of Running Threads" here under load).
    if (c.name) {
      EXPECT_EQ(0, m_names.Calls(c.name)) << c.name;
    }
    if (c.line) {
      EXPECT_TRUE(m_log.Contains(c.line));
    }
  }
}

TEST_F(LookupTest, ASecondByte5CIsNoBackslashInCodePage932) {
  // Each name's first character is double-byte in code page 932 with 0x5C
  // as its second byte; in code page 1252 that byte is a backslash.
  const char* const names[] = {"\x95\x5C.example", "\x83\x5C-lp.example", "\x94\x5C\x8E\x71"};
  const bool dbcs = CodePage() == 932;
  for (const char* name : names) {
    SCOPED_TRACE(name);
    m_names.Answer(name, "10.4.4.4");
    m_log.Clear();
    CZrAddrResolution resolver;
    CString address;
    EXPECT_EQ(resolver.GetIPAddressFromHostName(name, address, 5000), dbcs ? 0u : kFailed);
    EXPECT_EQ(m_log.Contains(std::string("GetIPAddressFromHostName(with Timeout) FALSE! (\\ exists) : ") + name),
              !dbcs);
    address.Empty();
    EXPECT_EQ(ZrAddrResolutionTestAccess::ShortLookup(resolver, name, address), dbcs ? 1 : 0);
    EXPECT_EQ(m_log.Contains(std::string("GetIPAddressFromHostName() FALSE! (\\ exists) : ") + name), !dbcs);
    if (dbcs) {
      EXPECT_STREQ(address, "10.4.4.4");
    }
  }
}

// The start and the wait that both lookups share, with steps that record
// what they saw, around a worker that ends when the test lets it.
class WorkerStartTest : public LookupTest {
 protected:
  static unsigned int HeldWorker(void* parameter) {
    std::unique_ptr<zrlookup::LookupCallRef> call(static_cast<zrlookup::LookupCallRef*>(parameter));
    while (!s_letGo.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
  }
  void TearDown() override { s_letGo = true; }
  static std::atomic<bool> s_letGo;
};
std::atomic<bool> WorkerStartTest::s_letGo{false};

TEST_F(WorkerStartTest, TheWaitIsAskedForOnlyOnceTheWorkerRuns) {
  s_letGo = true;
  auto call = std::make_shared<zrlookup::CLookupCall>();
  bool asked = false;
  zrlookup::WorkerSteps steps;
  steps.duplicateAndResume = [](CWinThread& thread, HANDLE&) {
    thread.ResumeThread();
    return 0;  // as if the handle could not be duplicated
  };
  steps.timeout = [&asked] {
    asked = true;
    return 1000ul;
  };
  steps.timedOut = [] { ADD_FAILURE() << "no wait, so no time-out"; };
  EXPECT_EQ(zrlookup::StartAndWait(&HeldWorker, call, steps), zrlookup::WorkerWait::Failed);
  EXPECT_FALSE(asked);
  EXPECT_TRUE(call->m_bAbandoned.load());
}

TEST_F(WorkerStartTest, TheTimeOutIsSaidBeforeTheWorkerIsToldToQuit) {
  s_letGo = false;
  auto call = std::make_shared<zrlookup::CLookupCall>();
  int said = 0;
  bool abandonedWhenSaid = true;
  zrlookup::WorkerSteps steps;
  steps.duplicateAndResume = [](CWinThread& thread, HANDLE& handle) {
    BOOL duplicated = DuplicateHandle(GetCurrentProcess(), thread.m_hThread, GetCurrentProcess(), &handle, 0, FALSE,
                                      DUPLICATE_SAME_ACCESS);
    return duplicated && thread.ResumeThread() == 1 ? 1 : 0;
  };
  steps.timeout = [] { return 20ul; };
  steps.timedOut = [&] {
    ++said;
    abandonedWhenSaid = call->m_bAbandoned.load();
  };
  EXPECT_EQ(zrlookup::StartAndWait(&HeldWorker, call, steps), zrlookup::WorkerWait::TimedOut);
  EXPECT_EQ(said, 1);
  // Once the worker can see that it was given up, the caller has said why.
  EXPECT_FALSE(abandonedWhenSaid);
  EXPECT_TRUE(call->m_bAbandoned.load());
}

TEST_F(LookupTest, ATimeOutAbandonsTheWorkerAndRefusesLaterShortLookups) {
  m_names.Answer("slow.example", "10.1.1.1");
  m_names.Block("slow.example");
  CZrAddrResolution resolver;
  CString address = "untouched";
  auto start = Clock::now();
  EXPECT_EQ(resolver.GetIPAddressFromHostName("slow.example", address, 300), kTimedOut);
  EXPECT_GE(MillisecondsSince(start), 290);  // after the wait, not before
  EXPECT_LT(MillisecondsSince(start), 5000);
  EXPECT_STREQ(address, "untouched");
  EXPECT_EQ(resolver.IsTimeOuted(), 1);
  EXPECT_TRUE(m_log.Contains("GetIPFromDNSThreadProc Timeout"));
  EXPECT_EQ(CThreadChecker::GetInstance().GetCount(), 1);  // the abandoned worker still counts

  // Copies keep the flag; a new resolver starts clear.
  CZrAddrResolution copy(resolver);
  EXPECT_EQ(copy.IsTimeOuted(), 1);
  EXPECT_EQ(CZrAddrResolution().IsTimeOuted(), 0);

  // The port readers' lookup is refused at once, without a worker, for any name.
  m_log.Clear();
  m_names.Answer("fast.example", "10.2.2.2");
  EXPECT_EQ(ZrAddrResolutionTestAccess::ShortLookup(resolver, "fast.example", address), 0);
  EXPECT_EQ(m_names.Calls("fast.example"), 0);
  std::vector<std::string> refused = {"GetIPAddressFromHostName() start!! : fast.example",
                                      "GetIPAddressFromHostName() gethosybyname() is aleady timeouted!! : fast.example"};
  EXPECT_EQ(m_log.Texts(), refused);

  // Released, the worker ends by itself, says why, and leaves the resolver alone.
  m_log.Clear();
  m_names.Release();
  ASSERT_TRUE(WaitForWorkerCount(0));
  EXPECT_TRUE(m_log.Contains("----- GetIPFromDNS (slow.example) fail. Thread quit message received."));
  EXPECT_FALSE(m_log.Contains("success"));
  EXPECT_STREQ(address, "untouched");
}

TEST_F(LookupTest, ThePublicLookupStillRunsAfterATimeOut) {
  m_names.Block("slow.example");
  CZrAddrResolution resolver;
  CString address;
  EXPECT_EQ(resolver.GetIPAddressFromHostName("slow.example", address, 100), kTimedOut);
  m_names.Answer("printer.example", "10.0.0.5");
  EXPECT_EQ(resolver.GetIPAddressFromHostName("printer.example", address, 5000), 0u);
  EXPECT_STREQ(address, "10.0.0.5");
  EXPECT_EQ(resolver.IsTimeOuted(), 1);
}

TEST_F(LookupTest, RegistryTimeOutOverridesTheCallersInSeconds) {
  SetTimeoutSetting("GetIPAddress Timeout", "dword:00000002");
  m_names.Block("slow.example");
  CZrAddrResolution resolver;
  CString address;
  auto start = Clock::now();
  EXPECT_EQ(resolver.GetIPAddressFromHostName("slow.example", address, 100), kTimedOut);
  EXPECT_GE(MillisecondsSince(start), 1950);
  EXPECT_LT(MillisecondsSince(start), 15000);
  EXPECT_TRUE(m_log.Contains("GetIPAddress Timeout = 2 sec"));
}

TEST_F(LookupTest, ARegistryTimeOutStoredAsTextIsIgnored) {
  SetTimeoutSetting("GetIPAddress Timeout", "\"2\"");
  m_names.Block("slow.example");
  CZrAddrResolution resolver;
  CString address;
  auto start = Clock::now();
  EXPECT_EQ(resolver.GetIPAddressFromHostName("slow.example", address, 200), kTimedOut);
  EXPECT_LT(MillisecondsSince(start), 1900);
  EXPECT_FALSE(m_log.Contains("GetIPAddress Timeout ="));
}

TEST_F(LookupTest, ARegistryTimeOutOfZeroTakesOnlyAFinishedWorker) {
  SetTimeoutSetting("GetIPAddress Timeout", "dword:00000000");
  m_names.Block("slow.example");
  CZrAddrResolution resolver;
  CString address;
  auto start = Clock::now();
  EXPECT_EQ(resolver.GetIPAddressFromHostName("slow.example", address, 60000), kTimedOut);
  EXPECT_LT(MillisecondsSince(start), 5000);
  EXPECT_TRUE(m_log.Contains("GetIPAddress Timeout = 0 sec"));
}

TEST_F(LookupTest, AResolverDestroyedUnderItsAbandonedWorker) {
  m_names.Answer("slow.example", "10.1.1.1");
  m_names.Block("slow.example");
  {
    auto resolver = std::make_unique<CZrAddrResolution>();
    CString address;
    EXPECT_EQ(resolver->GetIPAddressFromHostName("slow.example", address, 50), kTimedOut);
  }  // destroyed while its worker is held in the name service
  m_names.Release();
  EXPECT_TRUE(WaitForWorkerCount(0));
  EXPECT_TRUE(m_log.Contains("Thread quit message received."));
}

TEST_F(LookupTest, TwoHundredAbandonedWorkersAllEnd) {
  m_names.Block("slow.example");
  std::vector<CZrAddrResolution> resolvers(200);
  for (CZrAddrResolution& resolver : resolvers) {
    CString address;
    EXPECT_EQ(resolver.GetIPAddressFromHostName("slow.example", address, 0), kTimedOut);
  }
  resolvers.clear();
  m_names.Release();
  ASSERT_TRUE(WaitForWorkerCount(0));
  auto start = Clock::now();
  CThreadChecker::GetInstance().WaitForRunningThread();
  EXPECT_LT(MillisecondsSince(start), 1000);
}

using IPv4OnlyLookupTest = LookupTestT<FakeNameService::Api::IPv4Only>;

TEST_F(IPv4OnlyLookupTest, WithoutGetaddrinfoOnlyIPv4IsReturned) {
  m_names.Answer("printer.example", "192.168.3.4");
  m_names.Answer("v6.example", "fd00::7");
  CZrAddrResolution resolver;
  CString address;
  EXPECT_EQ(resolver.GetIPAddressFromHostName("printer.example", address, 5000), 0u);
  EXPECT_STREQ(address, "192.168.3.4");
  EXPECT_TRUE(m_log.Contains("gethostbyname start"));
  EXPECT_FALSE(m_log.Contains("getaddrinfo start"));
  EXPECT_EQ(resolver.GetIPAddressFromHostName("v6.example", address, 5000), kFailed);
  EXPECT_TRUE(m_log.Contains("----- GetIPFromDNS (v6.example) fail. lpHostEnt is NULL"));
}

TEST_F(IPv4OnlyLookupTest, AbandonedOnTheIPv4PathToo) {
  m_names.Answer("slow.example", "10.1.1.1");
  m_names.Block("slow.example");
  CZrAddrResolution resolver;
  CString address;
  EXPECT_EQ(resolver.GetIPAddressFromHostName("slow.example", address, 50), kTimedOut);
  m_names.Release();
  ASSERT_TRUE(WaitForWorkerCount(0));
  EXPECT_TRUE(m_log.Contains("----- GetIPFromDNS (slow.example) fail. Thread quit message received."));
}

}  // namespace

namespace {

using namespace zrtest;

TEST_F(LookupTest, TheShortLookupRefusesWhatIsNoHostName) {
  CZrAddrResolution resolver;
  CString address = "untouched";
  EXPECT_EQ(ZrAddrResolutionTestAccess::ShortLookup(resolver, "LPT1:", address), 0);
  EXPECT_EQ(ZrAddrResolutionTestAccess::ShortLookup(resolver, "srv\\queue", address), 0);
  EXPECT_TRUE(m_log.Contains("GetIPAddressFromHostName() FALSE! (\\ exists) : srv\\queue"));
  EXPECT_EQ(0, m_names.Calls("LPT1:"));
  EXPECT_EQ(0, m_names.Calls("srv\\queue"));
  EXPECT_STREQ(address, "untouched");
}

TEST_F(LookupTest, TheShortLookupWaitsFiveSecondsUnlessTheRegistrySaysOtherwise) {
  SetTimeoutSetting("GetIPAddress Timeout", "dword:00000001");
  m_names.Block("slow.example");
  CZrAddrResolution resolver;
  CString address;
  auto start = Clock::now();
  EXPECT_EQ(ZrAddrResolutionTestAccess::ShortLookup(resolver, "slow.example", address), 0);
  EXPECT_GE(MillisecondsSince(start), 950);
  EXPECT_EQ(resolver.IsTimeOuted(), 1);
}

}  // namespace
