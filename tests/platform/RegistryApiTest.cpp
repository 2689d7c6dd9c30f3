// The registry functions' contracts, run against each target's registry
// (Wine's real one, or the native hive files): error codes, access masks,
// sizes written back, names, and types and bytes kept exactly. Where Wine's
// 9x line behaves otherwise (no security on keys, RegDeleteKeyA taking the
// subtree, a REG_SZ's length taken from its text), a case gives both values.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "tests/support/Mode.h"
#include "tests/support/RegistryFixture.h"

namespace {

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

// What RegistryApi::Set puts after the data it passes: a byte that is no NUL,
// then a NUL. The NT line counts a NUL right after a string's data as its
// terminator, which would hide a missing one; the 9x line takes a REG_SZ's
// length from its text, reading on to the first NUL, which this one bounds.
const std::string kAfterData("X\0", 2);

class RegistryApi : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, sandbox_.ScratchPath().c_str(), 0, nullptr,
                                             REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &scratch_, nullptr));
  }
  void TearDown() override {
    for (HKEY key : opened_) RegCloseKey(key);
    if (scratch_) RegCloseKey(scratch_);
  }

  // A key below the scratch key, created if needed, open with `access`.
  HKEY Key(const std::string& path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(scratch_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                              nullptr);
    EXPECT_EQ(ERROR_SUCCESS, rc) << path;
    if (key) opened_.push_back(key);
    return key;
  }

  // Sets a value from exactly `data`, with kAfterData after it.
  LONG Set(HKEY key, const char* name, DWORD type, const std::vector<BYTE>& data) {
    std::vector<BYTE> guarded(data);
    guarded.insert(guarded.end(), kAfterData.begin(), kAfterData.end());
    return RegSetValueExA(key, name, 0, type, guarded.data(), static_cast<DWORD>(data.size()));
  }

  // Type and bytes of a value, read with an exactly sized buffer.
  LONG Get(HKEY key, const char* name, DWORD* type, std::vector<BYTE>* data) {
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return rc;
    data->assign(size, 0xCC);
    rc = RegQueryValueExA(key, name, nullptr, type, size ? data->data() : nullptr, &size);
    data->resize(size);
    return rc;
  }

  std::vector<std::string> SubkeyNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
      char name[256];
      DWORD length = sizeof name;
      LONG rc = RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      EXPECT_EQ(ERROR_SUCCESS, rc);
      if (rc != ERROR_SUCCESS) break;
      names.emplace_back(name, length);
    }
    return names;
  }

  std::vector<std::string> ValueNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
      char name[16384];
      DWORD length = sizeof name;
      LONG rc = RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      EXPECT_EQ(ERROR_SUCCESS, rc);
      if (rc != ERROR_SUCCESS) break;
      names.emplace_back(name, length);
    }
    return names;
  }

  zrtest::RegistrySandbox sandbox_;
  HKEY scratch_ = nullptr;
  std::vector<HKEY> opened_;
};

struct ErrorCase {
  const char* name;
  std::function<LONG(HKEY scratch, HKEY present)> call;  // present: "Present", KEY_ALL_ACCESS
  LONG nt;     // the NT line, and the native registry on every line
  LONG win9x;  // the 9x line, whose keys carry no security
};

