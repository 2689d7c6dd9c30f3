// A resolver with a scripted name service, a private registry and the trace.
// Every test ends with no worker left running, so no stray line of one test's
// worker lands in the next test's trace.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "lookup/LookupCall.h"
#include "lookup/ThreadChecker.h"
#include "resolver/ZrAddrResolution.h"
#include "tests/support/FakeNameService.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"

namespace zrtest {

using Clock = std::chrono::steady_clock;
const unsigned long kFailed = 0xFFFFFFFEUL;
const unsigned long kTimedOut = 0xFFFFFFFFUL;

inline long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// True when the worker count reaches `count` within the wait. At 0 it also
// waits for the last worker's last line ("Number of Running Threads: 0",
// logged after the count went down), so no line of it lands in the next
// test's trace.
inline bool WaitForWorkerCount(int count, std::chrono::milliseconds wait = std::chrono::seconds(20)) {
  auto until = Clock::now() + wait;
  while (CThreadChecker::GetInstance().GetCount() != count || (count == 0 && zrlookup::ExitGuard::Inside() != 0)) {
    if (Clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

template <FakeNameService::Api kApi = FakeNameService::Api::ProtocolIndependent>
class LookupTestT : public testing::Test {
 protected:
  void TearDown() override {
    m_names.Release();
    EXPECT_TRUE(WaitForWorkerCount(0)) << "a worker did not end after its call was released";
  }

  void SetTimeoutSetting(const char* value, const char* data) {
    ASSERT_TRUE(SeedRegistry(std::string("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\ZrAddrRes]\n\"") + value +
                             "\"=" + data + "\n"));
  }

  RegistrySandbox m_registry;
  FakeNameService m_names{kApi};
  LogCapture m_log;
};

using LookupTest = LookupTestT<>;

}  // namespace zrtest
