// The native registry shared between processes: a change made by one is
// seen by the other, two writing at once lose nothing, and a writer killed
// at any moment leaves a whole hive behind.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/RegText.h"
#include "platform/Registry.h"
#include "tests/support/RegistryFixture.h"

extern char** environ;

namespace {

struct Child {
  pid_t pid = -1;
  int out = -1;  // the child's standard output
};

Child Spawn(const std::vector<std::string>& args) {
  std::vector<std::string> all = {ZR_REG_CHILD};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return Child{};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  Child child;
  if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) child.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  child.out = pipeFds[0];
  return child;
}

// One line of the child's output without its end; empty at the end of it.
std::string ReadLine(int fd) {
  std::string line;
  char c;
  while (read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

std::string ReadAll(int fd) {
  std::string all;
  char chunk[4096];
  ssize_t got;
  while ((got = read(fd, chunk, sizeof chunk)) > 0) all.append(chunk, static_cast<std::size_t>(got));
  return all;
}

// The exit status, or 128 + the signal that ended it.
int Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs the child to its end; its output and status.
std::string RunChild(const std::vector<std::string>& args, int* status) {
  Child child = Spawn(args);
  EXPECT_GT(child.pid, 0);
  if (child.pid <= 0) return std::string();
  std::string out = ReadAll(child.out);
  close(child.out);
  *status = Wait(child.pid);
  return out;
}

std::string Query(HKEY key, const char* name) {
  char text[256] = {};
  DWORD size = sizeof text - 1;
  LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
  return rc == ERROR_SUCCESS ? std::string(text) : "error " + std::to_string(rc);
}

LONG SetText(HKEY key, const char* name, const std::string& text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

HKEY Create(HKEY root, const char* path) {
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  return key;
}

TEST(RegistryProcesses, ChangesOfOneProcessReachTheOther) {
  zrtest::RegistrySandbox sandbox;
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Shared");
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", "one"));
  EXPECT_EQ("one", Query(key, "v"));

  int status = -1;
  RunChild({"set", "HKLM", "Shared", "v", "two"}, &status);
  EXPECT_EQ(0, status);
  EXPECT_EQ("two", Query(key, "v")) << "through a handle opened before the change";

  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", "three"));
  EXPECT_EQ("three\n", RunChild({"get", "HKLM", "Shared", "v"}, &status));
  EXPECT_EQ(0, status);

  RunChild({"set", "HKCU", "Made\\By\\Child", "x", "y"}, &status);
  EXPECT_EQ(0, status);
  HKEY made = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, "made\\by\\child", 0, nullptr, 0, KEY_READ, nullptr, &made, &disposition));
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
  EXPECT_EQ("y", Query(made, "x"));
  RegCloseKey(made);
  RegCloseKey(key);
}

TEST(RegistryProcesses, TwoWritersAtOnceLoseNothing) {
  zrtest::RegistrySandbox sandbox;
  constexpr int kValues = 200;
  Child a = Spawn({"fill", "HKLM", "Shared", "a", "0", std::to_string(kValues)});
  Child b = Spawn({"fill", "HKLM", "Shared", "b", "0", std::to_string(kValues)});
  ASSERT_GT(a.pid, 0);
  ASSERT_GT(b.pid, 0);
  ReadAll(a.out);
  ReadAll(b.out);
  close(a.out);
  close(b.out);
  EXPECT_EQ(0, Wait(a.pid));
  EXPECT_EQ(0, Wait(b.pid));

  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Shared", 0, KEY_READ, &key));
  int found = 0;
  for (const char* prefix : {"a", "b"}) {
    for (int i = 0; i < kValues; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "%s%05d", prefix, i);
      DWORD value = 0;
      DWORD size = sizeof value;
      if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
          value == static_cast<DWORD>(i)) {
        ++found;
      } else {
        ADD_FAILURE() << name << " lost";
      }
    }
  }
  EXPECT_EQ(2 * kValues, found);
  RegCloseKey(key);
}

// The values "c00000", "c00001", ... in the order the hive file holds them,
// checked to be that prefix of the sequence; -1 when the file is not whole.
long ValuesInHiveFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return 0;  // not written yet
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  zrplatform::RegParseResult parsed = zrplatform::ParseRegText(bytes);
  if (!parsed.ok()) {
    ADD_FAILURE() << path << ": " << parsed.ErrorText();
    return -1;
  }
  long count = 0;
  for (const zrplatform::RegOperation& op : parsed.operations) {
    if (op.kind != zrplatform::RegOperation::Kind::SetValue) continue;
    char expected[16];
    std::snprintf(expected, sizeof expected, "c%05ld", count);
    const std::vector<BYTE> data = {static_cast<BYTE>(count & 0xFF), static_cast<BYTE>((count >> 8) & 0xFF), 0, 0};
    if (op.keyPath != "Crash" || op.valueName != expected || op.type != REG_DWORD || op.data != data) {
      ADD_FAILURE() << "value " << count << " is " << op.keyPath << "\\" << op.valueName;
      return -1;
    }
    ++count;
  }
  return count;
}

TEST(RegistryProcesses, WriterKilledAtAnyMomentLeavesAWholeHive) {
  zrtest::RegistrySandbox sandbox;
  const std::string hive = sandbox.HiveFolder() + "/HKLM.reg";
  std::mt19937 random(20240611);
  long have = 0;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Child child = Spawn({"fill", "HKLM", "Crash", "c", std::to_string(have), "1000000"});
    ASSERT_GT(child.pid, 0);
    // Let it finish a few writes, then kill it somewhere in a later one.
    const int writes = static_cast<int>(random() % 4);
    for (int i = 0; i < writes; ++i) {
      std::string line = ReadLine(child.out);
      ASSERT_EQ("done " + std::to_string(have + i), line);
    }
    usleep(static_cast<useconds_t>(random() % 3000));
    kill(child.pid, SIGKILL);
    EXPECT_EQ(128 + SIGKILL, Wait(child.pid));
    close(child.out);

    long now = ValuesInHiveFile(hive);
    ASSERT_GE(now, have + writes);
    have = now;
    // The registry itself reads the same state.
    HKEY key = nullptr;
    if (have > 0) {
      ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Crash", 0, KEY_READ, &key));
      char name[16];
      DWORD length = sizeof name;
      EXPECT_EQ(ERROR_SUCCESS, RegEnumValueA(key, static_cast<DWORD>(have - 1), name, &length, nullptr, nullptr,
                                             nullptr, nullptr));
      EXPECT_EQ(ERROR_NO_MORE_ITEMS,
                RegEnumValueA(key, static_cast<DWORD>(have), name, &length, nullptr, nullptr, nullptr, nullptr));
      RegCloseKey(key);
    }
  }
}

}  // namespace
