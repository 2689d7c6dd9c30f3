// The values the POSIX platform accepts in the environment settings that
// stand in for a Windows machine's own: ZRADDRRES_WINVER (the Windows line
// GetVersionExA reports) and ZRADDRRES_ACP (the ANSI code page).
#pragma once

#include <string>

namespace zrplatform {
namespace posix {

bool IsWindowsLineName(const char* name);
std::string WindowsLineNames();  // "win95, win98, …"

bool IsCodePageName(const char* text);
std::string CodePageNames();  // "1252, 932"

}  // namespace posix
}  // namespace zrplatform
