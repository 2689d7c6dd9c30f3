// The stored-address fallback: how a stored text is classified, and what the
// caller's string and kind hold when nothing is found. The tables call the
// fallback itself; the last tests reach it through GetAddressFromPort. Stored
// host names are in StoredAddressByNameTest.cpp.
#include <gtest/gtest.h>

#include <string>

#include "resolver/ZrAddrResolution.h"
#include "store/RegMgr.h"
#include "tests/resolver/StoredAddressFixture.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ResolverAccess.h"

namespace {

const std::string kLongest(259, 'h');  // with its terminator, just fills the 260-byte buffer
const std::string kLongestIpx = "1:" + kLongest.substr(2);

using StoredAddress = zrtest::StoredAddressTest;

TEST_F(StoredAddress, TheStoredTextDecidesTheKind) {
  ASSERT_TRUE(SeedStore("\"IPv4\"=\"10.0.0.1\"\n"
                        "\"IPX\"=\"00000001:0080c7123456\"\n"
                        "\"LinkLocal\"=\"fe80::1\"\n"
                        "\"Global\"=\"2001:db8::5\"\n"
                        "\"Loopback\"=\"::1\"\n"
                        "\"Mapped\"=\"::ffff:10.0.0.1\"\n"
                        "\"Bracketed\"=\"[fe80::1]\"\n"
                        "\"Expand\"=hex(2):31,30,2e,30,2e,30,2e,33,00\n"
                        "\"Longest\"=\"" + kLongestIpx + "\"\n"
                        "\"\\\\\\\\srv\\\\queue\"=\"10.0.0.2\"\n"));
  const Case cases[] = {
      {"IPv4", 1, ZRMONITOR::CT_IP, "10.0.0.1"},
      {"IPX", 1, ZRMONITOR::CT_IPX, "00000001:0080c7123456"},
      // IPv6 texts are IP addresses, wherever their first colon stands.
      {"LinkLocal", 1, ZRMONITOR::CT_IP, "fe80::1"},
      {"Global", 1, ZRMONITOR::CT_IP, "2001:db8::5"},
      {"Loopback", 1, ZRMONITOR::CT_IP, "::1"},
      {"Mapped", 1, ZRMONITOR::CT_IP, "::ffff:10.0.0.1"},
      // Not an address text for the platform's parser: the colon rule applies.
      {"Bracketed", 1, ZRMONITOR::CT_IPX, "[fe80::1]"},
      {"Expand", 1, ZRMONITOR::CT_IP, "10.0.0.3"},
      {"Longest", 1, ZRMONITOR::CT_IPX, kLongestIpx.c_str()},
      // The port name as given is the value name: no friendly form.
      {"\\\\srv\\queue", 1, ZRMONITOR::CT_IP, "10.0.0.2"},
      {"queue on srv", 0, kUntouched, ""},
  };
  ExpectCases(cases);
}

TEST_F(StoredAddress, NothingUsableIsNotFound) {
  ASSERT_TRUE(SeedStore("\"Empty\"=\"\"\n"
                        "\"Number\"=dword:0a000001\n"
                        "\"TooLong\"=\"" + kLongest + "h\"\n"
                        "\"BadHost\"=\"srv\\\\name\"\n"));
  const Case cases[] = {
      {"Missing", 0, kUntouched, ""},
      {"Number", 0, kUntouched, ""},
      {"TooLong", 0, kUntouched, ""},
      // The empty text goes to the lookup, which refuses it.
      {"Empty", 0, kUntouched, ""},
      // A host name that does not resolve stays in the caller's string.
      {"BadHost", 0, kUntouched, "srv\\name"},
  };
  ExpectCases(cases);
}

TEST_F(StoredAddress, WithoutTheStoreKeyNothingIsFound) {
  const Case cases[] = {{"IPv4", 0, kUntouched, ""}};
  ExpectCases(cases);
}

TEST_F(StoredAddress, TheSearchEndsWithTheStoredAddress) {
  ASSERT_TRUE(SeedStore("\"Stored\\\\IPX\"=\"00000001:0080c7123456\"\n"));
  CZrAddrResolution resolver;
  zrtest::LogCapture log;
  CString address;
  ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_NONE;
  EXPECT_EQ(resolver.GetAddressFromPort("Stored\\IPX", address, &kind), 1);
  EXPECT_EQ(kind, ZRMONITOR::CT_IPX);
  EXPECT_STREQ(address, "00000001:0080c7123456");
  EXPECT_TRUE(log.Contains("GetAddressFromRegistry() start!! : Stored\\IPX"));
  EXPECT_EQ(log.Texts().back(), "------------- GetAddressFromPort() finish! : Stored\\IPX");

  log.Clear();
  address = "untouched";
  EXPECT_EQ(resolver.GetAddressFromPort("Stored\\Missing", address, &kind), 0);
  EXPECT_EQ(kind, ZRMONITOR::CT_NONE);
  EXPECT_STREQ(address, "");
  EXPECT_EQ(log.Texts().back(), "------------- GetAddressFromPort() finish(Not Resolved)! : Stored\\Missing");
}

// The store writes the friendly form, the fallback reads the port name as
// given: an entry the store made for a name with a backslash is not found.
TEST_F(StoredAddress, TheStoresFormOfANameWithABackslashIsNotFound) {
  ASSERT_TRUE(SeedStore(""));
  {
    NZrAddrRes::CRegMgr store;
    store.OpenForWrite();
    store.Add("Stored\\Pair", "10.0.0.9");  // written as "Stored.Pair"
  }
  const Case cases[] = {{"Stored\\Pair", 0, kUntouched, ""}, {"Stored.Pair", 1, ZRMONITOR::CT_IP, "10.0.0.9"}};
  ExpectCases(cases);
}

}  // namespace
