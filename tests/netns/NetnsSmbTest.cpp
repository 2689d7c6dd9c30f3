// End to end against real SMB servers in a private network namespace
// (run-in-netns.sh with smb-peers.sh): the platform's NETAPI32.DLL and
// SVRAPI.DLL over Samba's libnetapi, and device ports resolved through
// GetAddressFromPort with the chain of readers of the running Windows line.
// The servers: SAMBASRV (smbd; IPCDEV announces 127.0.0.50 and is listed
// before IPC$, whose remark Samba writes itself) and DEVICE1 (impacket; its
// IPC$ announces 127.0.0.3).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/NetApiRecords.h"
#include "resolver/ZrAddrResolution.h"
#include "tests/support/Env.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Mode.h"
#include "tests/support/RegistryFixture.h"

namespace {

bool NineXLine() {
  zrtest::Line line = zrtest::WindowsLine();
  return line == zrtest::Line::Win95 || line == zrtest::Line::Win98 || line == zrtest::Line::WinMe;
}

using Listed = zrplatform::ListedShare;

const Listed* Find(const std::vector<Listed>& shares, const std::string& name) {
  auto found = std::find_if(shares.begin(), shares.end(), [&](const Listed& s) { return s.name == name; });
  return found == shares.end() ? nullptr : &*found;
}

class NetnsSmb : public testing::Test {
 protected:
  void SetUp() override {
    // Outside the namespace these names would be asked of the machine's name service.
    if (zrtest::GetEnv("ZR_NETNS").empty()) GTEST_SKIP() << "runs only inside run-in-netns.sh";
  }
};

TEST_F(NetnsSmb, BothLibrariesListSambasShares) {
  std::vector<Listed> nt;
  ASSERT_EQ(zrplatform::ListShares(true, "\\\\SAMBASRV", nt), 0u);
  const Listed* ipc = Find(nt, "IPC$");
  ASSERT_NE(ipc, nullptr);
  EXPECT_EQ(ipc->type, static_cast<DWORD>(STYPE_SPECIAL | STYPE_IPC));
  EXPECT_EQ(ipc->remark.rfind("IPC Service (ZrAddrRes test peer", 0), 0u) << ipc->remark;
  const Listed* device = Find(nt, "IPCDEV");
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->type, static_cast<DWORD>(STYPE_DISKTREE));
  EXPECT_EQ(device->remark, "0IP: 127.0.0.50");

  // The 9x records carry the type without the special-share flag.
  std::vector<Listed> nineX;
  ASSERT_EQ(zrplatform::ListShares(false, "\\\\SAMBASRV", nineX), 0u);
  ipc = Find(nineX, "IPC$");
  ASSERT_NE(ipc, nullptr);
  EXPECT_EQ(ipc->type, static_cast<DWORD>(STYPE_IPC));
  EXPECT_EQ(nineX.size(), nt.size());
}

TEST_F(NetnsSmb, AServerThatIsNotThereIsAWindowsError) {
  std::vector<Listed> shares;
  DWORD rc = zrplatform::ListShares(true, "\\\\NOSUCHSERVER", shares);
  EXPECT_NE(rc, 0u);
  EXPECT_LT(rc, 0xC0000000u) << "an NT status, not a Windows code";
  EXPECT_TRUE(shares.empty());
}

TEST_F(NetnsSmb, DevicePortsResolveThroughTheChainOfTheLine) {
  struct Case {
    const char* port;
    const char* nt;     // the address found on the NT line, or "" for none
    const char* nineX;  // and on the 9x line
  };
  const Case cases[] = {
      // NT: IPCDEV is the first share named IPC...; 9x: IPC$ by its type, whose remark is Samba's.
      {"\\\\SAMBASRV\\SAMBASRV-P", "127.0.0.50", ""},
      {"\\\\DEVICE1\\DEVICE1-P", "127.0.0.3", "127.0.0.3"},
      {"\\\\device1\\DEVICE1-p", "127.0.0.3", "127.0.0.3"},
  };
  zrtest::RegistrySandbox registry;
  CZrAddrResolution resolver;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    const std::string expected = NineXLine() ? c.nineX : c.nt;
    zrtest::LogCapture log;
    CString address;
    ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
    int found = resolver.GetAddressFromPort(c.port, address, &kind);
    EXPECT_EQ(found, expected.empty() ? 0 : 1);
    if (found) {
      EXPECT_STREQ(address, expected.c_str());
      EXPECT_EQ(kind, ZRMONITOR::CT_IP);
    }
    // The reader that asks the SMB step on each line: the UNC reader on the 9x line.
    const std::string asking = NineXLine() ? "GetIPAddressFromUNC() Start !! : " : "GetIPAddressFromRemotePort() Start !! : ";
    std::vector<std::string> lines = log.Texts();
    auto smb = std::find(lines.begin(), lines.end(), std::string("GetIPAddressFromSMBPort() Start !! : ") + c.port);
    ASSERT_NE(smb, lines.end());
    EXPECT_NE(std::find(lines.begin(), smb, asking + c.port), smb);
    EXPECT_NE(std::find(smb, lines.end(), std::string("NAddrResolution::GetIPAddressFromSMBPort() start!! : ") + c.port),
              lines.end());
  }
}

}  // namespace
