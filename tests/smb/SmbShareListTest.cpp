// The share-list step against scripted share lists: which share each Windows
// line takes the remark of, the announcement rules, the step's codes, what
// the libraries are asked and that their buffers go back, and the resolution
// of a device's port through the chain of readers of the running line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/NetApi.h"
#include "resolver/ZrAddrResolution.h"
#include "smb/SmbShareList.h"
#include "tests/support/FakeShareLists.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Mode.h"
#include "tests/support/RegistryFixture.h"

namespace {

const char kPort[] = "\\\\PRN1\\PRN1-P";
const unsigned long kIpc = STYPE_IPC;
const unsigned long kIpcAsListed = STYPE_SPECIAL | STYPE_IPC;  // IPC$ as NT servers list it

bool NineXLine() {
  zrtest::Line line = zrtest::WindowsLine();
  return line == zrtest::Line::Win95 || line == zrtest::Line::Win98 || line == zrtest::Line::WinMe;
}

struct Share {
  std::string name;
  unsigned long type;
  std::string remark;
};

// The step's code and the address string after it ("untouched" when it was not written).
struct Answer {
  int code;
  std::string address;
};

struct ListCase {
  const char* what;
  std::vector<Share> shares;
  Answer nt;
  Answer nineX;
};

ListCase Both(const char* what, const std::vector<Share>& shares, const Answer& answer) {
  return {what, shares, answer, answer};
}

class SmbShareList : public testing::Test {
 protected:
  Answer Step(const char* port = kPort) {
    m_address = "untouched";
    int code = NAddrResolution::GetIPAddressFromSMBPort(port, m_address);
    return {code, std::string(m_address)};
  }

