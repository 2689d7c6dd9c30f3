// The per-user files (the registry hives and the log) where another local
// user could plant or redirect them: a missing HOME, a symbolic link in a
// file's place, a folder others may change, a folder or file of another user.
// Each test makes the hostile situation itself.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/posix/UserFolders.h"
#include "tests/platform/RegistryCalls.h"
#include "tests/platform/posix/FileCalls.h"
#include "tests/support/Env.h"
#include "tests/support/RegistryFixture.h"
#include "zrlogging/ZrLogging.h"

namespace {

using zrtest::Create;
using zrtest::Exists;
using zrtest::Query;
using zrtest::ReadFile;
using zrtest::SetText;

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

LONG CreateOnly(HKEY root, const char* path) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (key) RegCloseKey(key);
  return rc;
}

bool ErrorTextHas(const char* needle) { return std::strstr(zrplatform::RegistryErrorText(), needle) != nullptr; }

// Writes one error line through a log session named `name` into `folder`.
void LogOneLine(const std::string& folder, const char* name) {
  zrtest::ScopedEnv dir("ZRLOGGING_DIR", folder.c_str());
  zrtest::ScopedEnv level("ZRLOGGING_LEVEL", "1");
  ZrLoggingReloadSettings();
  {
    ZrLogging log;
    log.LogStart(name);
    log.LogWrite(1, "a line for %s", name);
  }
  ZrLoggingReloadSettings();
}

// The password database as a test describes it: the effective user's entry
// with `g_home` as its home, or no entry when it is empty.
std::string g_home;
int StandInLookup(uid_t uid, struct passwd* entry, char* buffer, std::size_t size, struct passwd** result) {
  *result = nullptr;
  if (g_home.empty()) return 0;
  if (g_home.size() + 1 > size) return ERANGE;
  std::memcpy(buffer, g_home.c_str(), g_home.size() + 1);
  *entry = {};
  entry->pw_uid = uid;
  entry->pw_dir = buffer;
  *result = entry;
  return 0;
}

class StandInPasswordDatabase {
 public:
  StandInPasswordDatabase() : saved_(zrplatform::PasswordLookupForTesting()) {
    zrplatform::PasswordLookupForTesting() = StandInLookup;
  }
  ~StandInPasswordDatabase() { zrplatform::PasswordLookupForTesting() = saved_; }

 private:
  zrplatform::PasswordLookup saved_;
};

const char kPlantedHive[] =
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Planted]\r\n\"Address\"=\"10.6.6.6\"\r\n";

TEST(UserFiles, WithoutHomeTheHomeComesFromThePasswordDatabase) {
  zrtest::RegistrySandbox sandbox;
  StandInPasswordDatabase passwords;
  zrtest::ScopedEnv registry("ZRADDRRES_REGISTRY", nullptr);
  zrtest::ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  zrtest::ScopedEnv state("XDG_STATE_HOME", nullptr);
  const std::string home = sandbox.HiveFolder() + "/home-of-record";
  for (const char* homeVariable : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(homeVariable ? "HOME empty" : "HOME unset");
    zrtest::ScopedEnv homeEnv("HOME", homeVariable);
    g_home = home;
    EXPECT_EQ(ERROR_SUCCESS, CreateOnly(HKEY_CURRENT_USER, "Software\\Defaults"));
    EXPECT_TRUE(Exists(home + "/.config/zraddrres/HKCU.reg"));
    EXPECT_EQ(home + "/.local/state/zraddrres", zrplatform::DefaultLogFolder());

    // No entry either: no user hive and no log, rather than a shared folder.
    g_home.clear();
    EXPECT_EQ(ERROR_ACCESS_DENIED, CreateOnly(HKEY_CURRENT_USER, "Software\\Defaults"));
    EXPECT_TRUE(ErrorTextHas("HOME")) << zrplatform::RegistryErrorText();
    EXPECT_EQ("", zrplatform::DefaultLogFolder());
  }
}

