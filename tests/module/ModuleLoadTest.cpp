// The shared library loads by name like an application loads it, carries its
// string table entry, and unloads cleanly.
#include <gtest/gtest.h>

#include <string>

#include "platform/Modules.h"
#include "tests/support/ModuleStrings.h"

TEST(ModuleLoad, LoadsAndUnloadsByName) {
  HMODULE library = LoadLibraryA(ZR_LIBRARY_FILE);
  ASSERT_NE(library, nullptr) << ZR_LIBRARY_FILE;
  EXPECT_EQ(zrtest::ModuleString(library, 103), "Failed to initialize Windows Socket.");
  EXPECT_TRUE(FreeLibrary(library));
}
