// The readers behind the dispatch, end to end, in every Windows line: one
// port configured under several monitors at once, ports configured under one
// monitor only, and the bundled sample registry. The trace's start lines show
// which reader answered and which were never called.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "resolver/ZrAddrResolution.h"
#include "tests/portmon/ReaderTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Mode.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"

namespace {

// One small fixture per monitor. "Everywhere" is configured under every
// monitor, each with an address of its own; the double-byte port names are
// Shift-JIS ("\x95\x5C" has a trail byte that is a backslash in code page 1252).
const char kStandardTcpIp[] = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\Standard TCP/IP Port\Ports\Everywhere]
"IPAddress"="10.0.0.1"
"HostName"=""

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\Standard TCP/IP Port\Ports\)"
                              "\x95\x5C\x8E\xA6"
                              R"(]
"IPAddress"="10.0.0.11"
)";

const char kInternetPrintProvider[] = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Providers\Internet Print Provider\Ports\http://10.0.0.2/printers/lp]
)";

const char kLpr[] = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\LPR Port\Ports\Everywhere]
"Server Name"="10.0.0.3"
"Printer Name"="lp"
)";

const char kHPStandardTcpIp[] = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\HP Standard TCP/IP Port\Ports\Everywhere]
"IPAddress"="10.0.0.4"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\HP Standard TCP/IP Port\Ports\HPOnly]
"IPAddress"="10.0.0.44"
"HostName"=""
)";

const char kCanonLpr[] = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\Canon LPR Port\Ports\Everywhere]
"Server Name"="10.0.0.5"
)";

const char kJNTqp[] = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\JN TCP/IP TQP Port\Ports]
"Everywhere"="10.0.0.6"
")" "\x8E\xF3\x95\x74" R"("="10.0.0.66"
)";

const char kNECTqp[] = R"(REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\NEC TCP/IP TQP Port\Ports]
"Everywhere"="10.0.0.7"
"NECOnly"="10.0.0.77"
)";

// What one line does with a port: the reader that answers and its address,
// or nothing found (reader null) after the whole chain ran.
struct Outcome {
  const char* reader;
  const char* address;
};

struct PortCase {
  const char* port;
  Outcome nt5;
  Outcome nt4;
  Outcome nineX;
};

const Outcome kNone = {nullptr, nullptr};

const Outcome& OutcomeIn(const PortCase& c, const std::string& line) {
  if (line == "win2k" || line == "win10") return c.nt5;
  if (line == "nt40") return c.nt4;
  return c.nineX;
}

void ExpectOutcome(const CZrAddrResolution& resolver, const PortCase& c, const std::string& line, bool fullSearch) {
  SCOPED_TRACE(c.port);
  const Outcome& expected = OutcomeIn(c, line);
  zrtest::LogCapture log;
  CString address;
  ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_IPX;
  int found = fullSearch ? resolver.GetAddressFromPort(c.port, address, &kind)
                         : resolver.GetIPAddressFromPort(c.port, address, &kind);
  if (expected.reader) {
    EXPECT_EQ(found, 1);
    EXPECT_EQ(kind, ZRMONITOR::CT_IP);
    EXPECT_STREQ(address, expected.address);
    EXPECT_EQ(zrtest::PortReadersRun(log), zrtest::ChainUpTo(line, expected.reader));
  } else {
    EXPECT_EQ(found, 0);
    EXPECT_EQ(kind, ZRMONITOR::CT_NONE);
    EXPECT_EQ(zrtest::PortReadersRun(log), zrtest::ChainOf(line));
  }
}