// Each failure with the code Windows gives. The scratch key holds
// "Present" (with a value "v" and a subkey "Child"), which no case changes;
// "Parent" (with a subkey "Child") for deleting; "ReadOnly" (with a value
// "v") for writing through a handle without the right to.
TEST_F(RegistryApi, FailuresGiveWindowsCodes) {
  HKEY present = Key("Present");
  ASSERT_EQ(ERROR_SUCCESS, Set(present, "v", REG_SZ, Bytes(std::string("x\0", 2))));
  Key("Present\\Child");
  Key("Parent\\Child");
  ASSERT_EQ(ERROR_SUCCESS, Set(Key("ReadOnly"), "v", REG_SZ, Bytes(std::string("x\0", 2))));
  auto openWith = [](HKEY parent, const char* path, REGSAM access) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(parent, path, 0, access, &key));
    return key;
  };
  auto withKey = [&](const char* path, REGSAM access, std::function<LONG(HKEY)> call) {
    return [=](HKEY scratch, HKEY) {
      HKEY key = openWith(scratch, path, access);
      LONG rc = call(key);
      RegCloseKey(key);
      return rc;
    };
  };
  const std::string longName(257, 'k');
  const std::string longestName(255, 'k');
  DWORD size = 4;
  BYTE buffer[4];
  const ErrorCase cases[] = {
      {"open a missing key",
       [](HKEY s, HKEY) {
         HKEY k;
         return RegOpenKeyExA(s, "Missing", 0, KEY_READ, &k);
       },
       ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
      {"open below a missing key",
       [](HKEY s, HKEY) {
         HKEY k;
         return RegOpenKeyExA(s, "Missing\\Deeper", 0, KEY_READ, &k);
       },
       ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
      {"query a missing value",
       [&](HKEY, HKEY p) { return RegQueryValueExA(p, "missing", nullptr, nullptr, buffer, &size); },
       ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
      {"delete a missing value", [](HKEY, HKEY p) { return RegDeleteValueA(p, "missing"); }, ERROR_FILE_NOT_FOUND,
       ERROR_FILE_NOT_FOUND},
      {"delete a missing key", [](HKEY s, HKEY) { return RegDeleteKeyA(s, "Missing"); }, ERROR_FILE_NOT_FOUND,
       ERROR_FILE_NOT_FOUND},
      {"delete a missing tree", [](HKEY s, HKEY) { return RegDeleteTreeA(s, "Missing"); }, ERROR_FILE_NOT_FOUND,
       ERROR_FILE_NOT_FOUND},
      // The 9x line deletes the key with its subkeys.
      {"delete a key that has subkeys", [](HKEY s, HKEY) { return RegDeleteKeyA(s, "Parent"); },
       ERROR_ACCESS_DENIED, ERROR_SUCCESS},
      {"query without KEY_QUERY_VALUE",
       withKey("Present", KEY_SET_VALUE,
               [](HKEY k) {
                 DWORD n = 0;
                 return RegQueryValueExA(k, "v", nullptr, nullptr, nullptr, &n);
               }),
       ERROR_ACCESS_DENIED, ERROR_SUCCESS},
      {"enumerate values without KEY_QUERY_VALUE",
       withKey("Present", KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS,
               [](HKEY k) {
                 char name[16];
                 DWORD n = sizeof name;
                 return RegEnumValueA(k, 0, name, &n, nullptr, nullptr, nullptr, nullptr);
               }),
       ERROR_ACCESS_DENIED, ERROR_SUCCESS},
      {"enumerate subkeys without KEY_ENUMERATE_SUB_KEYS",
       withKey("Present", KEY_QUERY_VALUE,
               [](HKEY k) {
                 char name[16];
                 DWORD n = sizeof name;
                 return RegEnumKeyExA(k, 0, name, &n, nullptr, nullptr, nullptr, nullptr);
               }),
       ERROR_ACCESS_DENIED, ERROR_SUCCESS},
      {"set without KEY_SET_VALUE",
       withKey("ReadOnly", KEY_READ, [](HKEY k) { return RegSetValueExA(k, "w", 0, REG_BINARY, nullptr, 0); }),
       ERROR_ACCESS_DENIED, ERROR_SUCCESS},
      {"delete a value without KEY_SET_VALUE",
       withKey("ReadOnly", KEY_READ, [](HKEY k) { return RegDeleteValueA(k, "v"); }), ERROR_ACCESS_DENIED,
       ERROR_SUCCESS},
      {"query with data but no size",
       [&](HKEY, HKEY p) { return RegQueryValueExA(p, "v", nullptr, nullptr, buffer, nullptr); },
       ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
      {"create a key name of 257 characters (Wine takes 256)",
       [&](HKEY s, HKEY) {
         HKEY k = nullptr;
         LONG rc = RegCreateKeyExA(s, longName.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &k, nullptr);
         if (k) RegCloseKey(k);
         return rc;
       },
       ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
      {"create a key name of 255 characters",
       [&](HKEY s, HKEY) {
         HKEY k = nullptr;
         LONG rc = RegCreateKeyExA(s, longestName.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &k, nullptr);
         if (k) RegCloseKey(k);
         return rc;
       },
       ERROR_SUCCESS, ERROR_SUCCESS},
      {"enumerate subkeys past the end",
       [](HKEY, HKEY p) {
         char name[16];
         DWORD n = sizeof name;
         return RegEnumKeyExA(p, 1, name, &n, nullptr, nullptr, nullptr, nullptr);
       },
       ERROR_NO_MORE_ITEMS, ERROR_NO_MORE_ITEMS},
      {"enumerate values past the end",
       [](HKEY, HKEY p) {
         char name[16];
         DWORD n = sizeof name;
         return RegEnumValueA(p, 1, name, &n, nullptr, nullptr, nullptr, nullptr);
       },
       ERROR_NO_MORE_ITEMS, ERROR_NO_MORE_ITEMS},
      {"enumerate a subkey into a short buffer",
       [](HKEY, HKEY p) {
         char name[5];  // "Child" needs 6
         DWORD n = sizeof name;
         return RegEnumKeyExA(p, 0, name, &n, nullptr, nullptr, nullptr, nullptr);
       },
       ERROR_MORE_DATA, ERROR_MORE_DATA},
      {"enumerate a value name into a short buffer",
       [](HKEY, HKEY p) {
         char name[1];  // "v" needs 2
         DWORD n = sizeof name;
         return RegEnumValueA(p, 0, name, &n, nullptr, nullptr, nullptr, nullptr);
       },
       ERROR_MORE_DATA, ERROR_MORE_DATA},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    size = sizeof buffer;
    EXPECT_EQ(zrtest::ForRegistryLine(c.nt, c.win9x), c.call(scratch_, present));
  }
  // What the calls that succeed on the 9x line did there, and left alone elsewhere.
  HKEY parent = nullptr;
  EXPECT_EQ(zrtest::ForRegistryLine<LONG>(ERROR_SUCCESS, ERROR_FILE_NOT_FOUND),
            RegOpenKeyExA(scratch_, "Parent", 0, KEY_READ, &parent));
  if (parent) RegCloseKey(parent);
  EXPECT_EQ(zrtest::ForRegistryLine(std::vector<std::string>{"v"}, std::vector<std::string>{"w"}),
            ValueNames(Key("ReadOnly")));
  EXPECT_EQ(std::vector<std::string>{"Child"}, SubkeyNames(present));
  EXPECT_EQ(std::vector<std::string>{"v"}, ValueNames(present));
}

TEST_F(RegistryApi, ShortBufferGetsTheSizeNeeded) {
  HKEY key = Key("Sizes");
  const std::vector<BYTE> data = Bytes(std::string("twelve bytes", 12));
  ASSERT_EQ(ERROR_SUCCESS, Set(key, "b", REG_BINARY, data));

  struct Case {
    const char* name;
    bool withBuffer;
    DWORD given;
    LONG expected;
  };
  const Case cases[] = {
      {"size query without a buffer", false, 0, ERROR_SUCCESS},
      {"size query ignores the count given", false, 3, ERROR_SUCCESS},
      {"empty buffer", true, 0, ERROR_MORE_DATA},
      {"one byte short", true, 11, ERROR_MORE_DATA},
      {"exact buffer", true, 12, ERROR_SUCCESS},
      {"larger buffer", true, 40, ERROR_SUCCESS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BYTE> buffer(64, 0xCC);
    DWORD size = c.given;
    DWORD type = 0;
    EXPECT_EQ(c.expected, RegQueryValueExA(key, "b", nullptr, &type, c.withBuffer ? buffer.data() : nullptr, &size));
    EXPECT_EQ(12u, size);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    if (c.expected == ERROR_SUCCESS && c.withBuffer) {
      EXPECT_EQ(data, std::vector<BYTE>(buffer.begin(), buffer.begin() + 12));
      EXPECT_EQ(0xCC, buffer[12]) << "nothing past the data";
    }
  }

  // The same rules when enumerating.
  char name[8];
  DWORD nameLength = sizeof name;
  BYTE small[4];
  DWORD size = sizeof small;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key, 0, name, &nameLength, nullptr, nullptr, small, &size));
  EXPECT_EQ(12u, size);
  nameLength = sizeof name;
  size = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegEnumValueA(key, 0, name, &nameLength, nullptr, nullptr, nullptr, &size));
  EXPECT_EQ(12u, size);
  EXPECT_EQ(1u, nameLength);
  EXPECT_STREQ("b", name);
}

// One table of RegQueryValueExA's contract, the same for Wine's registry and
// the hive files: the value stored, the buffer given (none, or its size) ->
// the result, the size reported, the bytes written, and the guard byte after
// the buffer, which nothing may touch.
TEST_F(RegistryApi, QueryConformsToOneTableOnEveryTarget) {
  const DWORD kNoBuffer = 0xFFFFFFFFu;
  const DWORD kUnchanged = 0xEEEEEEEEu;  // a size the call must not write
  struct Case {
    const char* what;
    DWORD type;
    std::string stored;
    DWORD buffer;  // kNoBuffer: a null data pointer
    LONG result;
    DWORD size;
    std::string written;  // the buffer's first bytes afterwards (0xCC: untouched)
  };
  const std::string cc4("\xCC\xCC\xCC\xCC", 4);
  const Case cases[] = {
      {"binary, no buffer", REG_BINARY, "abc", kNoBuffer, ERROR_SUCCESS, 3, ""},
      {"binary, empty buffer", REG_BINARY, "abc", 0, ERROR_MORE_DATA, 3, ""},
      {"binary, one short", REG_BINARY, "abc", 2, ERROR_MORE_DATA, 3, ""},
      {"binary, exact", REG_BINARY, "abc", 3, ERROR_SUCCESS, 3, "abc"},
      {"binary, larger", REG_BINARY, "abc", 8, ERROR_SUCCESS, 3, "abc\xCC"},
      {"empty binary", REG_BINARY, "", 4, ERROR_SUCCESS, 0, cc4},
      {"dword, exact", REG_DWORD, std::string("\x01\x02\x03\x04", 4), 4, ERROR_SUCCESS, 4, "\x01\x02\x03\x04"},
      {"dword, one short", REG_DWORD, std::string("\x01\x02\x03\x04", 4), 3, ERROR_MORE_DATA, 4, ""},
      {"string, no buffer", REG_SZ, std::string("ab\0", 3), kNoBuffer, ERROR_SUCCESS, 3, ""},
      {"string, exact", REG_SZ, std::string("ab\0", 3), 3, ERROR_SUCCESS, 3, std::string("ab\0", 3)},
      {"string, without room for its NUL", REG_SZ, std::string("ab\0", 3), 2, ERROR_MORE_DATA, 3, ""},
      {"string, larger", REG_SZ, std::string("ab\0", 3), 8, ERROR_SUCCESS, 3, std::string("ab\0\xCC", 4)},
      {"expandable, exact", REG_EXPAND_SZ, std::string("%P%\0", 4), 4, ERROR_SUCCESS, 4, std::string("%P%\0", 4)},
      {"multi-string, exact", REG_MULTI_SZ, std::string("a\0b\0\0", 5), 5, ERROR_SUCCESS, 5,
       std::string("a\0b\0\0", 5)},
      {"multi-string, one short", REG_MULTI_SZ, std::string("a\0b\0\0", 5), 4, ERROR_MORE_DATA, 5, ""},
  };
  HKEY key = Key("Conformance");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(ERROR_SUCCESS, Set(key, "v", c.type, Bytes(c.stored)));
    std::vector<BYTE> buffer(16, 0xCC);
    const DWORD given = c.buffer == kNoBuffer ? 0 : c.buffer;
    DWORD size = given;
    DWORD type = 0;
    EXPECT_EQ(c.result, RegQueryValueExA(key, "v", nullptr, &type, c.buffer == kNoBuffer ? nullptr : buffer.data(),
                                         &size));
    EXPECT_EQ(c.size, size);
    EXPECT_EQ(c.type, type);
    if (c.result == ERROR_SUCCESS) {
      EXPECT_EQ(Bytes(c.written), std::vector<BYTE>(buffer.begin(), buffer.begin() + c.written.size()));
    }
    EXPECT_EQ(0xCC, buffer[given]) << "the byte after the buffer was written";
  }

  // Calls the contract refuses, whatever the value.
  DWORD size = kUnchanged;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "missing", nullptr, nullptr, nullptr, &size));
  BYTE data[4];
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "v", nullptr, nullptr, data, nullptr));
}

