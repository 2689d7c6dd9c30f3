// The Windows registry is the real one; only the helper for richer error
// texts needs a body here, and Windows has nothing to add to its codes.
#include "platform/Registry.h"

namespace zrplatform {

const char* RegistryErrorText() { return ""; }

}  // namespace zrplatform
