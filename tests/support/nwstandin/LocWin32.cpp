// locwin32: the client's locale calls, which the lookups never make.
#include "tests/support/nwstandin/Network.h"

using nwstandin::Session;

NWSTANDIN_EXPORT void* NWAPI NWLlocaleconv(void* conventions) {
  Session s("NWLlocaleconv");
  return conventions;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWInitUnicodeTables(int, int) {
  Session s("NWInitUnicodeTables");
  FAIL_ON_REQUEST(s);
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWFreeUnicodeTables() {
  Session s("NWFreeUnicodeTables");
  FAIL_ON_REQUEST(s);
  return 0;
}
