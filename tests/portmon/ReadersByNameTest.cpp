// The readers whose configuration holds a host name, against a scripted name
// service: which name each reader looks up, what the caller's string holds
// after a failed lookup, and how a time-out ends host-name resolution for the
// rest of the search while addresses are still taken.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resolver/ZrAddrResolution.h"
#include "tests/portmon/ReaderTestSupport.h"
#include "tests/support/FakeNameService.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Mode.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"

namespace {

std::string Monitor(const char* monitor, const std::string& port, const std::string& values) {
  return std::string("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\") +
         monitor + "\\Ports\\" + port + "]\n" + values + "\n";
}

std::string TqpMonitor(const char* monitor, const std::string& port, const std::string& data) {
  std::string name;
  for (char ch : port) name += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
  return std::string("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\") +
         monitor + "\\Ports]\n\"" + name + "\"=" + data + "\n";
}

std::string IppProvider(const std::string& port) {
  return "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Providers\\"
         "Internet Print Provider\\Ports\\" +
         port + "]\n";
}

struct NameCase {
  const char* what;
  const zrtest::Lines& lines;
  std::string fixture;  // empty: nothing seeded
  const char* port;
  const char* reader;    // the reader that answers
  const char* address;   // its answer
  const char* lookedUp;  // the text the short lookup is started with, once; null: no lookup at all
  const char* askedFor;  // the name the name service is asked for, once; null: none (a numeric text is not asked)
  const char* neverAskedFor;  // a name the name service must not be asked for; null: none
};

int LookupsOf(const zrtest::LogCapture& log, const std::string& text) {
  int count = 0;
  for (const std::string& line : log.Texts()) count += line == "GetIPAddressFromHostName() start!! : " + text;
  return count;
}

TEST(ReadersByName, EachReaderLooksUpTheNameItFinds) {
  const char* const standard = "GetIPAddressFromStandardTCPIPPort";
  const char* const hp = "GetIPAddressFromHPStandardTCPIPPort";
  const std::vector<NameCase> cases = {
      {"host name in the fallback value", zrtest::NT5Lines(),
       Monitor("Standard TCP/IP Port", "P1", "\"IPAddress\"=\"\"\n\"HostName\"=\"printer.example\""), "P1", standard,
       "192.168.0.7", "printer.example", "printer.example", nullptr},
      {"a host name in the address value is not looked up; the fallback is", zrtest::NT5Lines(),
       Monitor("Standard TCP/IP Port", "P1", "\"IPAddress\"=\"printer.example\"\n\"HostName\"=\"backup.example\""),
       "P1", standard, "192.168.0.8", "backup.example", "backup.example", "printer.example"},
      {"an address in the address value ends it before the fallback", zrtest::NT5Lines(),
       Monitor("Standard TCP/IP Port", "P1", "\"IPAddress\"=\"10.1.2.3\"\n\"HostName\"=\"printer.example\""), "P1",
       standard, "10.1.2.3", nullptr, nullptr, "printer.example"},
      {"an address in the fallback value still goes to the lookup", zrtest::NT5Lines(),
       Monitor("Standard TCP/IP Port", "P1", "\"IPAddress\"=dword:00000001\n\"HostName\"=\"10.1.2.4\""), "P1",
       standard, "10.1.2.4", "10.1.2.4", nullptr, nullptr},
      {"an IPv6 answer", zrtest::AllLines(),
       Monitor("HP Standard TCP/IP Port", "P1", "\"IPAddress\"=\"\"\n\"HostName\"=\"v6.example\""), "P1", hp,
       "fd00::7", "v6.example", "v6.example", nullptr},
      {"LPR server name", zrtest::NTLines(), Monitor("LPR Port", "P1", "\"Server Name\"=\"printer.example\""), "P1",
       "GetIPAddressFromLPRPort", "192.168.0.7", "printer.example", "printer.example", nullptr},
      {"Canon LPR server name", zrtest::NineXLines(),
       Monitor("Canon LPR Port", "P1", "\"Server Name\"=\"printer.example\""), "P1", "GetIPAddressFromCanonLPRPort",
       "192.168.0.7", "printer.example", "printer.example", nullptr},
      {"JN TQP value", zrtest::NineXLines(), TqpMonitor("JN TCP/IP TQP Port", "P1", "\"printer.example\""), "P1",
       "GetIPAddressFromJNTQPPort", "192.168.0.7", "printer.example", "printer.example", nullptr},
      {"NEC TQP value", zrtest::NineXLines(), TqpMonitor("NEC TCP/IP TQP Port", "P1", "\"printer.example\""), "P1",
       "GetIPAddressFromNECTQPPort", "192.168.0.7", "printer.example", "printer.example", nullptr},
      {"provider URL with a port number", zrtest::NT5Lines(), IppProvider("http://printer.example:631/ipp/print"),
       "http://printer.example:631/ipp/print", "GetIPAddressFromIPP", "192.168.0.7", "printer.example",
       "printer.example", "printer.example:631"},
      {"secure provider URL", zrtest::NT5Lines(), IppProvider("https://printer.example/ipp/print"),
       "https://printer.example/ipp/print", "GetIPAddressFromIPP", "192.168.0.7", "printer.example",
       "printer.example", nullptr},
      {"remote port host:queue", zrtest::NTLines(), "", "printer.example:lp", "GetIPAddressFromRemotePort",
       "192.168.0.7", "printer.example", "printer.example", "printer.example:lp"},
      {"remote port named IP_ and a host name", zrtest::NTLines(), "", "IP_printer.example",
       "GetIPAddressFromRemotePort", "192.168.0.7", "printer.example", "printer.example", nullptr},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.what);
    zrtest::ForEachLine(c.lines, [&](const std::string& line) {
      zrtest::RegistrySandbox registry;
      if (!c.fixture.empty()) {
        ASSERT_TRUE(zrtest::SeedRegistry(c.fixture));
      }
      zrtest::FakeNameService names;
      names.Answer("printer.example", "192.168.0.7");
      names.Answer("backup.example", "192.168.0.8");
      names.Answer("v6.example", "fd00::7");
      names.Answer("10.1.2.4", "10.1.2.4");
      CZrAddrResolution resolver;
      zrtest::LogCapture log;
      CString address;
      ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
      EXPECT_EQ(resolver.GetIPAddressFromPort(c.port, address, &kind), 1);
      EXPECT_EQ(kind, ZRMONITOR::CT_IP);
      EXPECT_STREQ(address, c.address);
      EXPECT_EQ(zrtest::PortReadersRun(log), zrtest::ChainUpTo(line, c.reader));
      if (c.lookedUp) {
        EXPECT_EQ(LookupsOf(log, c.lookedUp), 1) << c.lookedUp;
      } else {
        EXPECT_FALSE(log.Contains("GetIPAddressFromHostName()"));
      }
      if (c.askedFor) {
        EXPECT_EQ(names.Calls(c.askedFor), 1) << c.askedFor;
      }
      if (c.neverAskedFor) {
        EXPECT_EQ(names.Calls(c.neverAskedFor), 0) << c.neverAskedFor;
      }
    });
  }
}

// The "IP_" prefix comes off only after the whole name failed as a host name,
// and only in upper case.
TEST(ReadersByName, RemotePortsTryTheWholeNameBeforeTheIPPrefix) {
  ZR_SKIP_UNLESS(zrtest::RunsHere(zrtest::NTLines()), "the remote-port reader runs on the NT line only");
  zrtest::ForEachLine(zrtest::NTLines(), [](const std::string&) {
    zrtest::RegistrySandbox registry;
    zrtest::FakeNameService names;
    CZrAddrResolution resolver;
    CString address;
    ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
    EXPECT_EQ(resolver.GetIPAddressFromPort("IP_10.0.0.9", address, &kind), 1);
    EXPECT_STREQ(address, "10.0.0.9");
    EXPECT_EQ(names.Calls("IP_10.0.0.9"), 1);
    EXPECT_EQ(names.Calls("10.0.0.9"), 0);

    EXPECT_EQ(resolver.GetIPAddressFromPort("ip_10.0.0.9", address, &kind), 0);
    EXPECT_EQ(names.Calls("ip_10.0.0.9"), 1);
    EXPECT_EQ(names.Calls("10.0.0.9"), 0);
  });
}

// After a failed lookup some readers hand the caller the lookup's (empty)
// output, others leave the caller's string alone. The ports hold a backslash
// so that the remote-port reader, which comes later in the NT chains, refuses
// to look their names up and leaves the string as the reader under test left it.
TEST(ReadersByName, WhatAFailedLookupLeavesInTheCallersString) {
  struct Case {
    const char* reader;
    const zrtest::Lines& lines;
    std::string fixture;
    const char* left;
  };
  const char* const port = "Lab\\Q1";
  const Case cases[] = {
      {"GetIPAddressFromStandardTCPIPPort", zrtest::NT5Lines(),
       Monitor("Standard TCP/IP Port", port, "\"IPAddress\"=\"\"\n\"HostName\"=\"nowhere.example\""), ""},
      {"GetIPAddressFromHPStandardTCPIPPort", zrtest::AllLines(),
       Monitor("HP Standard TCP/IP Port", port, "\"IPAddress\"=\"\"\n\"HostName\"=\"nowhere.example\""), ""},
      {"GetIPAddressFromLPRPort", zrtest::NTLines(), Monitor("LPR Port", port, "\"Server Name\"=\"nowhere.example\""),
       ""},
      {"GetIPAddressFromCanonLPRPort", zrtest::NineXLines(),
       Monitor("Canon LPR Port", port, "\"Server Name\"=\"nowhere.example\""), "untouched"},
      {"GetIPAddressFromJNTQPPort", zrtest::NineXLines(),
       TqpMonitor("JN TCP/IP TQP Port", port, "\"nowhere.example\""), "untouched"},
      {"GetIPAddressFromNECTQPPort", zrtest::NineXLines(),
       TqpMonitor("NEC TCP/IP TQP Port", port, "\"nowhere.example\""), "untouched"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reader);
    zrtest::ForEachLine(c.lines, [&](const std::string& line) {
      zrtest::RegistrySandbox registry;
      ASSERT_TRUE(zrtest::SeedRegistry(c.fixture));
      zrtest::FakeNameService names;
      CZrAddrResolution resolver;
      zrtest::LogCapture log;
      CString address("untouched");
      ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_IP;
      EXPECT_EQ(resolver.GetIPAddressFromPort(port, address, &kind), 0);
      EXPECT_EQ(kind, ZRMONITOR::CT_NONE);
      EXPECT_STREQ(address, c.left);
      EXPECT_EQ(names.Calls("nowhere.example"), 1);
      EXPECT_EQ(zrtest::PortReadersRun(log), zrtest::ChainOf(line));
    });
  }
}

// The remote-port reader writes its failed lookups' output itself.
TEST(ReadersByName, ARemotePortsFailedLookupEmptiesTheCallersString) {
  ZR_SKIP_UNLESS(zrtest::RunsHere(zrtest::NTLines()), "the remote-port reader runs on the NT line only");
  zrtest::ForEachLine(zrtest::NTLines(), [](const std::string&) {
    zrtest::RegistrySandbox registry;
    zrtest::FakeNameService names;
    CZrAddrResolution resolver;
    CString address("untouched");
    ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_IP;
    EXPECT_EQ(resolver.GetIPAddressFromPort("nowhere.example:lp", address, &kind), 0);
    EXPECT_STREQ(address, "");
    EXPECT_EQ(names.Calls("nowhere.example"), 1);
  });
}

// A name server that does not answer costs one time-out: the later readers of
// the same search, and later searches of the same resolver, take addresses
// but look no name up.
TEST(ReadersByName, ATimeOutEndsLookupsButNotAddresses) {
  ZR_SKIP_UNLESS(zrtest::RunsHere(zrtest::NT5Lines()), "the Standard TCP/IP reader runs on NT 5 and later only");
  zrtest::ForEachLine({"win10"}, [](const std::string& line) {
    zrtest::RegistrySandbox registry;
    ASSERT_TRUE(zrtest::SeedRegistry(
        Monitor("Standard TCP/IP Port", "IP_10.0.0.9", "\"IPAddress\"=\"\"\n\"HostName\"=\"slow.example\"")));
    ASSERT_TRUE(zrtest::SeedRegistry(Monitor("LPR Port", "ByName", "\"Server Name\"=\"printer.example\"")));
    ASSERT_TRUE(zrtest::SeedRegistry(Monitor("LPR Port", "ByAddress", "\"Server Name\"=\"10.0.0.3\"")));
    zrtest::FakeNameService names;
    names.Block("slow.example");
    names.Answer("printer.example", "192.168.0.7");
    CZrAddrResolution resolver;

    // The Standard TCP/IP lookup times out; the remote-port reader does not
    // look the port name up, and takes the address after "IP_".
    zrtest::LogCapture log;
    CString address("untouched");
    ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
    EXPECT_EQ(resolver.GetIPAddressFromPort("IP_10.0.0.9", address, &kind), 1);
    EXPECT_STREQ(address, "10.0.0.9");
    EXPECT_EQ(resolver.IsTimeOuted(), 1);
    EXPECT_EQ(names.Calls("IP_10.0.0.9"), 0);
    EXPECT_EQ(zrtest::PortReadersRun(log), zrtest::ChainUpTo(line, "GetIPAddressFromRemotePort"));

    EXPECT_EQ(resolver.GetIPAddressFromPort("ByName", address, &kind), 0);
    EXPECT_EQ(names.Calls("printer.example"), 0);
    EXPECT_EQ(resolver.GetIPAddressFromPort("ByAddress", address, &kind), 1);
    EXPECT_STREQ(address, "10.0.0.3");
  });
}

}  // namespace
