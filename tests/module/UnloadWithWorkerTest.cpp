// An application unloads the library while a lookup worker it abandoned is
// still running: the worker keeps the library loaded until it has left the
// library's code, and then the library goes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/Modules.h"
#include "tests/support/Mode.h"
#include "zrlogging/ZrLogging.h"

namespace {

// Holds the worker inside the library, at its first line after starting.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool open = false;
  std::atomic<bool> workerHeld{false};
  std::atomic<int> held{0};  // workers inside the hook right now
} g_gate;

void HoldWorker(void*, ZrLoggingEvent event, const char*, unsigned long, const char* text) {
  if (event != ZRLOGGING_EVENT_WRITE || std::strcmp(text, "getaddrinfo start") != 0) return;
  std::unique_lock<std::mutex> lock(g_gate.mutex);
  g_gate.workerHeld = true;
  ++g_gate.held;
  g_gate.changed.notify_all();
  g_gate.changed.wait(lock, [] { return g_gate.open; });
  --g_gate.held;
}

void OpenGate(bool open) {
  {
    std::lock_guard<std::mutex> lock(g_gate.mutex);
    g_gate.open = open;
  }
  g_gate.changed.notify_all();
}

bool WaitUntil(const std::function<bool()>& done) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

bool LibraryLoaded() { return GetModuleHandleA(ZR_LIBRARY_FILE) != nullptr; }

TEST(UnloadWithWorker, TheLibraryStaysUntilTheWorkerHasLeftIt) {
  ZR_SKIP_UNLESS(zrtest::IsWindowsBuild(), "the shared object is linked never to be unmapped (-z nodelete)");
  ZrLoggingSetHook(&HoldWorker, nullptr);
  HMODULE client = LoadLibraryA(ZR_CLIENT_FILE);
  ASSERT_NE(client, nullptr);
  ASSERT_TRUE(LibraryLoaded());
  auto lookUp = reinterpret_cast<unsigned long (*)(const char*, unsigned long)>(GetProcAddress(client, "ClientLookUp"));
  ASSERT_NE(lookUp, nullptr);

  EXPECT_EQ(lookUp("localhost", 200), 0xFFFFFFFFUL);  // the worker is held: the wait runs out
  ASSERT_TRUE(g_gate.workerHeld.load());
  ASSERT_TRUE(FreeLibrary(client));
  EXPECT_TRUE(LibraryLoaded()) << "unloaded under a running worker";

  OpenGate(true);
  EXPECT_TRUE(WaitUntil([] { return !LibraryLoaded(); })) << "the worker's hold was never dropped";
  ZrLoggingSetHook(nullptr, nullptr);
}

// A hundred abandoned workers held inside the library when it is unloaded:
// the last one to leave takes it, and the process goes on and ends cleanly.
TEST(UnloadWithWorker, AHundredHeldWorkersKeepTheLibraryUntilTheLastLeaves) {
  ZR_SKIP_UNLESS(zrtest::IsWindowsBuild(), "the shared object is linked never to be unmapped (-z nodelete)");
  OpenGate(false);
  ZrLoggingSetHook(&HoldWorker, nullptr);
  HMODULE client = LoadLibraryA(ZR_CLIENT_FILE);
  ASSERT_NE(client, nullptr);
  auto lookUp = reinterpret_cast<unsigned long (*)(const char*, unsigned long)>(GetProcAddress(client, "ClientLookUp"));
  ASSERT_NE(lookUp, nullptr);
  const int kWorkers = 100;
  for (int i = 0; i < kWorkers; ++i) EXPECT_EQ(lookUp("localhost", 0), 0xFFFFFFFFUL) << "call " << i;
  EXPECT_TRUE(WaitUntil([] { return g_gate.held.load() == kWorkers; })) << g_gate.held.load() << " held";
  ASSERT_TRUE(FreeLibrary(client));
  EXPECT_TRUE(LibraryLoaded()) << "unloaded under running workers";
  OpenGate(true);
  EXPECT_TRUE(WaitUntil([] { return !LibraryLoaded(); })) << "a worker's hold was never dropped";
  EXPECT_EQ(0, g_gate.held.load());
  ZrLoggingSetHook(nullptr, nullptr);
}

}  // namespace
