// The POSIX registry with many values in one key: loading the hive (as a
// new process, or any process after another one wrote, must), one value set
// (a whole atomic rewrite of the hive), and an import of N values at once.
// Each figure should grow with N, not with N squared.
#include <benchmark/benchmark.h>

#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/RegImport.h"
#include "platform/Registry.h"

namespace {

// A private registry folder for one benchmark, removed after it.
class PrivateRegistry {
 public:
  PrivateRegistry() {
    char pattern[] = "/tmp/zrbench-XXXXXX";
    folder_ = mkdtemp(pattern);
    setenv("ZRADDRRES_REGISTRY", folder_.c_str(), 1);
  }
  ~PrivateRegistry() {
    unsetenv("ZRADDRRES_REGISTRY");
    nftw(
        folder_.c_str(), [](const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
  }
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
};

// An export of `count` addresses in the store key, as `zraddrres reg export` writes them.
std::string StoreExport(long count) {
  std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\r\n";
  char line[96];
  for (long i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "\"Printer%06ld\"=\"10.%ld.%ld.%ld\"\r\n", i, i >> 16, (i >> 8) & 255, i & 255);
    text += line;
  }
  return text;
}

// 2,000 to 128,000 values, and the complexity Google Benchmark fits to them.
void ValueCounts(benchmark::internal::Benchmark* counts) {
  counts->RangeMultiplier(4)->Range(2000, 128000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

bool Import(const std::string& text) { return zrplatform::ImportRegText(text.data(), text.size(), nullptr) == 0; }

std::string QueryOne(long index) {
  HKEY key = nullptr;
  char name[32];
  std::snprintf(name, sizeof name, "printer%06ld", index);  // another case: found by folded name
  char data[64] = {};
  DWORD size = sizeof data;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ZrAddrRes", 0, KEY_READ, &key) != 0) return std::string();
  RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return data;
}

void BM_LoadHiveWithValuesInOneKey(benchmark::State& state) {
  PrivateRegistry registry;
  const long count = state.range(0);
  if (!Import(StoreExport(count))) state.SkipWithError("import failed");
  const std::string hive = registry.folder() + "/HKCU.reg";
  std::ifstream in(hive, std::ios::binary);
  std::string bytes[2];
  bytes[0].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  bytes[1] = bytes[0] + "\"Written\"=\"by another process\"\r\n";
  int turn = 0;
  for (auto _ : state) {
    // Another version of the file in the hive's place, as another process's write leaves it.
    state.PauseTiming();
    std::ofstream(hive + ".new", std::ios::binary) << bytes[turn ^= 1];
    std::rename((hive + ".new").c_str(), hive.c_str());
    state.ResumeTiming();
    if (QueryOne(count / 2).empty()) state.SkipWithError("value not found");
  }
  state.SetComplexityN(count);
}
BENCHMARK(BM_LoadHiveWithValuesInOneKey)->Apply(ValueCounts);

void BM_SetOneValueAmongValuesInOneKey(benchmark::State& state) {
  PrivateRegistry registry;
  const long count = state.range(0);
  if (!Import(StoreExport(count))) state.SkipWithError("import failed");
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ZrAddrRes", 0, KEY_ALL_ACCESS, &key);
  DWORD round = 0;
  for (auto _ : state) {
    ++round;
    if (RegSetValueExA(key, "Counter", 0, REG_DWORD, reinterpret_cast<BYTE*>(&round), sizeof round) != 0) {
      state.SkipWithError("set failed");
    }
  }
  RegCloseKey(key);
  state.SetComplexityN(count);
}
BENCHMARK(BM_SetOneValueAmongValuesInOneKey)->Apply(ValueCounts);

void BM_ImportValuesInOneKey(benchmark::State& state) {
  const long count = state.range(0);
  const std::string text = StoreExport(count);
  for (auto _ : state) {
    state.PauseTiming();
    {
      PrivateRegistry registry;
      state.ResumeTiming();
      if (!Import(text)) state.SkipWithError("import failed");
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  state.SetComplexityN(count);
}
BENCHMARK(BM_ImportValuesInOneKey)->Apply(ValueCounts);

}  // namespace

BENCHMARK_MAIN();
