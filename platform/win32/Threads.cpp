#include "platform/Threads.h"

namespace zrplatform {

// An aligned 32-bit read is atomic on Windows; volatile keeps it from being cached.
int AtomicRead(const int* value) { return *static_cast<const volatile int*>(value); }

int AtomicAdd(int* value, int delta) {
  static_assert(sizeof(LONG) == sizeof(int), "a LONG is the counter's 32 bits");
  return static_cast<int>(InterlockedExchangeAdd(reinterpret_cast<volatile LONG*>(value), delta)) + delta;
}

}  // namespace zrplatform

namespace zrplatform {

HMODULE HoldModuleOf(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, static_cast<LPCSTR>(address), &module)) {
    return nullptr;
  }
  return module;
}

void ExitThreadReleasingModule(HMODULE module, DWORD code) {
  // The hold is dropped by the system after the thread has left our code.
  if (module != nullptr) FreeLibraryAndExitThread(module, code);
}

}  // namespace zrplatform
