// Which mode the test process runs in: the Windows line and the ANSI code page,
// as the platform reports them (Wine's per-application version and locale, or
// the POSIX overrides ZRADDRRES_WINVER and ZRADDRRES_ACP).
#pragma once

#include <string>

namespace zrtest {

enum class Line { Win95, Win98, WinMe, NT4, NT5OrLater, Other };

Line WindowsLine();
const char* LineName(Line line);
unsigned CodePage();
bool IsWindowsBuild();
std::string ModeName();

}  // namespace zrtest

// Skips the rest of a test outside the mode it means something in, saying why.
#define ZR_SKIP_UNLESS(condition, why)                   \
  do {                                                   \
    if (!(condition)) GTEST_SKIP() << (why);              \
  } while (0)
