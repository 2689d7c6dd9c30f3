// The file checks the native registry tests make on hive, lock and log files.
#pragma once

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

namespace zrtest {

// True when something (a symbolic link included) has that name.
inline bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The whole content of a file; empty when there is none.
inline std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

}  // namespace zrtest
