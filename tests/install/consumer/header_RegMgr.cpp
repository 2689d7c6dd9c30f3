// RegMgr.h compiles on its own.
#include <RegMgr.h>

bool StoreStartsClosed() {
  NZrAddrRes::CRegMgr store;
  return !store.IsOpened();
}
