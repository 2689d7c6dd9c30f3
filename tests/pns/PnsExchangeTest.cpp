// The PNS exchange and the resolution on top of it, against the stand-in
// socket library's datagram network: the requests that went out, the
// replies a test queues, the calls it makes fail. Exchanges take one or two
// seconds, so those run in one NT and one 9x mode only.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "lookup/SocketLibrary.h"
#include "platform/Sockets.h"
#include "resolver/ZrAddrResolution.h"
#include "tests/store/StoreKeyAside.h"
#include "tests/support/FakeNameService.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Mode.h"
#include "tests/support/ResolverAccess.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool ExchangeMode() {
  zrtest::Line line = zrtest::WindowsLine();
  return zrtest::CodePage() == 1252 && (line == zrtest::Line::NT5OrLater || line == zrtest::Line::Win98);
}

#define ZR_SKIP_UNLESS_EXCHANGE_MODE() \
  ZR_SKIP_UNLESS(ExchangeMode(), "exchanges take seconds: run in win10 and win98 with code page 1252")

// The 128 bytes a request for `name` must be.
std::string RequestFor(const std::string& name) {
  std::string request = "ZR452 " + name;
  request.resize(128, '\0');
  return request;
}

class Pns : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_aside.SetAside()); }

  int Broadcast(const std::string& name) {
    return ZrAddrResolutionTestAccess::PnsUdpBroadcast(m_resolver, name.c_str(), m_server, m_device);
  }

  zrtest::StoreKeyAside m_aside;
  zrtest::RegistrySandbox m_registry;
  zrtest::FakeNameService m_network;
  zrtest::LogCapture m_log;
  CZrAddrResolution m_resolver;
  CString m_server = "server before";
  CString m_device = "device before";
};

TEST_F(Pns, NoServerTwoRequestsAboutTwoSecondsOutputsUntouched) {
  ZR_SKIP_UNLESS_EXCHANGE_MODE();
  m_network.EnableDatagrams();
  // The longest name that fits with its terminator.
  const std::string name = "\\\\" + std::string(119, 'n');
  auto start = Clock::now();
  EXPECT_EQ(Broadcast(name), 1);
  EXPECT_GE(MillisecondsSince(start), 1900);
  std::vector<zrtest::FakeNameService::Request> requests = m_network.Requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    EXPECT_EQ(request.bytes, RequestFor(name));
    EXPECT_EQ(request.destination, "255.255.255.255:14717");
  }
  EXPECT_STREQ(m_server, "server before");
  EXPECT_STREQ(m_device, "device before");
  EXPECT_EQ(m_network.OpenSockets(), 0);
}

TEST_F(Pns, AnAnswerInTheFirstAttemptEndsTheExchange) {
  ZR_SKIP_UNLESS_EXCHANGE_MODE();
  m_network.EnableDatagrams();
  m_network.QueueDatagram(1, "junk first");
  m_network.QueueDatagram(1, "PNS452 pns1 10.0.0.5 0003");
  m_network.QueueDatagram(1, "PNS452 pns2 10.0.0.6 0009");
  auto start = Clock::now();
  EXPECT_EQ(Broadcast("\\\\srv\\queue"), 1);
  EXPECT_GE(MillisecondsSince(start), 950);
  EXPECT_EQ(m_network.Requests().size(), 1u);
  EXPECT_STREQ(m_server, "pns2");
  EXPECT_STREQ(m_device, "10.0.0.6");
  EXPECT_TRUE(m_log.Contains("PnsUdpBroadcast() start!! : \\\\srv\\queue"));
}

TEST_F(Pns, AnIncompleteReplyStillEndsTheAttemptsAndEmptiesTheOutputs) {
  ZR_SKIP_UNLESS_EXCHANGE_MODE();
  m_network.EnableDatagrams();
  m_network.QueueDatagram(1, "PNS452 pns1");
  EXPECT_EQ(Broadcast("\\\\srv\\queue"), 1);
  EXPECT_EQ(m_network.Requests().size(), 1u);
  EXPECT_STREQ(m_server, "");
  EXPECT_STREQ(m_device, "");
}

TEST_F(Pns, ARequestNameTooLongForTheDatagramIsRefused) {
  m_network.EnableDatagrams();
  EXPECT_EQ(Broadcast("\\\\" + std::string(120, 'n')), 0);
  EXPECT_TRUE(m_network.Requests().empty());
  EXPECT_EQ(m_network.OpenSockets(), 0);
}

