// Seeding the registry from .reg text, reading it back as text, and the
// sandbox undoing what a test seeded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Registry.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"

namespace {

// Reads one value as text; "<error N>" when it cannot.
std::string ReadValue(HKEY root, const std::string& path, const char* name) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key);
  if (rc != ERROR_SUCCESS) return "<error " + std::to_string(rc) + ">";
  char data[256] = {};
  DWORD size = sizeof data - 1;
  DWORD type = 0;
  rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return "<error " + std::to_string(rc) + ">";
  if (type == REG_DWORD) return "dword " + std::to_string(*reinterpret_cast<DWORD*>(data));
  return std::string(data, size > 0 && data[size - 1] == '\0' ? size - 1 : size);
}

std::string Utf16le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

TEST(RegistrySeed, AppliesEachFormOfExport) {
  zrtest::RegistrySandbox sandbox;
  const std::string key = "HKEY_CURRENT_USER\\" + sandbox.ScratchPath();
  const std::string body = "[" + key + "\\Ports\\LPT1]\r\n\"Address\"=\"10.0.0.1\"\r\n\"Retries\"=dword:00000003\r\n";
  struct Case {
    const char* name;
    std::string text;
  };
  const Case cases[] = {
      {"REGEDIT4", "REGEDIT4\r\n\r\n" + body},
      {"5.00 UTF-8", "Windows Registry Editor Version 5.00\r\n\r\n" + body},
      {"5.00 UTF-16LE", Utf16le("Windows Registry Editor Version 5.00\r\n\r\n" + body)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(zrtest::SeedRegistry(c.text));
    EXPECT_EQ("10.0.0.1", ReadValue(HKEY_CURRENT_USER, sandbox.ScratchPath() + "\\Ports\\LPT1", "Address"));
    EXPECT_EQ("dword 3", ReadValue(HKEY_CURRENT_USER, sandbox.ScratchPath() + "\\Ports\\LPT1", "Retries"));
    ASSERT_TRUE(zrtest::SeedRegistry("REGEDIT4\r\n[-" + key + "\\Ports]\r\n"));
    EXPECT_EQ("<error 2>", ReadValue(HKEY_CURRENT_USER, sandbox.ScratchPath() + "\\Ports\\LPT1", "Address"));
  }
}

// Windows counts a NUL that happens to follow a string's data as its
// terminator; a seeded string without one must still arrive without one,
// except where the registry cannot hold one: the 9x line takes a REG_SZ's
// length from its text, reading on past the data to the first NUL, so there
// the value arrives as the seeded bytes, whatever lay after them, and a NUL.
TEST(RegistrySeed, KeepsStringsWithoutTerminator) {
  zrtest::RegistrySandbox sandbox;
  const std::string key = "HKCU\\" + sandbox.ScratchPath();
  ASSERT_TRUE(zrtest::SeedRegistry("REGEDIT4\n[" + key + "]\n\"s\"=hex(1):61,62\n\"x\"=hex(2):25\n"));
  HKEY handle = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, sandbox.ScratchPath().c_str(), 0, KEY_READ, &handle));
  struct Case {
    const char* name;
    std::vector<BYTE> seeded;
    bool terminatedOn9x;  // false: kept exactly on every line
  };
  const Case cases[] = {
      {"s", {'a', 'b'}, true},
      {"x", {'%'}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(handle, c.name, nullptr, nullptr, nullptr, &size));
    std::vector<BYTE> data(size + 1, 0xCC);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(handle, c.name, nullptr, nullptr, data.data(), &size));
    data.resize(size);
    if (zrtest::ForRegistryLine(false, c.terminatedOn9x)) {
      ASSERT_GT(data.size(), c.seeded.size());
      EXPECT_EQ(c.seeded, std::vector<BYTE>(data.begin(), data.begin() + c.seeded.size()));
      EXPECT_EQ(0, data.back());
    } else {
      EXPECT_EQ(c.seeded, data);
    }
  }
  RegCloseKey(handle);
}

