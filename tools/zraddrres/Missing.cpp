#include "tools/zraddrres/Missing.h"

#include <cstdio>

#include <ZrAddrResolution.h>

#include "platform/Registry.h"
#include "tools/zraddrres/Text.h"
#include "vdoem/VdOem.h"

namespace zrtool {

int SayMissingStoreEntry(const std::string& action, const std::vector<std::string>& arguments) {
  const std::size_t wanted = action == "rename" ? 2 : 1;
  if ((action != "get" && action != "remove" && action != "rename") || arguments.size() != wanted ||
      arguments[0].empty()) {
    return 0;  // not a call about one entry: the store command says what is wrong with it
  }
  // The store keeps \\srv\queue as "queue on srv" (NZrAddrRes::CRegMgr names
  // its values so); look for the value under that name, as the store will.
  CString friendly;
  CZrAddrResolution::MakePrinterFriendlyName(arguments[0].c_str(), friendly);
  const std::string valueName(friendly, friendly.GetLength());
  HKEY key = nullptr;
  bool held = false;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    LONG rc = RegQueryValueExA(key, valueName.c_str(), nullptr, nullptr, nullptr, nullptr);
    held = rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
    RegCloseKey(key);
  }
  if (held) return 0;
  std::string named = Shown(valueName);
  if (valueName != arguments[0]) named += " (the store's name for " + Shown(arguments[0]) + ")";
  std::fprintf(stderr, "zraddrres: store %s: no entry named %s; see zraddrres store list\n", action.c_str(),
               named.c_str());
  return 1;
}

}  // namespace zrtool
