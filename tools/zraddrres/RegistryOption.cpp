#include "tools/zraddrres/RegistryOption.h"

#include <cstdio>

#include "platform/PrivateRegistry.h"
#include "platform/Registry.h"
#include "tools/zraddrres/Text.h"

namespace zrtool {

namespace {

// The commands whose only work is to change the registry.
const char* const kWritingCommands[] = {"store add", "store rename", "store remove", "reg import"};

}  // namespace

int TakeRegistryOption(std::vector<std::string>& arguments, std::string& file) {
  const std::string option = "--registry";
  bool given = false;
  for (std::size_t i = 0; i < arguments.size();) {
    const std::string& word = arguments[i];
    if (word == "--") break;
    std::size_t taken = 0;
    std::string value;
    if (word == option) {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty() || arguments[i + 1][0] == '-') {
        std::fprintf(stderr, "zraddrres: --registry: give the FILE, a registry export (.reg)\n");
        return 2;
      }
      value = arguments[i + 1];
      taken = 2;
    } else if (word.compare(0, option.size() + 1, option + "=") == 0) {
      value = word.substr(option.size() + 1);
      taken = 1;
    } else {
      ++i;
      continue;
    }
    if (given) {
      std::fprintf(stderr, "zraddrres: --registry: give one export, not %s and %s\n", Printable(file).c_str(),
                   Printable(value).c_str());
      return 2;
    }
    if (value.empty()) {
      std::fprintf(stderr, "zraddrres: --registry: give the FILE, a registry export (.reg)\n");
      return 2;
    }
    given = true;
    file = value;
    arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i),
                    arguments.begin() + static_cast<std::ptrdiff_t>(i + taken));
  }
  return 0;
}

int UseRegistryOption(const std::string& file, const std::string& command) {
  if (file.empty()) return 0;
  for (const char* writing : kWritingCommands) {
    if (command == writing) {
      std::fprintf(stderr,
                   "zraddrres: %s: --registry answers from a private copy of %s, which is thrown away at exit; "
                   "nothing written there would be kept\n",
                   command.c_str(), Printable(file).c_str());
      return 2;
    }
  }
  if (command == "printer" && !zrplatform::SpoolerAnswersFromTheCopy()) {
    std::fprintf(stderr,
                 "zraddrres: printer: this machine's spooler names a printer's port, and --registry cannot stand in "
                 "for it; zraddrres who reads the printers of %s\n",
                 Printable(file).c_str());
    return 2;
  }
  std::string error;
  if (zrplatform::UseRegistryExport(file, &error) != ERROR_SUCCESS) {
    std::fprintf(stderr, "zraddrres: %s: %s\n", Printable(file).c_str(), Printable(error).c_str());
    if (*zrplatform::RegistryErrorText())
      std::fprintf(stderr, "zraddrres: %s\n", Printable(zrplatform::RegistryErrorText()).c_str());
    return 2;
  }
  return 0;
}

}  // namespace zrtool
