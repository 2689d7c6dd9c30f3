// Importing a .reg text: a fault found late in it leaves the registry as it
// was, on either target (natively by one change of the hives; on Windows by
// checking before the first call).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/RegImport.h"
#include "platform/Registry.h"
#include "tests/platform/RegistryCalls.h"
#include "tests/support/Mode.h"
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
    const std::string text = "REGEDIT4\r\n\r\n" + c.sections;
    zrplatform::RegParseResult parsed = zrplatform::ParseRegText(text);
    ASSERT_TRUE(parsed.ok()) << parsed.ErrorText();
    // The operations as a parsed list, and as an import reads them: again
    // from the text at each walk.
    for (const zrplatform::RegOperations& operations :
         {zrplatform::RegOperations(parsed.operations), zrplatform::RegOperations(text.data(), text.size())}) {
      std::vector<std::string> tops;
      for (const zrplatform::RegOperation& top : zrplatform::TopRegKeys(operations)) {
        tops.push_back((top.root == zrplatform::RegRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + top.keyPath.str());
      }
      EXPECT_EQ(c.tops, tops);
      zrplatform::RegImportSummary summary = zrplatform::SummarizeRegOperations(operations);
      EXPECT_EQ(c.keys, summary.keys);
      EXPECT_EQ(c.values, summary.values);
      EXPECT_EQ(c.machine, summary.machine);
      EXPECT_EQ(c.user, summary.user);
    }
  }
}

// 表, ソ and 能 in code page 932, each with a trail byte that is a backslash,
// in a value's name and text go through an import, the registry and an
// export unchanged, written as the characters themselves (an escaped
// backslash after one would be another text to regedit).
TEST(RegImport, DoubleByteTextGoesThroughImportAndExportWhole) {
  ZR_SKIP_UNLESS(zrtest::CodePage() == 932, "code page 932 text");
  zrtest::RegistrySandbox sandbox;
  const std::string three = "\x95\x5C\x83\x5C\x94\x5C";
  const std::string key = sandbox.ScratchPath() + "\\Kanji";
  const std::string full = "HKEY_CURRENT_USER\\" + key;
  const std::string line = "\"" + three + "\"=\"" + three + "\\\\" + three + "\"";
  const std::string text = "REGEDIT4\r\n\r\n[" + full + "]\r\n" + line + "\r\n";
  std::string error;
  ASSERT_EQ(ERROR_SUCCESS, zrplatform::ImportRegText(text.data(), text.size(), &error)) << error;
  EXPECT_EQ(three + "\\" + three, zrtest::Query(HKEY_CURRENT_USER, key.c_str(), three.c_str()));

  std::string exported;
  ASSERT_EQ(ERROR_SUCCESS, zrplatform::ExportRegText(full, &exported, &error)) << error;
  EXPECT_NE(std::string::npos, exported.find("\r\n" + line + "\r\n")) << exported;
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str()));
  ASSERT_EQ(ERROR_SUCCESS, zrplatform::ImportRegText(exported.data(), exported.size(), &error)) << error;
  EXPECT_EQ(three + "\\" + three, zrtest::Query(HKEY_CURRENT_USER, key.c_str(), three.c_str()));
}

// A .reg file over the maximum is refused before it is read, naming the
// maximum. The file is sparse: it takes no disk and no time to make.
TEST(RegImport, AFileOverTheMaximumIsRefused) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("zr-too-large-" + std::to_string(std::rand()) + ".reg");
  {
    std::ofstream file(path, std::ios::binary);
    file << "REGEDIT4\r\n";
  }
  std::filesystem::resize_file(path, zrplatform::kMaxRegTextBytes + 1);
  std::string bytes;
  std::string error;
  EXPECT_EQ(ERROR_FILE_TOO_LARGE, zrplatform::ReadRegFile(path.string(), &bytes, &error));
  EXPECT_EQ(std::to_string(zrplatform::kMaxRegTextBytes + 1) + " bytes, more than the 64 MiB a registry text may hold",
            error);
  EXPECT_TRUE(bytes.empty());
  std::filesystem::resize_file(path, 10);
  EXPECT_EQ(ERROR_SUCCESS, zrplatform::ReadRegFile(path.string(), &bytes, &error));
  EXPECT_EQ("REGEDIT4\r\n", bytes);
  std::filesystem::remove(path);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, zrplatform::ReadRegFile(path.string(), &bytes, &error));
}

}  // namespace
