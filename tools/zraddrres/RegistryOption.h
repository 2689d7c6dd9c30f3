// --registry FILE: every command answers from a registry export instead of
// this machine's registry. The export is loaded into a private copy that
// the library and the tool read for the rest of the process; the registry
// the tool would otherwise read is neither read nor written
// (platform/PrivateRegistry.h).
#pragma once

#include <string>
#include <vector>

namespace zrtool {

// Takes "--registry FILE" or "--registry=FILE" out of the arguments, wherever
// it stands before a "--", so that no command needs to know it. 0, or 2 after
// saying what is wrong (no FILE, the option given twice).
int TakeRegistryOption(std::vector<std::string>& arguments, std::string& file);

// Puts the export in place before `command` ("ports", "store add") runs.
// 0, or 2 after saying why not: a command that only writes the registry
// (nothing it wrote would be kept), `printer` where the spooler does not
// answer from the copy (Windows), a file that cannot be read or does not
// parse (named with its line).
int UseRegistryOption(const std::string& file, const std::string& command);

}  // namespace zrtool
