// A second process for the registry tests: performs registry calls named on
// its command line, in the registry ZRADDRRES_REGISTRY names.
//   reg_child set  ROOT PATH NAME TEXT        a REG_SZ value
//   reg_child get  ROOT PATH NAME             prints the REG_SZ text, or "error N"
//   reg_child fill ROOT PATH PREFIX FROM COUNT
//       sets PREFIX%05d = i (REG_DWORD) for i = FROM .. FROM+COUNT-1, one call
//       each, printing "done i" after each so a test knows how far it got
//   reg_child keys ROOT PATH                  prints each subkey's name in hex
//   reg_child import FILE [replace]           imports a .reg file (in place of the
//       hives it names with "replace"), "error N" when it fails
//   reg_child hold FILE                       takes an exclusive flock on FILE,
//       prints "held" and waits to be killed, as a writer stopped under the lock
// ROOT is HKLM or HKCU. Exit status 0 when every call succeeded.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/RegImport.h"
#include "platform/Registry.h"
#include "platform/posix/RegistryTesting.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: reg_child set|get|fill|keys|add ROOT PATH ... | import FILE | hold FILE\n");
  return 2;
}

HKEY Root(const char* name) { return std::strcmp(name, "HKLM") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

HKEY Create(HKEY root, const char* path) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) {
    std::printf("error %ld\n", static_cast<long>(rc));
    std::fprintf(stderr, "reg_child: create %s: %ld %s\n", path, static_cast<long>(rc), zrplatform::RegistryErrorText());
    std::exit(1);
  }
  return key;
}

}  // namespace

int main(int argc, char** argv) {
  if ((argc == 3 || (argc == 4 && std::strcmp(argv[3], "replace") == 0)) && std::strcmp(argv[1], "import") == 0) {
    std::ifstream in(argv[2], std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string error;
    const zrplatform::RegApplyMode mode =
        argc == 4 ? zrplatform::RegApplyMode::Replace : zrplatform::RegApplyMode::Merge;
    LONG rc = zrplatform::ImportRegText(bytes.data(), bytes.size(), &error, mode);
    if (rc != ERROR_SUCCESS) {
      std::printf("error %ld\n", static_cast<long>(rc));
      std::fprintf(stderr, "reg_child: import: %s %s\n", error.c_str(), zrplatform::RegistryErrorText());
    }
    return rc == ERROR_SUCCESS ? 0 : 1;
  }
  if (argc == 3 && std::strcmp(argv[1], "hold") == 0) {
    int fd = open(argv[2], O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || flock(fd, LOCK_EX) != 0) return 1;
    std::printf("held\n");
    std::fflush(stdout);
    for (;;) pause();
  }
  if (argc < 4) return Usage();
  const std::string verb = argv[1];
  HKEY root = Root(argv[2]);
  const char* path = argv[3];
  if (verb == "set" && argc == 6) {
    HKEY key = Create(root, path);
    LONG rc = RegSetValueExA(key, argv[4], 0, REG_SZ, reinterpret_cast<const BYTE*>(argv[5]),
                             static_cast<DWORD>(std::strlen(argv[5]) + 1));
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) std::printf("error %ld\n", static_cast<long>(rc));
    return rc == ERROR_SUCCESS ? 0 : 1;
  }
  if (verb == "get" && argc == 5) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
    char text[1024] = {};
    DWORD size = sizeof text - 1;
    if (rc == ERROR_SUCCESS) {
      rc = RegQueryValueExA(key, argv[4], nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
      RegCloseKey(key);
    }
    if (rc != ERROR_SUCCESS) {
      std::printf("error %ld\n", static_cast<long>(rc));
      return 1;
    }
    std::printf("%s\n", text);
    return 0;
  }
  if (verb == "keys" && argc == 4) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
    for (DWORD index = 0; rc == ERROR_SUCCESS; ++index) {
      char name[512];
      DWORD length = sizeof name;
      rc = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
      if (rc != ERROR_SUCCESS) break;
      for (DWORD i = 0; i < length; ++i) std::printf("%02x", static_cast<unsigned char>(name[i]));
      std::printf("\n");
    }
    if (key) RegCloseKey(key);
    if (rc != ERROR_NO_MORE_ITEMS) std::printf("error %ld\n", static_cast<long>(rc));
    return rc == ERROR_NO_MORE_ITEMS ? 0 : 1;
  }
  if (verb == "fill" && argc == 7) {
    HKEY key = Create(root, path);
    const long from = std::strtol(argv[5], nullptr, 10);
    const long count = std::strtol(argv[6], nullptr, 10);
    for (long i = from; i < from + count; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "%s%05ld", argv[4], i);
      DWORD value = static_cast<DWORD>(i);
      LONG rc = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
      if (rc != ERROR_SUCCESS) {
        std::printf("error %ld\n", static_cast<long>(rc));
        std::fprintf(stderr, "reg_child: set %s: %ld %s\n", name, static_cast<long>(rc),
                     zrplatform::RegistryErrorText());
        return 1;
      }
      std::printf("done %ld\n", i);
      std::fflush(stdout);
    }
    RegCloseKey(key);
    return 0;
  }
  if (verb == "add" && argc == 7) {
    // add ROOT PATH NAME STEP COUNT: COUNT read-modify-write increments of one value.
    const DWORD step = static_cast<DWORD>(std::strtoul(argv[5], nullptr, 10));
    const long count = std::strtol(argv[6], nullptr, 10);
    const zrplatform::RegRoot hive =
        root == HKEY_LOCAL_MACHINE ? zrplatform::RegRoot::LocalMachine : zrplatform::RegRoot::CurrentUser;
    for (long i = 0; i < count; ++i) {
      DWORD now = 0;
      LONG rc = zrplatform::RegistryAddToDwordForTesting(hive, path, argv[4], step, now);
      if (rc != ERROR_SUCCESS) {
        std::printf("error %ld\n", static_cast<long>(rc));
        return 1;
      }
      std::printf("done %lu\n", static_cast<unsigned long>(now));
      std::fflush(stdout);
    }
    return 0;
  }
  return Usage();
}
