#include "tools/zraddrres/Text.h"

#include <vector>

#include "platform/CodePage.h"

namespace zrtool {

std::string ToUtf8(const std::string& ansi) {
  bool ascii = true;
  for (unsigned char c : ansi) ascii = ascii && c < 0x80;
  if (ascii) return ansi;
  int units = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  if (units <= 0) return ansi;
  std::vector<WCHAR> wide(static_cast<std::size_t>(units));
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), units);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return ansi;
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, &utf8[0], bytes, nullptr, nullptr);
  return utf8;
}

}  // namespace zrtool
