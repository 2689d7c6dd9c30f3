#include "platform/Paths.h"

#include <cstdlib>

#include "platform/Types.h"

namespace zrplatform {

std::string DefaultLogFolder() {
  char buffer[MAX_PATH + 1] = {};
  DWORD length = GetTempPathA(sizeof buffer, buffer);
  std::string folder(buffer, length <= MAX_PATH ? length : 0);
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder.empty() ? std::string(".") : folder;
}

bool MakeFolders(const std::string& path) {
  for (std::size_t sep = path.find_first_of("\\/", 3);; sep = path.find_first_of("\\/", sep + 1)) {
    std::string part = path.substr(0, sep);
    if (!part.empty()) CreateDirectoryA(part.c_str(), nullptr);
    if (sep == std::string::npos) break;
  }
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::FILE* OpenFileToAppend(const std::string& path) { return std::fopen(path.c_str(), "a"); }

std::string ProgramFolder() {
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  std::string program(path, length);
  return program.substr(0, program.find_last_of("\\/") + 1);
}

// _putenv_s sets the C runtime's copy (which getenv reads in every module
// sharing it) and the process's own.
bool SetProcessEnvironment(const char* name, const char* value) { return _putenv_s(name, value) == 0; }

}  // namespace zrplatform
