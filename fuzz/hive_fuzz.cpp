// libFuzzer target for the POSIX registry's hive file. Any bytes put in
// place of HKLM.reg either load or are refused as a malformed hive; a hive
// that loads is written back whole when a value is set, and that file, read
// again by the registry, gives the same keys and values plus the one set.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Registry.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "hive_fuzz: %s\n", what);
  std::abort();
}

std::string g_folder;
bool g_otherCodePage = false;  // the hive records a code page other than the process's

bool RecordsOtherCodePage(const std::string& bytes) {
  const std::string record = "; ANSI code page ";
  std::size_t at = bytes.find(record);
  if (at == std::string::npos || at > 64) return false;  // the record follows the header line
  unsigned long page = std::strtoul(bytes.c_str() + at + record.size(), nullptr, 10);
  return page != GetACP();
}

// The registry folder of this run, made once.
const std::string& Folder() {
  if (g_folder.empty()) {
    char pattern[] = "/tmp/zrhivefuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) Fail("no scratch folder");
    g_folder = pattern;
    setenv("ZRADDRRES_REGISTRY", g_folder.c_str(), 1);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(g_folder, ignored);
    });
  }
  return g_folder;
}

// Puts bytes in place as a new file (a new inode), so the registry reads it again.
void PutHive(const std::string& bytes) {
  const std::string path = Folder() + "/HKLM.reg";
  const std::string scratch = path + ".fuzz";
  int fd = open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot write the hive");
  if (!bytes.empty() && write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    Fail("short write");
  }
  close(fd);
  if (rename(scratch.c_str(), path.c_str()) != 0) Fail("cannot put the hive in place");
}

std::string ReadHive() {
  std::string bytes;
  FILE* file = std::fopen((Folder() + "/HKLM.reg").c_str(), "rb");
  if (file == nullptr) return bytes;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  std::fclose(file);
  return bytes;
}

using Entry = std::tuple<std::string, std::string, DWORD, std::vector<BYTE>>;  // key, value, type, data

// Every value below key, depth first; false when the registry refused to read.
bool Walk(HKEY key, const std::string& path, int depth, std::vector<Entry>& out) {
  if (depth > 600) Fail("a tree deeper than the registry allows");
  for (DWORD index = 0;; ++index) {
    char name[16384];
    DWORD nameLength = sizeof name;
    DWORD type = 0;
    BYTE data[4096];
    DWORD size = sizeof data;
    LONG rc = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA) {
      out.emplace_back(path, std::string(name, nameLength), type, std::vector<BYTE>{0xFF});  // too big to compare here
      continue;
    }
    if (rc != ERROR_SUCCESS) return false;
    out.emplace_back(path, std::string(name, nameLength), type, std::vector<BYTE>(data, data + size));
  }
  for (DWORD index = 0;; ++index) {
    char name[512];
    DWORD nameLength = sizeof name;
    LONG rc = RegEnumKeyExA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return false;
    HKEY sub = nullptr;
    const std::string subName(name, nameLength);
    if (RegOpenKeyExA(key, subName.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) {
      // A hive written in another code page holds names in that page's
      // bytes: a trail byte 0x5C of code page 932 is a backslash to a
      // process of 1252, and 932's double-byte characters count twice
      // against the name length there. Such names are listed, not opened.
      if (g_otherCodePage) continue;
      std::fprintf(stderr, "hive_fuzz: subkey of %zu bytes:", subName.size());
      for (unsigned char c : subName) std::fprintf(stderr, " %02x", c);
      std::fprintf(stderr, "\n");
      Fail("a listed subkey does not open");
    }
    out.emplace_back(path + "\\" + subName, std::string(), 0xFFFFFFFFu, std::vector<BYTE>());  // the key itself
    bool ok = Walk(sub, path + "\\" + subName, depth + 1, out);
    RegCloseKey(sub);
    if (!ok) return false;
  }
  return true;
}

// The mark's key, in whatever case the hive already had it, and below it.
bool UnderMark(const std::string& path) {
  const std::string mark = "\\zz fuzz mark";
  if (path.size() < mark.size()) return false;
  for (std::size_t i = 0; i < mark.size(); ++i) {
    char c = path[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != mark[i]) return false;
  }
  return path.size() == mark.size() || path[mark.size()] == '\\';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  g_otherCodePage = RecordsOtherCodePage(bytes);
  PutHive(bytes);
  std::vector<Entry> before;
  if (!Walk(HKEY_LOCAL_MACHINE, "", 0, before)) return 0;  // refused as malformed: nothing more to check

  // A change makes the registry write the whole hive back.
  HKEY mark = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "zz fuzz mark", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &mark, nullptr) !=
      ERROR_SUCCESS) {
    return 0;  // e.g. names the hive's code page cannot hold: refused, nothing written
  }
  const BYTE one[] = {1, 0, 0, 0};
  LONG set = RegSetValueExA(mark, "m", 0, REG_DWORD, one, sizeof one);
  RegCloseKey(mark);
  if (set != ERROR_SUCCESS) return 0;

  // What was written, put back as a new file, reads as before plus the mark.
  const std::string written = ReadHive();
  g_otherCodePage = RecordsOtherCodePage(written);
  PutHive(written);
  std::vector<Entry> after;
  if (!Walk(HKEY_LOCAL_MACHINE, "", 0, after)) Fail("the hive the registry wrote does not load");
  for (const Entry& e : after) {
    if (UnderMark(std::get<0>(e))) continue;
    bool found = false;
    for (const Entry& b : before) found = found || b == e;
    if (!found) Fail("a key or value appeared in the round trip");
  }
  for (const Entry& b : before) {
    if (UnderMark(std::get<0>(b))) continue;
    bool found = false;
    for (const Entry& e : after) found = found || b == e;
    if (!found) Fail("a key or value was lost in the round trip");
  }
  return 0;
}
