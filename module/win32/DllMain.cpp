// The DLL's entry routine: Windows Sockets are started for the process when
// the library is loaded; if they cannot be, the user is told and the load refused.
#include "module/ModuleStartup.h"
#include "platform/Types.h"

namespace {

HINSTANCE g_module = nullptr;

int StartWindowsSockets() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data);
}

void ShowStartupError(unsigned id) {
  char text[256] = {};
  if (LoadStringA(g_module, id, text, sizeof text) <= 0) return;
  MessageBoxA(nullptr, text, nullptr, MB_OK);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      g_module = instance;
      DisableThreadLibraryCalls(instance);
      return zrmodule::StartModule(&StartWindowsSockets, &ShowStartupError) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      WSACleanup();
      return TRUE;
    default:
      return TRUE;
  }
}
