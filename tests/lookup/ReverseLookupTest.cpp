// Address text to host name on a worker bounded by a time-out.
#include "tests/lookup/LookupFixture.h"
#include "tests/support/Env.h"
#include "tests/support/Mode.h"

namespace {

using namespace zrtest;

TEST_F(LookupTest, AnAddressWithARegisteredNameGivesTheName) {
  m_names.AnswerReverse("192.168.0.7", "printer.example");
  CZrAddrResolution resolver;
  CString host;
  EXPECT_EQ(resolver.GetHostFromIPAddress("192.168.0.7", host, 5000), 0u);
  EXPECT_STREQ(host, "printer.example");
  EXPECT_TRUE(m_log.Contains("----- GetHostFromIP (192.168.0.7 -> printer.example) success"));
  EXPECT_TRUE(m_log.Contains("GetIPFromDNSThreadProc host (printer.example)"));
  std::vector<std::string> counts;
  for (const std::string& text : m_log.Texts()) {
    if (text.rfind("Number of Running Threads", 0) == 0) counts.push_back(text);
  }
  EXPECT_EQ(counts, (std::vector<std::string>{"Number of Running Threads: 1", "Number of Running Threads: 0"}));
}

TEST_F(LookupTest, AnAddressWithoutANameFailsAndNeverGivesTheNumericForm) {
  CZrAddrResolution resolver;
  CString host = "old";
  EXPECT_EQ(resolver.GetHostFromIPAddress("192.168.0.8", host, 5000), kFailed);
  EXPECT_STREQ(host, "");
  EXPECT_TRUE(m_log.Contains("----- GetHostFromIP (192.168.0.8) fail. getnameinfo status != 0"));
}

TEST_F(LookupTest, AHostNameIsRefusedAsATimeOutWithoutAWorker) {
  CZrAddrResolution resolver;
  CString host = "untouched";
  for (const char* text : {"printer.example", "", "1.2.3"}) {
    m_log.Clear();
    EXPECT_EQ(resolver.GetHostFromIPAddress(text, host, 5000), kTimedOut);
    EXPECT_TRUE(m_log.Contains(std::string("GetHostFromIPAddress() Invalid Param.!! : ") + text + "  is Not IPAddress"));
    EXPECT_EQ(0, m_names.Calls(text)) << "a worker asked for " << text;
  }
  EXPECT_EQ(resolver.GetHostFromIPAddress(nullptr, host, 5000), kTimedOut);
  EXPECT_EQ(resolver.IsTimeOutedForHost(), 0);
  EXPECT_STREQ(host, "untouched");
}

TEST_F(LookupTest, ATimedOutReverseLookupDoesNotStopTheNext) {
  m_names.AnswerReverse("10.0.0.1", "slow.example");
  m_names.Block("10.0.0.1");
  CZrAddrResolution resolver;
  CString host = "untouched";
  auto start = Clock::now();
  EXPECT_EQ(resolver.GetHostFromIPAddress("10.0.0.1", host, 200), kTimedOut);
  EXPECT_GE(MillisecondsSince(start), 190);
  EXPECT_STREQ(host, "untouched");
  EXPECT_EQ(resolver.IsTimeOutedForHost(), 1);
  EXPECT_EQ(resolver.IsTimeOuted(), 0);
  bool timeoutAtLevel1 = false;
  for (const LogLine& line : m_log.Lines()) {
    if (line.text == "GetIPFromDNSThreadProc Timeout") timeoutAtLevel1 = line.level == 1;
  }
  EXPECT_TRUE(timeoutAtLevel1);

  m_names.AnswerReverse("10.0.0.2", "fast.example");
  EXPECT_EQ(resolver.GetHostFromIPAddress("10.0.0.2", host, 5000), 0u);
  EXPECT_STREQ(host, "fast.example");
  EXPECT_EQ(resolver.IsTimeOutedForHost(), 1);

  m_names.Release();
  ASSERT_TRUE(WaitForWorkerCount(0));
  EXPECT_TRUE(m_log.Contains("----- GetHostFromIP (10.0.0.1) fail. Thread quit message received."));
}

TEST_F(LookupTest, RegistryTimeOutForReverseLookups) {
  SetTimeoutSetting("GetHostName Timeout", "dword:00000001");
  m_names.Block("10.0.0.1");
  CZrAddrResolution resolver;
  CString host;
  auto start = Clock::now();
  EXPECT_EQ(resolver.GetHostFromIPAddress("10.0.0.1", host, 50), kTimedOut);
  EXPECT_GE(MillisecondsSince(start), 950);
  EXPECT_TRUE(m_log.Contains("GetHostName Timeout = 1 sec"));
}

TEST_F(LookupTest, Windows95TrimsTrailingBlanksFromTheName) {
  m_names.AnswerReverse("10.0.0.3", "printer.example  ");
  std::unique_ptr<ScopedEnv> line;
  if (!IsWindowsBuild()) line = std::make_unique<ScopedEnv>("ZRADDRRES_WINVER", "win95");
  CZrAddrResolution resolver;
  CString host;
  EXPECT_EQ(resolver.GetHostFromIPAddress("10.0.0.3", host, 5000), 0u);
  EXPECT_STREQ(host, resolver.IsWindows95() ? "printer.example" : "printer.example  ");
  // The trace shows the name as the name service gave it.
  EXPECT_TRUE(m_log.Contains("----- GetHostFromIP (10.0.0.3 -> printer.example  ) success"));
}

using IPv4OnlyLookupTest = LookupTestT<FakeNameService::Api::IPv4Only>;

TEST_F(IPv4OnlyLookupTest, ReverseWithoutGetaddrinfo) {
  m_names.AnswerReverse("192.168.3.4", "printer.example");
  CZrAddrResolution resolver;
  CString host;
  EXPECT_EQ(resolver.GetHostFromIPAddress("192.168.3.4", host, 5000), 0u);
  EXPECT_STREQ(host, "printer.example");
  EXPECT_TRUE(m_log.Contains("gethostbyaddr start"));
  // 255.255.255.255 converts to the failure value and an IPv6 text does not convert.
  EXPECT_EQ(resolver.GetHostFromIPAddress("255.255.255.255", host, 5000), kFailed);
  EXPECT_TRUE(m_log.Contains("----- GetHostFromIP fail"));
}

}  // namespace
