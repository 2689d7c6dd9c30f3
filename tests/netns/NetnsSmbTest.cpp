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

#include "platform/CodePage.h"
#include "platform/Modules.h"
#include "platform/NetApi.h"
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

struct Listed {
  std::string name;
  unsigned long type;
  std::string remark;
};

std::string Ansi(LPCWSTR wide) {
  char text[512] = {};
  if (wide) WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

// The list as the NT line's library gives it.
unsigned long ListNT(const char* server, std::vector<Listed>& shares) {
  HMODULE netapi = LoadLibraryA("NETAPI32.DLL");
  if (!netapi) return ERROR_MOD_NOT_FOUND;
  auto shareEnum = reinterpret_cast<NetShareEnumFn>(GetProcAddress(netapi, "NetShareEnum"));
  auto bufferFree = reinterpret_cast<NetApiBufferFreeFn>(GetProcAddress(netapi, "NetApiBufferFree"));
  WCHAR wide[300] = {};
  MultiByteToWideChar(CP_ACP, 0, server, -1, wide, 300);
  LPBYTE buffer = nullptr;
  DWORD read = 0;
  DWORD total = 0;
  DWORD resume = 0;
  NET_API_STATUS rc = shareEnum(wide, 1, &buffer, MAX_PREFERRED_LENGTH, &read, &total, &resume);
  const SHARE_INFO_1* records = reinterpret_cast<const SHARE_INFO_1*>(buffer);
  for (DWORD i = 0; records && i < read; ++i) {
    shares.push_back({Ansi(records[i].shi1_netname), records[i].shi1_type, Ansi(records[i].shi1_remark)});
  }
  if (buffer) bufferFree(buffer);
  FreeLibrary(netapi);
  return rc;
}

// The list as the 9x line's library gives it.
unsigned long List9x(const char* server, std::vector<Listed>& shares) {
  HMODULE svrapi = LoadLibraryA("SVRAPI.DLL");
  if (!svrapi) return ERROR_MOD_NOT_FOUND;
  auto shareEnum = reinterpret_cast<NetShareEnum9xFn>(GetProcAddress(svrapi, "NetShareEnum"));
  std::vector<char> buffer(8192);
  unsigned short read = 0;
  unsigned short total = 0;
  NET_API_STATUS rc = shareEnum(server, 1, buffer.data(), static_cast<unsigned short>(buffer.size()), &read, &total);
  const share_info_1* records = reinterpret_cast<const share_info_1*>(buffer.data());
  for (unsigned short i = 0; i < read; ++i) {
    shares.push_back({records[i].shi1_netname, records[i].shi1_type, records[i].shi1_remark});
  }
  FreeLibrary(svrapi);
  return rc;
}

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
  ASSERT_EQ(ListNT("\\\\SAMBASRV", nt), 0ul);
  const Listed* ipc = Find(nt, "IPC$");
  ASSERT_NE(ipc, nullptr);
  EXPECT_EQ(ipc->type, static_cast<unsigned long>(STYPE_SPECIAL | STYPE_IPC));
  EXPECT_EQ(ipc->remark.rfind("IPC Service (ZrAddrRes test peer", 0), 0u) << ipc->remark;
  const Listed* device = Find(nt, "IPCDEV");
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->type, static_cast<unsigned long>(STYPE_DISKTREE));
  EXPECT_EQ(device->remark, "0IP: 127.0.0.50");

  // The 9x records carry the type without the special-share flag.
  std::vector<Listed> nineX;
  ASSERT_EQ(List9x("\\\\SAMBASRV", nineX), 0ul);
  ipc = Find(nineX, "IPC$");
  ASSERT_NE(ipc, nullptr);
  EXPECT_EQ(ipc->type, static_cast<unsigned long>(STYPE_IPC));
  EXPECT_EQ(nineX.size(), nt.size());
}

TEST_F(NetnsSmb, AServerThatIsNotThereIsAWindowsError) {
  std::vector<Listed> shares;
  unsigned long rc = ListNT("\\\\NOSUCHSERVER", shares);
  EXPECT_NE(rc, 0ul);
  EXPECT_LT(rc, 0xC0000000ul) << "an NT status, not a Windows code";
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
