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

// The length of the well-formed UTF-8 sequence at text[i] (no overlong form,
// no surrogate, nothing above U+10FFFF); 0 when the byte starts none.
std::size_t SequenceLength(const std::string& text, std::size_t i) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) return 1;
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    unsigned char next = static_cast<unsigned char>(text[i + k]);
    if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return 0;
  }
  return length;
}

void AppendHex(std::string& out, const char* prefix, unsigned char byte) {
  static const char kDigits[] = "0123456789abcdef";
  out += prefix;
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0F];
}

std::string EscapeControls(const std::string& utf8, bool keepLineEnds) {
  bool plain = true;
  for (unsigned char c : utf8) plain = plain && c >= 0x20 && c != 0x7F && c < 0x80;
  if (plain) return utf8;
  std::string out;
  out.reserve(utf8.size() + 16);
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (keepLineEnds && c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
      out += "\r\n";
      i += 2;
      continue;
    }
    std::size_t length = SequenceLength(utf8, i);
    if (length == 0) {
      AppendHex(out, "\\x", c);
      ++i;
    } else if (length == 1 && (c < 0x20 || c == 0x7F)) {
      switch (c) {
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: AppendHex(out, "\\x", c); break;
      }
      ++i;
    } else if (length == 2 && c == 0xC2 && static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
      AppendHex(out, "\\u00", static_cast<unsigned char>(utf8[i + 1]));  // U+0080 to U+009F
      i += 2;
    } else {
      out.append(utf8, i, length);
      i += length;
    }
  }
  return out;
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
      // Bytes of another encoding (a terminal not set to UTF-8): shown as \xHH.
      std::fprintf(stderr, "%s'%s' is not UTF-8 text; set the terminal to UTF-8\n", prefix.c_str(),
                   Printable(*argument).c_str());
    } else {
      std::fprintf(stderr, "%s'%s' cannot be written in the ANSI code page %u\n", prefix.c_str(),
                   Printable(*argument).c_str(),
                   static_cast<unsigned>(GetACP()));
    }
    return false;
  }
  return true;
}

std::string Printable(const std::string& utf8) { return EscapeControls(utf8, false); }

std::string Shown(const std::string& ansi) { return Printable(ToUtf8(ansi)); }

std::string PrintableLines(const std::string& utf8) { return EscapeControls(utf8, true); }

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
  // A spreadsheet runs a cell that starts so as a formula (=HYPERLINK(...),
  // +cmd|...): a ' first makes it text, and the spreadsheet hides the '.
  const bool formula = !text.empty() && std::string("=+-@\t\r").find(text[0]) != std::string::npos;
  if (!formula && text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = formula ? "\"'" : "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace zrtool
