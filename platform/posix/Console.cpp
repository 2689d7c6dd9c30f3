#include "platform/Console.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/posix/Settings.h"

namespace zrplatform {

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

std::vector<std::string> ArgumentsAsUtf8(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return arguments;
}

std::string UnknownSettings() {
  std::string message;
  const char* line = std::getenv("ZRADDRRES_WINVER");
  if (line != nullptr && *line != '\0' && !posix::IsWindowsLineName(line)) {
    message += "ZRADDRRES_WINVER=" + std::string(line) + " is no Windows line; use one of " +
               posix::WindowsLineNames();
  }
  const char* codePage = std::getenv("ZRADDRRES_ACP");
  if (codePage != nullptr && *codePage != '\0' && !posix::IsCodePageName(codePage)) {
    if (!message.empty()) message += "; ";
    message += "ZRADDRRES_ACP=" + std::string(codePage) + " is no ANSI code page the library knows; use one of " +
               posix::CodePageNames();
  }
  return message;
}

}  // namespace zrplatform
