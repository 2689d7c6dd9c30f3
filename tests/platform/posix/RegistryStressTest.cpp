// The hive files under load: eight processes writing at once while others are
// killed in the middle of their writes, and eight processes adding to one
// value under the hive's lock. No write a process was told had succeeded may
// be lost, no hive file may be left torn, and the sum must be exact.
// ZRADDRRES_STRESS_SCALE multiplies the counts (scripts/stress.sh).
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/RegText.h"
#include "platform/Registry.h"
#include "tests/platform/posix/RegChild.h"
#include "tests/support/RegistryFixture.h"

namespace {

using zrtest::Child;
using zrtest::ReadLine;
using zrtest::Spawn;
using zrtest::Wait;

int Scaled(int count) {
  const char* scale = std::getenv("ZRADDRRES_STRESS_SCALE");
  int factor = scale ? std::atoi(scale) : 1;
  return count * (factor > 0 ? factor : 1);
}

// Every value of the hive file's key "Stress", by name; fails the test when
// the file does not parse.
std::map<std::string, DWORD> StressValues(const std::string& hiveFile) {
  std::ifstream file(hiveFile, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  zrplatform::RegParseResult parsed = zrplatform::ParseRegText(bytes);
  EXPECT_TRUE(parsed.ok()) << hiveFile << ": " << parsed.ErrorText();
  std::map<std::string, DWORD> values;
  for (const zrplatform::RegOperation& op : parsed.operations) {
    if (op.kind != zrplatform::RegOperation::Kind::SetValue || op.keyPath.str() != "Stress") continue;
    DWORD value = 0;
    if (op.type == REG_DWORD && op.data.size() == sizeof value) std::memcpy(&value, op.data.data(), sizeof value);
    values[op.valueName] = value;
  }
  return values;
}

std::string ValueName(const std::string& prefix, long i) {
  char name[32];
  std::snprintf(name, sizeof name, "%s%05ld", prefix.c_str(), i);
  return name;
}

// Reads the child's "done N" lines until it ends or is killed; how many it said.
long CountDone(const Child& child) {
  long done = 0;
  for (std::string line = ReadLine(child.out); line.compare(0, 5, "done ") == 0; line = ReadLine(child.out)) ++done;
  return done;
}

TEST(RegistryStress, EightWritersLoseNothingWhileOthersAreKilledMidWrite) {
  zrtest::RegistrySandbox sandbox;
  const std::string hive = sandbox.HiveFolder() + "/HKLM.reg";
  const long perWriter = Scaled(100);
  std::vector<Child> writers;
  for (int w = 0; w < 8; ++w) {
    writers.push_back(Spawn({"fill", "HKLM", "Stress", "w" + std::to_string(w), "0", std::to_string(perWriter)}));
    ASSERT_GT(writers.back().pid, 0);
  }
  // The writers' output is read on threads, so none of them blocks on a full pipe.
  std::vector<long> written(writers.size(), 0);
  std::vector<std::thread> readers;
  for (std::size_t w = 0; w < writers.size(); ++w) {
    readers.emplace_back([&, w] { written[w] = CountDone(writers[w]); });
  }

  // Meanwhile, processes killed at random moments of their writes; what each
  // was told had been written is remembered.
  std::mt19937 random(20261211);
  std::vector<long> acknowledged;
  const int victims = Scaled(30);
  for (int v = 0; v < victims; ++v) {
    Child victim = Spawn({"fill", "HKLM", "Stress", "v" + std::to_string(v), "0", "1000000"});
    ASSERT_GT(victim.pid, 0);
    long seen = 0;
    for (int n = static_cast<int>(random() % 3); seen < n && ReadLine(victim.out).compare(0, 5, "done ") == 0;) ++seen;
    usleep(static_cast<useconds_t>(random() % 5000));
    kill(victim.pid, SIGKILL);
    // Lines already in the pipe were said before the kill: they count too.
    seen += CountDone(victim);
    EXPECT_EQ(128 + SIGKILL, Wait(victim.pid));
    close(victim.out);
    acknowledged.push_back(seen);
  }

  for (std::thread& reader : readers) reader.join();
  for (std::size_t w = 0; w < writers.size(); ++w) {
    EXPECT_EQ(0, Wait(writers[w].pid)) << "writer " << w;
    close(writers[w].out);
    EXPECT_EQ(perWriter, written[w]) << "writer " << w;
  }

  const std::map<std::string, DWORD> values = StressValues(hive);
  for (int w = 0; w < 8; ++w) {
    for (long i = 0; i < perWriter; ++i) {
      auto found = values.find(ValueName("w" + std::to_string(w), i));
      if (found == values.end() || found->second != static_cast<DWORD>(i)) {
        ADD_FAILURE() << ValueName("w" + std::to_string(w), i) << " lost";
        return;
      }
    }
  }
  for (int v = 0; v < victims; ++v) {
    for (long i = 0; i < acknowledged[v]; ++i) {
      if (values.count(ValueName("v" + std::to_string(v), i)) == 0) {
        ADD_FAILURE() << ValueName("v" + std::to_string(v), i) << " was acknowledged and is lost";
        return;
      }
    }
  }
}

TEST(RegistryStress, EightProcessesAddingToOneValueUnderTheLockGetTheExactSum) {
  zrtest::RegistrySandbox sandbox;
  const long perProcess = Scaled(100);
  std::vector<Child> adders;
  for (int p = 0; p < 8; ++p) {
    adders.push_back(Spawn({"add", "HKLM", "Stress", "counter", "1", std::to_string(perProcess)}));
    ASSERT_GT(adders.back().pid, 0);
  }
  std::vector<long> done(adders.size(), 0);
  std::vector<std::thread> readers;
  for (std::size_t p = 0; p < adders.size(); ++p) {
    readers.emplace_back([&, p] { done[p] = CountDone(adders[p]); });
  }
  for (std::thread& reader : readers) reader.join();
  for (std::size_t p = 0; p < adders.size(); ++p) {
    EXPECT_EQ(0, Wait(adders[p].pid)) << "process " << p;
    close(adders[p].out);
    EXPECT_EQ(perProcess, done[p]) << "process " << p;
  }

  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Stress", 0, KEY_READ, &key));
  DWORD sum = 0;
  DWORD size = sizeof sum;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "counter", nullptr, nullptr, reinterpret_cast<BYTE*>(&sum), &size));
  RegCloseKey(key);
  EXPECT_EQ(static_cast<DWORD>(8 * perProcess), sum);
}

}  // namespace