TEST_F(RegistryApi, StringWithoutTerminatorGetsOneWhenThereIsRoom) {
  struct Case {
    DWORD type;
    std::vector<BYTE> nt;     // what is stored on the NT line, and natively
    std::vector<BYTE> win9x;  // what is stored on the 9x line
  };
  // The 9x line takes a REG_SZ's length from its text: it reads on past the
  // count to the first NUL (the one of kAfterData here), so a REG_SZ is never
  // stored without a terminator there. Its other string types keep the count.
  const Case cases[] = {
      {REG_SZ, Bytes("ab"), Bytes(std::string("abX\0", 4))},
      {REG_EXPAND_SZ, Bytes("ab"), Bytes("ab")},
      {REG_MULTI_SZ, Bytes("ab"), Bytes("ab")},
  };
  HKEY key = Key("Unterminated");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    ASSERT_EQ(ERROR_SUCCESS, Set(key, "s", c.type, Bytes("ab")));
    DWORD type = 0;
    std::vector<BYTE> stored;
    ASSERT_EQ(ERROR_SUCCESS, Get(key, "s", &type, &stored));
    const std::vector<BYTE> expected = zrtest::ForRegistryLine(c.nt, c.win9x);
    ASSERT_EQ(expected, stored);
    if (expected.back() == 0) continue;  // stored with its terminator: nothing to add
    BYTE buffer[8];
    std::memset(buffer, 0xCC, sizeof buffer);
    DWORD size = 2;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "s", nullptr, nullptr, buffer, &size));
    EXPECT_EQ(2u, size);
    EXPECT_EQ(0xCC, buffer[2]) << "no room: nothing past the data";
    size = sizeof buffer;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "s", nullptr, nullptr, buffer, &size));
    EXPECT_EQ(2u, size) << "the terminator added is not counted";
    EXPECT_EQ(0, buffer[2]);
    EXPECT_EQ(0xCC, buffer[3]);
  }
  // Binary data is never touched past its end.
  ASSERT_EQ(ERROR_SUCCESS, Set(key, "b", REG_BINARY, Bytes("ab")));
  BYTE buffer[8];
  std::memset(buffer, 0xCC, sizeof buffer);
  DWORD size = sizeof buffer;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "b", nullptr, nullptr, buffer, &size));
  EXPECT_EQ(0xCC, buffer[2]);
}

