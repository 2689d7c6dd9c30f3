// Importing a .reg text: a fault found late in it leaves the registry as it
// was, on either target (natively by one change of the hives; on Windows by
// checking before the first call).
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// What a replacing import deletes on Windows, and what an import reports:
// the text's outermost [key] lines, whatever their case and order.
TEST(RegImport, TopKeysAndSummaryOfAText) {
  struct Case {
    const char* name;
    std::string sections;
    std::vector<std::string> tops;  // "HKLM\path" or "HKCU\path"
    std::size_t keys, values;
    bool machine, user;
  };
  const Case cases[] = {
      {"one tree", "[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=\"1\"\r\n[HKEY_LOCAL_MACHINE\\A\\B]\r\n\"w\"=dword:00000001\r\n",
       {"HKLM\\A"}, 2, 2, true, false},
      {"a parent after its child, in another case", "[HKLM\\a\\B]\r\n[HKEY_LOCAL_MACHINE\\A]\r\n", {"HKLM\\A"}, 2, 0,
       true, false},
      {"a sibling sharing a prefix", "[HKLM\\Soft]\r\n[HKLM\\Software]\r\n", {"HKLM\\Soft", "HKLM\\Software"}, 2, 0,
       true, false},
      {"both hives", "[HKCU\\S\\Z]\r\n\"q\"=\"x\"\r\n[HKLM\\S\\Z]\r\n", {"HKCU\\S\\Z", "HKLM\\S\\Z"}, 2, 1, true,
       true},
      {"a deletion only touches its hive", "[-HKCU\\Gone]\r\n", {}, 0, 0, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    zrplatform::RegParseResult parsed = zrplatform::ParseRegText("REGEDIT4\r\n\r\n" + c.sections);
    ASSERT_TRUE(parsed.ok()) << parsed.ErrorText();
    std::vector<std::string> tops;
    for (const zrplatform::RegOperation* top : zrplatform::TopRegKeys(parsed.operations)) {
      tops.push_back((top->root == zrplatform::RegRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + top->keyPath);
    }
    EXPECT_EQ(c.tops, tops);
    zrplatform::RegImportSummary summary = zrplatform::SummarizeRegOperations(parsed.operations);
    EXPECT_EQ(c.keys, summary.keys);
    EXPECT_EQ(c.values, summary.values);
    EXPECT_EQ(c.machine, summary.machine);
    EXPECT_EQ(c.user, summary.user);
  }
}

}  // namespace
