// The process-wide table of the NetWare client's entry points. The client is
// not linked: its five libraries are loaded at run time, so on a machine
// without a NetWare client the library still loads and NetWare lookups fail.
#pragma once

#include "netware/NWClientApi.h"
#include "platform/Modules.h"

class CNWFunc {
 public:
  CNWFunc();
  virtual ~CNWFunc();

  // Loads the five libraries and all 68 entries; at the first one missing the
  // platform's last error goes through error (when not null) and the table
  // stays unloaded.
  void Load(unsigned long* error);

  // One forwarding member per client function: the client's answer, or the
  // not-loaded result (-1; -328 for NWDSCreateContext; null for NWLlocaleconv).
#define ZR_NW_DECLARE_MEMBER(library, name, result, notLoaded, params, args) result name params;
  ZR_NW_CLIENT_FUNCTIONS(ZR_NW_DECLARE_MEMBER)
#undef ZR_NW_DECLARE_MEMBER

  int m_bLoaded;
  HMODULE m_hCalWin32;
  HMODULE m_hClxWin32;
  HMODULE m_hPrtWin32;
  HMODULE m_hLocaleWin32;
  HMODULE m_hNetWin32;
#define ZR_NW_DECLARE_POINTER(library, name, result, notLoaded, params, args) PFN_##name m_pfn##name;
  ZR_NW_CLIENT_FUNCTIONS(ZR_NW_DECLARE_POINTER)
#undef ZR_NW_DECLARE_POINTER

 private:
  CNWFunc(const CNWFunc&);
  CNWFunc& operator=(const CNWFunc&);
  void ReleaseLibraries();
};

// The table, loaded under a lock if it is not yet; never null. The caller sets
// *error to 0 first: the table is usable only if it stayed 0.
CNWFunc* GetNWFuncTable(unsigned long* error);

namespace zrnetware {

// The module calls the table loads through. Tests put wrappers in place that
// make one library or one entry missing; null puts the platform's back.
struct ClientLoader {
  HMODULE (*loadLibrary)(const char* name);
  FARPROC (*getProcAddress)(HMODULE module, const char* name);
  BOOL (*freeLibrary)(HMODULE module);
};
void SetClientLoaderForTesting(const ClientLoader* loader);

// The five library names and the 68 entry names in the order the table loads them.
extern const char* const c_lpszClientLibraries[5];
extern const char* const c_lpszClientFunctions[68];

}  // namespace zrnetware
