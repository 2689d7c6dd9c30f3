// A host-name lookup on a worker bounded by a time-out, against the same
// lookup made directly, for a name from the hosts file: idle, and with one
// and with both cores kept busy by other processes (the argument), where the
// hand-over between caller and worker competes for the time they need.
#include <benchmark/benchmark.h>

#include <cstring>

#include "platform/Modules.h"
#include "platform/Sockets.h"
#include "resolver/ZrAddrResolution.h"
#include "tests/support/posix/BusyCores.h"

namespace {

const char kName[] = "localhost";

void BM_GetIPAddressFromHostName(benchmark::State& state) {
  CZrAddrResolution resolver;
  CString address;
  zrtest::BusyCores busy(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    unsigned long result = resolver.GetIPAddressFromHostName(kName, address, 5000);
    if (result != 0) state.SkipWithError("lookup failed");
  }
}
BENCHMARK(BM_GetIPAddressFromHostName)->ArgName("busy_cores")->DenseRange(0, 2)->UseRealTime();

void BM_DirectGetaddrinfoGetnameinfo(benchmark::State& state) {
  HMODULE ws2 = LoadLibraryA("ws2_32.dll");
  auto getAddrInfo = reinterpret_cast<zrplatform::GetAddrInfoFn>(GetProcAddress(ws2, "getaddrinfo"));
  auto freeAddrInfo = reinterpret_cast<zrplatform::FreeAddrInfoFn>(GetProcAddress(ws2, "freeaddrinfo"));
  auto getNameInfo = reinterpret_cast<zrplatform::GetNameInfoFn>(GetProcAddress(ws2, "getnameinfo"));
  zrtest::BusyCores busy(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    addrinfo hints = {};
    hints.ai_flags = AI_PASSIVE;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    if (getAddrInfo(kName, "", &hints, &list) != 0) state.SkipWithError("lookup failed");
    char text[1025];
    getNameInfo(list->ai_addr, static_cast<socklen_t>(list->ai_addrlen), text, sizeof text, nullptr, 0,
                NI_NUMERICHOST);
    freeAddrInfo(list);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_DirectGetaddrinfoGetnameinfo)->ArgName("busy_cores")->DenseRange(0, 2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
