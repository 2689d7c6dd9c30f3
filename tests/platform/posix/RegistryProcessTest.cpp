// The native registry shared between processes: a change made by one is
// seen by the other, two writing at once lose nothing, a writer or an import
// killed at any moment leaves a whole hive behind, processes of different
// code pages read one hive alike, and a writer stopped under the lock holds
// the others up only for a while.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/RegImport.h"
#include "platform/RegText.h"
#include "platform/Registry.h"
#include "platform/posix/RegistryTesting.h"
#include "tests/platform/RegistryCalls.h"
#include "tests/platform/posix/FileCalls.h"
#include "tests/platform/posix/RegChild.h"
#include "tests/support/Env.h"
#include "tests/support/RegistryFixture.h"

namespace {

using zrtest::Child;
using zrtest::Create;
using zrtest::Query;
using zrtest::ReadAll;
using zrtest::ReadFile;
using zrtest::ReadLine;
using zrtest::RunChild;
using zrtest::SetText;
using zrtest::Spawn;
using zrtest::Wait;

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
    if (op.keyPath.str() != "Crash" || op.valueName != expected || op.type != REG_DWORD || op.data != data) {
      ADD_FAILURE() << "value " << count << " is " << op.keyPath.str() << "\\" << op.valueName;
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

// The [section] lines of a hive file, in order.
std::vector<std::string> KeyLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (text.compare(start, 1, "[") == 0) lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char digits[3];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", c);
    out += digits;
  }
  return out;
}

// Runs reg_child in the given ANSI code page.
std::string RunChildIn(const char* codePage, const std::vector<std::string>& args, int* status) {
  zrtest::ScopedEnv acp("ZRADDRRES_ACP", codePage);
  return RunChild(args, status);
}

// 表P is 95 5C 50 in code page 932, whose 5C is a trail byte but a backslash
// to code page 1252. "Caf\xE9" ends in a letter of 1252 that is a lead byte
// to 932, which would take the backslash after it as its trail.
const char kTrailBackslash[] = "\x95\x5C" "P";
const char kEndsInLeadByte[] = "Caf\xE9";

