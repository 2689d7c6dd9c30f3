// The count of running lookup workers and the wait for it to reach 0.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "lookup/ThreadChecker.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST(ThreadChecker, OneInstanceCreatedOnceEvenWhenThreadsRace) {
  std::vector<CThreadChecker*> seen(8, nullptr);
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) threads.emplace_back([&seen, i] { seen[i] = &CThreadChecker::GetInstance(); });
  for (auto& t : threads) t.join();
  for (CThreadChecker* p : seen) EXPECT_EQ(p, &CThreadChecker::GetInstance());
}

TEST(ThreadChecker, WaitReturnsAtOnceWhenNothingRuns) {
  CThreadChecker& checker = CThreadChecker::GetInstance();
  ASSERT_EQ(checker.GetCount(), 0);
  auto start = Clock::now();
  checker.WaitForRunningThread();
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(900));  // no one-second poll
}

TEST(ThreadChecker, CountsConcurrentIncrementsAndDecrements) {
  CThreadChecker& checker = CThreadChecker::GetInstance();
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&checker] {
      for (int k = 0; k < 1000; ++k) {
        checker.IncrementCounter();
        checker.DecrementCounter();
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(checker.GetCount(), 0);
}

TEST(ThreadChecker, WaitOnACopyWatchesTheInstance) {
  CThreadChecker& checker = CThreadChecker::GetInstance();
  checker.IncrementCounter();
  checker.IncrementCounter();
  CThreadChecker copy(checker);
  EXPECT_EQ(copy.GetCount(), 2);

  std::atomic<bool> released{false};
  Clock::time_point releasedAt;
  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    releasedAt = Clock::now();
    released = true;
    checker.DecrementCounter();
    checker.DecrementCounter();
  });
  copy.WaitForRunningThread();
  auto returned = Clock::now();
  EXPECT_TRUE(released.load());  // not before the last worker ended
  worker.join();
  EXPECT_EQ(checker.GetCount(), 0);
  EXPECT_EQ(copy.GetCount(), 2);  // a copy is an independent counter

  CThreadChecker assigned(copy);
  assigned = checker;
  EXPECT_EQ(assigned.GetCount(), 0);
  // It polls once a second: back within about a second of the last decrement.
  EXPECT_LT(returned - releasedAt, std::chrono::milliseconds(2500));
}

TEST(ThreadChecker, CriticalSectionIsRecursiveOnOneThread) {
  CThredCheckCriticalSection cs;
  cs.lock();
  cs.lock();
  cs.unlock();
  cs.unlock();
  SUCCEED();
}

}  // namespace
