// The built-in share-list modules of the POSIX module loader (posix/Modules.cpp):
// the entries of "NETAPI32.DLL" and "SVRAPI.DLL", served by posix/NetApi.cpp.
#pragma once

#include "platform/Types.h"

namespace zrplatform {

// Loads Samba's libnetapi on first use; false when it cannot be had, and a
// load of either module then fails as a missing library does on Windows.
bool AttachNetApi();

FARPROC NetApi32Entry(const char* name);
FARPROC SvrApiEntry(const char* name);

}  // namespace zrplatform
