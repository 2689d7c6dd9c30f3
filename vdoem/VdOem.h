// VdOem: the sibling library that names the registry key of the address store.
#pragma once

#include "platform/Export.h"

#if defined(VDOEM_BUILD)
#define VDOEM_API ZR_DLL_EXPORT
#else
#define VDOEM_API ZR_DLL_IMPORT
#endif

// The library's own key, below HKEY_CURRENT_USER (address store, PNS settings)
// and HKEY_LOCAL_MACHINE (time-out settings).
extern "C" VDOEM_API const char* const c_lpszKeyPath_AddrRes;
