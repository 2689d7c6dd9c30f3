// The per-user PNS settings: the use flag as read (and repaired), and the
// two recorded texts, against the store key as the registry holds it.
#include <gtest/gtest.h>

#include <string>

#include "resolver/ZrAddrResolution.h"
#include "tests/store/StoreKeyAside.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ResolverAccess.h"

namespace {

using zrtest::ReadStoreValue;

class PnsSettings : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_aside.SetAside()); }

  static testing::AssertionResult SeedStore(const std::string& values) {
    return zrtest::SeedRegistry("REGEDIT4\n\n[" + zrtest::StoreKeyFullPath() + "]\n" + values);
  }

  zrtest::StoreKeyAside m_aside;
  zrtest::RegistrySandbox m_registry;
  CZrAddrResolution m_resolver;
};

const std::string kDwordOne("\x01\x00\x00\x00", 4);

TEST_F(PnsSettings, TheUseFlagAsReadAndRepaired) {
  struct Case {
    const char* what;
    const char* seed;          // null: no store key at all
    unsigned long flag;        // what the call gives, from a preset of 1
    const char* pnsAfter;      // "PNS" afterwards as a DWORD's bytes; null when absent
  };
  const std::string off("\0\0\0\0", 4);
  const std::string five("\x05\0\0\0", 4);
  const Case cases[] = {
      {"no key: the preset stands, nothing is created", nullptr, 1, nullptr},
      {"no value: on, and written as 1", "", 1, kDwordOne.c_str()},
      {"0 switches discovery off", "\"PNS\"=dword:00000000\n", 0, off.c_str()},
      {"any other number is on, as it is", "\"PNS\"=dword:00000005\n", 5, five.c_str()},
      {"a text is rewritten as the number 1", "\"PNS\"=\"0\"\n", 1, kDwordOne.c_str()},
      {"more than four bytes are rewritten as 1", "\"PNS\"=hex:00,00,00,00,00,00,00,00\n", 1, kDwordOne.c_str()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(m_aside.SetAside());
    if (c.seed) {
      ASSERT_TRUE(SeedStore(c.seed));
    }
    zrtest::LogCapture log;
    unsigned long flag = 1;
    ZrAddrResolutionTestAccess::GetPNSUseFlag(m_resolver, flag);
    EXPECT_EQ(flag, c.flag);
    zrtest::StoreValue pns = ReadStoreValue("PNS");
    if (c.pnsAfter == nullptr) {
      EXPECT_EQ(pns.rc, ERROR_FILE_NOT_FOUND);
    } else {
      ASSERT_EQ(pns.rc, ERROR_SUCCESS);
      EXPECT_EQ(pns.type, static_cast<DWORD>(REG_DWORD));
      EXPECT_EQ(pns.data, std::string(c.pnsAfter, 4));
    }
    EXPECT_TRUE(log.Lines().empty()) << "the settings log nothing";
  }
}

TEST_F(PnsSettings, TheRecordedTexts) {
  // The first write creates the key; a null text changes nothing; an empty
  // one records an empty string.
  ZrAddrResolutionTestAccess::SetPNSServer(m_resolver, "pns-server");
  ZrAddrResolutionTestAccess::SetPNSDevice(m_resolver, "10.0.0.5");
  EXPECT_EQ(ReadStoreValue("PNSServer").data, std::string("pns-server") + '\0');
  EXPECT_EQ(ReadStoreValue("PNSDeviceAddress").data, std::string("10.0.0.5") + '\0');
  EXPECT_EQ(ReadStoreValue("PNSServer").type, static_cast<DWORD>(REG_SZ));

  ZrAddrResolutionTestAccess::SetPNSServer(m_resolver, nullptr);
  ZrAddrResolutionTestAccess::SetPNSDevice(m_resolver, "");
  EXPECT_EQ(ReadStoreValue("PNSServer").data, std::string("pns-server") + '\0');
  EXPECT_EQ(ReadStoreValue("PNSDeviceAddress").data, std::string(1, '\0'));
}

}  // namespace
