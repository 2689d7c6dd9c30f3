// POSIX modules: dlopen/dlsym behind the Win32 names. Three system libraries
// are built in: the socket library "ws2_32.dll", whose name-service and
// datagram entries call the C library's and report failures with Winsock's
// codes, and the share-list libraries "NETAPI32.DLL" and "SVRAPI.DLL"
// (posix/NetApi.cpp). As on Windows, a bare name first finds a module already
// loaded from a file of that name, so a stand-in loaded by path is what the
// library then gets.
#include "platform/Modules.h"

#include <dlfcn.h>
#include <link.h>
#include <strings.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/Sockets.h"
#include "platform/posix/SocketEntries.h"
#include "platform/posix/NetApiModules.h"

namespace {

thread_local DWORD t_lastError = 0;

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

struct BuiltinModule {
  const char* name;
  const char* shortName;
  FARPROC (*entry)(const char* name);
  bool (*attach)();  // null when nothing has to be loaded first
};
BuiltinModule g_builtins[] = {
    {"ws2_32.dll", "ws2_32", &Ws2Entry, nullptr},
    {"netapi32.dll", "netapi32", &zrplatform::NetApi32Entry, &zrplatform::AttachNetApi},
    {"svrapi.dll", "svrapi", &zrplatform::SvrApiEntry, &zrplatform::AttachNetApi},
};

BuiltinModule* FindBuiltin(const char* name) {
  for (BuiltinModule& module : g_builtins) {
    if (strcasecmp(name, module.name) == 0 || strcasecmp(name, module.shortName) == 0) return &module;
  }
  return nullptr;
}

BuiltinModule* AsBuiltin(HMODULE handle) {
  for (BuiltinModule& module : g_builtins) {
    if (handle == reinterpret_cast<HMODULE>(&module)) return &module;
  }
  return nullptr;
}

// The modules loaded through dlopen, with the name they were loaded by and
// their count of loads, so a bare name can find one by its file name.
struct LoadedModule {
  std::string name;
  std::string fileName;
  unsigned long order;
  int loads;
};

// Made on first use and never destroyed: modules are loaded from static
// constructors and released from static destructors of other files.
struct LoadedModules {
  std::mutex mutex;
  std::map<void*, LoadedModule> modules;
  unsigned long order = 0;
};

LoadedModules& Loaded() {
  static LoadedModules* loaded = new LoadedModules;
  return *loaded;
}

const char* FileNameOf(const char* name) {
  const char* slash = std::strrchr(name, '/');
  return slash ? slash + 1 : name;
}

// A module loaded from a file of that name; the first one loaded when several were.
const LoadedModule* FindLoadedByFileName(const char* fileName) {
  const LoadedModule* first = nullptr;
  for (const auto& entry : Loaded().modules) {
    if (strcasecmp(entry.second.fileName.c_str(), fileName) == 0 && (!first || entry.second.order < first->order)) {
      first = &entry.second;
    }
  }
  return first;
}

HMODULE Open(const std::string& name) {
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  LoadedModule& entry = Loaded().modules[handle];
  if (entry.loads++ == 0) {
    entry.name = name;
    entry.fileName = FileNameOf(name.c_str());
    entry.order = ++Loaded().order;
  }
  return static_cast<HMODULE>(handle);
}

}  // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) { t_lastError = code; }

HMODULE LoadLibraryA(LPCSTR name) {
  if (name == nullptr || *name == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(Loaded().mutex);
  if (std::strchr(name, '/') == nullptr) {
    if (const LoadedModule* loaded = FindLoadedByFileName(name)) return Open(loaded->name);
    if (BuiltinModule* builtin = FindBuiltin(name)) {
      if (builtin->attach && !builtin->attach()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
      }
      return reinterpret_cast<HMODULE>(builtin);
    }
  }
  return Open(name);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  FARPROC proc = nullptr;
  if (module == nullptr || name == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (BuiltinModule* builtin = AsBuiltin(module)) {
    proc = builtin->entry(name);
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
  if (BuiltinModule* builtin = FindBuiltin(name)) return reinterpret_cast<HMODULE>(builtin);
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
  if (AsBuiltin(module)) return TRUE;
  LoadedModules& loaded = Loaded();
  std::lock_guard<std::mutex> lock(loaded.mutex);
  auto entry = loaded.modules.find(static_cast<void*>(module));
  if (entry != loaded.modules.end() && --entry->second.loads == 0) loaded.modules.erase(entry);
  return dlclose(static_cast<void*>(module)) == 0 ? TRUE : FALSE;
}
