// The registry key holder against the platform's registry (Wine's real one,
// or the POSIX hive files), failure paths included.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <vector>
#include <string>

#include "portmon/RegKeyHolder.h"
#include "tests/support/Mode.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"

namespace {


class KeyHolder : public testing::Test {
 protected:
  void SetUp() override {
    m_key = m_registry.ScratchPath() + "\\KeyHolder";
    m_other = m_registry.ScratchPath() + "\\KeyHolderOther";
    ASSERT_TRUE(zrtest::SeedRegistry(
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\" + m_key + "]\n"
        "\"Text\"=\"192.168.0.10\"\n"
        "\"Expand\"=hex(2):25,54,45,4d,50,25,00\n"
        "\"Number\"=dword:00000005\n"
        "\"Empty\"=hex(1):\n"
        "\"Unterminated\"=hex(1):61,62,63\n"
        "\"Binary\"=hex:61,62,00\n"
        "\"Long\"=\"0123456789012345678901234567890123456789\"\n\n"
        "[HKEY_CURRENT_USER\\" + m_other + "]\n"
        "\"Text\"=\"other\"\n"));
  }

  // Queries into a 32-byte buffer; the registry's code, and the text and count when it succeeded.
  LONG Query(CRegKeyHolder& key, const char* name, std::string* text = nullptr, unsigned long* count = nullptr) {
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    unsigned long size = sizeof buffer;
    LONG rc = key.QueryStringValue(name, buffer, &size);
    if (rc == ERROR_SUCCESS && text) *text = std::string(buffer);
    if (count) *count = size;
    return rc;
  }

  static bool RawEndsInNul(CRegKeyHolder& key, const char* name) {
    BYTE data[64] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegQueryValueExA(key.Key(), name, nullptr, &type, data, &size) != ERROR_SUCCESS || size == 0) return false;
    return data[size - 1] == 0;
  }

  zrtest::RegistrySandbox m_registry;
  std::string m_key;    // a key with one value of each kind
  std::string m_other;  // a second key
};

TEST_F(KeyHolder, StartsEmptyAndClosingNothingSucceeds) {
  CRegKeyHolder key;
  EXPECT_EQ(key.Key(), nullptr);
  EXPECT_EQ(key.View(), 0u);
  EXPECT_EQ(key.Close(), ERROR_SUCCESS);
}

TEST_F(KeyHolder, ReadsStringsAsStoredAndRefusesOtherTypes) {
  CRegKeyHolder key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, m_key.c_str(), KEY_READ), ERROR_SUCCESS);
  std::string text;
  unsigned long count = 0;
  EXPECT_EQ(Query(key, "Text", &text, &count), ERROR_SUCCESS);
  EXPECT_EQ(text, "192.168.0.10");
  EXPECT_EQ(count, 13u);  // terminator included
  EXPECT_EQ(Query(key, "Expand", &text), ERROR_SUCCESS);
  EXPECT_EQ(text, "%TEMP%");  // not expanded
  EXPECT_EQ(Query(key, "Empty", &text, &count), ERROR_SUCCESS);
  EXPECT_EQ(text, "");
  // The 9x line stores no string without its terminator, the empty one included.
  EXPECT_EQ(count, zrtest::RegistryHas9xRules() ? 1u : 0u);

  struct Failure {
    const char* name;
    LONG code;
  };
  std::vector<Failure> failures = {
      {"Number", ERROR_INVALID_DATA}, {"Binary", ERROR_INVALID_DATA}, {"Long", ERROR_MORE_DATA},
      {"Missing", ERROR_FILE_NOT_FOUND}};
  // Wine's registry keeps strings as UTF-16 and hands an A-string back with
  // a terminator added, so an unterminated string cannot be stored there.
  if (RawEndsInNul(key, "Unterminated")) {
    std::cout << "[   NOTE   ] the registry terminated the unterminated string; step not checkable here\n";
  } else {
    failures.push_back({"Unterminated", ERROR_INVALID_DATA});
  }
  for (const Failure& f : failures) {
    unsigned long failedCount = 99;
    EXPECT_EQ(Query(key, f.name, nullptr, &failedCount), f.code) << f.name;
    EXPECT_EQ(failedCount, 0u) << f.name << ": the count is set to 0 before the query";
  }
}

TEST_F(KeyHolder, AFailedOpenKeepsTheKeyItHeld) {
  CRegKeyHolder key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, m_key.c_str(), KEY_READ | KEY_WOW64_64KEY), ERROR_SUCCESS);
  HKEY held = key.Key();
  EXPECT_EQ(key.View(), static_cast<REGSAM>(KEY_WOW64_64KEY));
  EXPECT_EQ(key.Open(HKEY_CURRENT_USER, (m_registry.ScratchPath() + "\\NoSuchKey").c_str(), KEY_READ), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key.Key(), held);
  std::string text;
  EXPECT_EQ(Query(key, "Text", &text), ERROR_SUCCESS);
  EXPECT_EQ(text, "192.168.0.10");
}

TEST_F(KeyHolder, OpeningAnotherKeyReplacesTheOldOne) {
  CRegKeyHolder key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, m_key.c_str(), KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(key.Open(HKEY_CURRENT_USER, m_other.c_str(), KEY_READ), ERROR_SUCCESS);
  std::string text;
  EXPECT_EQ(Query(key, "Text", &text), ERROR_SUCCESS);
  EXPECT_EQ(text, "other");
  EXPECT_EQ(key.Close(), ERROR_SUCCESS);
  EXPECT_EQ(key.Key(), nullptr);
  EXPECT_EQ(key.View(), 0u);
}

TEST_F(KeyHolder, CreateOpensAnExistingKeyOrMakesANewOne) {
  CRegKeyHolder key;
  unsigned long disposition = 0;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_key.c_str(), nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                       &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<unsigned long>(REG_OPENED_EXISTING_KEY));
  std::string text;
  EXPECT_EQ(Query(key, "Text", &text), ERROR_SUCCESS);

  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, (m_key + "\\New").c_str(), nullptr,
                       REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<unsigned long>(REG_CREATED_NEW_KEY));
  EXPECT_EQ(Query(key, "Text"), ERROR_FILE_NOT_FOUND);  // the new key replaced the old one

  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, m_other.c_str(), nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, nullptr),
            ERROR_SUCCESS);  // no disposition asked for
  EXPECT_EQ(Query(key, "Text", &text), ERROR_SUCCESS);
  EXPECT_EQ(text, "other");
}

TEST_F(KeyHolder, AKeyOpenedWithoutQueryAccessCannotBeRead) {
  // The 9x line's registry has no security: any key may be read there.
  ZR_SKIP_UNLESS(!(zrtest::IsWindowsBuild() && (zrtest::WindowsLine() == zrtest::Line::Win95 ||
                                                 zrtest::WindowsLine() == zrtest::Line::Win98 ||
                                                 zrtest::WindowsLine() == zrtest::Line::WinMe)),
                 "the 9x line checks no access rights");
  CRegKeyHolder key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, m_key.c_str(), KEY_SET_VALUE), ERROR_SUCCESS);
  EXPECT_EQ(Query(key, "Text"), ERROR_ACCESS_DENIED);
}

}  // namespace