TEST_F(RegistryApi, PathSpellings) {
  Key("Path\\To");
  struct Case {
    const char* name;
    const char* path;  // below the scratch key
    LONG open;         // RegOpenKeyExA, on every line
    LONG createNt;     // RegCreateKeyExA on the NT line, and natively
    LONG create9x;     // RegCreateKeyExA on the 9x line
  };
  // The 9x line's RegCreateKeyExA skips one leading backslash (and only one);
  // its RegOpenKeyExA does not.
  const Case cases[] = {
      {"plain", "Path\\To", ERROR_SUCCESS, ERROR_SUCCESS, ERROR_SUCCESS},
      {"trailing backslash", "Path\\To\\", ERROR_SUCCESS, ERROR_SUCCESS, ERROR_SUCCESS},
      {"doubled backslash", "Path\\\\To", ERROR_SUCCESS, ERROR_SUCCESS, ERROR_SUCCESS},
      {"leading backslash", "\\Path\\To", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME, ERROR_SUCCESS},
      {"two leading backslashes", "\\\\Path\\To", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HKEY key = nullptr;
    EXPECT_EQ(c.open, RegOpenKeyExA(scratch_, c.path, 0, KEY_READ, &key));
    if (key) RegCloseKey(key);
    key = nullptr;
    DWORD disposition = 0;
    const LONG create = zrtest::ForRegistryLine(c.createNt, c.create9x);
    EXPECT_EQ(create, RegCreateKeyExA(scratch_, c.path, 0, nullptr, 0, KEY_READ, nullptr, &key, &disposition));
    if (key) RegCloseKey(key);
    if (create == ERROR_SUCCESS) {
      EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition) << "the key made above";
    }
  }
  EXPECT_EQ(std::vector<std::string>{"To"}, SubkeyNames(Key("Path")));
  // Created with no subkey name at all, the key opens itself again (Wine
  // then says it created it, so the disposition is not looked at).
  HKEY same = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(scratch_, nullptr, 0, nullptr, 0, KEY_READ, nullptr, &same, nullptr));
  EXPECT_EQ(std::vector<std::string>{"Path"}, SubkeyNames(same));
  RegCloseKey(same);
}

