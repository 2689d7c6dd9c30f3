// What the tool's process sees of its console: whether a standard stream is a
// terminal (a person watching) or a file or pipe, its arguments as the user
// typed them, the environment settings this platform reads, and its being
// ended from outside (Ctrl-C and the like).
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

// Undoes what the process made for itself only (a private registry, a
// temporary folder) however it ends, short of being killed outright: at
// exit, and when it is ended from outside. On POSIX that is SIGINT,
// SIGTERM, SIGHUP, SIGQUIT or SIGPIPE (each unless it is ignored), after
// which the process still ends by that signal, as it would have; on Windows
// a console's Ctrl-C, Ctrl-Break or close, after which it ends with exit
// 130, the status a shell gives a process that Ctrl-C ended. `undo` runs at
// most once. On POSIX it may run inside a signal handler, so it may make
// async-signal-safe calls only. False when the process has 8 undos already.
bool UndoWhenProcessEnds(void (*undo)());

}  // namespace zrplatform
