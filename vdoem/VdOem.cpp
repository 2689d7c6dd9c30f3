#include "vdoem/VdOem.h"

extern "C" VDOEM_API const char* const c_lpszKeyPath_AddrRes = "Software\\ZrAddrRes";
