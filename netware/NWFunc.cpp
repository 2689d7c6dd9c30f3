// Loading the NetWare client's libraries and forwarding calls to them.
#include "netware/NWFunc.h"

#include "platform/Threads.h"

namespace zrnetware {

const char* const c_lpszClientLibraries[5] = {"calwin32.dll", "clxwin32.dll", "prtwin32.dll", "locwin32.dll",
                                              "netwin32.dll"};
const char* const c_lpszClientFunctions[68] = {
#define ZR_NW_NAME(library, name, result, notLoaded, params, args) #name,
    ZR_NW_CLIENT_FUNCTIONS(ZR_NW_NAME)
#undef ZR_NW_NAME
};

namespace {

HMODULE PlatformLoadLibrary(const char* name) { return ::LoadLibraryA(name); }
FARPROC PlatformGetProcAddress(HMODULE module, const char* name) { return ::GetProcAddress(module, name); }
BOOL PlatformFreeLibrary(HMODULE module) { return ::FreeLibrary(module); }

const ClientLoader c_platformLoader = {&PlatformLoadLibrary, &PlatformGetProcAddress, &PlatformFreeLibrary};
const ClientLoader* g_loader = &c_platformLoader;

}  // namespace

void SetClientLoaderForTesting(const ClientLoader* loader) { g_loader = loader ? loader : &c_platformLoader; }

}  // namespace zrnetware

CNWFunc::CNWFunc()
    : m_bLoaded(0), m_hCalWin32(nullptr), m_hClxWin32(nullptr), m_hPrtWin32(nullptr), m_hLocaleWin32(nullptr),
      m_hNetWin32(nullptr) {
#define ZR_NW_CLEAR(library, name, result, notLoaded, params, args) m_pfn##name = nullptr;
  ZR_NW_CLIENT_FUNCTIONS(ZR_NW_CLEAR)
#undef ZR_NW_CLEAR
}

CNWFunc::~CNWFunc() { ReleaseLibraries(); }

void CNWFunc::ReleaseLibraries() {
  HMODULE* const handles[] = {&m_hCalWin32, &m_hClxWin32, &m_hPrtWin32, &m_hLocaleWin32, &m_hNetWin32};
  for (HMODULE* handle : handles) {
    if (*handle != nullptr) zrnetware::g_loader->freeLibrary(*handle);
    *handle = nullptr;
  }
}

void CNWFunc::Load(unsigned long* error) {
  unsigned long ignored = 0;
  if (error == nullptr) error = &ignored;
  // A failed attempt keeps the libraries it found; let go of them before
  // trying again, or every retry would add a reference that is never released.
  ReleaseLibraries();
  m_bLoaded = 0;
#define ZR_NW_CLEAR(library, name, result, notLoaded, params, args) m_pfn##name = nullptr;
  ZR_NW_CLIENT_FUNCTIONS(ZR_NW_CLEAR)
#undef ZR_NW_CLEAR

  const zrnetware::ClientLoader& loader = *zrnetware::g_loader;
  HMODULE* const handles[] = {&m_hCalWin32, &m_hClxWin32, &m_hPrtWin32, &m_hLocaleWin32, &m_hNetWin32};
  for (int i = 0; i < 5; ++i) {
    *handles[i] = loader.loadLibrary(zrnetware::c_lpszClientLibraries[i]);
    if (*handles[i] == nullptr) {
      *error = GetLastError();
      return;
    }
  }
  const HMODULE calwin32 = m_hCalWin32, clxwin32 = m_hClxWin32, prtwin32 = m_hPrtWin32, locwin32 = m_hLocaleWin32,
                netwin32 = m_hNetWin32;
#define ZR_NW_FIND(library, name, result, notLoaded, params, args)                    \
  m_pfn##name = reinterpret_cast<PFN_##name>(loader.getProcAddress(library, #name)); \
  if (m_pfn##name == nullptr) {                                                     \
    *error = GetLastError();                                                        \
    return;                                                                         \
  }
  ZR_NW_CLIENT_FUNCTIONS(ZR_NW_FIND)
#undef ZR_NW_FIND
  m_bLoaded = 1;
}

#define ZR_NW_FORWARD(library, name, result, notLoaded, params, args) \
  result CNWFunc::name params {                                       \
    if (!m_bLoaded) return notLoaded;                                 \
    return m_pfn##name args;                                          \
  }
ZR_NW_CLIENT_FUNCTIONS(ZR_NW_FORWARD)
#undef ZR_NW_FORWARD

namespace {

// Made before the table and so destroyed after it.
struct LoadLock {
  LoadLock() { InitializeCriticalSection(&section); }
  ~LoadLock() { DeleteCriticalSection(&section); }
  CRITICAL_SECTION section;
};

}  // namespace

CNWFunc* GetNWFuncTable(unsigned long* error) {
  static LoadLock lock;
  static CNWFunc table;
  EnterCriticalSection(&lock.section);
  if (!table.m_bLoaded) table.Load(error);
  LeaveCriticalSection(&lock.section);
  return &table;
}
