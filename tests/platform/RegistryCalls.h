// The registry calls the registry tests make again and again, each as one
// call: make a key, set a text, read a text back.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/Registry.h"

namespace zrtest {

// Creates (or opens) root\path with full access; a failure fails the test.
inline HKEY Create(HKEY root, const char* path) {
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  return key;
}

// Sets a REG_SZ value with its terminator.
inline LONG SetText(HKEY key, const char* name, const std::string& text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

// The text of a value of root\path, or "error N" when a call fails.
inline std::string Query(HKEY root, const char* path, const char* name) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key);
  if (rc != ERROR_SUCCESS) return "error " + std::to_string(rc);
  char text[256] = {};
  DWORD size = sizeof text - 1;
  rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? std::string(text) : "error " + std::to_string(rc);
}

// The same for a value of an open key.
inline std::string Query(HKEY key, const char* name) { return Query(key, "", name); }

}  // namespace zrtest
