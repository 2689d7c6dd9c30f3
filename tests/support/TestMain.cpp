// The main() of every test program: plain GoogleTest, plus the run's mode
// (Windows line and code page) printed once so a failure log says where it ran.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/Mode.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::printf("[ mode     ] %s\n", zrtest::ModeName().c_str());
  return RUN_ALL_TESTS();
}
