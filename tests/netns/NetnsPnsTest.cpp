// The PNS exchange end to end: real datagrams from the target's own socket
// library (the built-in one natively, Wine's under Wine) cross a veth pair
// to a responder in a second network namespace (run-in-pns-netns.sh), which
// answers as each test scripts it and writes down every request it saw.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Sockets.h"
#include "resolver/ZrAddrResolution.h"
#include "tests/store/StoreKeyAside.h"
#include "tests/support/Env.h"
#include "tests/support/HeldDescriptors.h"
#include "tests/support/ResolverAccess.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string Hex(const std::string& bytes) {
  std::string hex;
  char pair[3];
  for (unsigned char c : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", c);
    hex += pair;
  }
  return hex;
}

std::string Unhex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

struct Reply {
  int request;  // the request it answers, from 1; 0 for every one
  int delayMs;
  std::string bytes;
  int copies = 1;  // sent this many times, ten a millisecond
};

class PnsOnTheWire : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The library's entry routine would start the socket library; the test
    // program links the library's objects without it.
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }

  void SetUp() override {
    // Outside the namespaces a broadcast would reach a real network.
    ASSERT_FALSE(zrtest::GetEnv("ZR_NETNS").empty()) << "run through tests/netns/run-in-pns-netns.sh";
    m_folder = zrtest::GetEnv("ZR_PNS_DIR");
    ASSERT_FALSE(m_folder.empty());
    Script({});
    std::ofstream(m_folder + "/requests", std::ios::trunc);
    ASSERT_TRUE(m_aside.SetAside());
  }

  void Script(const std::vector<Reply>& replies) {
    std::ofstream script(m_folder + "/script", std::ios::trunc);
    for (const Reply& r : replies) {
      script << r.request << ' ' << r.delayMs << ' ' << Hex(r.bytes);
      if (r.copies > 1) script << ' ' << r.copies;
      script << '\n';
    }
  }

  // The requests the responder saw, as they came.
  std::vector<std::string> Requests() {
    std::vector<std::string> requests;
    std::ifstream in(m_folder + "/requests");
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::size_t length = 0;
      std::string hex;
      fields >> length >> hex;
      requests.push_back(Unhex(hex));
      EXPECT_EQ(requests.back().size(), length);
    }
    return requests;
  }

  static std::string RequestFor(const std::string& name) {
    std::string request = "ZR452 " + name;
    request.resize(128, '\0');
    return request;
  }

  std::string m_folder;
  zrtest::StoreKeyAside m_aside;
  zrtest::RegistrySandbox m_registry;
  CZrAddrResolution m_resolver;
};

TEST_F(PnsOnTheWire, NoAnswerTwoRequestsAndTheOutputsKept) {
  CString server = "kept";
  CString device = "kept";
  auto start = Clock::now();
  EXPECT_EQ(ZrAddrResolutionTestAccess::PnsUdpBroadcast(m_resolver, "\\\\srv\\srv-P", server, device), 1);
  long long took = MillisecondsSince(start);
  EXPECT_GE(took, 1900);
  EXPECT_LT(took, 4000);
  std::vector<std::string> requests = Requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const std::string& request : requests) EXPECT_EQ(request, RequestFor("\\\\srv\\srv-P"));
  EXPECT_STREQ(server, "kept");
  EXPECT_STREQ(device, "kept");
}

TEST_F(PnsOnTheWire, OneAnswerInTheFirstAttemptResolvesAndIsRecorded) {
  Script({{1, 20, "PNS452 pns-a 192.0.2.55 0001"}});
  CString address;
  auto start = Clock::now();
  EXPECT_EQ(ZrAddrResolutionTestAccess::AddressFromPNS(m_resolver, "\\\\srv\\srv-P", address), 1);
  long long took = MillisecondsSince(start);
  EXPECT_GE(took, 950);
  EXPECT_LT(took, 1900);
  EXPECT_STREQ(address, "192.0.2.55");
  EXPECT_EQ(Requests().size(), 1u);
  EXPECT_EQ(zrtest::ReadStoreValue("PNSServer").data, std::string("pns-a") + '\0');
  EXPECT_EQ(zrtest::ReadStoreValue("PNSDeviceAddress").data, std::string("192.0.2.55") + '\0');
}

