// One PNS exchange with one answer in the first attempt, as the UNC reader
// runs it: its wall time (about the attempt's second) and the CPU time the
// calling process spends meanwhile, on an idle machine and with both cores
// kept busy by other processes. The poll waits 500 microseconds at a time;
// it must not turn into a busy loop.
//
// Needs the responder of tests/netns/run-in-pns-netns.sh (ZR_PNS_DIR):
//   tests/netns/run-in-pns-netns.sh --responder tests/netns/pns_responder.py -- build/native-release/bin/bench_pns
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Sockets.h"
#include "resolver/ZrAddrResDiagnostics.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Other processes that keep every core busy while they live.
class Load {
 public:
  explicit Load(bool on) {
    if (!on) return;
    long cores = sysconf(_SC_NPROCESSORS_ONLN);
    for (long i = 0; i < cores; ++i) {
      pid_t child = fork();
      if (child == 0) {
        for (volatile unsigned long n = 0;; n = n + 1) {
        }
      }
      if (child > 0) m_children.push_back(child);
    }
  }
  ~Load() {
    for (pid_t child : m_children) kill(child, SIGKILL);
    for (pid_t child : m_children) waitpid(child, nullptr, 0);
  }

 private:
  std::vector<pid_t> m_children;
};

void BM_PnsExchangeOneAnswer(benchmark::State& state) {
  const char* folder = std::getenv("ZR_PNS_DIR");
  if (folder == nullptr) {
    state.SkipWithError("run inside tests/netns/run-in-pns-netns.sh");
    return;
  }
  {
    // Every request is answered once, 10 ms after it came: "PNS452 pns-a 192.0.2.55 0001".
    std::ofstream script(std::string(folder) + "/script", std::ios::trunc);
    script << "0 10 504e5334353220706e732d61203139322e302e322e35352030303031\n";
  }
  Load load(state.range(0) != 0);
  CZrAddrResolution resolver;
  double cpu = 0;
  for (auto _ : state) {
    CString address;
    double before = CpuSeconds();
    int found = ZrAddrResDiagnostics::AddressFromPNS(resolver, "\\\\srv\\srv-P", address);
    cpu += CpuSeconds() - before;
    if (!found) state.SkipWithError("no answer from the responder");
  }
  state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PnsExchangeOneAnswer)->ArgName("loaded")->Arg(0)->Arg(1)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);  // the library's entry routine is not linked here
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
