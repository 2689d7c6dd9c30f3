// What the system threads that carry logical threads must not let show: a
// logical thread's id, messages and cores are its own, whatever ran on the
// same system thread before it.
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>

#include "platform/Threads.h"
#include "platform/posix/ThreadsTesting.h"
#include "tests/support/posix/BusyCores.h"

namespace {

struct Listener {
  std::atomic<bool> queueMade{false};
  std::atomic<bool> gotQuit{false};
};

DWORD WINAPI Listen(LPVOID parameter) {
  Listener* listener = static_cast<Listener*>(parameter);
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
  listener->queueMade = true;
  for (int i = 0; i < 10000 && !listener->gotQuit; ++i) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_QUIT) listener->gotQuit = true;
    Sleep(1);
  }
  return 0;
}

TEST(Carriers, AMessageForAThreadThatEndedReachesNoLaterThread) {
  Listener first;
  DWORD firstId = 0;
  HANDLE handle = CreateThread(nullptr, 0, &Listen, &first, 0, &firstId);
  ASSERT_NE(handle, nullptr);
  while (!first.queueMade) Sleep(1);
  EXPECT_TRUE(PostThreadMessageA(firstId, WM_QUIT, 0, 0));
  EXPECT_EQ(WaitForSingleObject(handle, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(handle);
  EXPECT_TRUE(first.gotQuit);

  // The next thread most likely rides the same system thread.
  Listener second;
  DWORD secondId = 0;
  handle = CreateThread(nullptr, 0, &Listen, &second, 0, &secondId);
  ASSERT_NE(handle, nullptr);
  while (!second.queueMade) Sleep(1);
  EXPECT_NE(secondId, firstId);
  EXPECT_FALSE(PostThreadMessageA(firstId, WM_QUIT, 0, 0));
  Sleep(30);
  EXPECT_FALSE(second.gotQuit);
  EXPECT_TRUE(PostThreadMessageA(secondId, WM_QUIT, 0, 0));
  EXPECT_EQ(WaitForSingleObject(handle, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(handle);
  EXPECT_TRUE(second.gotQuit);
}

struct Cores {
  std::atomic<int> endedOn{-1};
  cpu_set_t allowed;
};

DWORD WINAPI ReadCores(LPVOID parameter) {
  Cores* cores = static_cast<Cores*>(parameter);
  CPU_ZERO(&cores->allowed);
  sched_getaffinity(0, sizeof cores->allowed, &cores->allowed);
  cores->endedOn = sched_getcpu();
  return 0;
}

void RunOn(Cores& cores) {
  HANDLE handle = CreateThread(nullptr, 0, &ReadCores, &cores, 0, nullptr);
  ASSERT_NE(handle, nullptr);
  ASSERT_EQ(WaitForSingleObject(handle, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(handle);
}

void Pin(int cpu) {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cpu, &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
}

// A logical thread runs on its creator's cores, as a system thread it
// started would: not on those of whatever its carrier ran before (a host
// that keeps a core for itself must not find library workers there), and,
// on a busy machine where the carrier is sent to its caller's core for the
// hand-over, not on that one core once its creator may use every core.
TEST(Carriers, AThreadRunsOnItsCreatorsCores) {
  cpu_set_t mine;
  ASSERT_EQ(sched_getaffinity(0, sizeof mine, &mine), 0);
  if (CPU_COUNT(&mine) < 2) GTEST_SKIP() << "needs two cores";
  int first = -1, second = -1;
  for (int cpu = 0; cpu < CPU_SETSIZE && second < 0; ++cpu) {
    if (!CPU_ISSET(cpu, &mine)) continue;
    (first < 0 ? first : second) = cpu;
  }
  for (bool busyMachine : {false, true}) {
    SCOPED_TRACE(busyMachine ? "both cores busy" : "idle");
    std::unique_ptr<zrtest::BusyCores> busy;
    if (busyMachine) {
      busy = std::make_unique<zrtest::BusyCores>(CPU_COUNT(&mine) + 1);
      Sleep(50);  // the machine's count of runnable tasks is read at most every 10 ms
    }
    for (int round = 0; round < 10; ++round) {
      // Pinned to one core, then the other, then free: each thread most
      // likely rides the system thread that carried the one before.
      for (int cpu : {first, second, -1}) {
        if (cpu >= 0) Pin(cpu);
        Cores cores;
        RunOn(cores);
        sched_setaffinity(0, sizeof mine, &mine);
        cpu_set_t expected;
        CPU_ZERO(&expected);
        if (cpu >= 0) CPU_SET(cpu, &expected);
        const cpu_set_t& want = cpu >= 0 ? expected : mine;
        ASSERT_TRUE(CPU_EQUAL(&cores.allowed, &want))
            << "round " << round << ", creator on " << (cpu >= 0 ? std::to_string(cpu) : "every core")
            << ": the thread ran on " << CPU_COUNT(&cores.allowed) << " core(s)";
      }
    }
  }
}

// A waiter spins only when the thread it awaits has a core of its own; the
// cores counted are those the caller may use, which the awaited thread
// shares, not every core online.
TEST(Carriers, TheCoresToSpinOnAreTheCallersOwn) {
  cpu_set_t mine;
  ASSERT_EQ(sched_getaffinity(0, sizeof mine, &mine), 0);
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  EXPECT_EQ(zrplatform::posix::CoresToUse(online, 0), std::min<long>(online, CPU_COUNT(&mine)));
  EXPECT_EQ(zrplatform::posix::CoresToUse(64, 1), 1);  // a quota of one core
  int first = -1;
  for (int cpu = 0; cpu < CPU_SETSIZE && first < 0; ++cpu)
    if (CPU_ISSET(cpu, &mine)) first = cpu;
  Pin(first);
  EXPECT_EQ(zrplatform::posix::CoresToUse(online, 0), 1);
  sched_setaffinity(0, sizeof mine, &mine);
}

}  // namespace