// In code page 932 a backslash can be the second byte of a character: it
// does not split the path there.
TEST_F(RegistryApi, DoubleByteNamesInCodePage932) {
  ZR_SKIP_UNLESS(zrtest::CodePage() == 932, "only code page 932 has double-byte names");
  const std::string table = "\x95\x5C";  // a character whose second byte is a backslash
  const std::string wide = "\x82\x60";  // full-width A
  const std::string wideLower = "\x82\x81";  // full-width a
  HKEY key = Key(table + "\\" + wide);
  ASSERT_NE(nullptr, key);
  EXPECT_EQ(std::vector<std::string>{table}, SubkeyNames(scratch_));
  HKEY again = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch_, (table + "\\" + wideLower).c_str(), 0, KEY_READ, &again));
  if (again) RegCloseKey(again);
}

TEST_F(RegistryApi, ClosedHandlesAreInvalid) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, sandbox_.ScratchPath().c_str(), 0, KEY_READ, &key));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
  DWORD size = 0;
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size));

  // A root key stays usable whatever is done to it.
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
  HKEY again = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, sandbox_.ScratchPath().c_str(), 0, KEY_READ, &again));
  RegCloseKey(again);
}

TEST_F(RegistryApi, HandleOfADeletedKeyReportsIt) {
  HKEY doomed = Key("Doomed");
  ASSERT_EQ(ERROR_SUCCESS, Set(doomed, "v", REG_DWORD, {1, 0, 0, 0}));
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(scratch_, "Doomed"));
  DWORD size = 0;
  EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(doomed, "v", nullptr, nullptr, nullptr, &size));
  EXPECT_EQ(ERROR_KEY_DELETED, Set(doomed, "w", REG_DWORD, {1, 0, 0, 0}));
  HKEY below = nullptr;
  EXPECT_EQ(ERROR_KEY_DELETED,
            RegCreateKeyExA(doomed, "Below", 0, nullptr, 0, KEY_READ, nullptr, &below, nullptr));
  HKEY gone = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(scratch_, "Doomed", 0, KEY_READ, &gone));
}

