// Natively the registry is two files in a folder: a sandbox gets a new one.
#include <ftw.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/RegistryFixture.h"

namespace zrtest::internal {

std::string MakePrivateRegistryFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zrreg-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) {
    std::perror("mkdtemp for a private registry");
    std::abort();
  }
  return pattern;
}

void RemovePrivateRegistryFolder(const std::string& folder) {
  // Whatever a test left there goes too; a file that will not go is left.
  nftw(
      folder.c_str(),
      [](const char* path, const struct stat*, int, struct FTW*) {
        std::remove(path);
        return 0;
      },
      16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace zrtest::internal
