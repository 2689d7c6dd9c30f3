// Shared by the stored-address tests: a store key of the test's own, and a
// table runner that calls the fallback itself.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "resolver/ZrAddrResolution.h"
#include "tests/store/StoreKeyAside.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"
#include "tests/support/ResolverAccess.h"

namespace zrtest {

class StoredAddressTest : public testing::Test {
 protected:
  // The fallback writes a kind only when it finds an address.
  static constexpr ZRMONITOR::ConnectionType kUntouched = ZRMONITOR::CT_NETWARE;

  struct Case {
    const char* port;
    int found;
    ZRMONITOR::ConnectionType kind;
    const char* address;  // what the caller's string holds afterwards
  };

  void SetUp() override { ASSERT_TRUE(m_aside.SetAside()); }

  // Seeds values (lines of .reg text) into the store key. PNS is switched
  // off, so that searches on the 9x line send no broadcast.
  static testing::AssertionResult SeedStore(const std::string& values) {
    return SeedRegistry("REGEDIT4\n\n[" + StoreKeyFullPath() + "]\n\"PNS\"=dword:00000000\n" + values);
  }

  template <std::size_t N>
  static void ExpectCases(const Case (&cases)[N]) {
    CZrAddrResolution resolver;
    for (const Case& c : cases) {
      LogCapture log;
      CString address = "untouched";
      ZRMONITOR::ConnectionType kind = kUntouched;
      EXPECT_EQ(ZrAddrResolutionTestAccess::StoredAddress(resolver, c.port, address, &kind), c.found) << c.port;
      EXPECT_EQ(kind, c.kind) << c.port;
      EXPECT_STREQ(address, c.address) << c.port;
      ASSERT_FALSE(log.Lines().empty()) << c.port;
      EXPECT_EQ(log.Lines()[0].text, std::string("GetAddressFromRegistry() start!! : ") + c.port);
      EXPECT_EQ(log.Lines()[0].level, 16u);
    }
  }

  StoreKeyAside m_aside;
  RegistrySandbox m_registry;
};

}  // namespace zrtest
