// The Windows registry is the real one; only the helpers that are not
// registry calls themselves need a body here.
#include "platform/Registry.h"

#include <vector>

namespace zrplatform {

namespace {

// The name in UTF-16, upper-cased as the registry folds names.
std::vector<wchar_t> FoldedName(const char* name) {
  if (name == nullptr) name = "";
  int length = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
  std::vector<wchar_t> wide(length > 0 ? static_cast<std::size_t>(length) : 1, L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, name, -1, wide.data(), length);
  CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return wide;
}

}  // namespace

bool SameRegistryName(const char* a, const char* b) { return FoldedName(a) == FoldedName(b); }

// Windows has nothing to add to its codes.
const char* RegistryErrorText() { return ""; }

}  // namespace zrplatform