// With 1,100 descriptors already open the exchange's socket is numbered
// above what a C library's fd_set holds: the answer must be heard as with
// none open.
TEST_F(PnsOnTheWire, ManyOpenDescriptorsChangeNothing) {
  zrtest::HeldDescriptors held(1100);
  if (!held.WhyNot().empty()) GTEST_SKIP() << held.WhyNot();
  Script({{1, 20, "PNS452 pns-a 192.0.2.55 0001"}});
  CString address;
  EXPECT_EQ(ZrAddrResolutionTestAccess::AddressFromPNS(m_resolver, "\\\\srv\\srv-P", address), 1);
  EXPECT_STREQ(address, "192.0.2.55");
  EXPECT_EQ(Requests().size(), 1u);
}

// Ten thousand malformed datagrams through the whole second the exchange
// listens, with the one real answer in the middle of them: it must still be
// read and chosen.
TEST_F(PnsOnTheWire, AFloodOfMalformedDatagramsLosesNoValidReply) {
  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
  Script({{1, 0, "HELLO junk", 2500},
          {1, 250, everyByte, 2500},
          {1, 500, "PNS452 " + std::string(3000, 'A'), 2500},
          {1, 650, "PNS452 pns-real 192.0.2.77 0001"},
          {1, 750, "PNS452", 2500}});
  CString address;
  EXPECT_EQ(ZrAddrResolutionTestAccess::AddressFromPNS(m_resolver, "\\\\srv\\srv-P", address), 1);
  EXPECT_STREQ(address, "192.0.2.77");
  EXPECT_EQ(zrtest::ReadStoreValue("PNSServer").data, std::string("pns-real") + '\0');
}

TEST_F(PnsOnTheWire, SwitchedOffNoDatagramAndNoRecord) {
  ASSERT_TRUE(zrtest::SeedRegistry("REGEDIT4\n\n[" + zrtest::StoreKeyFullPath() + "]\n\"PNS\"=dword:00000000\n"));
  Script({{0, 0, "PNS452 pns-a 192.0.2.55 0001"}});
  CString address = "untouched";
  EXPECT_EQ(ZrAddrResolutionTestAccess::AddressFromPNS(m_resolver, "\\\\srv\\srv-P", address), 0);
  EXPECT_STREQ(address, "");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // a datagram would have arrived by now
  EXPECT_TRUE(Requests().empty());
  EXPECT_EQ(zrtest::ReadStoreValue("PNSServer").rc, ERROR_FILE_NOT_FOUND);
}

TEST_F(PnsOnTheWire, TheChoosingRulesHoldForRealDatagrams) {
  struct Case {
    const char* what;
    std::vector<Reply> replies;
    const char* server;
    const char* device;
    std::size_t requests;
  };
  const Case cases[] = {
      {"junk, then X5 Y3 X9: X5 stays",
       {{1, 0, "HELLO junk"}, {1, 60, "PNS452 pns-x 192.0.2.1 5"}, {1, 120, "PNS452 pns-y 192.0.2.2 3"},
        {1, 180, "PNS452 pns-x2 192.0.2.1 9"}},
       "pns-x", "192.0.2.1", 1},
      {"a greater key on another device wins; an equal one does not",
       {{1, 0, "PNS452 pns-a 192.0.2.1 3"}, {1, 60, "PNS452 pns-b 192.0.2.2 5"}, {1, 120, "PNS452 pns-c 192.0.2.3 5"}},
       "pns-b", "192.0.2.2", 1},
      {"an answer to the second request only", {{2, 0, "PNS452 pns-late 192.0.2.9 1"}}, "pns-late", "192.0.2.9", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Script(c.replies);
    std::ofstream(m_folder + "/requests", std::ios::trunc);
    CString server;
    CString device;
    EXPECT_EQ(ZrAddrResolutionTestAccess::PnsUdpBroadcast(m_resolver, "\\\\srv\\srv-P", server, device), 1);
    EXPECT_STREQ(server, c.server);
    EXPECT_STREQ(device, c.device);
    EXPECT_EQ(Requests().size(), c.requests);
  }
}

}  // namespace
