// The order of attempts of the three entry points, per Windows line, read
// from the trace they write; the refusal and abort paths; the kinds reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resolver/ZrAddrResolution.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Mode.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"
#include "tests/support/ResolverAccess.h"

namespace {

using Texts = std::vector<std::string>;

// The trace lines that name an operation's start, in order, without their argument.
Texts Starts(const zrtest::LogCapture& log) {
  Texts starts;
  for (const std::string& text : log.Texts()) {
    auto cut = text.find(" : ");
    std::string head = cut == std::string::npos ? text : text.substr(0, cut);
    if (head.find("start") != std::string::npos || head.find("Start") != std::string::npos) starts.push_back(head);
  }
  return starts;
}

class Dispatch : public testing::Test {
 protected:
  zrtest::RegistrySandbox m_registry;
  CZrAddrResolution m_resolver;
  CString m_address;
  ZRMONITOR::ConnectionType m_kind = ZRMONITOR::CT_IP;
};

TEST_F(Dispatch, LocalAndFilePortsAreRefusedBeforeAnyReader) {
  for (const char* port : {"LPT1:", "FILE:"}) {
    zrtest::LogCapture log;
    m_address = "untouched";
    EXPECT_EQ(m_resolver.GetAddressFromPort(port, m_address, &m_kind), 0);
    EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
    EXPECT_STREQ(m_address, "untouched");
    Texts expected = {std::string("------------- GetAddressFromPort() start! : ") + port,
                      std::string("GetAddressFromPort() This Port is not supported !! : ") + port,
                      std::string("------------- GetAddressFromPort() finish! : ") + port};
    EXPECT_EQ(log.Texts(), expected);

    log.Clear();
    m_kind = ZRMONITOR::CT_IP;
    EXPECT_EQ(m_resolver.GetIPAddressFromPort(port, m_address, &m_kind), 0);
    EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
    EXPECT_EQ(log.Texts().size(), 3u);  // its start line and the two refusal lines

    log.Clear();
    m_kind = ZRMONITOR::CT_IP;
    EXPECT_EQ(m_resolver.GetIPXAddressFromPort(port, m_address, &m_kind), 0);
    EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
    EXPECT_EQ(log.Texts().size(), 3u);
  }
}

TEST_F(Dispatch, NothingResolvedEndsWithTheNotResolvedLine) {
  zrtest::LogCapture log;
  const char* port = "IP_printer.invalid";
  EXPECT_EQ(m_resolver.GetAddressFromPort(port, m_address, &m_kind), 0);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
  Texts texts = log.Texts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.front(), std::string("------------- GetAddressFromPort() start! : ") + port);
  EXPECT_EQ(texts.back(), std::string("------------- GetAddressFromPort() finish(Not Resolved)! : ") + port);
  for (const zrtest::LogLine& line : log.Lines()) {
    if (line.text.find("GetAddressFromPort()") != std::string::npos) {
      EXPECT_EQ(line.level, 16u) << line.text;
    }
  }

  // The direct-print reader comes first, then the IP chain.
  Texts starts = Starts(log);
  auto spoolbridge = std::find(starts.begin(), starts.end(), "GetIPXAddressFromSpoolbridgePort() start!!");
  auto ipChain = std::find(starts.begin(), starts.end(), "GetIPAddressFromPort() Start !!");
  ASSERT_NE(spoolbridge, starts.end());
  ASSERT_NE(ipChain, starts.end());
  EXPECT_LT(spoolbridge, ipChain);
}

TEST_F(Dispatch, KindsOfTheOtherEntryPointsWhenNothingResolves) {
  m_kind = ZRMONITOR::CT_IP;
  EXPECT_EQ(m_resolver.GetIPAddressFromPort("IP_printer.invalid", m_address, &m_kind), 0);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
  m_kind = ZRMONITOR::CT_IP;
  EXPECT_EQ(m_resolver.GetIPXAddressFromPort("\\\\server\\queue", m_address, &m_kind), 0);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
}

// The direct-print monitor: on the 9x line it gives the device's IPX text
// (kind 1) and no IP reader runs; on the NT line a port under its key stops
// the whole search.
const char kSpoolbridge9x[] =
    "REGEDIT4\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\JN Spoolbridge Port\\Ports]\n"
    "\"SB1\"=\"00000001-0080c7123456\"\n";
const char kSpoolbridgeNT[] =
    "REGEDIT4\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\\x82\x69\x82\x6D Spoolbridge "
    "Port\\Ports]\n"
    "\"SB1\"=\"00000001-0080c7123456\"\n";

