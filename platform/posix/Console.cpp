#include "platform/Console.h"

#include <unistd.h>

namespace zrplatform {

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace zrplatform
