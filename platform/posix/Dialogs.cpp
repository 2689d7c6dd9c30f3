// POSIX MessageBoxA: there is no desktop to show a box on, so the text goes
// to standard error as one line and the box counts as answered with OK.
#include "platform/Dialogs.h"

#include <cstdio>

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
  std::fprintf(stderr, "%s%s%s\n", caption ? caption : "", caption ? ": " : "", text ? text : "");
  std::fflush(stderr);
  return IDOK;
}