TEST(RegistrySeed, DeletesValuesAndTrees) {
  zrtest::RegistrySandbox sandbox;
  const std::string key = "HKCU\\" + sandbox.ScratchPath();
  ASSERT_TRUE(zrtest::SeedRegistry("REGEDIT4\n[" + key + "\\A]\n\"x\"=\"1\"\n\"y\"=\"2\"\n[" + key + "\\B\\C]\n"));
  ASSERT_TRUE(zrtest::SeedRegistry("REGEDIT4\n[" + key + "\\A]\n\"x\"=-\n[-" + key + "\\B]\n"));
  EXPECT_EQ("<error 2>", ReadValue(HKEY_CURRENT_USER, sandbox.ScratchPath() + "\\A", "x"));
  EXPECT_EQ("2", ReadValue(HKEY_CURRENT_USER, sandbox.ScratchPath() + "\\A", "y"));
  EXPECT_EQ("<error 2>", ReadValue(HKEY_CURRENT_USER, sandbox.ScratchPath() + "\\B", "z"));
}

TEST(RegistrySeed, MalformedTextFailsWithItsLine) {
  zrtest::RegistrySandbox sandbox;
  testing::AssertionResult result = zrtest::SeedRegistry("REGEDIT4\n\n[HKCU\\" + sandbox.ScratchPath() + "]\n\"x\"=y\n");
  ASSERT_FALSE(result);
  EXPECT_NE(std::string::npos, std::string(result.message()).find("line 4:")) << result.message();
  EXPECT_FALSE(zrtest::SeedRegistryFile("/nonexistent/seed.reg"));
}

TEST(RegistrySeed, DumpGivesTheSeededText) {
  zrtest::RegistrySandbox sandbox;
  const std::string key = "HKEY_LOCAL_MACHINE\\" + sandbox.ScratchPath();
  // Values in name order, so both Windows' order of creation and Wine's
  // sorted order give this text.
  const std::string text = "REGEDIT4\r\n"
                           "\r\n[" + key + "]\r\n"
                           "\r\n[" + key + "\\Config]\r\n"
                           "\"Address\"=\"10.0.0.1\"\r\n"
                           "\"Mask\"=hex:ff,ff,ff,00\r\n"
                           "\"Port\"=dword:00000203\r\n"
                           "\r\n[" + key + "\\Config\\Empty]\r\n";
  ASSERT_TRUE(zrtest::SeedRegistry(text));
  std::string dumped;
  ASSERT_TRUE(zrtest::DumpRegistry(key, &dumped));
  EXPECT_EQ(text, dumped);
}

TEST(RegistrySeed, SandboxUndoesWhatWasSeeded) {
  zrtest::RegistrySandbox outer;
  const std::string path = outer.ScratchPath() + "\\Kept";
  ASSERT_TRUE(zrtest::SeedRegistry("REGEDIT4\n[HKCU\\" + path + "]\n\"Keep\"=\"old\"\n"));
  {
    zrtest::RegistrySandbox inner;
    ASSERT_TRUE(zrtest::SeedRegistry("REGEDIT4\n[HKCU\\" + path + "]\n\"Keep\"=\"new\"\n\"Added\"=\"a\"\n[HKCU\\" +
                                     path + "\\Child]\n[HKCU\\Software\\ZrAddrResSeedProbe\\Deep]\n"));
    EXPECT_EQ("new", ReadValue(HKEY_CURRENT_USER, path, "Keep"));
  }
  EXPECT_EQ("old", ReadValue(HKEY_CURRENT_USER, path, "Keep"));
  EXPECT_EQ("<error 2>", ReadValue(HKEY_CURRENT_USER, path, "Added"));
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, (path + "\\Child").c_str(), 0, KEY_READ, &key));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ZrAddrResSeedProbe", 0, KEY_READ, &key));
}

}  // namespace