TEST_F(RegistryApi, NamesAreCaseInsensitiveAndKeepTheirCase) {
  HKEY mixed = Key("MixedCase\\Inner");
  ASSERT_EQ(ERROR_SUCCESS, Set(mixed, "ValueName", REG_DWORD, {1, 0, 0, 0}));

  HKEY other = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch_, "MIXEDCASE\\inner", 0, KEY_ALL_ACCESS, &other));
  opened_.push_back(other);
  DWORD type = 0;
  std::vector<BYTE> data;
  EXPECT_EQ(ERROR_SUCCESS, Get(other, "VALUENAME", &type, &data));
  // A second set through another spelling replaces the value and keeps its name.
  ASSERT_EQ(ERROR_SUCCESS, Set(other, "valuename", REG_DWORD, {2, 0, 0, 0}));
  EXPECT_EQ(ERROR_SUCCESS, Get(mixed, "ValueName", &type, &data));
  EXPECT_EQ((std::vector<BYTE>{2, 0, 0, 0}), data);
  EXPECT_EQ(std::vector<std::string>{"ValueName"}, ValueNames(mixed));

  DWORD disposition = 0;
  HKEY same = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(scratch_, "mixedcase", 0, nullptr, 0, KEY_READ, nullptr, &same, &disposition));
  opened_.push_back(same);
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
  EXPECT_EQ(std::vector<std::string>{"MixedCase"}, SubkeyNames(scratch_));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(scratch_, "MIXEDCASE\\INNER"));
  EXPECT_EQ(std::vector<std::string>{}, SubkeyNames(same));
}

