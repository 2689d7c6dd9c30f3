// The address store has one fixed key, HKEY_CURRENT_USER\<c_lpszKeyPath_AddrRes>.
// Natively each test's registry is private, so the key starts missing. Under
// Wine the prefix serves the whole run and the key may be there already:
// a test that needs it missing sets its contents aside and gets them back
// when it ends. Declare the aside before the RegistrySandbox, so that the
// contents come back after the sandbox has removed what the test made.
// Test programs that use it hold the ctest lock "zr_store_key".
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/Registry.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/RegistrySeed.h"
#include "vdoem/VdOem.h"

namespace zrtest {

inline std::string StoreKeyFullPath() { return std::string("HKEY_CURRENT_USER\\") + c_lpszKeyPath_AddrRes; }

class StoreKeyAside {
 public:
  StoreKeyAside() = default;
  StoreKeyAside(const StoreKeyAside&) = delete;
  StoreKeyAside& operator=(const StoreKeyAside&) = delete;

  ~StoreKeyAside() {
    if (m_saved.empty()) return;
    testing::AssertionResult restored = SeedRegistry(m_saved);
    if (!restored) ADD_FAILURE() << "the store key's old contents did not come back: " << restored.message();
  }

  // Empties the way for the test: the key is missing afterwards, and the
  // current sandbox removes it again if the test creates it.
  testing::AssertionResult SetAside() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
      RegCloseKey(key);
      testing::AssertionResult dumped = DumpRegistry(StoreKeyFullPath(), &m_saved);
      if (!dumped) return dumped;
      LONG rc = RegDeleteTreeA(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes);
      if (rc != ERROR_SUCCESS) return testing::AssertionFailure() << "cannot delete the store key: " << rc;
    }
    if (RegistrySandbox* sandbox = RegistrySandbox::Current()) {
      sandbox->TrackKey(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes);
    }
    return testing::AssertionSuccess();
  }

 private:
  std::string m_saved;
};

// A value of the store key as the registry holds it, past the library.
struct StoreValue {
  LONG rc = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::string data;  // every byte, terminator included
};

inline StoreValue ReadStoreValue(const char* valueName) {
  StoreValue value;
  HKEY key = nullptr;
  value.rc = RegOpenKeyExA(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, 0, KEY_QUERY_VALUE, &key);
  if (value.rc != ERROR_SUCCESS) return value;
  char data[2048];
  DWORD size = sizeof data;
  value.rc = RegQueryValueExA(key, valueName, nullptr, &value.type, reinterpret_cast<LPBYTE>(data), &size);
  if (value.rc == ERROR_SUCCESS) value.data.assign(data, size);
  RegCloseKey(key);
  return value;
}

}  // namespace zrtest