TEST(RegistryProcesses, KeyPathsAreSplitInTheCodePageTheHiveWasWrittenIn) {
  struct Case {
    const char* name;
    const char* writer;    // code page of the process that made the key
    std::string key;       // below Ports
    std::string subkey;    // below that, or empty
    const char* rewriter;  // code page of the process that writes the hive next
  };
  const Case cases[] = {
      {"a 932 name with a trail byte 5C, rewritten under 1252", "932", kTrailBackslash, "", "1252"},
      {"a 1252 name ending in a 932 lead byte, rewritten under 932", "1252", kEndsInLeadByte, "Sub", "932"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    zrtest::RegistrySandbox sandbox;
    const std::string hive = sandbox.HiveFolder() + "/HKLM.reg";
    const std::string path = "Ports\\" + c.key + (c.subkey.empty() ? "" : "\\" + c.subkey);
    int status = -1;
    RunChildIn(c.writer, {"set", "HKLM", path, "Address", "10.0.0.1"}, &status);
    ASSERT_EQ(0, status);
    const std::vector<std::string> before = KeyLines(ReadFile(hive));

    RunChildIn(c.rewriter, {"set", "HKLM", "Other", "v", "x"}, &status);
    ASSERT_EQ(0, status);
    std::vector<std::string> after = KeyLines(ReadFile(hive));
    after.erase(std::remove(after.begin(), after.end(), "[HKEY_LOCAL_MACHINE\\Other]"), after.end());
    EXPECT_EQ(before, after);

    // One key, named as written, for a process of either code page.
    for (const char* codePage : {c.writer, c.rewriter}) {
      SCOPED_TRACE(std::string("listed under ") + codePage);
      EXPECT_EQ(Hex(c.key) + "\n", RunChildIn(codePage, {"keys", "HKLM", "Ports"}, &status));
      EXPECT_EQ(0, status);
    }
    if (!c.subkey.empty()) {
      EXPECT_EQ(Hex(c.subkey) + "\n", RunChildIn(c.writer, {"keys", "HKLM", "Ports\\" + c.key}, &status));
    }
  }
}

TEST(RegistryProcesses, ANameTheHiveCannotHoldInItsCodePageIsRefused) {
  struct Case {
    const char* name;
    const char* hive;    // code page the hive is written in
    const char* writer;  // code page of the process making the key
    std::string key;
    std::string value;
  };
  const Case cases[] = {
      {"a 1252 name ending in a 932 lead byte, in a 932 hive", "932", "1252", kEndsInLeadByte, "v"},
      {"a 932 name with a trail byte 5C, in a 1252 hive", "1252", "932", kTrailBackslash, "v"},
      // Quoted, its lead byte would take the closing quote as its trail.
      {"a 1252 value name ending in a 932 lead byte, in a 932 hive", "932", "1252", "First", kEndsInLeadByte},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    zrtest::RegistrySandbox sandbox;
    const std::string hive = sandbox.HiveFolder() + "/HKLM.reg";
    int status = -1;
    RunChildIn(c.hive, {"set", "HKLM", "Ports\\First", "v", "x"}, &status);
    ASSERT_EQ(0, status);
    const std::string before = ReadFile(hive);
    EXPECT_EQ("error 87\n", RunChildIn(c.writer, {"set", "HKLM", "Ports\\" + c.key, c.value, "x"}, &status));
    EXPECT_EQ(1, status);
    EXPECT_EQ(before, ReadFile(hive));
  }
}

// 表, ソ and 能 in code page 932: each a double-byte character whose trail
// byte is 5C, a backslash.
const std::string kThree = "\x95\x5C\x83\x5C\x94\x5C";

// A value named with them and holding them goes into the hive file as the
// characters themselves, as in its key lines, and reads back the same in
// processes of either code page; a hive file an earlier version wrote, with
// a backslash escaped after each of them, reads back as the same text, and
// is written in the new form at its next change.
TEST(RegistryProcesses, QuotedTextKeepsDoubleByteCharactersWhole) {
  zrtest::RegistrySandbox sandbox;
  const std::string hive = sandbox.HiveFolder() + "/HKLM.reg";
  const std::string key = "Ports\\Sub";  // a key path splits as 1252 reads it
  int status = -1;
  RunChildIn("932", {"set", "HKLM", key, kThree, kThree + "\\" + kThree}, &status);
  ASSERT_EQ(0, status);
  const std::string line = "\"" + kThree + "\"=\"" + kThree + "\\\\" + kThree + "\"\r\n";
  EXPECT_NE(std::string::npos, ReadFile(hive).find(line)) << ReadFile(hive);
  for (const char* codePage : {"932", "1252"}) {
    SCOPED_TRACE(std::string("read under ") + codePage);
    EXPECT_EQ(kThree + "\\" + kThree + "\n", RunChildIn(codePage, {"get", "HKLM", key, kThree}, &status));
    EXPECT_EQ(0, status);
  }

  const std::string earlier = "REGEDIT4\r\n; ANSI code page 932\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\r\n"
                              "[HKEY_LOCAL_MACHINE\\Ports]\r\n\"\x95\x5C\x5C\"=\"\x83\x5C\x5C\x94\x5C\x5C\\\\\"\r\n";
  std::ofstream(hive, std::ios::binary | std::ios::trunc) << earlier;
  for (const char* writer : {"", "932", "1252"}) {
    SCOPED_TRACE(*writer ? std::string("after a change under ") + writer : std::string("as written earlier"));
    if (*writer) {
      RunChildIn(writer, {"set", "HKLM", std::string("Other") + writer, "v", "x"}, &status);
      ASSERT_EQ(0, status);
      EXPECT_NE(std::string::npos, ReadFile(hive).find("\"\x95\x5C\"=\"\x83\x5C\x94\x5C\\\\\"\r\n"))
          << ReadFile(hive);
    }
    for (const char* codePage : {"932", "1252"}) {
      SCOPED_TRACE(std::string("read under ") + codePage);
      EXPECT_EQ("\x83\x5C\x94\x5C\\\n", RunChildIn(codePage, {"get", "HKLM", "Ports", "\x95\x5C"}, &status));
      EXPECT_EQ(0, status);
    }
  }
}

// An import of `count` values into HKLM\Import, each with data `round`, and
// a key HKLM\Round<round> of its own.
std::string ImportText(int round, int count) {
  std::string text = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Round" + std::to_string(round) +
                     "]\r\n\r\n[HKEY_LOCAL_MACHINE\\Import]\r\n";
  char line[64];
  for (int i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "\"v%05d\"=dword:%08x\r\n", i, round);
    text += line;
  }
  return text;
}

// The data of every value under Import in the hive file: -1 when there is
// no such value, -2 when the values do not all hold the same round or not
// all `count` are there.
int ImportedRound(const std::string& path, int count) {
  zrplatform::RegParseResult parsed = zrplatform::ParseRegText(ReadFile(path));
  if (!parsed.ok()) {
    ADD_FAILURE() << path << ": " << parsed.ErrorText();
    return -2;
  }
  int round = -1;
  int values = 0;
  for (const zrplatform::RegOperation& op : parsed.operations) {
    if (op.kind != zrplatform::RegOperation::Kind::SetValue || op.keyPath.str() != "Import") continue;
    const int data = op.data.size() == 4 ? op.data[0] | (op.data[1] << 8) : -2;
    if (values > 0 && data != round) return -2;
    round = data;
    ++values;
  }
  return values == 0 || values == count ? round : -2;
}

