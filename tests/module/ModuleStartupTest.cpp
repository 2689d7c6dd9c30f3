// What happens when the library is loaded: sockets start, or the user is told
// (string table entry 103) and the load is refused.
#include <gtest/gtest.h>

#include "module/ModuleStartup.h"

namespace {

unsigned g_shown = 0;
int g_shownCount = 0;
void RecordError(unsigned id) {
  g_shown = id;
  ++g_shownCount;
}

TEST(ModuleStartup, SocketsStartAndNothingIsShown) {
  g_shownCount = 0;
  EXPECT_TRUE(zrmodule::StartModule([] { return 0; }, &RecordError));
  EXPECT_EQ(g_shownCount, 0);
}

TEST(ModuleStartup, FailedSocketsShowEntry103AndRefuseTheLoad) {
  g_shownCount = 0;
  EXPECT_FALSE(zrmodule::StartModule([] { return 10091; /* WSASYSNOTREADY */ }, &RecordError));
  EXPECT_EQ(g_shownCount, 1);
  EXPECT_EQ(g_shown, 103u);
}

}  // namespace
