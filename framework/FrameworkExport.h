// The framework stand-in lives in the ZrAddrRes library and is exported with it,
// since CString is part of the resolver's public interface.
#pragma once

#include "platform/Export.h"

#if defined(ZRADDRRES_BUILD)
#define ZRFRAMEWORK_API ZR_DLL_EXPORT
#else
#define ZRFRAMEWORK_API ZR_DLL_IMPORT
#endif
