// Dispatch of a Standard TCP/IP port configured by address, with the log
// session at its default level, against the registry work it does done directly.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "platform/Registry.h"
#include "resolver/ZrAddrResolution.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"

namespace {

const char kPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_10.0.0.7";

struct Registry {
  Registry() {
    if (!zrtest::SeedRegistry("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\"
                              "Standard TCP/IP Port\\Ports\\IP_10.0.0.7]\n\"IPAddress\"=\"10.0.0.7\"\n"
                              "\"HostName\"=\"\"\n")) {
      std::abort();
    }
  }
  zrtest::RegistrySandbox sandbox;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

void BM_DispatchStandardTcpIpByAddress(benchmark::State& state) {
  TheRegistry();
  CZrAddrResolution resolver;
  CString address;
  ZRMONITOR::ConnectionType kind;
  for (auto _ : state) {
    int found = resolver.GetAddressFromPort("IP_10.0.0.7", address, &kind);
    benchmark::DoNotOptimize(found);
  }
  if (std::string(static_cast<const char*>(address)) != "10.0.0.7") state.SkipWithError("port did not resolve");
}
BENCHMARK(BM_DispatchStandardTcpIpByAddress);

// What the dispatch cannot avoid: the direct-print reader's open (which fails
// here), then the Standard TCP/IP port's open and its "IPAddress" query.
void BM_RegistryWorkDoneDirectly(benchmark::State& state) {
  TheRegistry();
  for (auto _ : state) {
    HKEY key = nullptr;
    LONG missing = RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                 "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\\x82\x69\x82\x6D Spoolbridge "
                                 "Port\\Ports",
                                 0, KEY_READ, &key);
    benchmark::DoNotOptimize(missing);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPorts, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      char text[260] = {};
      DWORD size = sizeof text;
      DWORD type = 0;
      RegQueryValueExA(key, "IPAddress", nullptr, &type, reinterpret_cast<LPBYTE>(text), &size);
      benchmark::DoNotOptimize(text);
      RegCloseKey(key);
    }
  }
}
BENCHMARK(BM_RegistryWorkDoneDirectly);

}  // namespace

BENCHMARK_MAIN();
