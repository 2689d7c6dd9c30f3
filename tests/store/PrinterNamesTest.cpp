// The printer-name helpers: the friendly form of a name in both code pages,
// and the host name behind a direct TCP/IP port, read from the monitor of
// each Windows line. Natively every line is tried in one process through
// ZRADDRRES_WINVER; under Wine the line is Wine's.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "resolver/ZrAddrResolution.h"
#include "tests/support/Env.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Mode.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"

namespace {

struct FriendlyCase {
  const char* name;
  const char* in1252;
  const char* in932;
};

const FriendlyCase kFriendlyCases[] = {
    {"\\\\srv\\queue", "queue on srv", "queue on srv"},
    {"\\\\srv\\a\\queue", "queue on srv.a", "queue on srv.a"},
    {"\\\\srv\\queue\\", " on srv.queue", " on srv.queue"},
    {"\\\\srv", "srv on ", "srv on "},
    {"\\\\", " on ", " on "},
    {"\\abc", ".abc", ".abc"},
    {"\\", ".", "."},
    // The middle part starts at the third byte, whatever the second is.
    {"\\ab\\c", "c on b", "c on b"},
    {"\\a\\b", "b on ", "b on "},
    {"LPT1:", "LPT1:", "LPT1:"},
    {"IP_10.0.0.1", "IP_10.0.0.1", "IP_10.0.0.1"},
    {"", "", ""},
    {"a\\b\\c", "a.b.c", "a.b.c"},
    {"\\\\s\xE9rv\\q", "q on s\xE9rv", "q on s\xE9rv"},
    // Shift-JIS characters whose trail byte is 0x5C: a backslash only in 1252.
    {"\\\\srv\\\x95\x5C", " on srv.\x95", "\x95\x5C on srv"},
    {"\\\\\x95\x5C\\q", "q on \x95.", "q on \x95\x5C"},
    {"abc\x95\x5C" "def", "abc\x95.def", "abc\x95\x5C" "def"},
    {"\\\\srv\\\x83\x5C\x83\x5C", " on srv.\x83.\x83", "\x83\x5C\x83\x5C on srv"},
};

TEST(MakePrinterFriendlyName, TableOfCases) {
  unsigned cp = zrtest::CodePage();
  ZR_SKIP_UNLESS(cp == 1252 || cp == 932, "the table knows code pages 1252 and 932 only");
  zrtest::LogCapture log;
  for (const FriendlyCase& c : kFriendlyCases) {
    CString friendly = "text that was there before";
    CZrAddrResolution::MakePrinterFriendlyName(c.name, friendly);
    EXPECT_STREQ(friendly, cp == 932 ? c.in932 : c.in1252) << "\"" << c.name << "\" cp" << cp;
  }
  EXPECT_TRUE(log.Lines().empty());
}

// Runs body once per Windows line natively, and for Wine's line under Wine,
// with a resolver made in that line.
void ForEachLine(const std::function<void(zrtest::Line, const std::string&)>& body) {
  if (zrtest::IsWindowsBuild()) {
    body(zrtest::WindowsLine(), zrtest::ModeName());
    return;
  }
  for (const char* name : {"win95", "win98", "winme", "nt40", "win2k", "win10"}) {
    zrtest::ScopedEnv line("ZRADDRRES_WINVER", name);
    body(zrtest::WindowsLine(), name);
  }
}

enum class Monitor { Lpr, StandardTcpIp, JnTqp };

Monitor MonitorOf(zrtest::Line line) {
  if (line == zrtest::Line::NT4) return Monitor::Lpr;
  if (line == zrtest::Line::NT5OrLater) return Monitor::StandardTcpIp;
  return Monitor::JnTqp;
}

const char kMonitors[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";

// One value of one port in the monitor's own layout: a key per port for the
// NT monitors, a value named after the port for the 9x one.
std::string PortValue(Monitor monitor, const std::string& port, const std::string& data) {
  switch (monitor) {
    case Monitor::Lpr:
      return "[" + std::string(kMonitors) + "LPR Port\\Ports\\" + port + "]\n\"Server Name\"=" + data + "\n\n";
    case Monitor::StandardTcpIp:
      return "[" + std::string(kMonitors) + "Standard TCP/IP Port\\Ports\\" + port + "]\n\"HostName\"=" + data + "\n\n";
    case Monitor::JnTqp:
      return "[" + std::string(kMonitors) + "JN TCP/IP TQP Port\\Ports]\n\"" + port + "\"=" + data + "\n\n";
  }
  return std::string();
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

const std::string kLongest(259, 'h');  // with its terminator, just fills the 260-byte buffer

// The same ports in all three monitors, each monitor naming its own host.
std::string MonitorsSeed() {
  std::string seed = "REGEDIT4\n\n";
  const std::pair<Monitor, const char*> monitors[] = {
      {Monitor::Lpr, "lpr"}, {Monitor::StandardTcpIp, "tcpip"}, {Monitor::JnTqp, "tqp"}};
  for (const auto& m : monitors) {
    seed += PortValue(m.first, "ZrHostPort", Quoted(std::string(m.second) + "-printer.example"));
    seed += PortValue(m.first, "ZrIPv4Port", "\"10.0.0.7\"");
    seed += PortValue(m.first, "ZrIPv6Port", "\"fe80::7\"");
    seed += PortValue(m.first, "ZrEmptyPort", "\"\"");
    seed += PortValue(m.first, "ZrNumberPort", "dword:00000007");
    seed += PortValue(m.first, "ZrLongestPort", Quoted(kLongest));
    seed += PortValue(m.first, "ZrTooLongPort", Quoted(kLongest + "h"));
  }
  // What an empty port name would reach: the monitors' own Ports keys.
  seed += PortValue(Monitor::Lpr, "", "\"lpr-ports-key.example\"");
  seed += PortValue(Monitor::StandardTcpIp, "", "\"tcpip-ports-key.example\"");
  seed += PortValue(Monitor::JnTqp, "", "\"tqp-ports-key.example\"");
  // A port only the Standard TCP/IP monitor knows.
  seed += PortValue(Monitor::StandardTcpIp, "ZrTcpIpOnlyPort", "\"tcpip-only.example\"");
  return seed;
}

struct DirectPortCase {
  const char* port;
  // The host name found with each line's monitor; null where none is found.
  const char* lpr;
  const char* tcpip;
  const char* tqp;
};

const DirectPortCase kDirectPortCases[] = {
    {"ZrHostPort", "lpr-printer.example", "tcpip-printer.example", "tqp-printer.example"},
    // Configured by address: no host name to tell.
    {"ZrIPv4Port", nullptr, nullptr, nullptr},
    {"ZrIPv6Port", nullptr, nullptr, nullptr},
    // Only the 9x monitor takes an empty text for a host name.
    {"ZrEmptyPort", nullptr, nullptr, ""},
    {"ZrNumberPort", nullptr, nullptr, nullptr},
    {"ZrLongestPort", kLongest.c_str(), kLongest.c_str(), kLongest.c_str()},
    {"ZrTooLongPort", nullptr, nullptr, nullptr},
    // Each line asks its own monitor only.
    {"ZrTcpIpOnlyPort", nullptr, "tcpip-only.example", nullptr},
    {"LPT1:", nullptr, nullptr, nullptr},
    // An empty name is no port, not the monitor's own Ports key.
    {"", nullptr, nullptr, nullptr},
};

class PrinterNames : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(zrtest::SeedRegistry(MonitorsSeed())); }

  zrtest::RegistrySandbox m_registry;
};

TEST_F(PrinterNames, HostNameFromTheDirectPortOfEachLine) {
  ForEachLine([](zrtest::Line line, const std::string& context) {
    Monitor monitor = MonitorOf(line);
    CZrAddrResolution resolver;
    zrtest::LogCapture log;
    for (const DirectPortCase& c : kDirectPortCases) {
      const char* expected = monitor == Monitor::Lpr ? c.lpr : monitor == Monitor::StandardTcpIp ? c.tcpip : c.tqp;
      CString host = "untouched";
      EXPECT_EQ(resolver.GetHostNameFromDirectPort(c.port, host), expected ? 1 : 0) << context << " " << c.port;
      EXPECT_STREQ(host, expected ? expected : "untouched") << context << " " << c.port;
    }
    EXPECT_TRUE(log.Lines().empty()) << context;
  });
}

// Printers as Windows keeps them; the spooler reports each one's port. Wine's
// spooler also wants each printer's print processor and data type.
const char kPrintersSeed[] = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Printers\ZrTest Host Printer]
"Name"="ZrTest Host Printer"
"Port"="ZrHostPort"
"Print Processor"="winprint"
"Datatype"="RAW"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Printers\ZrTest Address Printer]
"Name"="ZrTest Address Printer"
"Port"="ZrIPv4Port"
"Print Processor"="winprint"
"Datatype"="RAW"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Printers\ZrTest Local Printer]
"Name"="ZrTest Local Printer"
"Port"="LPT1:"
"Print Processor"="winprint"
"Datatype"="RAW"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Printers\ZrTest Portless Printer]
"Name"="ZrTest Portless Printer"
"Port"=""
"Print Processor"="winprint"
"Datatype"="RAW"