TEST(UserFiles, ALinkInPlaceOfAHiveFileIsNeverFollowed) {
  struct Case {
    const char* name;
    const char* file;  // replaced by a link
    bool dangling;     // the link points at nothing yet
    const char* read;  // what a query of Config\v gives then
    LONG write;        // what a write gives then
  };
  const Case cases[] = {
      {"the hive, to another file", "HKCU.reg", false, "error 5", ERROR_ACCESS_DENIED},
      {"the lock, to another file", "HKCU.reg.lock", false, "old", ERROR_ACCESS_DENIED},
      {"the lock, to a file not there yet", "HKCU.reg.lock", true, "old", ERROR_ACCESS_DENIED},
      // The temporary file is always made afresh: a link there is removed.
      {"the temporary file, to another file", "HKCU.reg.tmp", false, "old", ERROR_SUCCESS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    zrtest::RegistrySandbox sandbox;
    HKEY key = Create(HKEY_CURRENT_USER, "Config");
    ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", "old"));
    const std::string elsewhere = sandbox.HiveFolder() + "/elsewhere";
    ASSERT_EQ(0, mkdir(elsewhere.c_str(), 0700));
    const std::string victim = elsewhere + "/someone-elses-file";
    if (!c.dangling) WriteFile(victim, "someone else's\n");
    const std::string link = sandbox.HiveFolder() + "/" + c.file;
    unlink(link.c_str());
    ASSERT_EQ(0, symlink(victim.c_str(), link.c_str()));

    EXPECT_EQ(c.read, Query(HKEY_CURRENT_USER, "Config", "v"));
    EXPECT_EQ(c.write, SetText(key, "v", "new"));
    if (c.write != ERROR_SUCCESS) {
      EXPECT_TRUE(ErrorTextHas("symbolic link")) << zrplatform::RegistryErrorText();
    }
    if (c.dangling) {
      EXPECT_FALSE(Exists(victim));
    } else {
      EXPECT_EQ("someone else's\n", ReadFile(victim));
    }
    if (c.write == ERROR_SUCCESS) {
      EXPECT_EQ("new", Query(HKEY_CURRENT_USER, "Config", "v"));
    }
    RegCloseKey(key);
  }
}

TEST(UserFiles, ALinkInPlaceOfTheLogIsNeverFollowed) {
  zrtest::RegistrySandbox sandbox;  // for its private folder
  const std::string victim = sandbox.HiveFolder() + "/someone-elses-file";
  WriteFile(victim, "someone else's\n");
  ASSERT_EQ(0, symlink(victim.c_str(), (sandbox.HiveFolder() + "/Linked.log").c_str()));
  LogOneLine(sandbox.HiveFolder(), "Linked");
  EXPECT_EQ("someone else's\n", ReadFile(victim));
}

TEST(UserFiles, AFolderEveryoneMayChangeIsRefused) {
  struct Case {
    const char* name;
    mode_t mode;
    bool refused;
  };
  const Case cases[] = {
      {"writable by everyone", 0777, true},
      {"writable by everyone, sticky", 01777, false},
      {"writable by its group", 0770, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    zrtest::RegistrySandbox sandbox;
    const std::string folder = sandbox.HiveFolder();
    ASSERT_EQ(0, chmod(folder.c_str(), c.mode));
    WriteFile(folder + "/HKLM.reg", kPlantedHive);
    EXPECT_EQ(c.refused ? "error 5" : "10.6.6.6", Query(HKEY_LOCAL_MACHINE, "Planted", "Address"));
    EXPECT_EQ(c.refused ? ERROR_ACCESS_DENIED : ERROR_SUCCESS, CreateOnly(HKEY_CURRENT_USER, "Mine"));
    LogOneLine(folder, "Shared");
    EXPECT_EQ(!c.refused, Exists(folder + "/Shared.log"));
    chmod(folder.c_str(), 0700);
  }
}

TEST(UserFiles, AFolderOrFileOfAnotherUserIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
  constexpr uid_t kOther = 12345;
  struct Case {
    const char* name;
    const char* given;  // below the folder, or "" for the folder itself
  };
  const Case cases[] = {
      {"the folder", ""},
      {"the hive file", "/HKLM.reg"},
      {"the log file", "/Given.log"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    zrtest::RegistrySandbox sandbox;
    const std::string folder = sandbox.HiveFolder();
    WriteFile(folder + "/HKLM.reg", kPlantedHive);
    WriteFile(folder + "/Given.log", "");
    const std::string given = folder + c.given;
    ASSERT_EQ(0, chown(given.c_str(), kOther, kOther));
    const bool folderGiven = *c.given == '\0';
    const bool hiveGiven = folderGiven || std::strcmp(c.given, "/HKLM.reg") == 0;
    EXPECT_EQ(hiveGiven ? "error 5" : "10.6.6.6", Query(HKEY_LOCAL_MACHINE, "Planted", "Address"));
    if (hiveGiven) {
      EXPECT_TRUE(ErrorTextHas("owned by uid 12345")) << zrplatform::RegistryErrorText();
    }
    EXPECT_EQ(folderGiven ? ERROR_ACCESS_DENIED : ERROR_SUCCESS, CreateOnly(HKEY_CURRENT_USER, "Mine"));
    LogOneLine(folder, "Given");
    const bool logGiven = folderGiven || std::strcmp(c.given, "/Given.log") == 0;
    EXPECT_EQ(logGiven, ReadFile(folder + "/Given.log").empty());
    chown(given.c_str(), 0, 0);
  }
}

}  // namespace
