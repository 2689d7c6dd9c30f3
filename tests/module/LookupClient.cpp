// An application's plug-in that uses the library: loading it loads ZrAddrRes,
// unloading it drops the library again (unless something still holds it).
#include "platform/Export.h"
#include "resolver/ZrAddrResolution.h"

extern "C" ZR_DLL_EXPORT unsigned long ClientLookUp(const char* host, unsigned long timeout) {
  CZrAddrResolution resolver;
  CString address;
  return resolver.GetIPAddressFromHostName(host, address, timeout);
}
