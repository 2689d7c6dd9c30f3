// POSIX modules: dlopen/dlsym behind the Win32 names. The socket library
// "ws2_32.dll" is built in: its name-service and datagram entries call the C
// library's and report failures with Winsock's codes, so callers see what
// Windows gives them.
#include "platform/Modules.h"

#include <dlfcn.h>
#include <link.h>
#include <strings.h>

#include <cstring>

#include "platform/Sockets.h"
#include "platform/posix/SocketEntries.h"

namespace {

thread_local DWORD t_lastError = 0;

struct BuiltinModule {
  const char* name;
};
BuiltinModule g_ws2_32{"ws2_32.dll"};

int WinsockErrorFromAddrInfo(int code) {
  switch (code) {
    case 0: return 0;
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_BADFLAGS: return WSAEINVAL;
    case EAI_FAIL: return WSANO_RECOVERY;
    case EAI_FAMILY: return WSAEAFNOSUPPORT;
    case EAI_MEMORY: return WSA_NOT_ENOUGH_MEMORY;
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
#ifdef EAI_NODATA
    case EAI_NODATA: return WSANO_DATA;
#endif
    case EAI_SERVICE: return WSATYPE_NOT_FOUND;
    case EAI_SOCKTYPE: return WSAESOCKTNOSUPPORT;
    case EAI_OVERFLOW: return WSAEFAULT;
    default: return WSANO_RECOVERY;
  }
}

int WSAAPI Ws2GetAddrInfo(const char* node, const char* service, const addrinfo* hints, addrinfo** result) {
  int rc = WinsockErrorFromAddrInfo(::getaddrinfo(node, service, hints, result));
  WSASetLastError(rc);
  return rc;
}

void WSAAPI Ws2FreeAddrInfo(addrinfo* list) {
  if (list) ::freeaddrinfo(list);
}

int WSAAPI Ws2GetNameInfo(const sockaddr* address, socklen_t length, char* host, DWORD hostLength, char* service,
                          DWORD serviceLength, int flags) {
  int rc = WinsockErrorFromAddrInfo(::getnameinfo(address, length, host, hostLength, service, serviceLength, flags));
  WSASetLastError(rc);
  return rc;
}

FARPROC Ws2Entry(const char* name) {
  struct Entry {
    const char* name;
    FARPROC proc;
  };
  static const Entry entries[] = {
      {"getaddrinfo", reinterpret_cast<FARPROC>(&Ws2GetAddrInfo)},
      {"freeaddrinfo", reinterpret_cast<FARPROC>(&Ws2FreeAddrInfo)},
      {"getnameinfo", reinterpret_cast<FARPROC>(&Ws2GetNameInfo)},
      {"gethostbyname", reinterpret_cast<FARPROC>(&::gethostbyname)},
      {"gethostbyaddr", reinterpret_cast<FARPROC>(&::gethostbyaddr)},
      {"inet_addr", reinterpret_cast<FARPROC>(&::inet_addr)},
      {"inet_ntoa", reinterpret_cast<FARPROC>(&::inet_ntoa)},
      {"socket", reinterpret_cast<FARPROC>(&zrplatform::posix::Ws2Socket)},
      {"setsockopt", reinterpret_cast<FARPROC>(&zrplatform::posix::Ws2SetSockOpt)},
      {"sendto", reinterpret_cast<FARPROC>(&zrplatform::posix::Ws2SendTo)},
      {"select", reinterpret_cast<FARPROC>(&zrplatform::posix::Ws2Select)},
      {"recvfrom", reinterpret_cast<FARPROC>(&zrplatform::posix::Ws2RecvFrom)},
      {"closesocket", reinterpret_cast<FARPROC>(&zrplatform::posix::Ws2CloseSocket)},
      {"WSAGetLastError", reinterpret_cast<FARPROC>(&zrplatform::posix::Ws2GetLastError)},
  };
  for (const Entry& e : entries) {
    if (std::strcmp(e.name, name) == 0) return e.proc;
  }
  return nullptr;
}

bool DefinedBy(void* module, void* symbol) {
  link_map* owner = nullptr;
  link_map* symbolOwner = nullptr;
  Dl_info info;
  if (dlinfo(module, RTLD_DI_LINKMAP, &owner) != 0) return false;
  if (dladdr1(symbol, &info, reinterpret_cast<void**>(&symbolOwner), RTLD_DL_LINKMAP) == 0) return false;
  return owner == symbolOwner;
}

bool IsBuiltin(HMODULE module) { return module == reinterpret_cast<HMODULE>(&g_ws2_32); }

}  // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) { t_lastError = code; }

HMODULE LoadLibraryA(LPCSTR name) {
  if (name == nullptr || *name == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (strcasecmp(name, "ws2_32.dll") == 0 || strcasecmp(name, "ws2_32") == 0) {
    return reinterpret_cast<HMODULE>(&g_ws2_32);
  }
  void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  FARPROC proc = nullptr;
  if (module == nullptr || name == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (IsBuiltin(module)) {
    proc = Ws2Entry(name);
  } else {
    proc = reinterpret_cast<FARPROC>(dlsym(static_cast<void*>(module), name));
    // dlsym also searches the module's dependencies; a DLL's exports are its own.
    if (proc != nullptr && !DefinedBy(static_cast<void*>(module), reinterpret_cast<void*>(proc))) proc = nullptr;
  }
  if (proc == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
  return proc;
}

HMODULE GetModuleHandleA(LPCSTR name) {
  if (name == nullptr) return nullptr;
  if (strcasecmp(name, "ws2_32.dll") == 0 || strcasecmp(name, "ws2_32") == 0) {
    return reinterpret_cast<HMODULE>(&g_ws2_32);
  }
  void* handle = dlopen(name, RTLD_LAZY | RTLD_NOLOAD);
  if (handle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  dlclose(handle);  // RTLD_NOLOAD still counted a reference
  return static_cast<HMODULE>(handle);
}

BOOL FreeLibrary(HMODULE module) {
  if (module == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (IsBuiltin(module)) return TRUE;
  return dlclose(static_cast<void*>(module)) == 0 ? TRUE : FALSE;
}
