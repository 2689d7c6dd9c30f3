// Lookups abandoned by the thousand against a name service that never
// answers, each resolver destroyed as soon as its call returns: every worker
// must still end, the count come back to 0, and nothing be touched after it
// is gone (the sanitizer builds run this too).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "tests/lookup/LookupFixture.h"

namespace zrtest {
namespace {

// ZRADDRRES_STRESS_SCALE multiplies the counts for the long form (scripts/stress.sh).
int Scaled(int count) {
  const char* scale = std::getenv("ZRADDRRES_STRESS_SCALE");
  int factor = scale ? std::atoi(scale) : 1;
  return count * (factor > 0 ? factor : 1);
}

// One abandoned call: forward or reverse, on a resolver made for it alone.
void AbandonOne(int i) {
  auto resolver = std::make_unique<CZrAddrResolution>();
  CString out;
  unsigned long result = (i % 2 == 0) ? resolver->GetIPAddressFromHostName("dead.example", out, 0)
                                      : resolver->GetHostFromIPAddress("192.0.2.99", out, 0);
  EXPECT_EQ(kTimedOut, result) << "call " << i;
  EXPECT_TRUE(out.IsEmpty()) << "call " << i << " got " << static_cast<const char*>(out);
}

TEST_F(LookupTest, AThousandAbandonedLookupsAllEndOnceTheNameServiceLetsGo) {
  m_names.Block("dead.example");
  m_names.Block("192.0.2.99");
  const int count = Scaled(1000);
  for (int i = 0; i < count; ++i) AbandonOne(i);
  m_names.Release();
  ASSERT_TRUE(WaitForWorkerCount(0, std::chrono::seconds(120)));
  auto start = Clock::now();
  CThreadChecker::GetInstance().WaitForRunningThread();
  EXPECT_LT(MillisecondsSince(start), 1000);
}

// The same from several caller threads at once, each with its own resolvers,
// while the workers of the others start, block and are given up on.
TEST_F(LookupTest, AbandonedLookupsFromSeveralThreadsAllEnd) {
  m_names.Block("dead.example");
  m_names.Block("192.0.2.99");
  const int perThread = Scaled(250);
  std::vector<std::thread> callers;
  for (int t = 0; t < 4; ++t) {
    callers.emplace_back([perThread, t] {
      for (int i = 0; i < perThread; ++i) AbandonOne(t * perThread + i);
    });
  }
  for (std::thread& caller : callers) caller.join();
  m_names.Release();
  ASSERT_TRUE(WaitForWorkerCount(0, std::chrono::seconds(120)));
  CThreadChecker::GetInstance().WaitForRunningThread();
}

}  // namespace
}  // namespace zrtest