TEST_F(RegistryApi, AccentedNamesFoldInCodePage1252) {
  ZR_SKIP_UNLESS(zrtest::CodePage() == 1252, "the letters differ in other code pages");
  Key("Caf\xC9");  // CAFÉ
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch_, "caf\xE9", 0, KEY_READ, &key));  // café
  RegCloseKey(key);
  EXPECT_EQ(std::vector<std::string>{"Caf\xC9"}, SubkeyNames(scratch_));
}

TEST_F(RegistryApi, SubkeysEnumerateInNameOrder) {
  for (const char* name : {"beta", "Alpha", "gamma", "Delta"}) Key(name);
  EXPECT_EQ((std::vector<std::string>{"Alpha", "beta", "Delta", "gamma"}), SubkeyNames(scratch_));
}

struct RoundTripCase {
  const char* name;
  DWORD type;
  std::vector<BYTE> data;  // as set, and as read back on the NT line and natively
  std::optional<std::vector<BYTE>> win9x = std::nullopt;  // as read back on the 9x line, when it differs
  std::vector<BYTE> Expected() const { return zrtest::ForRegistryLine(data, win9x.value_or(data)); }
};

TEST_F(RegistryApi, TypesAndBytesComeBackExactly) {
  std::vector<BYTE> all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<BYTE>(i));
  // The 9x line keeps a REG_SZ's text up to its first NUL, reading on
  // through kAfterData when the data has none.
  const RoundTripCase cases[] = {
      {"string", REG_SZ, Bytes(std::string("text\0", 5))},
      {"string without terminator", REG_SZ, Bytes("ab"), Bytes(std::string("abX\0", 4))},
      {"empty string", REG_SZ, Bytes(std::string("\0", 1))},
      {"string of no bytes", REG_SZ, {}, Bytes(std::string("X\0", 2))},
      {"string with an inner NUL", REG_SZ, Bytes(std::string("a\0b\0", 4)), Bytes(std::string("a\0", 2))},
      {"string with a line break", REG_SZ, Bytes(std::string("a\r\nb\0", 5))},
      {"expandable string", REG_EXPAND_SZ, Bytes(std::string("%TEMP%\\x\0", 9))},
      {"multi-string", REG_MULTI_SZ, Bytes(std::string("one\0two\0\0", 9))},
      {"binary with every byte", REG_BINARY, all},
      {"empty binary", REG_BINARY, {}},
      {"dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12}},
      {"big-endian dword", REG_DWORD_BIG_ENDIAN, {0x12, 0x34, 0x56, 0x78}},
      {"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"none", REG_NONE, {9, 8}},
      {"a type of its own", 0x4242, {1}},
  };
  HKEY key = Key("RoundTrip");
  for (const RoundTripCase& c : cases) {
    ASSERT_EQ(ERROR_SUCCESS, Set(key, c.name, c.type, c.data)) << c.name;
  }
  // Read back through a fresh handle, and by enumeration.
  HKEY reader = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch_, "RoundTrip", 0, KEY_READ, &reader));
  opened_.push_back(reader);
  for (const RoundTripCase& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_EQ(ERROR_SUCCESS, Get(reader, c.name, &type, &data));
    EXPECT_EQ(c.type, type);
    EXPECT_EQ(c.Expected(), data);
  }
  std::size_t seen = 0;
  for (DWORD i = 0;; ++i) {
    char name[64];
    DWORD nameLength = sizeof name;
    BYTE data[512];
    DWORD size = sizeof data;
    DWORD type = 0;
    LONG rc = RegEnumValueA(reader, i, name, &nameLength, nullptr, &type, data, &size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(ERROR_SUCCESS, rc);
    for (const RoundTripCase& c : cases) {
      if (std::string(name) != c.name) continue;
      ++seen;
      EXPECT_EQ(c.type, type) << name;
      EXPECT_EQ(c.Expected(), std::vector<BYTE>(data, data + size)) << name;
    }
  }
  EXPECT_EQ(std::size(cases), seen);
}