// The rounds whose Round<N> key the hive file holds.
std::vector<int> RoundKeys(const std::string& path) {
  std::vector<int> rounds;
  for (const zrplatform::RegOperation& op : zrplatform::ParseRegText(ReadFile(path)).operations) {
    if (op.kind == zrplatform::RegOperation::Kind::CreateKey && op.keyPath.str().rfind("Round", 0) == 0) {
      rounds.push_back(std::stoi(op.keyPath.str().substr(5)));
    }
  }
  return rounds;
}

TEST(RegistryProcesses, ImportKilledAtAnyMomentLeavesTheOldOrTheNewHive) {
  // Merged, each round's values take the place of the last round's; with
  // replace, the whole hive does, the last round's Round<N> key included.
  for (bool replace : {false, true}) {
    SCOPED_TRACE(replace ? "replace" : "merge");
    zrtest::RegistrySandbox sandbox;
    const std::string hive = sandbox.HiveFolder() + "/HKLM.reg";
    constexpr int kValues = 10000;
    std::mt19937 random(20240612);
    auto import = [&](const std::string& file) {
      return replace ? std::vector<std::string>{"import", file, "replace"} : std::vector<std::string>{"import", file};
    };
    // The first import runs to its end, and shows how long one takes here.
    int status = -1;
    const std::string first = sandbox.HiveFolder() + "/import-0.reg";
    std::ofstream(first, std::ios::binary) << ImportText(0, kValues);
    auto start = std::chrono::steady_clock::now();
    RunChild(import(first), &status);
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    ASSERT_EQ(0, status);
    ASSERT_EQ(0, ImportedRound(hive, kValues));

    int have = 0;
    for (int round = 1; round <= 12; ++round) {
      SCOPED_TRACE("round " + std::to_string(round));
      const std::string file = sandbox.HiveFolder() + "/import-" + std::to_string(round) + ".reg";
      std::ofstream(file, std::ios::binary) << ImportText(round, kValues);
      Child child = Spawn(import(file));
      ASSERT_GT(child.pid, 0);
      usleep(static_cast<useconds_t>(random() % (whole.count() + 1)));
      kill(child.pid, SIGKILL);
      Wait(child.pid);
      close(child.out);
      const int now = ImportedRound(hive, kValues);
      EXPECT_TRUE(now == have || now == round) << "the hive holds round " << now << " after " << have;
      if (now == round) have = round;
      if (replace) {
        EXPECT_EQ(std::vector<int>{have}, RoundKeys(hive));
      }
    }
  }
}

// An import reads its text again where it applies it instead of keeping a
// list of its operations, which would take some hundred bytes a line however
// short the line. The child's peak memory over that of a one-line import
// stays within a few times the text's size: a list of these lines would add
// some 50 MB. Sanitizers keep freed memory and shadow it, so they are left out.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZR_PEAK_MEMORY_UNMEASURED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ZR_PEAK_MEMORY_UNMEASURED 1
#endif
#endif
TEST(RegistryProcesses, AnImportTakesAboutItsTextsSizeInMemory) {
#ifdef ZR_PEAK_MEMORY_UNMEASURED
  GTEST_SKIP() << "peak memory is not the program's own under a sanitizer";
#endif
  zrtest::RegistrySandbox sandbox;
  std::string key = "[HKEY_CURRENT_USER";
  for (int i = 0; key.size() < 2000; ++i) key += "\\" + std::to_string(1000 + i) + std::string(95, 'k');
  key += "]\n";
  const std::size_t kLines = 512 * 1024;  // 2 MiB of "@=-" lines
  std::string text = "REGEDIT4\n\n" + key;
  text.reserve(text.size() + 4 * kLines);
  for (std::size_t i = 0; i < kLines; ++i) text += "@=-\n";

  // The child's peak resident size in KiB, after importing `body`.
  auto peak = [&](const std::string& name, const std::string& body) -> long {
    const std::string file = sandbox.HiveFolder() + "/" + name;
    std::ofstream(file, std::ios::binary) << body;
    Child child = Spawn({"import", file});
    EXPECT_GT(child.pid, 0);
    if (child.pid <= 0) return -1;
    EXPECT_EQ("", ReadAll(child.out));
    close(child.out);
    int status = 0;
    struct rusage usage = {};
    while (wait4(child.pid, &status, 0, &usage) < 0) {
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name;
    return usage.ru_maxrss;
  };
  const long oneLine = peak("one-line.reg", "REGEDIT4\n\n" + key + "@=-\n");
  const long many = peak("many-lines.reg", text);
  ASSERT_GT(oneLine, 0);
  EXPECT_LT((many - oneLine) * 1024, static_cast<long>(6 * text.size()))
      << "peak " << many << " KiB against " << oneLine << " KiB for one line, for a text of " << text.size()
      << " bytes";
}

TEST(RegistryProcesses, AWriterGivesUpOnALockHeldTooLong) {
  zrtest::RegistrySandbox sandbox;
  const std::string lock = sandbox.HiveFolder() + "/HKLM.reg.lock";
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Locked");
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", "before"));
  const std::chrono::milliseconds wait(1000);
  const auto saved = zrplatform::RegistryLockWaitForTesting();
  zrplatform::RegistryLockWaitForTesting() = wait;

  Child holder = Spawn({"hold", lock});
  ASSERT_GT(holder.pid, 0);
  ASSERT_EQ("held", ReadLine(holder.out));
  // Should the wait not be bounded, the holder goes after a while and the
  // write then succeeds, which the test reports.
  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 200 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(holder.pid, SIGKILL);
  });

  struct Case {
    const char* name;
    std::function<LONG()> write;
  };
  const std::string import = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Locked]\r\n\"v\"=\"imported\"\r\n";
  const Case cases[] = {
      {"a value set", [&] { return SetText(key, "v", "after"); }},
      {"an import", [&] { return zrplatform::ImportRegText(import.data(), import.size(), nullptr); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ERROR_LOCK_VIOLATION, c.write());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, wait);
    EXPECT_LT(took, wait + std::chrono::seconds(15));
    EXPECT_NE(std::string::npos, std::string(zrplatform::RegistryErrorText()).find(lock))
        << zrplatform::RegistryErrorText();
    EXPECT_EQ("before", Query(key, "v")) << "reads go on";
  }
  done = true;
  watchdog.join();
  Wait(holder.pid);
  close(holder.out);
  zrplatform::RegistryLockWaitForTesting() = saved;
  EXPECT_EQ(ERROR_SUCCESS, SetText(key, "v", "after")) << "the lock free again";
  RegCloseKey(key);
}

