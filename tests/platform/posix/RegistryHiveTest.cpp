// The native registry's hive files: where they are, what they hold, when
// they are read again, what a malformed one does, and what a failing disk does.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/CodePage.h"
#include "platform/RegImport.h"
#include "platform/RegText.h"
#include "platform/Registry.h"
#include "platform/posix/RegistryTesting.h"
#include "tests/platform/RegistryCalls.h"
#include "tests/platform/posix/FileCalls.h"
#include "tests/support/Env.h"
#include "tests/support/RegistryFixture.h"

namespace {

using zrtest::Create;
using zrtest::Exists;
using zrtest::Query;
using zrtest::ReadFile;
using zrtest::SetText;

// Replaces a file whole, as an editor saving a copy would.
void ReplaceFile(const std::string& path, const std::string& bytes) {
  std::string temporary = path + ".new";
  std::ofstream(temporary, std::ios::binary) << bytes;
  ASSERT_EQ(0, std::rename(temporary.c_str(), path.c_str()));
}

TEST(RegistryHive, EachRootHasItsFileInTheNamedFolder) {
  zrtest::RegistrySandbox sandbox;
  HKEY machine = Create(HKEY_LOCAL_MACHINE, "Software\\A");
  ASSERT_EQ(ERROR_SUCCESS, SetText(machine, "x", "1"));
  HKEY user = Create(HKEY_CURRENT_USER, "Software\\B");
  DWORD dword = 0x2a;
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(user, "y", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dword), 4));
  RegCloseKey(machine);
  RegCloseKey(user);

  // The scratch keys the sandbox tracks are not made until asked for. The
  // comments after the header record the code page of the key names, and
  // that quoted text is written in it too.
  const std::string header =
      "REGEDIT4\r\n; ANSI code page " + std::to_string(GetACP()) + "\r\n; quoted text in that code page too\r\n";
  EXPECT_EQ(
      header +
      "\r\n[HKEY_LOCAL_MACHINE]\r\n"
      "\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n"
      "\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"x\"=\"1\"\r\n",
      ReadFile(sandbox.HiveFolder() + "/HKLM.reg"));
  EXPECT_EQ(
      header +
      "\r\n[HKEY_CURRENT_USER]\r\n"
      "\r\n[HKEY_CURRENT_USER\\Software]\r\n"
      "\r\n[HKEY_CURRENT_USER\\Software\\B]\r\n\"y\"=dword:0000002a\r\n",
      ReadFile(sandbox.HiveFolder() + "/HKCU.reg"));
  EXPECT_FALSE(Exists(sandbox.HiveFolder() + "/HKLM.reg.tmp"));
}

