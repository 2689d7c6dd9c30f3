// Each port-monitor reader against its monitor's configuration, resolved
// through the IP dispatch in every Windows line the reader runs in: the value
// as an address text, as the wrong type, unterminated, too long, empty or
// absent, and what each reader leaves in the caller's string. Only values
// that hold addresses resolve here; host names are the by-name tests'.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resolver/ZrAddrResolution.h"
#include "tests/portmon/ReaderTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Mode.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"

namespace {

using Texts = std::vector<std::string>;

const char kMonitors[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";

// The same value, in every condition a reader must tell apart. Ports are
// named "Cases\<name>": the backslash keeps the remote-port reader (which
// looks the port name up) from writing into the caller's string, so the
// string shows what the reader under test left there.
struct ValueCase {
  const char* name;
  std::string data;  // as written after "=" in a .reg text; empty: nothing seeded
  int found;
  const char* address;
  bool reachesLookup;  // read fine but no address: the reader hands it to the lookup
  bool unterminated;   // tried only where the registry can hold it
};

// 259 characters and the terminator fill the readers' 260-byte buffer. The
// backslash makes the lookup refuse the text at once, without a name service.
std::string RegText(int length) { return "\"" + std::string(length - 1, 'h') + "\\\\\""; }

const std::vector<ValueCase>& AllValueCases() {
  static const std::vector<ValueCase> cases = {
      {"Address", "\"10.1.2.3\"", 1, "10.1.2.3", false, false},
      {"IPv6", "\"fd00::21\"", 1, "fd00::21", false, false},
      {"Expandable", "hex(2):31,30,2e,31,2e,32,2e,33,00", 1, "10.1.2.3", false, false},  // read unexpanded
      {"Empty", "\"\"", 0, nullptr, true, false},
      {"Number", "dword:0a010203", 0, nullptr, false, false},
      {"Unterminated", "hex(1):31,30,2e,31,2e,32,2e,33", 0, nullptr, false, true},
      {"Binary", "hex:31,30,2e,31,2e,32,2e,33,00", 0, nullptr, false, false},
      {"Longest", RegText(259), 0, nullptr, true, false},
      {"TooLong", RegText(260), 0, nullptr, false, false},
      {"Absent", "", 0, nullptr, false, false},
  };
  return cases;
}

// The cases the registry of this run can hold.
std::vector<ValueCase> ValueCases() {
  std::vector<ValueCase> cases;
  for (const ValueCase& c : AllValueCases()) {
    if (!c.unterminated || zrtest::RegistryKeepsUnterminatedStrings()) cases.push_back(c);
  }
  return cases;
}

struct Reader {
  const char* member;
  const char* monitor;
  const char* valueName;  // null: the monitor keeps one value per port, named by the port
  const char* afterFailedLookup;  // what a failed lookup leaves in the caller's string; null: never looks up
  const zrtest::Lines& lines;
};

// Every reader with the value it reads first. The Standard TCP/IP readers'
// ports have no "HostName" here, so a bad "IPAddress" ends without a lookup.
const std::vector<Reader>& Readers() {
  static const std::vector<Reader> readers = {
      {"GetIPAddressFromStandardTCPIPPort", "Standard TCP/IP Port", "IPAddress", nullptr, zrtest::NT5Lines()},
      {"GetIPAddressFromHPStandardTCPIPPort", "HP Standard TCP/IP Port", "IPAddress", nullptr, zrtest::AllLines()},
      {"GetIPAddressFromLPRPort", "LPR Port", "Server Name", "", zrtest::NTLines()},
      {"GetIPAddressFromCanonLPRPort", "Canon LPR Port", "Server Name", "untouched", zrtest::NineXLines()},
      {"GetIPAddressFromJNTQPPort", "JN TCP/IP TQP Port", nullptr, "untouched", zrtest::NineXLines()},
      {"GetIPAddressFromNECTQPPort", "NEC TCP/IP TQP Port", nullptr, "untouched", zrtest::NineXLines()},
  };
  return readers;
}

// One .reg text per monitor holding a port for every case.
std::string MonitorFixture(const Reader& reader) {
  const std::string ports = std::string(kMonitors) + reader.monitor + "\\Ports";
  std::string text = "REGEDIT4\n\n";
  if (reader.valueName == nullptr) {
    text += "[" + ports + "]\n";
    for (const ValueCase& c : ValueCases()) {
      if (!c.data.empty()) text += std::string("\"Cases\\\\") + c.name + "\"=" + c.data + "\n";
    }
    return text;
  }
  for (const ValueCase& c : ValueCases()) {
    text += "[" + ports + "\\Cases\\" + c.name + "]\n";
    // A port without the value still has others, an address among them.
    text += c.data.empty() ? std::string("\"Other\"=\"10.1.2.3\"\n")
                           : std::string("\"") + reader.valueName + "\"=" + c.data + "\n";
    text += "\n";
  }
  return text;
}

TEST(PortReaders, EachReaderTellsItsValueConditionsApart) {
  for (const Reader& reader : Readers()) {
    SCOPED_TRACE(reader.member);
    zrtest::ForEachLine(reader.lines, [&](const std::string& line) {
      zrtest::RegistrySandbox registry;
      ASSERT_TRUE(zrtest::SeedRegistry(MonitorFixture(reader)));
      CZrAddrResolution resolver;
      for (const ValueCase& c : ValueCases()) {
        SCOPED_TRACE(c.name);
        const std::string port = std::string("Cases\\") + c.name;
        zrtest::LogCapture log;
        CString address("untouched");
        ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
        EXPECT_EQ(resolver.GetIPAddressFromPort(port.c_str(), address, &kind), c.found);
        if (c.found) {
          EXPECT_EQ(kind, ZRMONITOR::CT_IP);
          EXPECT_STREQ(address, c.address);
          EXPECT_EQ(zrtest::PortReadersRun(log), zrtest::ChainUpTo(line, reader.member));
        } else {
          const char* left = c.reachesLookup && reader.afterFailedLookup ? reader.afterFailedLookup : "untouched";
          EXPECT_EQ(kind, ZRMONITOR::CT_NONE);
          EXPECT_STREQ(address, left);
          EXPECT_EQ(zrtest::PortReadersRun(log), zrtest::ChainOf(line));
        }
      }
    });
  }
}

// The Standard TCP/IP readers fall back to "HostName" whenever "IPAddress"
// gives no address; "HostName" always goes to the lookup, whose output the
// caller's string then takes.
TEST(PortReaders, StandardTcpIpFallsBackToTheHostName) {
  struct Case {
    const char* name;
    std::string ipAddress;  // .reg data, empty: absent
    std::string hostName;
    int found;
    const char* address;
    bool unterminated;  // tried only where the registry can hold it
  };
  const Case cases[] = {
      {"AddressFirst", "\"10.1.2.3\"", "\"\"", 1, "10.1.2.3", false},
      {"NoHostName", "\"\"", "", 0, "untouched", false},
      {"HostNameNumber", "\"\"", "dword:0a010204", 0, "untouched", false},
      {"HostNameUnterminated", "\"\"", "hex(1):31,30,2e,31,2e,32,2e,34", 0, "untouched", true},
      {"HostNameTooLong", "\"\"", RegText(260), 0, "untouched", false},
      {"HostNameEmpty", "\"\"", "\"\"", 0, "", false},
      {"HostNameLongest", "\"\"", RegText(259), 0, "", false},
      {"AddressNumber", "dword:0a010203", "\"\"", 0, "", false},
      {"AddressUnterminated", "hex(1):31,30,2e,31,2e,32,2e,33", "\"\"", 0, "", true},
      {"AddressTooLong", RegText(260), "\"\"", 0, "", false},
      {"NoAddress", "", "\"\"", 0, "", false},
  };
  const Reader standard[] = {Readers()[0], Readers()[1]};
  for (const Reader& reader : standard) {
    SCOPED_TRACE(reader.member);
    std::string fixture = "REGEDIT4\n\n";
    for (const Case& c : cases) {
      if (c.unterminated && !zrtest::RegistryKeepsUnterminatedStrings()) continue;
      fixture += std::string("[") + kMonitors + reader.monitor + "\\Ports\\Fallback\\" + c.name + "]\n";
      if (!c.ipAddress.empty()) fixture += "\"IPAddress\"=" + c.ipAddress + "\n";
      if (!c.hostName.empty()) fixture += "\"HostName\"=" + c.hostName + "\n";
      fixture += "\"PortNumber\"=dword:0000238c\n\n";
    }
    zrtest::ForEachLine(reader.lines, [&](const std::string& line) {
      zrtest::RegistrySandbox registry;
      ASSERT_TRUE(zrtest::SeedRegistry(fixture));
      CZrAddrResolution resolver;
      for (const Case& c : cases) {
        if (c.unterminated && !zrtest::RegistryKeepsUnterminatedStrings()) continue;
        SCOPED_TRACE(c.name);
        const std::string port = std::string("Fallback\\") + c.name;
        zrtest::LogCapture log;
        CString address("untouched");
        ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
        EXPECT_EQ(resolver.GetIPAddressFromPort(port.c_str(), address, &kind), c.found);
        EXPECT_STREQ(address, c.address);
        EXPECT_EQ(zrtest::PortReadersRun(log),
                  c.found ? zrtest::ChainUpTo(line, reader.member) : zrtest::ChainOf(line));
      }
    });
  }
}

// The TQP monitors' readers: the bound reader's start line, then the
// generic reader's, both with the port name; all progress lines.
TEST(PortReaders, TqpReadersWriteTheirOwnAndTheGenericStartLine) {
  ZR_SKIP_UNLESS(zrtest::RunsHere(zrtest::NineXLines()), "the TQP readers run on the 9x line only");
  zrtest::ForEachLine(zrtest::NineXLines(), [](const std::string&) {
    zrtest::RegistrySandbox registry;
    ASSERT_TRUE(zrtest::SeedRegistry(std::string("REGEDIT4\n\n[") + kMonitors +
                                     "NEC TCP/IP TQP Port\\Ports]\n\"TQP1\"=\"192.168.0.20\"\n"));
    CZrAddrResolution resolver;
    zrtest::LogCapture log;
    CString address;
    ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
    ASSERT_EQ(resolver.GetIPAddressFromPort("TQP1", address, &kind), 1);
    EXPECT_STREQ(address, "192.168.0.20");
    const Texts expected = {
        "GetIPAddressFromPort() Start !! : TQP1",       "GetIPAddressFromJNTQPPort() Start !! : TQP1",
        "GetIPAddressFromTQPPort() Start !! : TQP1",     "GetIPAddressFromNECTQPPort() Start !! : TQP1",
        "GetIPAddressFromTQPPort() Start !! : TQP1",
    };
    EXPECT_EQ(log.Texts(), expected);
    for (const zrtest::LogLine& l : log.Lines()) EXPECT_EQ(l.level, 16u) << l.text;
  });
}

// Value names are the registry's: the port name finds its value whatever
// the case it is written in.
TEST(PortReaders, TqpValueNamesIgnoreCase) {
  ZR_SKIP_UNLESS(zrtest::RunsHere(zrtest::NineXLines()), "the TQP readers run on the 9x line only");
  zrtest::ForEachLine(zrtest::NineXLines(), [](const std::string&) {
    zrtest::RegistrySandbox registry;
    ASSERT_TRUE(zrtest::SeedRegistry(std::string("REGEDIT4\n\n[") + kMonitors +
                                     "JN TCP/IP TQP Port\\Ports]\n\"Reception_TQP\"=\"192.168.0.21\"\n"));
    CZrAddrResolution resolver;
    zrtest::LogCapture log;
    CString address;
    ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
    ASSERT_EQ(resolver.GetIPAddressFromPort("RECEPTION_tqp", address, &kind), 1);
    EXPECT_STREQ(address, "192.168.0.21");
    EXPECT_TRUE(log.Contains("GetIPAddressFromTQPPort() Start !! : RECEPTION_tqp"));  // passed unchanged
  });
}

// An empty port name names no port. Read as written, it would name the
// monitor's "Ports" key itself, or the TQP key's default value.
TEST(PortReaders, AnEmptyPortNameReadsNoMonitorsOwnKey) {
  std::string fixture = "REGEDIT4\n\n";
  for (const Reader& reader : Readers()) {
    fixture += std::string("[") + kMonitors + reader.monitor + "\\Ports]\n";
    fixture += reader.valueName ? std::string("\"") + reader.valueName + "\"=\"10.0.0.1\"\n\n" : "@=\"10.0.0.1\"\n\n";
  }
  zrtest::ForEachLine(zrtest::AllLines(), [&](const std::string& line) {
    zrtest::RegistrySandbox registry;
    ASSERT_TRUE(zrtest::SeedRegistry(fixture));
    CZrAddrResolution resolver;
    zrtest::LogCapture log;
    CString address("untouched");
    ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_IP;
    EXPECT_EQ(resolver.GetIPAddressFromPort("", address, &kind), 0);
    EXPECT_EQ(kind, ZRMONITOR::CT_NONE);
    EXPECT_EQ(zrtest::PortReadersRun(log), zrtest::ChainOf(line));
  });
}

// Internet Print Provider ports: the key proves the port is the provider's,
// the URL's host is the address. A port number and IPv6 brackets are not part
// of the host, and a secure URL is read like a plain one.
TEST(PortReaders, IppPortsGiveTheHostOfTheirURL) {
  struct Case {
    const char* port;
    bool providerKey;
    int found;
    const char* address;
  };
  const Case cases[] = {
      {"http://10.0.0.2/printers/lp/.printer", true, 1, "10.0.0.2"},
      {"HTTP://10.0.0.2", true, 1, "10.0.0.2"},
      {"http://10.0.0.2:631/ipp/print", true, 1, "10.0.0.2"},
      {"https://10.0.0.2/ipp/print", true, 1, "10.0.0.2"},
      {"http://[fd00::2]/ipp/print", true, 1, "fd00::2"},
      {"https://[fd00::2]:443/ipp/print", true, 1, "fd00::2"},
      {"http://fd00::2/ipp", true, 1, "fd00::2"},
      {"http://10.0.0.3/printers/lp", false, 0, nullptr},  // not the provider's port
      {"ftp://10.0.0.2/lp", true, 0, nullptr},
  };
  std::string fixture = "REGEDIT4\n\n";
  for (const Case& c : cases) {
    if (!c.providerKey) continue;
    fixture += std::string("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Providers\\"
                           "Internet Print Provider\\Ports\\") +
               c.port + "]\n\n";
  }
  ZR_SKIP_UNLESS(zrtest::RunsHere(zrtest::NT5Lines()), "the provider's ports are read on NT 5 and later only");
  zrtest::ForEachLine(zrtest::NT5Lines(), [&](const std::string& line) {
    zrtest::RegistrySandbox registry;
    ASSERT_TRUE(zrtest::SeedRegistry(fixture));
    CZrAddrResolution resolver;
    for (const Case& c : cases) {
      SCOPED_TRACE(c.port);
      zrtest::LogCapture log;
      CString address;
      ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
      EXPECT_EQ(resolver.GetIPAddressFromPort(c.port, address, &kind), c.found);
      Texts run = zrtest::PortReadersRun(log);
      if (c.found) {
        EXPECT_STREQ(address, c.address);
        EXPECT_EQ(run, zrtest::ChainUpTo(line, "GetIPAddressFromIPP"));
      } else {
        EXPECT_EQ(run, zrtest::ChainOf(line));
      }
    }
  });
}

// Ports named by their address, "<address>:<queue>" or "IP_<address>": no
// registry is read. The "IP_" prefix is taken off only in upper case, and
// only after the whole name failed as a host name.
TEST(PortReaders, RemotePortsNamedByTheirAddress) {
  struct Case {
    const char* port;
    int found;
    const char* address;
  };
  const Case cases[] = {
      {"10.0.0.8", 1, "10.0.0.8"},
      {"fd00::8", 1, "fd00::8"},
      {"10.0.0.8:lp1", 1, "10.0.0.8"},
      {"fd00::8:lp", 1, "fd00::8"},
      {"IP_10.0.0.9", 1, "10.0.0.9"},
      {"IP_fd00::9", 1, "fd00::9"},
      {"ip_10.0.0.9", 0, nullptr},
      {":10.0.0.8", 0, nullptr},  // the colon must come after the first character
      {"10.0.0.8.9:lp", 0, nullptr},
  };
  ZR_SKIP_UNLESS(zrtest::RunsHere(zrtest::NTLines()), "the remote-port reader runs on the NT line only");
  zrtest::ForEachLine(zrtest::NTLines(), [&](const std::string& line) {
    zrtest::RegistrySandbox registry;
    CZrAddrResolution resolver;
    for (const Case& c : cases) {
      SCOPED_TRACE(c.port);
      zrtest::LogCapture log;
      CString address;
      ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
      EXPECT_EQ(resolver.GetIPAddressFromPort(c.port, address, &kind), c.found);
      Texts run = zrtest::PortReadersRun(log);
      if (c.found) {
        EXPECT_EQ(kind, ZRMONITOR::CT_IP);
        EXPECT_STREQ(address, c.address);
        EXPECT_EQ(run, zrtest::ChainUpTo(line, "GetIPAddressFromRemotePort"));
      } else {
        EXPECT_EQ(kind, ZRMONITOR::CT_NONE);
        EXPECT_EQ(run, zrtest::ChainOf(line));
      }
    }
  });
}

}  // namespace