// Entries of a /proc/self folder: this process's threads or descriptors.
int CountEntries(const char* folder) {
  int count = 0;
  if (DIR* dir = opendir(folder)) {
    while (const struct dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
  }
  return count - (std::string(folder) == "/proc/self/fd" ? 1 : 0);  // the one reading it
}

// While another process holds a hive's lock, writes that give up on it
// leave at most one thread and one descriptor waiting for it, however many
// there were; and a read on another thread is answered while a write waits.
TEST(RegistryProcesses, BlockedWritesLeaveOneWaiterAndReadsGoOn) {
  zrtest::RegistrySandbox sandbox;
  const std::string lock = sandbox.HiveFolder() + "/HKLM.reg.lock";
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Locked");
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, "v", "before"));
  const auto saved = zrplatform::RegistryLockWaitForTesting();
  zrplatform::RegistryLockWaitForTesting() = std::chrono::milliseconds(50);
  Child holder = Spawn({"hold", lock});
  ASSERT_GT(holder.pid, 0);
  ASSERT_EQ("held", ReadLine(holder.out));

  const int threads = CountEntries("/proc/self/task");
  const int fds = CountEntries("/proc/self/fd");
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ERROR_LOCK_VIOLATION, SetText(key, "v", "w" + std::to_string(t)));
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  EXPECT_LE(CountEntries("/proc/self/task"), threads + 1) << "20 writes given up";
  EXPECT_LE(CountEntries("/proc/self/fd"), fds + 1) << "20 writes given up";

  // A write waiting its whole 1.5 seconds, and a read meanwhile.
  zrplatform::RegistryLockWaitForTesting() = std::chrono::milliseconds(1500);
  std::atomic<bool> writing{true};
  std::thread writer([&] {
    EXPECT_EQ(ERROR_LOCK_VIOLATION, SetText(key, "v", "during"));
    writing = false;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::thread reader([&] {
    EXPECT_EQ("before", Query(HKEY_LOCAL_MACHINE, "Locked", "v"));
    EXPECT_TRUE(writing) << "the read waited for the write";
  });
  reader.join();
  writer.join();

  kill(holder.pid, SIGKILL);
  Wait(holder.pid);
  close(holder.out);
  zrplatform::RegistryLockWaitForTesting() = saved;
  EXPECT_EQ(ERROR_SUCCESS, SetText(key, "v", "after")) << "the lock free again";
  EXPECT_EQ("after", Query(HKEY_LOCAL_MACHINE, "Locked", "v"));
  // The waiter lets the lock go with its thread and descriptor once it has it.
  for (int i = 0; i < 100 && CountEntries("/proc/self/fd") > fds; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_LE(CountEntries("/proc/self/fd"), fds);
  RegCloseKey(key);
}

}  // namespace