// The names in a folder that start with `prefix`.
std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const struct dirent* entry = readdir(dir)) {
      if (std::string(entry->d_name).rfind(prefix, 0) == 0) names.push_back(entry->d_name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Another user who can open a lock file (flock works on a descriptor opened
// only to read) could stop every write, so a lock is its owner's alone; the
// user hive is private, the machine hive readable by all. The modes do not
// depend on the umask.
TEST(RegistryHive, FilesAreTheOwnersAndOnlyTheMachineHiveIsReadableByOthers) {
  zrtest::RegistrySandbox sandbox;
  const mode_t savedMask = umask(0);
  struct Case {
    const char* name;
    HKEY root;
    const char* file;
    mode_t folderMode, hiveMode;
  };
  const Case cases[] = {
      {"the user hive", HKEY_CURRENT_USER, "HKCU.reg", 0700, 0600},
      {"the machine hive", HKEY_LOCAL_MACHINE, "HKLM.reg", 0755, 0644},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = sandbox.HiveFolder() + "/" + c.file + ".d";
    zrtest::ScopedEnv registry("ZRADDRRES_REGISTRY", folder.c_str());
    HKEY key = Create(c.root, "Config");
    ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", "1"));
    const std::string hive = folder + "/" + c.file;
    EXPECT_EQ(c.folderMode, ModeOf(folder));
    EXPECT_EQ(c.hiveMode, ModeOf(hive));
    EXPECT_EQ(0600u, ModeOf(hive + ".lock"));
    // A lock file an earlier version left open to others is closed to them.
    ASSERT_EQ(0, chmod((hive + ".lock").c_str(), 0644));
    ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", "2"));
    EXPECT_EQ(0600u, ModeOf(hive + ".lock"));
    EXPECT_EQ(c.hiveMode, ModeOf(hive));
    RegCloseKey(key);
  }
  umask(savedMask);
}

// The side file a write goes through has a new name each time, so that
// nothing under a fixed name (someone else's file in a shared folder, here a
// folder the writer cannot remove) blocks the writes; one that a writer
// which died left behind is removed by the next.
TEST(RegistryHive, NothingUnderTheSideFileNameBlocksAWrite) {
  zrtest::RegistrySandbox sandbox;
  const std::string folder = sandbox.HiveFolder();
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Config");
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", "old"));
  ASSERT_EQ(0, mkdir((folder + "/HKLM.reg.tmp").c_str(), 0700));
  std::ofstream(folder + "/HKLM.reg.tmp.deadwriter01", std::ios::binary) << "REGEDIT4\r\n";
  std::ofstream(folder + "/HKLM.reg.tmp.kept", std::ios::binary) << "not a side file\n";
  for (const char* text : {"new", "newer"}) {
    EXPECT_EQ(ERROR_SUCCESS, SetText(key, "v", text)) << zrplatform::RegistryErrorText();
    EXPECT_EQ(text, Query(HKEY_LOCAL_MACHINE, "Config", "v"));
  }
  EXPECT_EQ((std::vector<std::string>{"HKLM.reg.tmp", "HKLM.reg.tmp.kept"}),
            NamesStartingWith(folder, "HKLM.reg.tmp"));
  RegCloseKey(key);
}

// A hive file over the maximum (here a sparse one, read no further than its
// size) is neither loaded nor written over: every call says so, naming the
// file and the maximum, and the other hive goes on.
TEST(RegistryHive, AHiveOverTheMaximumIsRefused) {
  zrtest::RegistrySandbox sandbox;
  const std::string hive = sandbox.HiveFolder() + "/HKLM.reg";
  std::ofstream(hive, std::ios::binary) << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n";
  ASSERT_EQ(0, truncate(hive.c_str(), static_cast<off_t>(zrplatform::kMaxRegTextBytes) + 1));
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_FILE_TOO_LARGE, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key));
  const std::string error = zrplatform::RegistryErrorText();
  const std::string expected =
      hive + ": " + std::to_string(zrplatform::kMaxRegTextBytes + 1) + " bytes, more than the 64 MiB";
  EXPECT_EQ(expected, error.substr(0, expected.size()));
  EXPECT_EQ(ERROR_FILE_TOO_LARGE, RegSetValueExA(HKEY_LOCAL_MACHINE, "x", 0, REG_BINARY, nullptr, 0));
  struct stat st;
  ASSERT_EQ(0, stat(hive.c_str(), &st));
  EXPECT_EQ(static_cast<off_t>(zrplatform::kMaxRegTextBytes) + 1, st.st_size);
  HKEY user = Create(HKEY_CURRENT_USER, "Fine");
  EXPECT_EQ(ERROR_SUCCESS, SetText(user, "v", "ok"));
  RegCloseKey(user);
}

TEST(RegistryHive, UserHiveDefaultsToTheConfigFolder) {
  zrtest::RegistrySandbox sandbox;
  const std::string base = sandbox.HiveFolder();
  struct Case {
    const char* name;
    bool setConfig;
    std::string config;  // XDG_CONFIG_HOME
    std::string home;
    std::string expected;
  };
  const Case cases[] = {
      {"XDG_CONFIG_HOME", true, base + "/xdg", base + "/home1", base + "/xdg/zraddrres/HKCU.reg"},
      {"HOME", false, "", base + "/home2", base + "/home2/.config/zraddrres/HKCU.reg"},
      {"a relative XDG_CONFIG_HOME is ignored", true, "relative", base + "/home3",
       base + "/home3/.config/zraddrres/HKCU.reg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    zrtest::ScopedEnv registry("ZRADDRRES_REGISTRY", nullptr);
    zrtest::ScopedEnv configHome("XDG_CONFIG_HOME", c.setConfig ? c.config.c_str() : nullptr);
    zrtest::ScopedEnv home("HOME", c.home.c_str());
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Defaults"));
    EXPECT_TRUE(Exists(c.expected)) << c.expected;
  }
}

TEST(RegistryHive, MissingFolderIsAnEmptyHiveUntilTheFirstWrite) {
  zrtest::RegistrySandbox sandbox;
  const std::string folder = sandbox.HiveFolder() + "/not/yet";
  zrtest::ScopedEnv registry("ZRADDRRES_REGISTRY", folder.c_str());
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key));
  char name[64];
  DWORD length = sizeof name;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyExA(HKEY_LOCAL_MACHINE, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(HKEY_LOCAL_MACHINE, "nothing"));
  EXPECT_FALSE(Exists(folder)) << "reads and failed writes make no folder";
  key = Create(HKEY_LOCAL_MACHINE, "Software");
  RegCloseKey(key);
  EXPECT_TRUE(Exists(folder + "/HKLM.reg"));
}

