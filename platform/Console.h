// What the tool's process sees of its console: whether a standard stream is a
// terminal (a person watching) or a file or pipe, its arguments as the user
// typed them, and the environment settings this platform reads.
#pragma once

#include <string>
#include <vector>

namespace zrplatform {

bool StandardErrorIsTerminal();
bool StandardOutputIsTerminal();

// The process's arguments after the program's name, in UTF-8. On Windows
// they come from the wide command line (argv holds them in the ANSI code
// page, where a character the page lacks is already lost); elsewhere argv
// is UTF-8 already.
std::vector<std::string> ArgumentsAsUtf8(int argc, char** argv);

// A message naming each environment setting the platform layer reads whose
// value it does not know, with the values it accepts; "" when all are known
// (or, on Windows, where the platform reads none).
std::string UnknownSettings();

}  // namespace zrplatform
