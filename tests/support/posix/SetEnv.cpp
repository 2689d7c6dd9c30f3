#include <cstdlib>

#include "tests/support/Env.h"

namespace zrtest {

void SetEnv(const char* name, const char* value) {
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

}  // namespace zrtest
