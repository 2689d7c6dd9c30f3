#include "lookup/SocketLibrary.h"

#include <atomic>
#include <string>

#include "platform/Modules.h"

namespace zrlookup {

namespace {

// Set without a lock: two first constructors racing may both load the library,
// which only raises its reference count.
std::atomic<HMODULE> g_socketLibrary{nullptr};

std::string& LibraryName() {
  static std::string name = "ws2_32.dll";
  return name;
}

}  // namespace

HMODULE SocketLibrary() { return g_socketLibrary.load(std::memory_order_acquire); }

HMODULE LoadSocketLibrary() {
  HMODULE handle = SocketLibrary();
  if (handle == nullptr) {
    handle = LoadLibraryA(LibraryName().c_str());
    g_socketLibrary.store(handle, std::memory_order_release);
  }
  return handle;
}

void SetSocketLibraryNameForTesting(const char* name) { LibraryName() = name ? name : "ws2_32.dll"; }

void ForgetSocketLibraryForTesting() { g_socketLibrary.store(nullptr, std::memory_order_release); }

}  // namespace zrlookup
