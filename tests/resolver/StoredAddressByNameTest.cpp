// The stored-address fallback for stored host names, against the scripted
// name service: names it was given resolve, others are "not found" at once,
// and a held one runs into the fallback's time-out.
#include <gtest/gtest.h>

#include <string>

#include "resolver/ZrAddrResolution.h"
#include "store/RegMgr.h"
#include "tests/resolver/StoredAddressFixture.h"
#include "tests/support/FakeNameService.h"
#include "tests/support/LogCapture.h"

namespace {

class StoredAddressByName : public zrtest::StoredAddressTest {
 protected:
  void SetUp() override {
    StoredAddressTest::SetUp();
    ASSERT_TRUE(SeedStore("\"Host\"=\"printer-a.example\"\n"
                          "\"Host6\"=\"printer-b.example\"\n"
                          "\"Unknown\"=\"printer-c.example\"\n"
                          "\"Held\"=\"printer-d.example\"\n"));
    m_names.Answer("printer-a.example", "10.1.2.3");
    m_names.Answer("printer-b.example", "2001:db8::7");
    m_names.Answer("printer-d.example", "10.1.2.4");
  }

  zrtest::FakeNameService m_names;
};

TEST_F(StoredAddressByName, AStoredHostNameIsResolved) {
  const Case cases[] = {
      {"Host", 1, ZRMONITOR::CT_IP, "10.1.2.3"},
      // An IPv6 answer is an IP address too.
      {"Host6", 1, ZRMONITOR::CT_IP, "2001:db8::7"},
      // Not resolved: the caller's string keeps the host name.
      {"Unknown", 0, kUntouched, "printer-c.example"},
  };
  ExpectCases(cases);
  for (const char* host : {"printer-a.example", "printer-b.example", "printer-c.example"}) {
    EXPECT_EQ(m_names.Calls(host), 1) << host;
  }
}

TEST_F(StoredAddressByName, AHostNameThatDoesNotAnswerInTimeIsNotFound) {
  m_names.Block("printer-d.example");
  const Case cases[] = {{"Held", 0, kUntouched, "printer-d.example"}};
  ExpectCases(cases);
  m_names.Release();
}

// For a name without a backslash the store's value name is the port name, so
// what the application recorded through the store ends the search.
TEST_F(StoredAddressByName, TheSearchFindsWhatTheStoreWrote) {
  {
    NZrAddrRes::CRegMgr store;
    store.OpenForWrite();
    store.Add("ZrPortStored", "printer-a.example");
  }
  CZrAddrResolution resolver;
  zrtest::LogCapture log;
  CString address;
  ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
  EXPECT_EQ(resolver.GetAddressFromPort("ZrPortStored", address, &kind), 1);
  EXPECT_EQ(kind, ZRMONITOR::CT_IP);
  EXPECT_STREQ(address, "10.1.2.3");
  EXPECT_TRUE(log.Contains("GetAddressFromRegistry() start!! : ZrPortStored"));
  EXPECT_TRUE(log.Contains("GetIPAddressFromHostName(with timeout) start!! : printer-a.example"));
}

}  // namespace
