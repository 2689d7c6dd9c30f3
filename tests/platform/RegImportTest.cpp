// Importing a .reg text: a fault found late in it leaves the registry as it
// was, on either target (natively by one change of the hives; on Windows by
// checking before the first call).
#include <gtest/gtest.h>

#include <string>

#include "platform/RegImport.h"
#include "platform/Registry.h"
#include "tests/platform/RegistryCalls.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"

namespace {

TEST(RegImport, AFaultLateInTheTextChangesNothing) {
  struct Case {
    const char* name;
    std::string lastLines;  // the faulty end of the text
  };
  const Case cases[] = {
      {"a value name longer than the registry takes", "\"" + std::string(16384, 'n') + "\"=\"x\"\r\n"},
      {"a key name longer than the registry takes",
       "[HKEY_CURRENT_USER\\Elsewhere\\" + std::string(257, 'k') + "]\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    zrtest::RegistrySandbox sandbox;
    const std::string key = sandbox.ScratchPath() + "\\Import";
    const std::string full = "HKEY_CURRENT_USER\\" + key;
    ASSERT_TRUE(zrtest::SeedRegistry("REGEDIT4\r\n[" + full + "]\r\n\"Address\"=\"old\"\r\n"));
    const std::string text = "REGEDIT4\r\n\r\n[" + full + "]\r\n\"Address\"=\"new\"\r\n\"Added\"=\"new\"\r\n\r\n[" +
                             full + "\\Sub]\r\n\"b\"=dword:00000002\r\n" + c.lastLines;
    std::string error;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, zrplatform::ImportRegText(text.data(), text.size(), &error));
    EXPECT_EQ("line 9:", error.substr(0, 7)) << error.substr(0, 80);
    EXPECT_EQ("old", zrtest::Query(HKEY_CURRENT_USER, key.c_str(), "Address"));
    EXPECT_EQ("error 2", zrtest::Query(HKEY_CURRENT_USER, key.c_str(), "Added"));
    EXPECT_EQ("error 2", zrtest::Query(HKEY_CURRENT_USER, (key + "\\Sub").c_str(), "b"));
  }
}

}  // namespace
