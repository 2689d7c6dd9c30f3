// Loading a .reg text into the registry and reading a key tree back as
// REGEDIT4 text, through the registry calls of either target.
#pragma once

#include <string>
#include <vector>

#include "platform/RegApply.h"
#include "platform/RegText.h"
#include "platform/Registry.h"

namespace zrplatform {

// What a .reg text holds, counted from its lines.
struct RegImportSummary {
  std::size_t keys = 0;    // [key] lines (a key named twice counts twice)
  std::size_t values = 0;  // values set
  bool machine = false;    // whether it touches HKEY_LOCAL_MACHINE ...
  bool user = false;       // ... and HKEY_CURRENT_USER ([key] or [-key] lines)
};
RegImportSummary SummarizeRegOperations(const RegOperations& operations);

// Reads a .reg file whole: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND when it cannot
// be read, or ERROR_FILE_TOO_LARGE for a file over kMaxRegTextBytes, which
// is refused before it is read (a pipe is read no further than the maximum).
// `error` gets what went wrong, without the file's name.
LONG ReadRegFile(const std::string& path, std::string* bytes, std::string* error);

// Parses a whole .reg text and applies it (ApplyRegOperations), reading the
// text again rather than holding its operations. A malformed text changes
// nothing. `summary`, when given, is filled once the text parsed.
LONG ImportRegText(const void* bytes, std::size_t size, std::string* error,
                   RegApplyMode mode = RegApplyMode::Merge, RegImportSummary* summary = nullptr);

// Splits "HKEY_LOCAL_MACHINE\path" (or HKLM, HKEY_CURRENT_USER, HKCU) into its
// root and the path below it. False for any other root.
bool SplitRegPath(const std::string& fullPath, HKEY* root, std::string* subPath);

// Reads the key named by fullPath and everything below it as REGEDIT4 text.
// Keys are named as stored, whatever case fullPath gives them. A missing key
// is ERROR_FILE_NOT_FOUND.
LONG ExportRegText(const std::string& fullPath, std::string* text, std::string* error);

// The same for several keys as one text, leaving out those that do not exist.
// The keys should not lie below one another, or their content comes twice.
LONG ExportRegText(const std::vector<std::string>& fullPaths, std::string* text, std::string* error);

}  // namespace zrplatform
