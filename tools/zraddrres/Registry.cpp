#include "tools/zraddrres/Registry.h"

#include <cstdio>
#include <iterator>
#include <vector>

#include "platform/Console.h"
#include "platform/Paths.h"
#include "platform/RegImport.h"
#include "tools/zraddrres/Text.h"

namespace zrtool {

namespace {

// Every key the library reads, in an order a reader of the export follows:
// the port monitors, the Internet Print Provider's ports, the printers (the
// spooler's record of each printer's port), the time-out settings, and the
// user's store and PNS settings. None lies below another.
const char* const kLibraryKeys[] = {
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Providers\\Internet Print Provider\\Ports",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers",
    "HKEY_LOCAL_MACHINE\\Software\\ZrAddrRes",
    "HKEY_CURRENT_USER\\Software\\ZrAddrRes",
};

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

int RegImport(const std::string& file, bool replace) {
  std::string bytes;
  std::string error;
  if (LONG rc = zrplatform::ReadRegFile(file, &bytes, &error); rc != ERROR_SUCCESS) {
    if (rc == ERROR_FILE_NOT_FOUND) {
      std::fprintf(stderr, "zraddrres: cannot read %s\n", file.c_str());
    } else {
      std::fprintf(stderr, "zraddrres: %s: %s\n", file.c_str(), error.c_str());
    }
    return 1;
  }
  zrplatform::RegImportSummary summary;
  zrplatform::RegApplyMode mode = replace ? zrplatform::RegApplyMode::Replace : zrplatform::RegApplyMode::Merge;
  if (zrplatform::ImportRegText(bytes.data(), bytes.size(), &error, mode, &summary) != ERROR_SUCCESS) {
    std::fprintf(stderr, "zraddrres: %s: %s\n", file.c_str(), Printable(error).c_str());
    if (*zrplatform::RegistryErrorText()) std::fprintf(stderr, "zraddrres: %s\n", zrplatform::RegistryErrorText());
    return 1;
  }
  std::string counts = Count(summary.keys, "key", "keys") + ", " + Count(summary.values, "value", "values");
  if (!summary.machine && !summary.user) {
    std::fprintf(stderr, "zraddrres: loaded %s: %s; it names no hive, nothing changed\n", file.c_str(),
                 counts.c_str());
  } else {
    std::fprintf(stderr, "zraddrres: loaded %s: %s, %s %s\n", file.c_str(), counts.c_str(),
                 replace ? "replaced in" : "merged into",
                 zrplatform::RegistryLocation(summary.machine, summary.user).c_str());
  }
  return 0;
}

int RegExport(const std::string& key, const std::string& file) {
  std::string text;
  std::string error;
  LONG rc = key.empty() ? zrplatform::ExportRegText(
                              std::vector<std::string>(std::begin(kLibraryKeys), std::end(kLibraryKeys)), &text, &error)
                        : zrplatform::ExportRegText(key, &text, &error);
  if (rc != ERROR_SUCCESS) {
    std::fprintf(stderr, "zraddrres: reg export: %s\n", Printable(error).c_str());
    if (*zrplatform::RegistryErrorText()) std::fprintf(stderr, "zraddrres: %s\n", zrplatform::RegistryErrorText());
    return 1;
  }
  if (!file.empty()) {
    if (!zrplatform::WriteFileWhole(file, text, &error)) {
      std::fprintf(stderr, "zraddrres: reg export: cannot write %s: %s\n", Printable(file).c_str(),
                   Printable(error).c_str());
      return 1;
    }
    return 0;
  }
  // To a file or a pipe the export is data, written exactly; on a terminal
  // its names are read, in UTF-8 and with their control characters shown.
  if (zrplatform::StandardOutputIsTerminal()) text = PrintableLines(ToUtf8(text));
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

int SayEmptyRegistry() {
  std::fprintf(stderr,
               "zraddrres: no port found in %s; load a site's export with: zraddrres reg import FILE\n",
               zrplatform::RegistryLocation(true, true).c_str());
  return 1;
}

}  // namespace zrtool
