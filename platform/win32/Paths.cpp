// rand_s is declared only when this comes before the C library's headers.
#define _CRT_RAND_S
#include "platform/Paths.h"

#include <cstdio>
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

namespace {

// Sixteen hex digits no other user can foresee.
std::string RandomSuffix() {
  unsigned int high = 0;
  unsigned int low = 0;
  if (rand_s(&high) != 0 || rand_s(&low) != 0) {
    LARGE_INTEGER now = {};
    QueryPerformanceCounter(&now);
    high = static_cast<unsigned int>(now.QuadPart) ^ GetCurrentProcessId();
    low = static_cast<unsigned int>(now.QuadPart >> 32) ^ GetTickCount();
  }
  char text[17];
  std::snprintf(text, sizeof text, "%08x%08x", high, low);
  return text;
}

std::string ErrorText(DWORD code) { return "error " + std::to_string(code); }

}  // namespace

bool WriteFileWhole(const std::string& path, const std::string& bytes, std::string* error) {
  std::string::size_type separator = path.find_last_of("\\/:");
  std::string folder = separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
  if (separator != std::string::npos && separator + 1 == path.size()) {
    if (error) *error = "it names a folder";
    return false;
  }
  std::string side;
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD code = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    side = folder + ".zraddrres-" + RandomSuffix();
    // CREATE_NEW: only where nothing stands, a link included.
    file = CreateFileA(side.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    code = GetLastError();
    if (file == INVALID_HANDLE_VALUE && code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    if (error) *error = ErrorText(code);
    return false;
  }
  bool written = true;
  for (std::size_t done = 0; written && done < bytes.size();) {
    DWORD chunk = static_cast<DWORD>(bytes.size() - done > 0x10000000u ? 0x10000000u : bytes.size() - done);
    DWORD wrote = 0;
    written = WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) != 0 && wrote > 0;
    done += wrote;
  }
  if (written) written = FlushFileBuffers(file) != 0;
  if (!written) code = GetLastError();
  if (!CloseHandle(file) && written) {
    written = false;
    code = GetLastError();
  }
  if (written && !MoveFileExA(side.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    written = false;
    code = GetLastError();
  }
  if (!written) {
    DeleteFileA(side.c_str());
    if (error) *error = ErrorText(code);
  }
  return written;
}

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
