// The naming checks of GetIPAddressFromSMBPort as one table: which port names
// reach the server's share list, and the trace line of each refusal. Names
// with double-byte characters read differently in code pages 932 and 1252,
// so their rows give both outcomes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resolver/ZrAddrResolution.h"
#include "tests/support/FakeShareLists.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Mode.h"

namespace {

const char kAnnouncement[] = "0IP: 10.0.0.5";

// What the naming checks make of a name: it reaches the share list, or the
// trace's last line is this refusal ("" when the start line is the only one).
struct Outcome {
  bool reachesShareList;
  std::string refusal;
};

struct NamingCase {
  const char* what;
  std::string port;
  Outcome cp1252;
  Outcome cp932;  // the same as cp1252 unless the name has double-byte characters
};

Outcome Reaches() { return {true, ""}; }
Outcome Refused(const std::string& line) { return {false, line}; }
Outcome NotSupported(const std::string& port) {
  return Refused("GetIPAddressFromSMBPort() abort!! Not Supported Port : " + port);
}
Outcome NotPrinterForm(const std::string& port) {
  return Refused("GetIPAddressFromSMBPort() abort!! Not \\\\<printer>\\<printer>-P  Port : " + port);
}
Outcome NoSuffix(const std::string& port) {
  return Refused("GetIPAddressFromSMBPort() abort!! There is NOT [-P] in Port : " + port);
}
Outcome QueueNotInServer(const std::string& queue, const std::string& server) {
  return Refused("GetIPAddressFromSMBPort() abort!! There is NOT queue[" + queue + "] in server[" + server + "]");
}

NamingCase Same(const char* what, const std::string& port, const Outcome& outcome) {
  return {what, port, outcome, outcome};
}

class SmbNaming : public testing::Test {
 protected:
  zrtest::FakeShareLists m_shares;
  CZrAddrResolution m_resolver;
  CString m_address;
};

TEST_F(SmbNaming, OnlyNamesOfTheDeviceConventionReachTheShareList) {
  // "\x83\x5C" is one character in 932 whose trail byte is a backslash;
  // "\x83\x61" one whose trail byte is a small letter.
  const std::string sjisServer = "\x83\x5CPRN";
  const std::string sjisPort = "\\\\" + sjisServer + "\\" + sjisServer + "-P";
  const std::vector<NamingCase> cases = {
      Same("queue is the server and -P", "\\\\PRN1\\PRN1-P", Reaches()),
      Same("compared without regard to case", "\\\\prn1\\PRN1-p", Reaches()),
      Same("short server without -P", "\\\\PRN1\\PRN1", NotPrinterForm("\\\\PRN1\\PRN1")),
      Same("short server, other queue", "\\\\PRN1\\PRN2-P", NotPrinterForm("\\\\PRN1\\PRN2-P")),
      Same("10 bytes are still short", "\\\\ABCDEFGHIJ\\ABCDE-P", NotPrinterForm("\\\\ABCDEFGHIJ\\ABCDE-P")),
      Same("10 bytes repeated whole", "\\\\ABCDEFGHIJ\\ABCDEFGHIJ-P", Reaches()),
      Same("queue continues after a backslash", "\\\\PRN1\\PRN1-P\\x", NotPrinterForm("\\\\PRN1\\PRN1-P\\x")),
      Same("long server, leading part", "\\\\ABCDEFGHIJKL\\ABCDEFGH-P", Reaches()),
      Same("long server, leading part in another case", "\\\\abcdefghijkl\\ABCd-p", Reaches()),
      Same("long server, whole name", "\\\\ABCDEFGHIJKL\\ABCDEFGHIJKL-P", Reaches()),
      Same("long server, empty queue text", "\\\\ABCDEFGHIJKL\\-P", Reaches()),
      Same("long server, not a leading part", "\\\\ABCDEFGHIJKL\\BCD-P", QueueNotInServer("BCD", "ABCDEFGHIJKL")),
      Same("long server, queue longer than it", "\\\\ABCDEFGHIJK\\ABCDEFGHIJKL-P",
           QueueNotInServer("ABCDEFGHIJKL", "ABCDEFGHIJK")),
      Same("long server, upper-cased in the trace", "\\\\abcdefghijkl\\xy-P", QueueNotInServer("XY", "ABCDEFGHIJKL")),
      Same("long server without -P", "\\\\ABCDEFGHIJKL\\ABCDEFGH", NoSuffix("\\\\ABCDEFGHIJKL\\ABCDEFGH")),
      Same("long server, queue of one character", "\\\\ABCDEFGHIJKL\\P", NoSuffix("\\\\ABCDEFGHIJKL\\P")),
      Same("three backslashes", "\\\\\\PRN1\\PRN1-P", NotSupported("\\\\\\PRN1\\PRN1-P")),
      Same("no queue", "\\\\PRN1", NotSupported("\\\\PRN1")),
      Same("empty queue", "\\\\PRN1\\", NotSupported("\\\\PRN1\\")),
      Same("not a UNC name", "IP_10.0.0.1", Refused("")),
      Same("one backslash", "\\PRN1\\PRN1-P", Refused("")),
      // 932: server "ソPRN", queue "ソPRN-P". 1252: the server is one byte.
      {"trail byte that is a backslash", sjisPort, NotPrinterForm(sjisPort), Reaches()},
      // 932 upper-cases the letters only, never the trail byte: "\x83\x41" is another character.
      {"trail byte that is a small letter", "\\\\\x83\x61" "BCDEFGHIJK\\\x83\x41" "BC-P", Reaches(),
       QueueNotInServer("\x83\x41" "BC", "\x83\x61" "BCDEFGHIJK")},
      // 932 reads "\x83-" as one character, so the queue does not end in "-P".
      {"lead byte before the -P", "\\\\ABCDEFGHIJKL\\ABC\x83-P",
       QueueNotInServer("ABC\x83", "ABCDEFGHIJKL"), NoSuffix("\\\\ABCDEFGHIJKL\\ABC\x83-P")},
  };
  const bool dbcs = zrtest::CodePage() == 932;
  for (const NamingCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome& expected = dbcs ? c.cp932 : c.cp1252;
    zrtest::FakeShareLists shares;
    shares.Add("IPC$", 0x80000003, kAnnouncement);
    zrtest::LogCapture log;
    m_address = "untouched";

    int found = m_resolver.GetIPAddressFromSMBPort(c.port.c_str(), m_address);

    std::vector<std::string> lines = log.Texts();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "GetIPAddressFromSMBPort() Start !! : " + c.port);
    EXPECT_EQ(shares.Calls("NetShareEnum") > 0, expected.reachesShareList);
    if (expected.reachesShareList) {
      EXPECT_EQ(found, 1);
      EXPECT_STREQ(m_address, "10.0.0.5");
      EXPECT_TRUE(log.Contains("NAddrResolution::GetIPAddressFromSMBPort() start!! : " + c.port));
    } else {
      EXPECT_EQ(found, 0);
      EXPECT_STREQ(m_address, "untouched");
      EXPECT_EQ(lines.size(), expected.refusal.empty() ? 1u : 2u);
      if (!expected.refusal.empty()) {
        EXPECT_EQ(lines.back(), expected.refusal);
      }
    }
  }
}

TEST_F(SmbNaming, PortsThatAreNoNetworkDeviceGetOnlyTheirOwnRefusal) {
  for (const char* port : {"LPT1:", "FILE:"}) {
    zrtest::LogCapture log;
    m_address = "untouched";
    EXPECT_EQ(m_resolver.GetIPAddressFromSMBPort(port, m_address), 0);
    EXPECT_STREQ(m_address, "untouched");
    EXPECT_FALSE(log.Contains("abort!!")) << port;
    EXPECT_EQ(m_shares.Calls("NetShareEnum"), 0);
  }
}

}  // namespace