TEST(RegistryHive, UnchangedHiveIsNotParsedAgain) {
  zrtest::RegistrySandbox sandbox;
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Config");
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "Address", "10.0.0.1"));
  const unsigned long before = zrplatform::RegistryParseCountForTesting();
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ("10.0.0.1", Query(HKEY_LOCAL_MACHINE, "Software\\Config", "Address"));
    char name[64];
    DWORD length = sizeof name;
    EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyExA(HKEY_LOCAL_MACHINE, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
  }
  // Our own writes do not make the file new to us either.
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "Address", "10.0.0.2"));
  EXPECT_EQ("10.0.0.2", Query(HKEY_LOCAL_MACHINE, "Software\\Config", "Address"));
  EXPECT_EQ(before, zrplatform::RegistryParseCountForTesting());

  // Creating a key that exists writes nothing.
  struct stat old;
  ASSERT_EQ(0, stat((sandbox.HiveFolder() + "/HKLM.reg").c_str(), &old));
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, "software\\config"));
  struct stat now;
  ASSERT_EQ(0, stat((sandbox.HiveFolder() + "/HKLM.reg").c_str(), &now));
  EXPECT_EQ(old.st_ino, now.st_ino);
  EXPECT_EQ(old.st_mtim.tv_nsec, now.st_mtim.tv_nsec);
  RegCloseKey(key);
}

// Another process tells versions apart by the file's stamp, so a new
// version's mtime is later than the old one's even when the clock is not
// (a coarse file clock, or a clock set back).
TEST(RegistryHive, EachVersionHasALaterMtime) {
  zrtest::RegistrySandbox sandbox;
  const std::string hive = sandbox.HiveFolder() + "/HKLM.reg";
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Config");
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", "a"));
  struct stat st;
  ASSERT_EQ(0, stat(hive.c_str(), &st));
  struct timespec future[2] = {st.st_atim, st.st_mtim};
  future[1].tv_sec += 3600;
  ASSERT_EQ(0, utimensat(AT_FDCWD, hive.c_str(), future, 0));
  for (const char* text : {"b", "c"}) {
    struct timespec before = future[1];
    ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", text));
    ASSERT_EQ(0, stat(hive.c_str(), &st));
    EXPECT_TRUE(st.st_mtim.tv_sec > before.tv_sec ||
                (st.st_mtim.tv_sec == before.tv_sec && st.st_mtim.tv_nsec > before.tv_nsec))
        << text;
    future[1] = st.st_mtim;
  }
  RegCloseKey(key);
}

TEST(RegistryHive, ChangedFileIsReadAgain) {
  zrtest::RegistrySandbox sandbox;
  const std::string hive = sandbox.HiveFolder() + "/HKLM.reg";
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Config");
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", "1"));
  EXPECT_EQ("1", Query(HKEY_LOCAL_MACHINE, "Config", "v"));

  // A new file in its place.
  unsigned long before = zrplatform::RegistryParseCountForTesting();
  ReplaceFile(hive, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Config]\r\n\"v\"=\"replaced\"\r\n");
  EXPECT_EQ("replaced", Query(HKEY_LOCAL_MACHINE, "Config", "v"));
  EXPECT_EQ("replaced", Query(HKEY_LOCAL_MACHINE, "Config", "v"));
  EXPECT_EQ(before + 1, zrplatform::RegistryParseCountForTesting());

  // The same file rewritten in place with as many bytes; its mtime moves on.
  struct stat st;
  ASSERT_EQ(0, stat(hive.c_str(), &st));
  std::ofstream(hive, std::ios::binary | std::ios::trunc)
      << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Config]\r\n\"v\"=\"restored\"\r\n";
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  times[1].tv_sec += 1;
  ASSERT_EQ(0, utimensat(AT_FDCWD, hive.c_str(), times, 0));
  EXPECT_EQ("restored", Query(HKEY_LOCAL_MACHINE, "Config", "v"));
  EXPECT_EQ("restored", Query(key, "", "v")) << "through a handle opened before";
  EXPECT_EQ(before + 2, zrplatform::RegistryParseCountForTesting());

  // A regedit export in UTF-16 serves as a hive too; the next write makes it REGEDIT4.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Config]\r\n"
                            "\"v\"=hex(2):75,00,00,00\r\n")) {
    utf16 += c;
    utf16 += '\0';
  }
  ReplaceFile(hive, utf16);
  DWORD type = 0;
  char text[8] = {};
  DWORD size = sizeof text;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "v", nullptr, &type, reinterpret_cast<BYTE*>(text), &size));
  EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
  EXPECT_EQ(std::string("u", 2), std::string(text, size));
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "w", "x"));
  EXPECT_EQ("REGEDIT4\r\n", ReadFile(hive).substr(0, 10));
  RegCloseKey(key);
}

