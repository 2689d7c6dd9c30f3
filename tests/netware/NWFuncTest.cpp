// Loading the NetWare client's function table: all five libraries and all 68
// entries or nothing, tried again while not loaded, the not-loaded results,
// and the release order. The stand-in's libraries are loaded by path through
// the table's loader seam, which can also make one library or entry missing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "netware/NWFunc.h"
#include "tests/support/NetWareSite.h"

namespace {

const DWORD kModNotFound = 126;
const DWORD kProcNotFound = 127;

// The stand-in's libraries by path, with one name (library or entry) missing.
struct Loader {
  static std::string missing;
  static std::vector<std::string> loads;
  static std::vector<HMODULE> freed;
  static std::vector<HMODULE> loaded;  // the handles given out, one per reference taken

  static HMODULE Load(const char* name) {
    loads.push_back(name);
    if (missing == name) {
      SetLastError(kModNotFound);
      return nullptr;
    }
    HMODULE module = LoadLibraryA(zrtest::NetWareStandInFile(name).c_str());
    if (module != nullptr) loaded.push_back(module);
    return module;
  }
  static FARPROC Find(HMODULE module, const char* name) {
    if (missing == name) {
      SetLastError(kProcNotFound);
      return nullptr;
    }
    return GetProcAddress(module, name);
  }
  static BOOL Free(HMODULE module) {
    freed.push_back(module);
    return FreeLibrary(module);
  }
};
std::string Loader::missing;
std::vector<std::string> Loader::loads;
std::vector<HMODULE> Loader::freed;
std::vector<HMODULE> Loader::loaded;

const zrnetware::ClientLoader kStandInLoader = {&Loader::Load, &Loader::Find, &Loader::Free};

class NetWareTable : public testing::Test {
 protected:
  void SetUp() override {
    Loader::missing.clear();
    Loader::loads.clear();
    Loader::freed.clear();
    Loader::loaded.clear();
  }
  void TearDown() override { zrnetware::SetClientLoaderForTesting(nullptr); }
};

// First in this program: no client library has been loaded into it yet, so
// the libraries' names find nothing, as on a machine without the client.
TEST_F(NetWareTable, WithoutTheClientTheTableStaysUnloadedAndEachCallTriesAgain) {
  // What this platform says of a library that is not there (the 9x line has a code of its own).
  ASSERT_EQ(LoadLibraryA("zr-no-such-library.dll"), nullptr);
  const DWORD notThere = GetLastError();
  ASSERT_NE(notThere, 0u);
  unsigned long error = 0;
  CNWFunc* table = GetNWFuncTable(&error);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(error, notThere);
  EXPECT_EQ(table->m_bLoaded, 0);
  EXPECT_EQ(table->m_hCalWin32, nullptr);

  zrnetware::SetClientLoaderForTesting(&kStandInLoader);
  Loader::missing = "calwin32.dll";
  error = 0;
  EXPECT_EQ(GetNWFuncTable(&error), table);
  EXPECT_EQ(error, kModNotFound);
  Loader::missing = "NWDSWhoAmI";
  error = 0;
  GetNWFuncTable(&error);
  EXPECT_EQ(error, kProcNotFound);
  EXPECT_EQ(Loader::loads.size(), 1u + 5u);
  EXPECT_EQ(table->m_bLoaded, 0);
  GetNWFuncTable(nullptr);  // the error may be left out
}

TEST_F(NetWareTable, TheNamesAndTheirOrder) {
  const char* const libraries[] = {"calwin32.dll", "clxwin32.dll", "prtwin32.dll", "locwin32.dll", "netwin32.dll"};
  for (int i = 0; i < 5; ++i) EXPECT_STREQ(zrnetware::c_lpszClientLibraries[i], libraries[i]);
  EXPECT_STREQ(zrnetware::c_lpszClientFunctions[0], "NWCallsInit");
  EXPECT_STREQ(zrnetware::c_lpszClientFunctions[18], "NWFreeUnicodeTables");
  EXPECT_STREQ(zrnetware::c_lpszClientFunctions[19], "NWDSCreateContext");
  EXPECT_STREQ(zrnetware::c_lpszClientFunctions[44], "NWIsDSServer");
  EXPECT_STREQ(zrnetware::c_lpszClientFunctions[64], "NWCCOpenConnByRef");
  EXPECT_STREQ(zrnetware::c_lpszClientFunctions[67], "NWDSWhoAmI");
}

// Any one library or entry missing, even one no lookup calls, leaves the
// table unloaded with the platform's code; the libraries found are kept.
class MissingPiece : public NetWareTable, public testing::WithParamInterface<const char*> {};

TEST_P(MissingPiece, LeavesTheTableUnloaded) {
  zrnetware::SetClientLoaderForTesting(&kStandInLoader);
  Loader::missing = GetParam();
  const bool isLibrary = std::strstr(GetParam(), ".dll") != nullptr;
  CNWFunc table;
  unsigned long error = 0;
  table.Load(&error);
  EXPECT_EQ(table.m_bLoaded, 0);
  EXPECT_EQ(error, isLibrary ? kModNotFound : kProcNotFound);
  EXPECT_EQ(table.m_pfnNWDSWhoAmI, nullptr);  // the last entry is never reached
  if (!isLibrary) {
    EXPECT_NE(table.m_hNetWin32, nullptr);
  }
}

std::vector<const char*> AllPieces() {
  std::vector<const char*> names(zrnetware::c_lpszClientLibraries, zrnetware::c_lpszClientLibraries + 5);
  names.insert(names.end(), zrnetware::c_lpszClientFunctions, zrnetware::c_lpszClientFunctions + 68);
  return names;
}

std::string PieceName(const testing::TestParamInfo<const char*>& info) {
  std::string name = info.param;
  for (char& c : name) {
    if (c == '.') c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(EachLibraryAndEntry, MissingPiece, testing::ValuesIn(AllPieces()), PieceName);

template <typename R, typename... A>
R CallWithNothing(CNWFunc& table, R (CNWFunc::*member)(A...)) {
  return (table.*member)(A()...);
}

TEST_F(NetWareTable, AnUnloadedTableAnswersWithoutCallingAnything) {
  zrnetware::SetClientLoaderForTesting(&kStandInLoader);
  Loader::missing = "NWDSWhoAmI";
  CNWFunc table;
  table.Load(nullptr);
  ASSERT_EQ(table.m_bLoaded, 0);
  ASSERT_NE(table.m_pfnNWCallsInit, nullptr);  // found, and still not called
#define ZR_NW_CHECK(library, name, result, notLoaded, params, args) \
  EXPECT_EQ(CallWithNothing(table, &CNWFunc::name), notLoaded) << #name;
  ZR_NW_CLIENT_FUNCTIONS(ZR_NW_CHECK)
#undef ZR_NW_CHECK
  EXPECT_EQ(table.NWDSCreateContext(), static_cast<NWDSContextHandle>(-328));
  EXPECT_EQ(table.NWLlocaleconv(nullptr), nullptr);
  EXPECT_EQ(table.NWScanObject(0, "*", 0x0905, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), -1);
}

TEST_F(NetWareTable, ALoadedTableForwardsAndReleasesTheLibrariesInOrder) {
  zrnetware::SetClientLoaderForTesting(&kStandInLoader);
  std::vector<HMODULE> handles;
  {
    CNWFunc table;
    unsigned long error = 0;
    table.Load(&error);
    ASSERT_EQ(table.m_bLoaded, 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(table.NWCallsInit(nullptr, nullptr), 0);
    handles = {table.m_hCalWin32, table.m_hClxWin32, table.m_hPrtWin32, table.m_hLocaleWin32, table.m_hNetWin32};
  }
  EXPECT_EQ(Loader::freed, handles);
}

// A failed load keeps what it found; the next attempt lets go of that first,
// so however often a broken client is tried, no reference is left behind.
TEST_F(NetWareTable, ARetriedLoadFirstReleasesWhatTheFailedOneKept) {
  zrnetware::SetClientLoaderForTesting(&kStandInLoader);
  struct Case {
    const char* missing;
    std::size_t kept;  // libraries found before the missing piece
  } cases[] = {{"prtwin32.dll", 2}, {"NWDSWhoAmI", 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    SetUp();
    Loader::missing = c.missing;
    {
      CNWFunc table;
      table.Load(nullptr);
      ASSERT_EQ(Loader::loaded.size(), c.kept);
      EXPECT_TRUE(Loader::freed.empty());
      const std::vector<HMODULE> first = Loader::loaded;
      for (int attempt = 2; attempt <= 3; ++attempt) {
        table.Load(nullptr);
        EXPECT_EQ(table.m_bLoaded, 0);
        // The kept ones, released before this attempt loaded anew.
        EXPECT_EQ(Loader::freed.size(), (attempt - 1) * c.kept);
        EXPECT_EQ(std::vector<HMODULE>(Loader::freed.end() - static_cast<long>(c.kept), Loader::freed.end()), first);
      }
      // Then the client is mended: the table loads and keeps one reference to each.
      Loader::missing.clear();
      table.Load(nullptr);
      EXPECT_EQ(table.m_bLoaded, 1);
      EXPECT_EQ(Loader::loaded.size() - Loader::freed.size(), 5u);
    }
    EXPECT_EQ(Loader::freed.size(), Loader::loaded.size());
  }
}

// Last: once loaded, the process-wide table stays loaded and is not loaded again.
TEST_F(NetWareTable, TheProcessTableLoadsOnce) {
  zrnetware::SetClientLoaderForTesting(&kStandInLoader);
  unsigned long error = 0;
  CNWFunc* table = GetNWFuncTable(&error);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(table->m_bLoaded, 1);
  std::size_t loads = Loader::loads.size();
  error = 0;
  GetNWFuncTable(&error);
  EXPECT_EQ(Loader::loads.size(), loads);
  EXPECT_EQ(error, 0u);
}

}  // namespace
