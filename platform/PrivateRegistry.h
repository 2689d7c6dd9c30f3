// Answering from a registry export instead of this machine's registry: for
// the rest of the process, HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER are a
// private copy filled from a .reg file, for every caller in the process (the
// library's own registry calls included). Nothing is read from or written to
// the registry the process would otherwise use, and the copy is removed when
// the process exits.
//
// POSIX: the two hive files live in a temporary folder of this process's own
// (mode 0700), which ZRADDRRES_REGISTRY names from then on. The registry
// reads that variable on every call, so the variable is set once, before any
// thread is started and before any other registry call.
// Windows: the two predefined keys are overridden for this process
// (RegOverridePredefKey) onto keys of a private application hive in a
// temporary file (RegLoadAppKey) where the system has one; where it has none
// (before Windows Vista, or Wine, whose RegLoadAppKey answers with a handle
// that opens nothing) onto volatile keys under HKEY_CURRENT_USER, which the
// system never saves and which are deleted at exit. Under the volatile keys
// only volatile keys can be made: the library's attempt to create a key the
// export lacks fails with ERROR_CHILD_MUST_BE_VOLATILE and changes nothing.
#pragma once

#include <string>
#include <vector>

#include "platform/RegText.h"
#include "platform/Types.h"

namespace zrplatform {

// Reads and parses the export, then puts the private copy in place. Call it
// once, before any thread is started and before any other registry call.
// Returns ERROR_SUCCESS; ERROR_INVALID_DATA with "line N: <what>" in `error`
// for a file that does not parse (then nothing at all is done); another code
// with the reason in `error` when the file cannot be read or the copy made.
LONG UseRegistryExport(const std::string& file, std::string* error);

// The export UseRegistryExport put in place, as given; empty when none.
const std::string& RegistryExportInUse();

// Whether the spooler answers from the private copy too. On POSIX it reads
// the printers from the registry; on Windows it is a service of this
// machine, which the copy does not reach.
bool SpoolerAnswersFromTheCopy();

// The backend's part: the private hives, made empty and filled with the
// parsed operations. Also removes them at exit.
LONG MakePrivateRegistry(const RegOperations& operations, std::string* error);

}  // namespace zrplatform
