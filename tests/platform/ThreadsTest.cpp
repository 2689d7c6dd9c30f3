// Threads as the library uses them, against each target's own: on POSIX a
// logical thread rides a system thread that carried others before it, and
// must still look like a thread of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "platform/Threads.h"

namespace {

struct Job {
  DWORD code = 0;
  DWORD idSeen = 0;
  std::atomic<bool> ran{false};
};

DWORD WINAPI RunJob(LPVOID parameter) {
  Job* job = static_cast<Job*>(parameter);
  job->idSeen = GetCurrentThreadId();
  job->ran = true;
  return job->code;
}

// Starts a thread on `job`, waits for it and gives its exit code.
DWORD RunAndWait(Job& job, DWORD* id) {
  HANDLE handle = CreateThread(nullptr, 0, &RunJob, &job, 0, id);
  EXPECT_NE(handle, nullptr);
  if (handle == nullptr) return WAIT_FAILED;
  EXPECT_EQ(WaitForSingleObject(handle, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(handle, &code));
  CloseHandle(handle);
  return code;
}

TEST(Threads, ThreadsStartedOneAfterAnotherEachHaveTheirOwnIdAndEnd) {
  std::set<DWORD> ids;
  for (DWORD i = 0; i < 200; ++i) {
    Job job;
    job.code = 1000 + i;
    DWORD id = 0;
    EXPECT_EQ(RunAndWait(job, &id), 1000 + i);
    EXPECT_EQ(job.idSeen, id);
    ids.insert(id);
  }
  EXPECT_EQ(ids.size(), 200u);  // no id handed out twice, though few system threads ran them
}

TEST(Threads, ThreadsStartedFromManyCallersAtOnceAllEnd) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> callers;
  for (int c = 0; c < 4; ++c) {
    callers.emplace_back([&wrong, c] {
      for (DWORD i = 0; i < 150; ++i) {
        Job job;
        job.code = static_cast<DWORD>(c) * 1000 + i;
        if (RunAndWait(job, nullptr) != job.code || !job.ran) ++wrong;
      }
    });
  }
  for (auto& caller : callers) caller.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(Threads, ASuspendedThreadRunsOnlyOnceResumed) {
  Job job;
  job.code = 7;
  HANDLE handle = CreateThread(nullptr, 0, &RunJob, &job, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(handle, nullptr);
  Sleep(50);
  EXPECT_FALSE(job.ran);
  EXPECT_EQ(WaitForSingleObject(handle, 20), static_cast<DWORD>(WAIT_TIMEOUT));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(handle, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(ResumeThread(handle), 1u);
  EXPECT_EQ(WaitForSingleObject(handle, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(job.ran);
  EXPECT_TRUE(GetExitCodeThread(handle, &code));
  EXPECT_EQ(code, 7u);
  CloseHandle(handle);
}

}  // namespace
