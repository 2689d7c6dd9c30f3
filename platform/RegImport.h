// Loading a .reg text into the registry and reading a key tree back as
// REGEDIT4 text, through the registry calls of either target.
#pragma once

#include <string>
#include <vector>

#include "platform/RegApply.h"
#include "platform/RegText.h"
#include "platform/Registry.h"

namespace zrplatform {

// Parses a whole .reg text and applies it (ApplyRegOperations). A malformed
// text changes nothing.
LONG ImportRegText(const void* bytes, std::size_t size, std::string* error);

// Splits "HKEY_LOCAL_MACHINE\path" (or HKLM, HKEY_CURRENT_USER, HKCU) into its
// root and the path below it. False for any other root.
bool SplitRegPath(const std::string& fullPath, HKEY* root, std::string* subPath);

// Reads the key named by fullPath and everything below it as REGEDIT4 text.
LONG ExportRegText(const std::string& fullPath, std::string* text, std::string* error);

}  // namespace zrplatform
