// The registry used from several threads at once: writers through their own
// handles and through one shared handle, readers opening and closing keys.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/Registry.h"
#include "tests/support/RegistryFixture.h"

namespace {

TEST(RegistryThreads, ConcurrentWritersLoseNothing) {
  zrtest::RegistrySandbox sandbox;
  HKEY shared = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, sandbox.ScratchPath().c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &shared, nullptr));
  constexpr int kThreads = 4;
  constexpr int kValues = 25;
  std::atomic<int> failures{0};
  std::atomic<bool> writing{true};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      // Even threads write through the shared handle, odd ones through their own.
      HKEY key = shared;
      if (t % 2 == 1 && RegOpenKeyExA(HKEY_CURRENT_USER, sandbox.ScratchPath().c_str(), 0, KEY_ALL_ACCESS, &key) !=
                            ERROR_SUCCESS) {
        ++failures;
        return;
      }
      for (DWORD i = 0; i < kValues; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "t%d-%02u", t, static_cast<unsigned>(i));
        DWORD value = static_cast<DWORD>(t * 1000) + i;
        if (RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) !=
            ERROR_SUCCESS) {
          ++failures;
        }
        DWORD back = 0;
        DWORD size = sizeof back;
        if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&back), &size) != ERROR_SUCCESS ||
            back != value) {
          ++failures;
        }
      }
      if (key != shared) RegCloseKey(key);
    });
  }
  // A reader opening, querying and closing handles all the while.
  std::thread reader([&] {
    while (writing) {
      HKEY key = nullptr;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, sandbox.ScratchPath().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        ++failures;
        return;
      }
      char name[32];
      DWORD length = sizeof name;
      LONG rc = RegEnumValueA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (rc != ERROR_SUCCESS && rc != ERROR_NO_MORE_ITEMS) ++failures;
      if (RegCloseKey(key) != ERROR_SUCCESS) ++failures;
    }
  });
  for (std::thread& thread : threads) thread.join();
  writing = false;
  reader.join();
  EXPECT_EQ(0, failures.load());

  for (int t = 0; t < kThreads; ++t) {
    for (DWORD i = 0; i < kValues; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "t%d-%02u", t, static_cast<unsigned>(i));
      DWORD value = 0;
      DWORD size = sizeof value;
      ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(shared, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size))
          << name;
      EXPECT_EQ(static_cast<DWORD>(t * 1000) + i, value) << name;
    }
  }
  RegCloseKey(shared);
}

}  // namespace
