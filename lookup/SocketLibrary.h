// The process-wide handle of the socket library "ws2_32.dll", loaded at run
// time by the first resolver and never released. The IPv6 test and the name
// lookups find getaddrinfo and its companions in it.
#pragma once

#include "platform/Types.h"

namespace zrlookup {

// The handle, or null while no load has succeeded.
HMODULE SocketLibrary();

// Loads the library if no load has succeeded yet, and returns the handle
// (null when this load failed too; the next call tries again).
HMODULE LoadSocketLibrary();

// Tests load another module in its place (a fake, or a name that cannot be
// found), and forget the handle so the next resolver loads again.
void SetSocketLibraryNameForTesting(const char* name);
void ForgetSocketLibraryForTesting();

}  // namespace zrlookup
