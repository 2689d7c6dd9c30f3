#include "lookup/LookupWorker.h"

#include "platform/Modules.h"
#include "resolver/LogSession.h"

namespace zrlookup {

NameService::NameService(HMODULE socketLibrary) {
  if (socketLibrary != nullptr) {
    getAddrInfo = reinterpret_cast<zrplatform::GetAddrInfoFn>(GetProcAddress(socketLibrary, "getaddrinfo"));
    freeAddrInfo = reinterpret_cast<zrplatform::FreeAddrInfoFn>(GetProcAddress(socketLibrary, "freeaddrinfo"));
    getNameInfo = reinterpret_cast<zrplatform::GetNameInfoFn>(GetProcAddress(socketLibrary, "getnameinfo"));
    getHostByName = reinterpret_cast<decltype(getHostByName)>(GetProcAddress(socketLibrary, "gethostbyname"));
    getHostByAddr = reinterpret_cast<decltype(getHostByAddr)>(GetProcAddress(socketLibrary, "gethostbyaddr"));
  }
  if (getHostByName == nullptr) getHostByName = &::gethostbyname;
  if (getHostByAddr == nullptr) {
    getHostByAddr = reinterpret_cast<decltype(getHostByAddr)>(&::gethostbyaddr);
  }
}

bool HasBackslash(const char* name) { return name != nullptr && CString(name).Find('\\') >= 0; }

void CreateMessageQueue() {
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
}

bool GaveUp(const CLookupCall& call, const char* format, const char* input) {
  MSG msg;
  bool quitMessage = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_QUIT;
  if (!quitMessage && !call.m_bAbandoned.load()) return false;
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, format, input);
  return true;
}

}  // namespace zrlookup