; An empty port name would reach this value on the 9x line.
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\JN TCP/IP TQP Port\Ports]
@="tqp-default.example"
)";

struct PrinterCase {
  const char* printer;
  const char* lpr;
  const char* tcpip;
  const char* tqp;
};

const PrinterCase kPrinterCases[] = {
    {"ZrTest Host Printer", "lpr-printer.example", "tcpip-printer.example", "tqp-printer.example"},
    {"ZrTest Address Printer", nullptr, nullptr, nullptr},
    {"ZrTest Local Printer", nullptr, nullptr, nullptr},
    {"ZrTest Portless Printer", nullptr, nullptr, nullptr},
    {"ZrTest No Such Printer", nullptr, nullptr, nullptr},
};

TEST_F(PrinterNames, HostNameFromAPrinterOnEachLine) {
  ASSERT_TRUE(zrtest::SeedRegistry(kPrintersSeed));
  ForEachLine([](zrtest::Line line, const std::string& context) {
    Monitor monitor = MonitorOf(line);
    for (const PrinterCase& c : kPrinterCases) {
      const char* expected = monitor == Monitor::Lpr ? c.lpr : monitor == Monitor::StandardTcpIp ? c.tcpip : c.tqp;
      CString host = "untouched";
      EXPECT_EQ(CZrAddrResolution::GetHostNameFromPrinterName(c.printer, host), expected ? 1 : 0)
          << context << " " << c.printer;
      EXPECT_STREQ(host, expected ? expected : "untouched") << context << " " << c.printer;
    }
    CString host = "untouched";
    EXPECT_EQ(CZrAddrResolution::GetHostNameFromPrinterName(nullptr, host), 0) << context;
    EXPECT_STREQ(host, "untouched");
  });
}

}  // namespace
