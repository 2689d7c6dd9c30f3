#include "platform/Paths.h"

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

}  // namespace zrplatform