  zrtest::FakeShareLists m_shares;
  CString m_address;
};

TEST_F(SmbShareList, EachLineTakesTheRemarkOfItsIpcShare) {
  const Answer notFound = {-4, "untouched"};
  const Answer emptied = {-4, ""};
  const std::vector<ListCase> cases = {
      Both("IPC$ announces an address", {{"IPC$", kIpcAsListed, "0IP: 10.0.0.5"}}, {0, "10.0.0.5"}),
      Both("the four characters after the 0 are not examined", {{"IPC$", kIpcAsListed, "0#:- 192.168.7.9"}},
           {0, "192.168.7.9"}),
      Both("an IPv6 address", {{"IPC$", kIpcAsListed, "0IPv6fe80::1"}}, {0, "fe80::1"}),
      Both("shares after IPC$ are not looked at",
           {{"PRINTER", STYPE_PRINTQ, "0IP: 10.0.0.9"}, {"IPC$", kIpcAsListed, "0IP: 10.0.0.5"},
            {"IPC2", kIpc, "0IP: 10.0.0.6"}},
           {0, "10.0.0.5"}),
      Both("empty remark", {{"IPC$", kIpcAsListed, ""}}, emptied),
      Both("another first character", {{"IPC$", kIpcAsListed, "1IP: 10.0.0.5"}}, emptied),
      Both("no sixth character", {{"IPC$", kIpcAsListed, "0IP: "}}, emptied),
      Both("a host name after the fifth", {{"IPC$", kIpcAsListed, "0IP: printer1"}}, emptied),
      Both("an address and more", {{"IPC$", kIpcAsListed, "0IP: 10.0.0.5 (port 1)"}}, emptied),
      Both("a server's own remark", {{"IPC$", kIpcAsListed, "IPC Service (Samba 4.17.12-Debian)"}}, emptied),
      // The short remark leaves room for the long one in the 9x line's buffer.
      Both("a remark longer than its field",
           {{"DISK", STYPE_DISKTREE, ""}, {"IPC$", kIpcAsListed, "0IP: 10.0.0.5" + std::string(300, ' ')}}, emptied),
      Both("no IPC share", {{"PRINTER", STYPE_PRINTQ, "0IP: 10.0.0.5"}}, notFound),
      Both("no shares", {}, notFound),
      // NT: the first name beginning with IPC; 9x: the first share of type IPC.
      {"a share named IPCX first",
       {{"IPCX", STYPE_DISKTREE, "0IP: 10.0.0.7"}, {"IPC$", kIpcAsListed, "0IP: 10.0.0.5"}},
       {0, "10.0.0.7"},
       {0, "10.0.0.5"}},
      {"the IPC share under another name",
       {{"ipc$", kIpc, "0IP: 10.0.0.5"}, {"DEVICE", STYPE_DEVICE, "0IP: 10.0.0.8"}},
       notFound,
       {0, "10.0.0.5"}},
      {"a share named IPC with a remark of no use",
       {{"IPC", STYPE_DISKTREE, "disk"}, {"IPC$", kIpcAsListed, "0IP: 10.0.0.5"}},
       emptied,
       {0, "10.0.0.5"}},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE(c.what);
    zrtest::FakeShareLists shares;
    for (const Share& share : c.shares) shares.Add(share.name, share.type, share.remark);
    const Answer& expected = NineXLine() ? c.nineX : c.nt;
    Answer answer = Step();
    EXPECT_EQ(answer.code, expected.code);
    EXPECT_EQ(answer.address, expected.address);
  }
}

TEST_F(SmbShareList, CodesOfTheStep) {
  m_shares.Add("IPC$", kIpcAsListed, "0IP: 10.0.0.5");
  const std::string longest = "\\\\" + std::string(258, 'S');  // 260 bytes: the field holds it
  struct Case {
    const char* what;
    std::string port;
    int code;
    std::string server;  // what the library was asked for ("" when it was not asked)
  };
  const std::vector<Case> cases = {
      {"empty name", "", -3, ""},
      {"one backslash", "\\PRN1\\PRN1-P", -3, ""},
      {"no backslash", "PRN1", -3, ""},
      {"server part too long for its field", "\\\\" + std::string(259, 'S') + "\\Q-P", -3, ""},
      {"the longest server part", longest + "\\Q-P", 0, longest},
      {"the server keeps its backslashes", kPort, 0, "\\\\PRN1"},
      {"a name without a queue", "\\\\PRN1", 0, "\\\\PRN1"},
      // "\x83\x5C" is one character in 932, whose trail byte does not end the server.
      {"a trail byte that is a backslash", "\\\\\x83\x5CPRN\\Q-P", 0,
       zrtest::CodePage() == 932 ? "\\\\\x83\x5CPRN" : "\\\\\x83"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    zrtest::LogCapture log;
    int before = m_shares.Calls("NetShareEnum");
    Answer answer = Step(c.port.c_str());
    EXPECT_EQ(answer.code, c.code);
    EXPECT_EQ(answer.address, c.code == 0 ? "10.0.0.5" : "untouched");
    EXPECT_EQ(m_shares.Calls("NetShareEnum") > before, !c.server.empty());
    if (!c.server.empty()) {
      EXPECT_EQ(m_shares.Server(), c.server);
    }
    ASSERT_FALSE(log.Texts().empty());
    EXPECT_EQ(log.Texts().front(), "NAddrResolution::GetIPAddressFromSMBPort() start!! : " + c.port);
  }
}

TEST_F(SmbShareList, AFailingEnumerationFindsNothing) {
  m_shares.Add("IPC$", kIpcAsListed, "0IP: 10.0.0.5");
  for (unsigned long status : {53ul, 5ul, static_cast<unsigned long>(ERROR_MORE_DATA)}) {
    m_shares.Fail(status);
    Answer answer = Step();
    EXPECT_EQ(answer.code, -4) << status;
    EXPECT_EQ(answer.address, "untouched") << status;
  }
}

TEST_F(SmbShareList, TheLibraryIsLookedUpAtEachCall) {
  m_shares.Add("IPC$", kIpcAsListed, "0IP: 10.0.0.5");
  EXPECT_EQ(Step().code, 0);
  {
    // An entry missing: the library is released again and nothing is written.
    zrtest::FakeShareLists broken(zrtest::FakeShareLists::Modules::EntryMissing);
    broken.Add("IPC$", kIpcAsListed, "0IP: 10.0.0.5");
    Answer answer = Step();
    EXPECT_EQ(answer.code, -1);
    EXPECT_EQ(answer.address, "untouched");
  }
  m_shares.Add("IPC$", kIpcAsListed, "0IP: 10.0.0.6");
  EXPECT_EQ(Step().address, "10.0.0.6");
}

TEST_F(SmbShareList, NtLineAsksTheServerRecordAndReleasesEveryBuffer) {
  ZR_SKIP_UNLESS(!NineXLine(), "NETAPI32.DLL serves the NT line");
  m_shares.Add("IPC$", kIpcAsListed, "0IP: 10.0.0.5");
  m_shares.Add("PRINTER", STYPE_PRINTQ, "");
  EXPECT_EQ(Step().code, 0);
  EXPECT_EQ(m_shares.Calls("NetServerGetInfo"), 1);
  EXPECT_EQ(m_shares.Calls("NetShareEnum"), 1);
  EXPECT_EQ(m_shares.Outstanding(), 0);
  EXPECT_EQ(m_shares.Calls("NetApiBufferFree"), 2);
}

TEST_F(SmbShareList, NineXBufferSizeIsSixteenBitsWide) {
  ZR_SKIP_UNLESS(NineXLine(), "SVRAPI.DLL serves the 9x line");
  const unsigned perShare = sizeof(share_info_1) + 257;  // a record and the longest remark
  // Few enough shares for the size to fit in 16 bits, and just too many.
  const unsigned fits = 65535 / perShare;
  for (unsigned count : {fits, fits + 1}) {
    SCOPED_TRACE(count);
    zrtest::FakeShareLists shares;
    for (unsigned i = 1; i < count; ++i) shares.Add("DISK" + std::to_string(i), STYPE_DISKTREE, "");
    shares.Add("IPC$", kIpc, "0IP: 10.0.0.5");
    Answer answer = Step();
    EXPECT_EQ(shares.Calls("NetShareEnum"), 2);  // the count, then the list
    EXPECT_EQ(shares.BufferSize(), (count * perShare) & 0xFFFF);
    // The wrapped size holds only the first records, and the call says so.
    EXPECT_EQ(answer.code, count == fits ? 0 : -4);
  }
}

// The device's port through GetAddressFromPort: the SMB reader is last in the
// chain of the NT lines, and the UNC reader asks it on the 9x line.
TEST_F(SmbShareList, ADevicePortResolvesThroughTheChainOfItsLine) {
  zrtest::RegistrySandbox registry;
  m_shares.Add("IPC$", kIpcAsListed, "0IP: 10.0.0.5");
  CZrAddrResolution resolver;
  zrtest::LogCapture log;
  ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
  EXPECT_EQ(resolver.GetAddressFromPort(kPort, m_address, &kind), 1);
  EXPECT_STREQ(m_address, "10.0.0.5");
  EXPECT_EQ(kind, ZRMONITOR::CT_IP);
  const std::string before = NineXLine() ? "GetIPAddressFromUNC() Start !! : " : "GetIPAddressFromRemotePort() Start !! : ";
  std::vector<std::string> lines = log.Texts();
  auto smb = std::find(lines.begin(), lines.end(), std::string("GetIPAddressFromSMBPort() Start !! : ") + kPort);
  ASSERT_NE(smb, lines.begin());
  ASSERT_NE(smb, lines.end());
  EXPECT_NE(std::find(lines.begin(), smb, before + kPort), smb);
}

}  // namespace
