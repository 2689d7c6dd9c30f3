// Where per-user files of the project go by default.
#pragma once

#include <string>

namespace zrplatform {

// The folder for log files when ZRLOGGING_DIR is not set: the temporary
// folder on Windows; $XDG_STATE_HOME/zraddrres (or ~/.local/state/zraddrres) on POSIX.
std::string DefaultLogFolder();

// Creates a folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

}  // namespace zrplatform
