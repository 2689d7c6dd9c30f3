#include <cstdlib>

#include "tests/support/Env.h"

namespace zrtest {

void SetEnv(const char* name, const char* value) { _putenv_s(name, value ? value : ""); }

}  // namespace zrtest
