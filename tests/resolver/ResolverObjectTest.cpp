// The resolver's operating-system flags on every Windows line, and the
// process-wide socket library it loads. Natively every line is tried in one
// process through ZRADDRRES_WINVER; under Wine the line is Wine's.
#include <gtest/gtest.h>

#include <string>

#include "lookup/SocketLibrary.h"
#include "resolver/ZrAddrResolution.h"
#include "tests/support/Env.h"
#include "tests/support/Mode.h"

namespace {

struct LineCase {
  const char* name;
  zrtest::Line line;
  int windows95;
  int nineXLine;
  int ntLine;
};

const LineCase kLines[] = {
    {"win95", zrtest::Line::Win95, 1, 1, 0},     {"win98", zrtest::Line::Win98, 0, 1, 0},
    {"winme", zrtest::Line::WinMe, 0, 1, 0},     {"nt40", zrtest::Line::NT4, 0, 0, 1},
    {"win2k", zrtest::Line::NT5OrLater, 0, 0, 1}, {"win10", zrtest::Line::NT5OrLater, 0, 0, 1},
};

void ExpectFlagsOfTheCurrentLine(const std::string& context) {
  zrtest::Line line = zrtest::WindowsLine();
  const LineCase* expected = nullptr;
  for (const LineCase& c : kLines) {
    if (c.line == line) expected = &c;
  }
  ASSERT_NE(expected, nullptr) << context << ": unknown Windows line";
  CZrAddrResolution resolver;
  EXPECT_EQ(resolver.IsWindows95(), expected->windows95) << context;
  EXPECT_EQ(resolver.IsWindows9xLine(), expected->nineXLine) << context;
  EXPECT_EQ(resolver.IsWindowsNTLine(), expected->ntLine) << context;
  EXPECT_EQ(resolver.IsTimeOuted(), 0) << context;
  EXPECT_EQ(resolver.IsTimeOutedForHost(), 0) << context;

  CZrAddrResolution copy(resolver);
  EXPECT_EQ(copy.IsWindows95(), expected->windows95) << context;
  EXPECT_EQ(copy.IsWindows9xLine(), expected->nineXLine) << context;
  EXPECT_EQ(copy.IsWindowsNTLine(), expected->ntLine) << context;
  CZrAddrResolution assigned;
  assigned = resolver;
  EXPECT_EQ(assigned.IsWindowsNTLine(), expected->ntLine) << context;
}

TEST(ResolverObject, FlagsOfTheLineThisRunIsIn) { ExpectFlagsOfTheCurrentLine(zrtest::ModeName()); }

TEST(ResolverObject, FlagsOfEveryLine) {
  ZR_SKIP_UNLESS(!zrtest::IsWindowsBuild(), "under Wine the line is set per run (see the lines modes)");
  for (const LineCase& c : kLines) {
    zrtest::ScopedEnv line("ZRADDRRES_WINVER", c.name);
    ExpectFlagsOfTheCurrentLine(c.name);
  }
}

TEST(ResolverObject, AFailedSocketLibraryLoadIsRetriedByTheNextResolver) {
  zrlookup::SetSocketLibraryNameForTesting("zr-no-such-socket-library.dll");
  zrlookup::ForgetSocketLibraryForTesting();
  {
    CZrAddrResolution withoutSockets;  // constructs all the same
    EXPECT_EQ(zrlookup::SocketLibrary(), nullptr);
    // Without the socket library, IPv4 texts still pass and IPv6 texts never do.
    EXPECT_EQ(CZrAddrResolution::IsValidStringIPAddress("192.168.0.1"), 1);
    EXPECT_EQ(CZrAddrResolution::IsValidStringIPAddress("::1"), 0);
    EXPECT_EQ(CZrAddrResolution::IsValidStringIPAddressIPv6("fe80::1"), 0);
  }
  zrlookup::SetSocketLibraryNameForTesting(nullptr);
  CZrAddrResolution retried;
  HMODULE loaded = zrlookup::SocketLibrary();
  EXPECT_NE(loaded, nullptr);
  EXPECT_EQ(CZrAddrResolution::IsValidStringIPAddress("::1"), 1);
  // Later resolvers share the handle: no second load.
  CZrAddrResolution another;
  EXPECT_EQ(zrlookup::SocketLibrary(), loaded);
}

}  // namespace