// The values of one key: found by any spelling of their names, enumerated
// in the order they were first set, through sets, deletions and a reload.
TEST(RegistryHive, ValuesOfABigKeyKeepTheirOrderThroughEveryChange) {
  zrtest::RegistrySandbox sandbox;
  const std::string hive = sandbox.HiveFolder() + "/HKLM.reg";
  constexpr int kValues = 2000;
  std::vector<std::pair<std::string, std::string>> model;  // name as stored, text
  std::string text = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Big]\r\n";
  char name[32];
  for (int i = 0; i < kValues; ++i) {
    std::snprintf(name, sizeof name, "Value%05d", i);
    model.emplace_back(name, std::to_string(i));
    text += "\"" + std::string(name) + "\"=\"" + std::to_string(i) + "\"\r\n";
  }
  // A later line of the same name in another case replaces the data in place.
  text += "\"VALUE00010\"=\"replaced\"\r\n";
  model[10].second = "replaced";
  ReplaceFile(hive, text);

  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Big", 0, KEY_ALL_ACCESS, &key));
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  for (int i = 0; i < kValues; i += 50) {
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, lower(model[i].first).c_str()));
    model[i].first.clear();
  }
  for (int i = 5; i < kValues; i += 100) {
    ASSERT_EQ(ERROR_SUCCESS, SetText(key, lower(model[i].first).c_str(), "set again"));
    model[i].second = "set again";
  }
  for (int i = 0; i < 20; ++i) {
    std::snprintf(name, sizeof name, "Extra%d", i);
    ASSERT_EQ(ERROR_SUCCESS, SetText(key, name, "new"));
    model.emplace_back(name, "new");
  }
  // A deleted name set again goes to the end.
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "VALUE00000", "back"));
  model.emplace_back("VALUE00000", "back");
  model.erase(std::remove_if(model.begin(), model.end(), [](const auto& v) { return v.first.empty(); }), model.end());

  auto expectModel = [&](const char* when) {
    SCOPED_TRACE(when);
    for (std::size_t i = 0; i <= model.size(); ++i) {
      char stored[32] = {};
      DWORD length = sizeof stored;
      char data[32] = {};
      DWORD size = sizeof data;
      LONG rc = RegEnumValueA(key, static_cast<DWORD>(i), stored, &length, nullptr, nullptr,
                              reinterpret_cast<BYTE*>(data), &size);
      if (i == model.size()) {
        EXPECT_EQ(ERROR_NO_MORE_ITEMS, rc);
        break;
      }
      ASSERT_EQ(ERROR_SUCCESS, rc) << i;
      ASSERT_EQ(model[i].first, stored) << i;
      ASSERT_EQ(model[i].second, data) << i;
      ASSERT_EQ(model[i].second, Query(HKEY_LOCAL_MACHINE, "Big", lower(model[i].first).c_str())) << i;
    }
    EXPECT_EQ("error 2", Query(HKEY_LOCAL_MACHINE, "Big", "value00050"));
  };
  expectModel("as changed");
  ReplaceFile(hive, ReadFile(hive));
  expectModel("read again from the file");
  RegCloseKey(key);
}

struct MalformedCase {
  const char* name;
  std::string text;
  int line;
  const char* what;
};

