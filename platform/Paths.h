// Where per-user files of the project go by default, and how they are opened.
#pragma once

#include <cstdio>
#include <string>

namespace zrplatform {

// The folder for log files when ZRLOGGING_DIR is not set: the temporary
// folder on Windows; $XDG_STATE_HOME/zraddrres (or ~/.local/state/zraddrres)
// on POSIX, "" when the user has no home.
std::string DefaultLogFolder();

// Creates a folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

// Opens a file to append to, creating it. On POSIX never through a symbolic
// link, and only a regular file of this user (or root) in a folder of this
// user (or root) that others cannot write to: null otherwise.
std::FILE* OpenFileToAppend(const std::string& path);

// Writes `bytes` to the file `path` whole or not at all. They go first into
// a new file of a random name in the same folder, made only where nothing
// stands yet (so a link another user planted there is neither followed nor
// touched), which is then renamed over `path`. On failure `path` is as it
// was, nothing is left beside it, and `error` says why. On POSIX the new
// file is also removed when a signal ends the process before the rename.
bool WriteFileWhole(const std::string& path, const std::string& bytes, std::string* error);

// The folder of the running program, with its trailing separator ("" when unknown).
std::string ProgramFolder();

// Sets a variable of this process's environment, as the C library's getenv
// and the libraries this process loads see it.
bool SetProcessEnvironment(const char* name, const char* value);

}  // namespace zrplatform
