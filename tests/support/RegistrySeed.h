// Loading small registry fixtures from .reg text, and reading keys back as
// text, through the registry calls of the target (Wine's registry or the
// native hive files). What a seed creates is undone by the current
// RegistrySandbox; keys and values a seed deletes are not brought back.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace zrtest {

// Applies a .reg text (REGEDIT4, or version 5.00 in UTF-8 or UTF-16LE).
// ASSERT_TRUE(zrtest::SeedRegistry(R"(REGEDIT4
// [HKEY_LOCAL_MACHINE\Software\ZrAddrRes\Ports\LPT1]
// "Address"="10.0.0.1"
// )"));
[[nodiscard]] testing::AssertionResult SeedRegistry(const std::string& regText);
[[nodiscard]] testing::AssertionResult SeedRegistryFile(const std::string& path);

// The key named by "HKEY_...\path" and everything below it as REGEDIT4 text
// (the form WriteRegText gives); a failure message when it cannot be read.
[[nodiscard]] testing::AssertionResult DumpRegistry(const std::string& fullPath, std::string* text);

}  // namespace zrtest