TEST(RegistryHive, MalformedFileFailsEveryCallAndIsKept) {
  const MalformedCase cases[] = {
      {"not a registry text", "hello\r\n", 1, "expected REGEDIT4"},
      {"a bad dword", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\"x\"=dword:zz\r\n", 4, "hex digits"},
      {"a key of the other root",
       "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n", 5,
       "holds only HKEY_LOCAL_MACHINE keys"},
      {"a deletion", "REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\Software]\r\n", 2, "no deletions"},
      {"a key name of 256 characters", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\" + std::string(256, 'k') + "]\r\n", 2,
       "bad key name"},
      {"a key path with a leading backslash", "REGEDIT4\r\n\r\n\r\n[HKEY_LOCAL_MACHINE\\\\a]\r\n", 4,
       "bad key name"},
      {"key names in a code page it cannot read",
       "REGEDIT4\r\n; ANSI code page 1251\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n", 2, "code page"},
  };
  for (const MalformedCase& c : cases) {
    SCOPED_TRACE(c.name);
    zrtest::RegistrySandbox sandbox;
    const std::string hive = sandbox.HiveFolder() + "/HKLM.reg";
    std::ofstream(hive, std::ios::binary) << c.text;
    const std::string prefix = hive + ":" + std::to_string(c.line) + ": ";

    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_REGISTRY_CORRUPT, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key));
    const std::string error = zrplatform::RegistryErrorText();
    EXPECT_EQ(prefix, error.substr(0, prefix.size()));
    EXPECT_NE(std::string::npos, error.find(c.what)) << error;
    DWORD size = 0;
    EXPECT_EQ(ERROR_REGISTRY_CORRUPT, RegQueryValueExA(HKEY_LOCAL_MACHINE, "x", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_REGISTRY_CORRUPT, RegSetValueExA(HKEY_LOCAL_MACHINE, "x", 0, REG_BINARY, nullptr, 0));
    EXPECT_EQ(ERROR_REGISTRY_CORRUPT,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, "New", 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_REGISTRY_CORRUPT, RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software"));
    EXPECT_EQ(error, zrplatform::RegistryErrorText());
    EXPECT_EQ(error + "\n", testing::internal::GetCapturedStderr()) << "said once";

    EXPECT_EQ(c.text, ReadFile(hive));
    EXPECT_FALSE(Exists(hive + ".tmp"));

    // The other hive is untouched by it, and a call that succeeds has no error text.
    HKEY user = Create(HKEY_CURRENT_USER, "Fine");
    EXPECT_EQ(ERROR_SUCCESS, SetText(user, "v", "ok"));
    EXPECT_STREQ("", zrplatform::RegistryErrorText());
    RegCloseKey(user);

    // Mended, it serves again.
    ReplaceFile(hive, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n");
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key));
    RegCloseKey(key);
  }
}

// A seam to fail one file call of the write path, as a full disk would.
int g_failErrno = 0;
int g_shortWrites = 0;
int FailingOpen(const char*, int, mode_t) {
  errno = g_failErrno;
  return -1;
}
ssize_t FailingWrite(int, const void*, std::size_t) {
  errno = g_failErrno;
  return -1;
}
ssize_t OneByteWrite(int fd, const void* data, std::size_t size) {
  ++g_shortWrites;
  if (g_shortWrites % 3 == 0) {
    errno = EINTR;
    return -1;
  }
  return write(fd, data, size > 0 ? 1 : 0);
}
int FailingSync(int) {
  errno = g_failErrno;
  return -1;
}
int FailingRename(const char*, const char*) {
  errno = g_failErrno;
  return -1;
}

class SwappedFileCalls {
 public:
  SwappedFileCalls() : saved_(zrplatform::RegistryFileCallsForTesting()) {}
  ~SwappedFileCalls() { zrplatform::RegistryFileCallsForTesting() = saved_; }

 private:
  zrplatform::RegistryFileCalls saved_;
};

