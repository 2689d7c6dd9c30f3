#include "platform/Console.h"

#include "platform/Types.h"

namespace zrplatform {

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace zrplatform