TEST_F(RegistryApi, DefaultValueHasNoName) {
  HKEY key = Key("Default");
  ASSERT_EQ(ERROR_SUCCESS, Set(key, nullptr, REG_SZ, Bytes(std::string("d\0", 2))));
  DWORD type = 0;
  std::vector<BYTE> data;
  EXPECT_EQ(ERROR_SUCCESS, Get(key, "", &type, &data));
  EXPECT_EQ(Bytes(std::string("d\0", 2)), data);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, nullptr));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Get(key, nullptr, &type, &data));
}

TEST_F(RegistryApi, CreateMakesParentsAndSaysWhatItDid) {
  DWORD disposition = 0;
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(scratch_, "A\\B\\C", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                           &disposition));
  opened_.push_back(key);
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(scratch_, "A\\B", 0, nullptr, 0, KEY_READ, nullptr, &key, &disposition));
  opened_.push_back(key);
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
  EXPECT_EQ(std::vector<std::string>{"C"}, SubkeyNames(key));
}

TEST_F(RegistryApi, EmptySubkeyOpensTheSameKeyAgain) {
  HKEY first = Key("Same");
  for (const char* subkey : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(subkey ? "empty name" : "null name");
    HKEY second = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(first, subkey, 0, KEY_ALL_ACCESS, &second));
    ASSERT_EQ(ERROR_SUCCESS, Set(second, "through second", REG_DWORD, {7, 0, 0, 0}));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(second));
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_EQ(ERROR_SUCCESS, Get(first, "through second", &type, &data));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(first, "through second"));
  }
}

TEST_F(RegistryApi, DeleteKeyAndDeleteTree) {
  Key("Leaf");
  Key("Tree\\A\\B");
  HKEY tree = Key("Tree");
  ASSERT_EQ(ERROR_SUCCESS, Set(tree, "v", REG_DWORD, {1, 0, 0, 0}));

  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(scratch_, "Leaf"));
  // A key with subkeys: the NT line refuses RegDeleteKeyA and leaves it for
  // RegDeleteTreeA; the 9x line deletes it with its subkeys at once.
  EXPECT_EQ(zrtest::ForRegistryLine<LONG>(ERROR_ACCESS_DENIED, ERROR_SUCCESS), RegDeleteKeyA(scratch_, "Tree\\A"));
  EXPECT_EQ(zrtest::ForRegistryLine(std::vector<std::string>{"A"}, std::vector<std::string>{}), SubkeyNames(tree));
  EXPECT_EQ(zrtest::ForRegistryLine<LONG>(ERROR_SUCCESS, ERROR_FILE_NOT_FOUND), RegDeleteTreeA(scratch_, "Tree\\A"));
  EXPECT_EQ(std::vector<std::string>{}, SubkeyNames(tree));
  // Without a subkey the key's own contents go and the key stays.
  Key("Tree\\Again");
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeA(tree, nullptr));
  EXPECT_EQ(std::vector<std::string>{}, SubkeyNames(tree));
  EXPECT_EQ(std::vector<std::string>{}, ValueNames(tree));
  EXPECT_EQ(std::vector<std::string>{"Tree"}, SubkeyNames(scratch_));
}

}  // namespace
