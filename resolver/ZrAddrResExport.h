// Export macro of the ZrAddrRes library: exported while building it, imported
// by its users.
#pragma once

#include "platform/Export.h"

#if defined(ZRADDRRES_BUILD)
#define ZRADDRRES_API ZR_DLL_EXPORT
#else
#define ZRADDRRES_API ZR_DLL_IMPORT
#endif
