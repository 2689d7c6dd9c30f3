// POSIX code pages: the ANSI code page is 1252 unless ZRADDRRES_ACP names
// another (read once per process, as Windows fixes it at start-up); 932 is
// the double-byte Shift-JIS page. Conversions to UTF-16 go through iconv.
#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Modules.h"
#include "platform/posix/Settings.h"

namespace {

const char* const kCodePageNames[] = {"1252", "932"};

UINT ReadAnsiCodePage() {
  const char* wanted = std::getenv("ZRADDRRES_ACP");
  if (wanted == nullptr || *wanted == '\0') return 1252;
  long value = std::strtol(wanted, nullptr, 10);
  return value == 932 ? 932 : 1252;
}

UINT ResolveCodePage(UINT codePage) {
  if (codePage == CP_ACP || codePage == CP_OEMCP) return GetACP();
  return codePage;
}

const char* IconvName(UINT codePage) {
  switch (codePage) {
    case 932: return "CP932";
    case 1252: return "CP1252";
    case CP_UTF8: return "UTF-8";
    default: return nullptr;
  }
}

// Converts whole text with iconv; false on an invalid sequence when strict,
// otherwise an invalid byte becomes the replacement the target has ("?" or U+FFFD).
bool Convert(const char* from, const char* to, const char* input, std::size_t inputLength, std::string& output,
             bool strict, const char* replacement, std::size_t replacementLength) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  output.clear();
  char* in = const_cast<char*>(input);
  std::size_t inLeft = inputLength;
  std::vector<char> chunk(256);
  bool ok = true;
  while (inLeft > 0) {
    char* out = chunk.data();
    std::size_t outLeft = chunk.size();
    std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    output.append(chunk.data(), chunk.size() - outLeft);
    if (rc != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    if (strict) {
      ok = false;
      break;
    }
    // Skip one unit of the input and put the replacement in its place.
    std::size_t skip = std::strcmp(from, "UTF-16LE") == 0 ? 2 : 1;
    skip = skip < inLeft ? skip : inLeft;
    in += skip;
    inLeft -= skip;
    output.append(replacement, replacementLength);
  }
  iconv_close(cd);
  return ok;
}

}  // namespace

UINT GetACP() {
  static const UINT codePage = ReadAnsiCodePage();
  return codePage;
}

BOOL IsDBCSLeadByte(BYTE c) {
  if (GetACP() != 932) return FALSE;
  return ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? TRUE : FALSE;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR input, int inputLength, LPWSTR output,
                        int outputLength) {
  const char* name = IconvName(ResolveCodePage(codePage));
  if (name == nullptr || input == nullptr || outputLength < 0 || inputLength == 0 || inputLength < -1) {
    SetLastError(name == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::size_t length = inputLength == -1 ? std::strlen(input) + 1 : static_cast<std::size_t>(inputLength);
  std::string converted;
  static const char kReplacement[] = {'\xFD', '\xFF'};  // U+FFFD, little-endian
  if (!Convert(name, "UTF-16LE", input, length, converted, (flags & MB_ERR_INVALID_CHARS) != 0, kReplacement, 2)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  int units = static_cast<int>(converted.size() / 2);
  if (outputLength == 0) return units;
  if (units > outputLength) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(output, converted.data(), converted.size());
  return units;
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR input, int inputLength, LPSTR output, int outputLength,
                        LPCSTR defaultChar, LPBOOL usedDefault) {
  const char* name = IconvName(ResolveCodePage(codePage));
  if (name == nullptr || input == nullptr || outputLength < 0 || inputLength == 0 || inputLength < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::size_t units = 0;
  if (inputLength == -1) {
    while (input[units] != 0) ++units;
    ++units;
  } else {
    units = static_cast<std::size_t>(inputLength);
  }
  std::string converted;
  const char* replacement = defaultChar ? defaultChar : "?";
  bool exact = Convert("UTF-16LE", name, reinterpret_cast<const char*>(input), units * 2, converted, true, nullptr, 0);
  if (!exact) {
    Convert("UTF-16LE", name, reinterpret_cast<const char*>(input), units * 2, converted, false, replacement,
            std::strlen(replacement));
  }
  if (usedDefault) *usedDefault = exact ? FALSE : TRUE;
  int bytes = static_cast<int>(converted.size());
  if (outputLength == 0) return bytes;
  if (bytes > outputLength) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(output, converted.data(), converted.size());
  return bytes;
}

namespace zrplatform {
namespace posix {

bool IsCodePageName(const char* text) {
  for (const char* name : kCodePageNames) {
    if (std::strcmp(name, text) == 0) return true;
  }
  return false;
}

std::string CodePageNames() {
  std::string names;
  for (const char* name : kCodePageNames) names += (names.empty() ? "" : ", ") + std::string(name);
  return names;
}

}  // namespace posix
}  // namespace zrplatform
