#include "tools/zraddrres/NetWareStandIn.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/Modules.h"
#include "platform/Paths.h"

namespace zrtool {

namespace {

const char* const kLibraries[] = {"calwin32.dll", "clxwin32.dll", "prtwin32.dll", "locwin32.dll", "netwin32.dll"};

// Beside the tool in the build tree; below libexec/ where it is installed.
std::vector<std::string> Folders() {
  const std::string program = zrplatform::ProgramFolder();
  return {program + "nwstandin/", program + "../libexec/zraddrres/nwstandin/"};
}

// The libraries the described network says are missing ("missing prtwin32.dll"):
// left unloaded, so the library's load by name does not find them.
bool Missing(const std::string& network, const char* library) {
  std::ifstream file(network);
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream fields(line);
    std::string keyword, name;
    fields >> keyword >> name;
    if (keyword == "missing" && name == library) return true;
  }
  return false;
}

}  // namespace

bool UseNetWareStandIn(const std::string& network, bool trace) {
  for (const std::string& folder : Folders()) {
    // Is the stand-in in this folder? (This load is released again.)
    HMODULE probe = LoadLibraryA((folder + kLibraries[0]).c_str());
    if (probe == nullptr) continue;
    FreeLibrary(probe);
    for (const char* library : kLibraries) {
      if (Missing(network, library)) continue;
      if (LoadLibraryA((folder + library).c_str()) == nullptr) {
        std::fprintf(stderr, "zraddrres: the NetWare stand-in's %s cannot be loaded from %s\n", library,
                     folder.c_str());
        return false;
      }
    }
    zrplatform::SetProcessEnvironment("ZRADDRRES_NETWARE_NETWORK", network.c_str());
    if (trace) zrplatform::SetProcessEnvironment("ZRADDRRES_NETWARE_TRACE", "1");
    return true;
  }
  std::fprintf(stderr, "zraddrres: the NetWare stand-in is not installed (looked in %s and %s)\n",
               Folders()[0].c_str(), Folders()[1].c_str());
  return false;
}

}  // namespace zrtool
