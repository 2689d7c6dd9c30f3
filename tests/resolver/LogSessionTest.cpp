// The log session is made by the process's first log call, once, even when
// two threads make their first log calls at the same moment.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "resolver/LogSession.h"
#include "tests/support/LogCapture.h"

namespace {

zrtest::LogCapture& Capture() {
  static zrtest::LogCapture capture;
  return capture;
}

// Runs first in this program: nothing has logged yet.
TEST(LogSession, NotStartedBeforeTheFirstLogCall) { EXPECT_EQ(Capture().StartCount(), 0); }

TEST(LogSession, TwoThreadsRacingOnTheFirstCallStartItOnce) {
  std::atomic<int> ready{0};
  auto first = [&](const char* text) {
    ++ready;
    while (ready.load() < 2) {
    }
    NLogZrAddrRes::GetSession()->LogWrite(16, "%s", text);
  };
  std::thread a(first, "line from a");
  std::thread b(first, "line from b");
  a.join();
  b.join();

  EXPECT_EQ(Capture().StartCount(), 1);
  EXPECT_TRUE(Capture().Contains("line from a"));
  EXPECT_TRUE(Capture().Contains("line from b"));
  EXPECT_EQ(NLogZrAddrRes::GetSession(), NLogZrAddrRes::GetSession());
  EXPECT_EQ(Capture().StartCount(), 1);
}

}  // namespace

int main(int argc, char** argv) {
  Capture();  // hook in place before anything can log
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
