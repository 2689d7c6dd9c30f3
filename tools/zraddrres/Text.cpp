#include "tools/zraddrres/Text.h"

#include <cstdio>
#include <vector>

#include "platform/CodePage.h"

namespace zrtool {

namespace {

bool IsAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// Decodes one UTF-8 sequence at text[i]; a malformed byte counts as one character.
unsigned long NextCodePoint(const std::string& text, std::size_t& i) {
  unsigned char c = static_cast<unsigned char>(text[i++]);
  int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  unsigned long point = more == 3 ? c & 0x07 : more == 2 ? c & 0x0F : more == 1 ? c & 0x1F : c;
  for (; more > 0 && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; --more) {
    point = (point << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
  }
  return point;
}

bool IsWide(unsigned long p) {
  return (p >= 0x1100 && p <= 0x115F) || (p >= 0x2E80 && p <= 0x303E) || (p >= 0x3041 && p <= 0x33FF) ||
         (p >= 0x3400 && p <= 0x4DBF) || (p >= 0x4E00 && p <= 0x9FFF) || (p >= 0xA000 && p <= 0xA4CF) ||
         (p >= 0xAC00 && p <= 0xD7A3) || (p >= 0xF900 && p <= 0xFAFF) || (p >= 0xFE30 && p <= 0xFE4F) ||
         (p >= 0xFF00 && p <= 0xFF60) || (p >= 0xFFE0 && p <= 0xFFE6) || (p >= 0x20000 && p <= 0x3FFFD);
}

}  // namespace

std::string ToUtf8(const std::string& ansi) {
  if (IsAscii(ansi)) return ansi;
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

bool ToAnsi(const std::string& utf8, std::string& ansi) {
  if (IsAscii(utf8)) {
    ansi = utf8;
    return true;
  }
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                  nullptr, 0);
  if (units <= 0) return false;
  std::vector<WCHAR> wide(static_cast<std::size_t>(units));
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                      units);
  BOOL usedDefault = FALSE;
  int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), units, nullptr, 0, nullptr,
                                  &usedDefault);
  if (bytes <= 0 || usedDefault) return false;
  ansi.assign(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), units, &ansi[0], bytes, nullptr, &usedDefault);
  return !usedDefault;
}

bool ArgumentsToAnsi(const std::string& command, const std::vector<std::string*>& arguments) {
  const std::string prefix = "zraddrres: " + (command.empty() ? std::string() : command + ": ");
  for (std::string* argument : arguments) {
    std::string ansi;
    if (ToAnsi(*argument, ansi)) {
      *argument = ansi;
      continue;
    }
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, argument->data(), static_cast<int>(argument->size()),
                            nullptr, 0) <= 0) {
      // Bytes of another encoding (a terminal not set to UTF-8): shown as they came.
      std::fprintf(stderr, "%s'%s' is not UTF-8 text; set the terminal to UTF-8\n", prefix.c_str(),
                   argument->c_str());
    } else {
      std::fprintf(stderr, "%s'%s' cannot be written in the ANSI code page %u\n", prefix.c_str(), argument->c_str(),
                   static_cast<unsigned>(GetACP()));
    }
    return false;
  }
  return true;
}

std::string Field(const std::string& utf8) {
  if (utf8.find_first_of("\t\r\n") == std::string::npos) return utf8;
  std::string out;
  for (char c : utf8) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c; break;
    }
  }
  return out;
}

std::size_t DisplayWidth(const std::string& utf8) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < utf8.size();) width += IsWide(NextCodePoint(utf8, i)) ? 2 : 1;
  return width;
}

std::string PadTo(const std::string& utf8, std::size_t width) {
  std::size_t used = DisplayWidth(utf8);
  return used >= width ? utf8 : utf8 + std::string(width - used, ' ');
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace zrtool