TEST(RegistryHive, FailedWriteLeavesTheHiveAsItWas) {
  struct Case {
    const char* name;
    void (*swap)(zrplatform::RegistryFileCalls&);
    int error;
    LONG expected;
  };
  const Case cases[] = {
      {"temporary file refused", [](zrplatform::RegistryFileCalls& c) { c.openFile = FailingOpen; }, EACCES,
       ERROR_ACCESS_DENIED},
      {"disk full", [](zrplatform::RegistryFileCalls& c) { c.writeFile = FailingWrite; }, ENOSPC,
       ERROR_REGISTRY_IO_FAILED},
      {"sync failed", [](zrplatform::RegistryFileCalls& c) { c.syncFile = FailingSync; }, EIO,
       ERROR_REGISTRY_IO_FAILED},
      {"rename failed", [](zrplatform::RegistryFileCalls& c) { c.renameFile = FailingRename; }, EXDEV,
       ERROR_REGISTRY_IO_FAILED},
      {"short and interrupted writes", [](zrplatform::RegistryFileCalls& c) { c.writeFile = OneByteWrite; }, 0,
       ERROR_SUCCESS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    zrtest::RegistrySandbox sandbox;
    const std::string hive = sandbox.HiveFolder() + "/HKLM.reg";
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Config");
    ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", "old"));
    const std::string before = ReadFile(hive);
    {
      SwappedFileCalls swapped;
      c.swap(zrplatform::RegistryFileCallsForTesting());
      g_failErrno = c.error;
      EXPECT_EQ(c.expected, SetText(key, "v", "new"));
    }
    EXPECT_FALSE(Exists(hive + ".tmp"));
    if (c.expected == ERROR_SUCCESS) {
      EXPECT_EQ("new", Query(HKEY_LOCAL_MACHINE, "Config", "v"));
      EXPECT_NE(before, ReadFile(hive));
    } else {
      EXPECT_EQ(before, ReadFile(hive));
      EXPECT_EQ("old", Query(HKEY_LOCAL_MACHINE, "Config", "v"));
      EXPECT_EQ(ERROR_SUCCESS, SetText(key, "v", "new"));
      EXPECT_EQ("new", Query(HKEY_LOCAL_MACHINE, "Config", "v"));
    }
    RegCloseKey(key);
  }
}

TEST(RegistryHive, NamesAHiveFileCannotHoldAreRefused) {
  zrtest::RegistrySandbox sandbox;
  HKEY key = Create(HKEY_CURRENT_USER, "Names");
  struct Case {
    const char* name;
    const char* subkey;
    const char* value;
  };
  const Case cases[] = {
      {"line feed in a key name", "a\nb", nullptr},
      {"carriage return in a key name", "a\rb", nullptr},
      {"line feed in a value name", nullptr, "a\nb"},
      {"carriage return in a value name", nullptr, "a\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.subkey) {
      HKEY sub = nullptr;
      EXPECT_EQ(ERROR_INVALID_PARAMETER,
                RegCreateKeyExA(key, c.subkey, 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr));
    } else {
      EXPECT_EQ(ERROR_INVALID_PARAMETER, SetText(key, c.value, "x"));
    }
  }
  // A key name of the registry's longest length is fine, one more is not
  // (Wine takes one more still).
  HKEY sub = nullptr;
  EXPECT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(key, std::string(255, 'k').c_str(), 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr));
  RegCloseKey(sub);
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegCreateKeyExA(key, std::string(256, 'k').c_str(), 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr));
  // A value name of the registry's longest length is fine, one more is not.
  EXPECT_EQ(ERROR_SUCCESS, SetText(key, std::string(16383, 'v').c_str(), "x"));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, SetText(key, std::string(16384, 'v').c_str(), "x"));
  // The tree is at most 512 levels deep.
  std::string path = "d";
  for (int i = 1; i < 511; ++i) path += "\\d";  // 511 levels below Names
  HKEY deep = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(key, path.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &deep, nullptr));
  RegCloseKey(deep);
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegCreateKeyExA(key, (path + "\\d").c_str(), 0, nullptr, 0, KEY_READ, nullptr, &deep, nullptr));
  RegCloseKey(key);
}

// Checks Wine does not make (it crashes on a null result pointer), so only
// the native registry is held to them here.
TEST(RegistryHive, BadParametersAndHandles) {
  zrtest::RegistrySandbox sandbox;
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, nullptr));
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, nullptr, 0, KEY_READ, nullptr, nullptr, nullptr));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(HKEY_CURRENT_USER, "v", 0, REG_BINARY, nullptr, 4));
  DWORD reserved = 0;
  DWORD size = 0;
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(HKEY_CURRENT_USER, "v", &reserved, nullptr, nullptr, &size));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegDeleteKeyA(HKEY_CURRENT_USER, nullptr));
  DWORD length = 0;
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegEnumKeyExA(HKEY_CURRENT_USER, 0, nullptr, &length, nullptr, nullptr, nullptr, nullptr));
  // A root key cannot be deleted; only these two roots exist here.
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, ""));
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_USERS, static_cast<HKEY>(nullptr)}) {
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(root, "Software", 0, KEY_READ, &key));
  }
}