TEST_F(Dispatch, DirectPrintPortOnThe9xLineIsKindOneAndEndsTheSearch) {
  ZR_SKIP_UNLESS(m_resolver.IsWindows9xLine(), "the direct-print reader answers only on the 9x line");
  ASSERT_TRUE(zrtest::SeedRegistry(kSpoolbridge9x));
  for (int entry = 0; entry < 2; ++entry) {
    zrtest::LogCapture log;
    int found = entry == 0 ? m_resolver.GetAddressFromPort("SB1", m_address, &m_kind)
                           : m_resolver.GetIPXAddressFromPort("SB1", m_address, &m_kind);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(m_kind, ZRMONITOR::CT_IPX);
    EXPECT_STREQ(m_address, "0080c7123456:00000001");
    Texts starts = Starts(log);
    EXPECT_EQ(std::count(starts.begin(), starts.end(), "GetIPAddressFromPort() Start !!"), 0);
  }
}

TEST_F(Dispatch, DirectPrintValuesAreSwappedAroundTheFirstHyphen) {
  ZR_SKIP_UNLESS(m_resolver.IsWindows9xLine(), "the direct-print reader answers only on the 9x line");
  struct Case {
    const char* port;
    const char* value;
    const char* address;  // null: not resolved here, and the search goes on
  };
  const Case cases[] = {
      {"SB_Two", "AAAA-BBBB", "BBBB:AAAA"},
      {"SB_Three", "A-B-C", "B-C:A"},  // the first hyphen splits
      {"SB_Trailing", "00000001-", ":00000001"},
      {"SB_Leading", "-0080c7123456", "0080c7123456:"},
      {"SB_None", "0080c7123456", nullptr},
      {"SB_Empty", "", nullptr},
  };
  std::string seed =
      "REGEDIT4\n\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\JN Spoolbridge Port\\Ports]\n";
  for (const Case& c : cases) seed += std::string("\"") + c.port + "\"=\"" + c.value + "\"\n";
  ASSERT_TRUE(zrtest::SeedRegistry(seed));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    CString address = "untouched";
    int abort = 7;
    EXPECT_EQ(ZrAddrResolutionTestAccess::Spoolbridge(m_resolver, c.port, address, abort), c.address ? 1 : 0);
    EXPECT_EQ(abort, 0);
    EXPECT_STREQ(address, c.address ? c.address : "untouched");

    zrtest::LogCapture log;
    m_resolver.GetAddressFromPort(c.port, m_address, &m_kind);
    Texts starts = Starts(log);
    EXPECT_EQ(std::count(starts.begin(), starts.end(), "GetIPAddressFromPort() Start !!"), c.address ? 0 : 1);
  }
}

TEST_F(Dispatch, DirectPrintPortOnTheNTLineAbortsTheSearch) {
  ZR_SKIP_UNLESS(m_resolver.IsWindowsNTLine(), "the abort is the NT line's");
  ASSERT_TRUE(zrtest::SeedRegistry(kSpoolbridgeNT));
  zrtest::LogCapture log;
  m_address = "untouched";
  EXPECT_EQ(m_resolver.GetAddressFromPort("SB1", m_address, &m_kind), 0);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
  Texts expected = {
      "------------- GetAddressFromPort() start! : SB1",
      "GetIPXAddressFromSpoolbridgePort() start!! : SB1",
      "GetIPXAddressFromSpoolbridgePort() This Port may be a NT SpoolbridgePort(AddresResolution Aborted) !! : SB1",
      "------------- GetAddressFromPort() finish! : SB1",
  };
  EXPECT_EQ(log.Texts(), expected);

  log.Clear();
  m_kind = ZRMONITOR::CT_IP;
  EXPECT_EQ(m_resolver.GetIPXAddressFromPort("SB1", m_address, &m_kind), 0);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
  Texts ipxExpected = {"GetIPXAddressFromPort() Start !! : SB1", "GetIPXAddressFromSpoolbridgePort() start!! : SB1"};
  EXPECT_EQ(log.Texts(), ipxExpected);
}

TEST_F(Dispatch, TheNTKeyIsNotReadOffTheNTLineNorThe9xKeyOnIt) {
  // Each line reads its own key only: the other line's entry is never found.
  ASSERT_TRUE(zrtest::SeedRegistry(m_resolver.IsWindowsNTLine() ? kSpoolbridge9x : kSpoolbridgeNT));
  EXPECT_EQ(m_resolver.GetIPXAddressFromPort("SB1", m_address, &m_kind), 0);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
}

}  // namespace
