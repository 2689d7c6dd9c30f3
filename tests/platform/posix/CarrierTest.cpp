// What the system threads that carry logical threads must not let show: a
// logical thread's id, messages and cores are its own, whatever ran on the
// same system thread before it.
#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>

#include "platform/Threads.h"
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

// With no core to spare, a parked system thread is sent to its caller's core
// for the hand-over; the logical thread it then runs may still use every
// core the process may.
TEST(Carriers, AThreadHandedOverOnABusyMachineMayUseEveryCore) {
  cpu_set_t mine;
  ASSERT_EQ(sched_getaffinity(0, sizeof mine, &mine), 0);
  if (CPU_COUNT(&mine) < 2) GTEST_SKIP() << "needs two cores";
  zrtest::BusyCores busy(CPU_COUNT(&mine) + 1);
  Sleep(50);  // the machine's count of runnable tasks is read at most every 10 ms

  for (int round = 0; round < 20; ++round) {
    Cores before;
    RunOn(before);
    // Called from another core than the one the carrier parked on.
    int other = -1;
    for (int cpu = 0; cpu < CPU_SETSIZE && other < 0; ++cpu)
      if (CPU_ISSET(cpu, &mine) && cpu != before.endedOn) other = cpu;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(other, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    Cores after;
    RunOn(after);
    sched_setaffinity(0, sizeof mine, &mine);
    ASSERT_TRUE(CPU_EQUAL(&after.allowed, &mine)) << "round " << round << ": the carried thread kept "
                                                   << CPU_COUNT(&after.allowed) << " core(s)";
  }
}

}  // namespace