// A seam that fails the file calls of one hive's write only.
std::string g_failPath;  // the file whose open, write or rename fails
int g_failFd = -1;
int OpenFailingFor(const char* path, int flags, mode_t mode) {
  if (std::string(path).find(g_failPath) != std::string::npos && g_failErrno == EACCES) {
    errno = EACCES;
    return -1;
  }
  int fd = open(path, flags, mode);
  if (std::string(path).find(g_failPath) != std::string::npos) g_failFd = fd;
  return fd;
}
ssize_t WriteFailingFor(int fd, const void* data, std::size_t size) {
  if (fd == g_failFd) {
    errno = ENOSPC;
    return -1;
  }
  return write(fd, data, size);
}
int RenameFailingFor(const char* from, const char* to) {
  if (std::string(to).find(g_failPath) != std::string::npos) {
    errno = EIO;
    return -1;
  }
  return rename(from, to);
}

TEST(RegistryHive, AFailedImportLeavesBothHivesAsTheyWere) {
  struct Case {
    const char* name;
    const char* file;  // the file whose call fails
    int error;
    LONG expected;
  };
  const Case cases[] = {
      {"the user hive's temporary file refused", "HKCU.reg.tmp", EACCES, ERROR_ACCESS_DENIED},
      {"the disk full while the user hive is written", "HKCU.reg.tmp", ENOSPC, ERROR_REGISTRY_IO_FAILED},
      {"the machine hive not put in place", "HKLM.reg", EIO, ERROR_REGISTRY_IO_FAILED},
  };
  std::string import = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Config]\r\n\"v\"=\"new\"\r\n";
  for (int i = 0; i < 500; ++i) import += "\"n" + std::to_string(i) + "\"=dword:00000001\r\n";
  import += "\r\n[-HKEY_LOCAL_MACHINE\\Gone]\r\n\r\n[HKEY_CURRENT_USER\\Config]\r\n\"v\"=\"new\"\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    zrtest::RegistrySandbox sandbox;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      HKEY key = Create(root, "Config");
      ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", "old"));
      RegCloseKey(key);
    }
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, "Gone"));
    const std::string machine = ReadFile(sandbox.HiveFolder() + "/HKLM.reg");
    const std::string user = ReadFile(sandbox.HiveFolder() + "/HKCU.reg");
    {
      SwappedFileCalls swapped;
      zrplatform::RegistryFileCalls& calls = zrplatform::RegistryFileCallsForTesting();
      g_failPath = c.file;
      g_failErrno = c.error;
      g_failFd = -1;
      calls.openFile = OpenFailingFor;
      if (c.error == ENOSPC) calls.writeFile = WriteFailingFor;
      if (c.error == EIO) calls.renameFile = RenameFailingFor;
      std::string error;
      EXPECT_EQ(c.expected, zrplatform::ImportRegText(import.data(), import.size(), &error));
    }
    EXPECT_EQ(machine, ReadFile(sandbox.HiveFolder() + "/HKLM.reg"));
    EXPECT_EQ(user, ReadFile(sandbox.HiveFolder() + "/HKCU.reg"));
    EXPECT_FALSE(Exists(sandbox.HiveFolder() + "/HKLM.reg.tmp"));
    EXPECT_FALSE(Exists(sandbox.HiveFolder() + "/HKCU.reg.tmp"));
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) EXPECT_EQ("old", Query(root, "Config", "v"));
    EXPECT_EQ("error 2", Query(HKEY_LOCAL_MACHINE, "Config", "n0"));
    HKEY gone = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Gone", 0, KEY_READ, &gone));
    RegCloseKey(gone);

    // Without the fault the same import goes in whole.
    EXPECT_EQ(ERROR_SUCCESS, zrplatform::ImportRegText(import.data(), import.size(), nullptr));
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) EXPECT_EQ("new", Query(root, "Config", "v"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Gone", 0, KEY_READ, &gone));
  }
}

}  // namespace
