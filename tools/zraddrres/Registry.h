// zraddrres reg import / reg export, and what the tool says about the
// registry it reads: which one it is, and how to fill it.
#pragma once

#include <string>

namespace zrtool {

// Loads a .reg export and says what it loaded and where, merged into the
// registry or, with `replace`, in place of the hives it touches
// (platform/RegApply.h). Exit 0, or 1 when it could not be loaded.
int RegImport(const std::string& file, bool replace);

// Prints a key and everything below it as REGEDIT4 text; with no key, every
// key the library reads that exists, as one text. With `file`, writes it
// there instead, whole or not at all. Exit 1 for a missing key or a file
// that cannot be written.
int RegExport(const std::string& key, const std::string& file);

// For a command that found nothing to work on: names the registry it read
// and how to load one, on standard error. Returns the exit status, 1.
int SayEmptyRegistry();

}  // namespace zrtool
