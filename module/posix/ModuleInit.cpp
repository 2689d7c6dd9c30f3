// The shared object's counterpart of the DLL entry routine: the same start-up
// runs when the library is loaded. The string table lives here as an array.
#include <cstdio>

#include "module/ModuleStartup.h"
#include "platform/Dialogs.h"
#include "platform/Sockets.h"

namespace {

const char* StringTableEntry(unsigned id) {
  switch (id) {
    case zrmodule::kIdsSocketInitFailed: return "Failed to initialize Windows Socket.";
    default: return nullptr;
  }
}

int StartSockets() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data);
}

void ShowStartupError(unsigned id) {
  if (const char* text = StringTableEntry(id)) MessageBoxA(nullptr, text, nullptr, MB_OK);
}

}  // namespace

// The shared object's LoadStringA: copies string table entry id into buffer
// (truncated to size - 1 bytes) and returns its length, or 0 when there is none.
extern "C" __attribute__((visibility("default"))) int ZrAddrResLoadString(unsigned id, char* buffer, int size) {
  const char* text = StringTableEntry(id);
  if (text == nullptr || buffer == nullptr || size <= 0) return 0;
  int length = std::snprintf(buffer, static_cast<std::size_t>(size), "%s", text);
  return length < size ? length : size - 1;
}

namespace {

__attribute__((constructor)) void LoadZrAddrRes() {
  // A shared object cannot refuse its load; the message still tells the user.
  zrmodule::StartModule(&StartSockets, &ShowStartupError);
}

__attribute__((destructor)) void UnloadZrAddrRes() { WSACleanup(); }

}  // namespace
