// What the forward and reverse lookups share: starting the worker, waiting for
// it with the time-out, and giving up on it.
#pragma once

#include <cstdint>

#include "framework/WinThread.h"
#include "lookup/LookupCall.h"
#include "platform/Sockets.h"

namespace zrlookup {

// The name-service entries a worker uses, from the run-time socket library
// when it is loaded (so a stand-in library can take its place), else linked.
struct NameService {
  zrplatform::GetAddrInfoFn getAddrInfo = nullptr;
  zrplatform::FreeAddrInfoFn freeAddrInfo = nullptr;
  zrplatform::GetNameInfoFn getNameInfo = nullptr;
  hostent*(WSAAPI* getHostByName)(const char* name) = nullptr;
  hostent*(WSAAPI* getHostByAddr)(const char* address, int length, int family) = nullptr;

  explicit NameService(HMODULE socketLibrary);
  bool ProtocolIndependent() const { return getAddrInfo && freeAddrInfo && getNameInfo; }
};

// After the blocking call: true when the caller has given up on this worker,
// told by the quit message in the thread's queue or by the call's own flag;
// the worker's line saying so (format with one %s, the input) is then logged.
bool GaveUp(const CLookupCall& call, const char* format, const char* input);

// Whether a host name holds a backslash. A byte 0x5C that is the second byte
// of a double-byte character (as in many code page 932 names) is not one.
bool HasBackslash(const char* name);

// Creates the thread's message queue, so the caller can post the quit message.
void CreateMessageQueue();

// The low 32 bits of a pointer, as the trace prints pointers with "0x%08x".
inline unsigned PointerBits(const void* pointer) {
  return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(pointer) & 0xFFFFFFFFu);
}

}  // namespace zrlookup
