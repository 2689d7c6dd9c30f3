#include "tests/support/Mode.h"

#include "platform/CodePage.h"
#include "platform/Version.h"

namespace zrtest {

Line WindowsLine() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExA(&info);
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    if (info.dwMajorVersion == 4) return Line::NT4;
    if (info.dwMajorVersion >= 5) return Line::NT5OrLater;
    return Line::Other;
  }
  if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    if (info.dwMinorVersion == 0) return Line::Win95;
    if (info.dwMinorVersion <= 10) return Line::Win98;
    return Line::WinMe;
  }
  return Line::Other;
}

const char* LineName(Line line) {
  switch (line) {
    case Line::Win95: return "win95";
    case Line::Win98: return "win98";
    case Line::WinMe: return "winme";
    case Line::NT4: return "nt40";
    case Line::NT5OrLater: return "nt5+";
    default: return "other";
  }
}

unsigned CodePage() { return GetACP(); }

bool IsWindowsBuild() { return ZR_TARGET_WINDOWS != 0; }

std::string ModeName() {
  return std::string(IsWindowsBuild() ? "windows " : "native ") + LineName(WindowsLine()) + " cp" +
         std::to_string(CodePage());
}

}  // namespace zrtest
