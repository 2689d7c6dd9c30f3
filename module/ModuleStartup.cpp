#include "module/ModuleStartup.h"

namespace zrmodule {

bool StartModule(SocketStartup startup, ShowError showError) {
  if (startup() != 0) {
    showError(kIdsSocketInitFailed);
    return false;
  }
  return true;
}

}  // namespace zrmodule