TEST(ReaderDispatch, EachLineAsksItsOwnReadersInOrder) {
  const Outcome standard = {"GetIPAddressFromStandardTCPIPPort", "10.0.0.1"};
  const Outcome lpr = {"GetIPAddressFromLPRPort", "10.0.0.3"};
  const Outcome jnTqp = {"GetIPAddressFromJNTQPPort", "10.0.0.6"};
  const Outcome hp = {"GetIPAddressFromHPStandardTCPIPPort", "10.0.0.44"};
  const Outcome remote = {"GetIPAddressFromRemotePort", "10.0.0.8"};
  const PortCase cases[] = {
      // On NT 5 the Standard TCP/IP reader answers and the provider's is never
      // asked; NT 4 never reads the Standard TCP/IP key; the 9x line asks TQP first.
      {"Everywhere", standard, lpr, jnTqp},
      {"HPOnly", hp, hp, hp},
      {"NECOnly", kNone, kNone, {"GetIPAddressFromNECTQPPort", "10.0.0.77"}},
      {"http://10.0.0.2/printers/lp", {"GetIPAddressFromIPP", "10.0.0.2"}, kNone, kNone},
      {"10.0.0.8:lp1", remote, remote, kNone},
      {"\x95\x5C\x8E\xA6", {"GetIPAddressFromStandardTCPIPPort", "10.0.0.11"}, kNone, kNone},
      {"\x8E\xF3\x95\x74", kNone, kNone, {"GetIPAddressFromJNTQPPort", "10.0.0.66"}},
      {"Nowhere", kNone, kNone, kNone},
  };
  zrtest::ForEachLine(zrtest::AllLines(), [&](const std::string& line) {
    zrtest::RegistrySandbox registry;
    for (const char* fixture : {kStandardTcpIp, kInternetPrintProvider, kLpr, kHPStandardTcpIp, kCanonLpr, kJNTqp,
                                kNECTqp}) {
      ASSERT_TRUE(zrtest::SeedRegistry(fixture));
    }
    CZrAddrResolution resolver;
    for (const PortCase& c : cases) {
      ExpectOutcome(resolver, c, line, /*fullSearch=*/true);
      ExpectOutcome(resolver, c, line, /*fullSearch=*/false);
    }
  });
}

// The bundled sample, loaded as a user would load it (its machine part: the
// user part is the address store, which other test programs running beside
// this one under the same Wine prefix use).
std::string MachinePartOf(const std::string& regText) {
  std::istringstream in(regText);
  std::string out;
  std::string line;
  bool keep = true;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') keep = line.compare(0, 19, "[HKEY_LOCAL_MACHINE") == 0;
    if (keep) out += line + "\n";
  }
  return out;
}

TEST(ReaderDispatch, TheSampleRegistrysPortsResolve) {
  std::ifstream file(ZR_SAMPLE_REG, std::ios::binary);
  ASSERT_TRUE(file) << "cannot read " << ZR_SAMPLE_REG;
  const std::string sample((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());

  const Outcome standard = {"GetIPAddressFromStandardTCPIPPort", "192.168.10.21"};
  const Outcome hp = {"GetIPAddressFromHPStandardTCPIPPort", "192.168.10.40"};
  const Outcome lpr = {"GetIPAddressFromLPRPort", "192.168.10.50"};
  const PortCase cases[] = {
      {"IP_192.168.10.21", standard, {"GetIPAddressFromRemotePort", "192.168.10.21"}, kNone},
      {"Lab6", {"GetIPAddressFromStandardTCPIPPort", "fd00:10::21"}, kNone, kNone},
      {"HP_192.168.10.40", hp, hp, hp},
      {"192.168.10.50:lp", lpr, lpr, kNone},
      {"CLPR_1", kNone, kNone, {"GetIPAddressFromCanonLPRPort", "192.168.10.60"}},
      {"TQP_Reception", kNone, kNone, {"GetIPAddressFromJNTQPPort", "192.168.10.70"}},
      {"NEC_TQP1", kNone, kNone, {"GetIPAddressFromNECTQPPort", "192.168.10.71"}},
      {"http://192.168.10.80/ipp/print", {"GetIPAddressFromIPP", "192.168.10.80"}, kNone, kNone},
      {"https://[fd00:10::81]:443/ipp/print", {"GetIPAddressFromIPP", "fd00:10::81"}, kNone, kNone},
  };
  zrtest::ForEachLine(zrtest::AllLines(), [&](const std::string& line) {
    zrtest::RegistrySandbox registry;
    ASSERT_TRUE(zrtest::SeedRegistry(MachinePartOf(sample)));
    CZrAddrResolution resolver;
    for (const PortCase& c : cases) ExpectOutcome(resolver, c, line, /*fullSearch=*/false);
  });
}

}  // namespace