TEST_F(Pns, SocketFailuresEndTheExchangeWithTheirMessage) {
  struct Case {
    const char* call;
    int code;
    const char* message;  // null: a code without a message logs nothing
    int requests;
  };
  const Case cases[] = {
      {"socket", 10024, "No more socket descriptors are available.", 0},
      {"socket", 10047, "The specified address family is not supported.", 0},
      {"setsockopt", 10050, "The network subsystem or the associated service provider has failed.", 0},
      {"sendto", 10055, "No buffer space is available. The socket cannot be created.", 0},
      {"sendto", 10013, nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.code));
    zrtest::FakeNameService network;
    network.EnableDatagrams();
    network.FailCall(c.call, c.code);
    m_log.Clear();
    CZrAddrResolution resolver;
    CString server = "untouched";
    CString device = "untouched";
    EXPECT_EQ(ZrAddrResolutionTestAccess::PnsUdpBroadcast(resolver, "\\\\srv\\queue", server, device), 0);
    EXPECT_STREQ(server, "untouched");
    EXPECT_STREQ(device, "untouched");
    EXPECT_EQ(network.OpenSockets(), 0) << "the socket is closed on every path";
    std::vector<zrtest::LogLine> errors;
    for (const zrtest::LogLine& line : m_log.Lines()) {
      if (line.level == 1) errors.push_back(line);
    }
    if (c.message) {
      ASSERT_EQ(errors.size(), 1u);
      EXPECT_EQ(errors[0].text, c.message);
    } else {
      EXPECT_TRUE(errors.empty());
    }
  }
}

TEST_F(Pns, ASocketLibraryNotStartedInTheProcess) {
  // The real library (the built-in one on Linux), cleaned up as often as it
  // was started (a test program links the library's objects without its
  // entry routine, so maybe never), then started again as often.
  zrlookup::SetSocketLibraryNameForTesting(nullptr);
  zrlookup::ForgetSocketLibraryForTesting();
  int startups = 0;
  while (WSACleanup() == 0) ++startups;
  CZrAddrResolution resolver;
  CString server = "untouched";
  CString device;
  int result = ZrAddrResolutionTestAccess::PnsUdpBroadcast(resolver, "\\\\srv\\queue", server, device);
  for (int i = 0; i < startups; ++i) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  EXPECT_EQ(result, 0);
  EXPECT_STREQ(server, "untouched");
  EXPECT_TRUE(m_log.Contains("A successful WSAStartup call must occur before using this function."));
}

// GetIPAddressFromPNS: the use flag, the UNC rule, what is recorded.
TEST_F(Pns, SwitchedOffNothingIsSentOrWritten) {
  ASSERT_TRUE(zrtest::SeedRegistry("REGEDIT4\n\n[" + zrtest::StoreKeyFullPath() + "]\n\"PNS\"=dword:00000000\n"));
  m_network.EnableDatagrams();
  CString address = "untouched";
  EXPECT_EQ(ZrAddrResolutionTestAccess::AddressFromPNS(m_resolver, "\\\\srv\\queue", address), 0);
  EXPECT_STREQ(address, "");
  EXPECT_TRUE(m_network.Requests().empty());
  EXPECT_EQ(zrtest::ReadStoreValue("PNSServer").rc, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(zrtest::ReadStoreValue("PNSDeviceAddress").rc, ERROR_FILE_NOT_FOUND);
  std::vector<std::string> expected = {"GetIPAddressFromPNS() Start !! : \\\\srv\\queue"};
  EXPECT_EQ(m_log.Texts(), expected);
}

TEST_F(Pns, ANameThatIsNoUNCNameRecordsEmptyTexts) {
  m_network.EnableDatagrams();
  // "PNS" missing: discovery counts as on, and the flag is written.
  ASSERT_TRUE(zrtest::SeedRegistry("REGEDIT4\n\n[" + zrtest::StoreKeyFullPath() + "]\n\"PNSServer\"=\"old\"\n"));
  CString address = "untouched";
  EXPECT_EQ(ZrAddrResolutionTestAccess::AddressFromPNS(m_resolver, "LPT1:", address), 0);
  EXPECT_STREQ(address, "untouched");
  EXPECT_TRUE(m_network.Requests().empty());
  EXPECT_EQ(zrtest::ReadStoreValue("PNSServer").data, std::string(1, '\0'));
  EXPECT_EQ(zrtest::ReadStoreValue("PNSDeviceAddress").data, std::string(1, '\0'));
  EXPECT_EQ(zrtest::ReadStoreValue("PNS").type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(Pns, TheAnswersDeviceFieldDecides) {
  ZR_SKIP_UNLESS_EXCHANGE_MODE();
  struct Case {
    const char* reply;
    const char* address;  // null: not resolved
    const char* recordedServer;
    const char* recordedDevice;
  };
  const Case cases[] = {
      {"PNS452 pns1 10.0.0.5 1", "10.0.0.5", "pns1", "10.0.0.5"},
      {"PNS452 pns1 fd00::5 1", "fd00::5", "pns1", "fd00::5"},
      {"PNS452 pns1 printer.example 1", nullptr, "pns1", "printer.example"},
      {"PNS452 pns1 \\\\10.0.0.5 1", nullptr, "pns1", "\\\\10.0.0.5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    zrtest::FakeNameService network;
    network.EnableDatagrams();
    network.QueueDatagram(1, c.reply);
    CZrAddrResolution resolver;
    CString address = "untouched";
    EXPECT_EQ(ZrAddrResolutionTestAccess::AddressFromPNS(resolver, "\\\\srv\\srv-P", address), c.address ? 1 : 0);
    EXPECT_STREQ(address, c.address ? c.address : "untouched");
    EXPECT_EQ(zrtest::ReadStoreValue("PNSServer").data, std::string(c.recordedServer) + '\0');
    EXPECT_EQ(zrtest::ReadStoreValue("PNSDeviceAddress").data, std::string(c.recordedDevice) + '\0');
  }
}

}  // namespace
