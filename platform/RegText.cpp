// Registry export text. The parser is one template over the character type:
// REGEDIT4 is parsed byte by byte (ANSI), a 5.00 export as UTF-16 after
// decoding, and only names and strings leave the Unicode world, converted to
// the ANSI code page as the registry's A functions would convert them.
#include "platform/RegText.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Registry.h"

namespace zrplatform {

namespace {

const char kHeader4[] = "REGEDIT4";
const char kHeader5[] = "Windows Registry Editor Version 5.00";

// Hex data of these types holds text; in a 5.00 export that text is UTF-16LE.
bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

struct ParseError {
  int line;
  std::string what;
};

// Strict UTF-8 to UTF-16; on an invalid sequence returns false with its offset.
bool DecodeUtf8(const unsigned char* s, std::size_t n, std::u16string& out, std::size_t& badOffset) {
  out.clear();
  out.reserve(n);
  std::size_t i = 0;
  while (i < n) {
    unsigned c = s[i];
    if (c < 0x80) {
      out.push_back(static_cast<char16_t>(c));
      ++i;
      continue;
    }
    std::size_t extra;
    unsigned code;
    unsigned minimum;
    if ((c & 0xE0) == 0xC0) {
      extra = 1, code = c & 0x1F, minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, code = c & 0x0F, minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, code = c & 0x07, minimum = 0x10000;
    } else {
      badOffset = i;
      return false;
    }
    if (n - i <= extra) {
      badOffset = i;
      return false;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
      unsigned next = s[i + k];
      if ((next & 0xC0) != 0x80) {
        badOffset = i;
        return false;
      }
      code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      badOffset = i;
      return false;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i += extra + 1;
  }
  return true;
}

int LineOfOffset(const unsigned char* s, std::size_t offset) {
  int line = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    if (s[i] == '\n') ++line;
  }
  return line;
}

// UTF-16 to the ANSI code page; false when the conversion fails or the code
// page cannot hold a character. Converting anyway would store "?" or a
// look-alike in its place: another name, or another address, than the export's.
bool ToAnsi(const char16_t* s, std::size_t n, std::string& out) {
  out.clear();
  if (n == 0) return true;
  if (n > static_cast<std::size_t>(INT_MAX) / 4) return false;
  LPCWSTR wide = reinterpret_cast<LPCWSTR>(s);
  BOOL usedDefault = FALSE;
  int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(n), nullptr, 0, nullptr,
                                   &usedDefault);
  if (length <= 0 || usedDefault) return false;
  out.resize(static_cast<std::size_t>(length));
  return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(n), &out[0], length, nullptr,
                             &usedDefault) == length &&
         !usedDefault;
}

bool ToAnsi(const char* s, std::size_t n, std::string& out) {
  out.assign(s, n);
  return true;
}

int HexDigit(unsigned c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

// The lead bytes of a code page's double-byte characters: those of 932
// (Shift-JIS) whatever the process's code page, so that a hive file of 932
// reads alike everywhere; of another code page only when it is the
// process's own, as the system knows it.
struct LeadBytes {
  bool lead[256] = {};

  explicit LeadBytes(unsigned codePage) {
    const unsigned own = GetACP();
    if (codePage == 0) codePage = own;
    for (unsigned c = 0x80; c < 256; ++c) {
      if (codePage == 932) {
        lead[c] = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
      } else if (codePage == own && codePage != 1252) {
        lead[c] = IsDBCSLeadByte(static_cast<BYTE>(c)) != 0;
      }
    }
  }
  bool operator()(char c) const { return lead[static_cast<unsigned char>(c)]; }
};

using Take = std::function<std::string(RegOperation& op)>;

template <typename Char>
class Parser {
 public:
  using View = std::basic_string_view<Char>;

  // `leadBytes` is null for text in which no character spans two units.
  Parser(View text, const LeadBytes* leadBytes, const Take& take) : text_(text), leadBytes_(leadBytes), take_(take) {}

  bool Run(ParseError& error) {
    try {
      ParseAll();
      return true;
    } catch (ParseError& failure) {
      error = std::move(failure);
      return false;
    }
  }

 private:
  enum class Current { None, Key, Deleted };

  // The next line into line_, without its end: lines end in LF, CR LF being
  // the usual form, and a CR left at the end goes. The lines are found as
  // they are read, never held all at once: a text of empty lines would take
  // many times its size as a list.
  bool NextLine() {
    if (atEnd_) return false;
    std::size_t end = text_.find(Char('\n'), next_);
    if (end == View::npos) {
      end = text_.size();
      atEnd_ = true;
    }
    line_ = text_.substr(next_, end - next_);
    if (!line_.empty() && line_.back() == Char('\r')) line_.remove_suffix(1);
    next_ = end + 1;
    ++lineNumber_;
    return true;
  }

  [[noreturn]] void Fail(std::string what) const {
    throw ParseError{lineNumber_ > 0 ? lineNumber_ : 1, std::move(what)};
  }

  void Emit(RegOperation& op) {
    std::string what = take_(op);
    if (!what.empty()) throw ParseError{op.line, std::move(what)};
  }

  [[noreturn]] void FailNotInCodePage() const {
    Fail("text with a character that the ANSI code page " + std::to_string(GetACP()) + " cannot hold");
  }

  // A stray CR counts as space: files pass through editors that leave them.
  static bool IsSpace(Char c) { return c == Char(' ') || c == Char('\t') || c == Char('\r'); }

  static View Trim(View v) {
    while (!v.empty() && IsSpace(v.front())) v.remove_prefix(1);
    while (!v.empty() && IsSpace(v.back())) v.remove_suffix(1);
    return v;
  }

  static bool EqualsAscii(View v, const char* ascii, bool ignoreCase) {
    std::size_t n = std::strlen(ascii);
    if (v.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
      auto c = static_cast<unsigned long>(v[i]);
      auto a = static_cast<unsigned long>(static_cast<unsigned char>(ascii[i]));
      if (ignoreCase) {
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        if (a >= 'a' && a <= 'z') a -= 'a' - 'A';
      }
      if (c != a) return false;
    }
    return true;
  }

  static bool StartsWithAscii(View v, const char* ascii) {
    std::size_t n = std::strlen(ascii);
    return v.size() >= n && EqualsAscii(v.substr(0, n), ascii, true);
  }

  std::string Ansi(View v) const {
    std::string out;
    if (!ToAnsi(v.data(), v.size(), out)) FailNotInCodePage();
    return out;
  }

  void ParseAll() {
    // The header is the first line that is not blank.
    bool found = false;
    while (!found && NextLine()) found = !Trim(line_).empty();
    if (!found) {
      lineNumber_ = 1;
      Fail("expected REGEDIT4 or \"Windows Registry Editor Version 5.00\" as the first line");
    }
    View header = Trim(line_);
    if (EqualsAscii(header, kHeader4, false)) {
      unicodeData_ = false;
    } else if (EqualsAscii(header, kHeader5, false)) {
      unicodeData_ = true;
    } else {
      Fail("expected REGEDIT4 or \"Windows Registry Editor Version 5.00\" as the first line");
    }
    while (NextLine()) {
      View line = Trim(line_);
      if (line.empty() || line.front() == Char(';')) continue;
      if (line.front() == Char('[')) {
        ParseKeyLine(line);
      } else if (line.front() == Char('"') || line.front() == Char('@')) {
        ParseValueLine(line_);
      } else {
        Fail("expected [key], \"name\"=data, @=data or a ; comment");
      }
    }
  }

  void ParseKeyLine(View line) {
    if (line.back() != Char(']')) Fail("expected ] at the end of the key line");
    View name = line.substr(1, line.size() - 2);
    bool remove = !name.empty() && name.front() == Char('-');
    if (remove) name.remove_prefix(1);
    std::size_t slash = name.find(Char('\\'));
    View rootName = name.substr(0, slash);
    View path = slash == View::npos ? View() : name.substr(slash + 1);
    RegRoot root;
    if (EqualsAscii(rootName, "HKEY_LOCAL_MACHINE", true) || EqualsAscii(rootName, "HKLM", true)) {
      root = RegRoot::LocalMachine;
    } else if (EqualsAscii(rootName, "HKEY_CURRENT_USER", true) || EqualsAscii(rootName, "HKCU", true)) {
      root = RegRoot::CurrentUser;
    } else {
      Fail("expected HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER at the start of the key name");
    }
    if (remove && path.empty()) Fail("a root key cannot be deleted");
    // The registry's calls take names as C strings: a key named with a NUL
    // in it could be listed but never opened.
    if (path.find(Char(0)) != View::npos) Fail("a NUL character in the key name");
    RegOperation op;
    op.kind = remove ? RegOperation::Kind::DeleteTree : RegOperation::Kind::CreateKey;
    op.root = root;
    op.keyPath = RegKeyPath(Ansi(path));
    op.line = lineNumber_;
    currentRoot_ = root;
    currentPath_ = op.keyPath;
    current_ = remove ? Current::Deleted : Current::Key;
    Emit(op);
  }

  // A quoted text starting at `pos` (on the quote); leaves `pos` after the closing quote.
  std::basic_string<Char> Quoted(View line, std::size_t& pos) const {
    std::basic_string<Char> out;
    for (++pos; pos < line.size(); ++pos) {
      Char c = line[pos];
      if (c == Char('"')) {
        ++pos;
        return out;
      }
      // A double-byte character goes whole: its trail byte may be a
      // backslash or a quote, which is then no escape and no end.
      if (leadBytes_ != nullptr && (*leadBytes_)(static_cast<char>(c)) && pos + 1 < line.size()) {
        out.push_back(c);
        out.push_back(line[++pos]);
        continue;
      }
      if (c == Char('\\')) {
        if (pos + 1 >= line.size()) break;
        Char next = line[++pos];
        if (next != Char('\\') && next != Char('"')) Fail("unknown escape in a quoted text (only \\\\ and \\\" exist)");
        c = next;
      }
      out.push_back(c);
    }
    Fail("quoted text not closed on its line");
  }

  void SkipSpace(View line, std::size_t& pos) const {
    while (pos < line.size() && IsSpace(line[pos])) ++pos;
  }

  void ExpectEnd(View line, std::size_t pos, const char* after) const {
    SkipSpace(line, pos);
    if (pos != line.size()) Fail(std::string("unexpected text after ") + after);
  }

  void ParseValueLine(View line) {
    if (current_ == Current::None) Fail("value line before any [key] line");
    if (current_ == Current::Deleted) Fail("value line under a deleted [-key]");
    RegOperation op;
    op.root = currentRoot_;
    op.keyPath = currentPath_;
    op.line = lineNumber_;
    std::size_t pos = 0;
    SkipSpace(line, pos);
    if (line[pos] == Char('@')) {
      ++pos;
    } else {
      auto name = Quoted(line, pos);
      if (name.find(Char(0)) != decltype(name)::npos) Fail("a NUL character in the value name");
      op.valueName = Ansi(View(name));
    }
    SkipSpace(line, pos);
    if (pos >= line.size() || line[pos] != Char('=')) Fail("expected = after the value name");
    ++pos;
    SkipSpace(line, pos);
    View rest = line.substr(pos);
    if (!rest.empty() && rest.front() == Char('"')) {
      auto text = Quoted(line, pos);
      ExpectEnd(line, pos, "the quoted text");
      std::string ansi = Ansi(View(text));
      op.kind = RegOperation::Kind::SetValue;
      op.type = REG_SZ;
      op.data.assign(ansi.begin(), ansi.end());
      op.data.push_back(0);
    } else if (!rest.empty() && rest.front() == Char('-')) {
      ExpectEnd(line, pos + 1, "=-");
      op.kind = RegOperation::Kind::DeleteValue;
    } else if (StartsWithAscii(rest, "dword:")) {
      pos += 6;
      std::size_t digits = 0;
      unsigned long value = 0;
      while (pos < line.size() && HexDigit(static_cast<unsigned>(line[pos])) >= 0 && digits < 9) {
        value = (value << 4) | static_cast<unsigned long>(HexDigit(static_cast<unsigned>(line[pos])));
        ++pos;
        ++digits;
      }
      if (digits == 0 || digits > 8) Fail("expected 1 to 8 hex digits after dword:");
      ExpectEnd(line, pos, "the dword value");
      op.kind = RegOperation::Kind::SetValue;
      op.type = REG_DWORD;
      for (int i = 0; i < 4; ++i) op.data.push_back(static_cast<BYTE>((value >> (8 * i)) & 0xFF));
    } else if (StartsWithAscii(rest, "hex:")) {
      pos += 4;
      op.kind = RegOperation::Kind::SetValue;
      op.type = REG_BINARY;
      op.data = HexList(pos);
    } else if (StartsWithAscii(rest, "hex(")) {
      pos += 4;
      std::size_t digits = 0;
      unsigned long type = 0;
      while (pos < line.size() && HexDigit(static_cast<unsigned>(line[pos])) >= 0 && digits < 9) {
        type = (type << 4) | static_cast<unsigned long>(HexDigit(static_cast<unsigned>(line[pos])));
        ++pos;
        ++digits;
      }
      if (digits == 0 || digits > 8) Fail("expected 1 to 8 hex digits in hex(type)");
      if (pos + 1 >= line.size() || line[pos] != Char(')') || line[pos + 1] != Char(':')) {
        Fail("expected ): after the type in hex(type)");
      }
      pos += 2;
      op.kind = RegOperation::Kind::SetValue;
      op.type = static_cast<DWORD>(type);
      op.data = HexList(pos);
      if (unicodeData_ && IsStringType(op.type)) op.data = UnicodeDataToAnsi(op.data);
    } else {
      Fail("expected \"text\", dword:, hex:, hex(type): or - after =");
    }
    Emit(op);
  }

  // Comma-separated hex bytes from `pos` of the current line, following
  // continuations (a \ at the end of a line) onto the next lines.
  std::vector<BYTE> HexList(std::size_t pos) {
    std::vector<BYTE> bytes;
    View line = line_;
    for (;;) {
      SkipSpace(line, pos);
      if (pos == line.size()) return bytes;
      if (line[pos] == Char('\\')) {
        ExpectEnd(line, pos + 1, "the \\ that continues the data");
        if (!NextLine()) Fail("the data continues past the end of the text");
        line = line_;
        pos = 0;
        continue;
      }
      int high = HexDigit(static_cast<unsigned>(line[pos]));
      if (high < 0) Fail("expected a hex byte");
      ++pos;
      int value = high;
      if (pos < line.size() && HexDigit(static_cast<unsigned>(line[pos])) >= 0) {
        value = value * 16 + HexDigit(static_cast<unsigned>(line[pos]));
        ++pos;
      }
      bytes.push_back(static_cast<BYTE>(value));
      SkipSpace(line, pos);
      if (pos == line.size()) return bytes;
      if (line[pos] == Char(',')) {
        ++pos;
      } else if (line[pos] != Char('\\')) {
        Fail("expected , between hex bytes");
      }
    }
  }

  // Text data of a 5.00 export is UTF-16LE; the A functions see it in ANSI.
  std::vector<BYTE> UnicodeDataToAnsi(const std::vector<BYTE>& bytes) const {
    if (bytes.size() % 2 != 0) Fail("text data of a version 5.00 export must have an even number of bytes");
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
      units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    std::string ansi;
    if (!ToAnsi(units.data(), units.size(), ansi)) FailNotInCodePage();
    return std::vector<BYTE>(ansi.begin(), ansi.end());
  }

  const View text_;
  const LeadBytes* const leadBytes_;
  const Take& take_;
  std::size_t next_ = 0;  // where the line after line_ starts
  bool atEnd_ = false;    // line_ is the last line
  View line_;
  int lineNumber_ = 0;  // of line_, from 1
  bool unicodeData_ = false;
  Current current_ = Current::None;
  RegRoot currentRoot_ = RegRoot::LocalMachine;
  RegKeyPath currentPath_;  // shared with the value lines below it
};

// Is the first non-blank line of ANSI/UTF-8 bytes the version 5.00 header?
bool StartsWithHeader5(const unsigned char* s, std::size_t n) {
  std::size_t i = 0;
  while (i < n && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
  std::size_t length = sizeof kHeader5 - 1;
  return n - i >= length && std::memcmp(s + i, kHeader5, length) == 0;
}

void AppendHexByte(std::string& out, BYTE b) {
  static const char kDigits[] = "0123456789abcdef";
  out.push_back(kDigits[b >> 4]);
  out.push_back(kDigits[b & 0x0F]);
}

// Escapes a backslash or quote unless it is the trail byte of a
// double-byte character, which the reader takes whole.
void AppendQuoted(std::string& out, const char* s, std::size_t n, const LeadBytes& leadBytes) {
  out.push_back('"');
  for (std::size_t i = 0; i < n; ++i) {
    if (leadBytes(s[i]) && i + 1 < n) {
      out.push_back(s[i]);
      out.push_back(s[++i]);
      continue;
    }
    if (s[i] == '\\' || s[i] == '"') out.push_back('\\');
    out.push_back(s[i]);
  }
  out.push_back('"');
}

// A REG_SZ that a quoted text gives back exactly: one terminating NUL and
// nothing that would not survive on one line of text, nor a lone lead byte
// at its end.
bool IsPlainText(const std::vector<BYTE>& data, const LeadBytes& leadBytes) {
  if (data.empty() || data.back() != 0) return false;
  const std::size_t length = data.size() - 1;
  for (std::size_t i = 0; i < length; ++i) {
    if (leadBytes(static_cast<char>(data[i])) && ++i == length) return false;
    if (data[i] < 0x20 || data[i] == 0x7F) return false;
  }
  return true;
}

void WriteKey(std::string& out, const std::string& path, const RegTextKey& key, unsigned codePage) {
  out += "\r\n[";
  out += path;
  out += "]\r\n";
  for (const RegTextValue& value : key.values) {
    out += WriteRegValueLine(value, codePage);
    out += "\r\n";
  }
  for (const RegTextKey& subkey : key.subkeys) WriteKey(out, path + "\\" + subkey.name, subkey, codePage);
}

}  // namespace

const char* RegRootName(RegRoot root) {
  return root == RegRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string RegParseResult::ErrorText() const {
  if (ok()) return std::string();
  return "line " + std::to_string(errorLine) + ": " + errorWhat;
}

std::string RegTextLimitText() { return "the " + std::to_string(kMaxRegTextBytes >> 20) + " MiB a registry text may hold"; }

RegParseResult ParseRegText(const void* bytes, std::size_t size, RegTextForm form, const Take& take) {
  RegParseResult result;
  const auto* s = static_cast<const unsigned char*>(bytes);
  if (s == nullptr) size = 0;
  ParseError error{0, std::string()};
  bool ok;
  if (size > kMaxRegTextBytes) {
    error = {1, std::to_string(size) + " bytes, more than " + RegTextLimitText()};
    ok = false;
  } else if (size >= 2 && s[0] == 0xFE && s[1] == 0xFF) {
    error = {1, "UTF-16 big-endian text is not supported"};
    ok = false;
  } else if (size >= 2 && s[0] == 0xFF && s[1] == 0xFE) {
    std::u16string text;
    text.reserve(size / 2);
    for (std::size_t i = 2; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(s[i] | (s[i + 1] << 8)));
    if (size % 2 != 0) {
      error = {1, "UTF-16 text with an odd number of bytes"};
      for (char16_t c : text) error.line += c == u'\n' ? 1 : 0;
      ok = false;
    } else {
      ok = Parser<char16_t>(text, nullptr, take).Run(error);
    }
  } else {
    bool bom = size >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF;
    const unsigned char* body = bom ? s + 3 : s;
    std::size_t bodySize = bom ? size - 3 : size;
    if (bom || StartsWithHeader5(body, bodySize)) {
      std::u16string text;
      std::size_t bad = 0;
      if (!DecodeUtf8(body, bodySize, text, bad)) {
        error = {LineOfOffset(body, bad), "invalid UTF-8"};
        ok = false;
      } else {
        ok = Parser<char16_t>(text, nullptr, take).Run(error);
      }
    } else {
      std::string_view text(reinterpret_cast<const char*>(body), bodySize);
      const LeadBytes leadBytes(form.codePage);
      ok = Parser<char>(text, form.quoting == RegQuoting::WholeCharacters ? &leadBytes : nullptr, take).Run(error);
    }
  }
  if (!ok) {
    result.errorLine = error.line > 0 ? error.line : 1;
    result.errorWhat = std::move(error.what);
  }
  return result;
}

RegParseResult ParseRegText(const void* bytes, std::size_t size, RegTextForm form) {
  std::vector<RegOperation> operations;
  RegParseResult result = ParseRegText(bytes, size, form, [&operations](RegOperation& op) {
    operations.push_back(std::move(op));
    return std::string();
  });
  if (result.ok()) result.operations = std::move(operations);
  return result;
}

LONG RegOperations::ForEach(const Visit& visit) const {
  if (list_ != nullptr) {
    for (const RegOperation& op : *list_) {
      if (LONG rc = visit(op); rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
  }
  LONG stopped = ERROR_SUCCESS;
  RegParseResult parsed = ParseRegText(bytes_, size_, form_, [&](RegOperation& op) {
    stopped = visit(op);
    return stopped == ERROR_SUCCESS ? std::string() : std::string("stopped");
  });
  if (stopped != ERROR_SUCCESS) return stopped;
  return parsed.ok() ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}

bool QuotesWhole(const std::string& text, unsigned codePage) {
  const LeadBytes leadBytes(codePage);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (leadBytes(text[i]) && ++i == text.size()) return false;
  }
  return true;
}

std::string WriteRegValueLine(const RegTextValue& value, unsigned codePage) {
  const LeadBytes leadBytes(codePage);
  std::string out;
  if (value.name.empty()) {
    out = "@";
  } else {
    AppendQuoted(out, value.name.data(), value.name.size(), leadBytes);
  }
  out += "=";
  const std::vector<BYTE>& data = value.data;
  if (value.type == REG_SZ && IsPlainText(data, leadBytes)) {
    AppendQuoted(out, reinterpret_cast<const char*>(data.data()), data.size() - 1, leadBytes);
    return out;
  }
  if (value.type == REG_DWORD && data.size() == 4) {
    char text[16];
    unsigned long number = static_cast<unsigned long>(data[0]) | (static_cast<unsigned long>(data[1]) << 8) |
                           (static_cast<unsigned long>(data[2]) << 16) | (static_cast<unsigned long>(data[3]) << 24);
    std::snprintf(text, sizeof text, "dword:%08lx", number);
    out += text;
    return out;
  }
  if (value.type == REG_BINARY) {
    out += "hex:";
  } else {
    char text[24];
    std::snprintf(text, sizeof text, "hex(%lx):", static_cast<unsigned long>(value.type));
    out += text;
  }
  // Regedit's layout: "xx," groups, and a \ continuation once the next group
  // would pass column 77; continuation lines are indented by two spaces.
  std::size_t column = out.size();
  for (std::size_t i = 0; i < data.size(); ++i) {
    AppendHexByte(out, data[i]);
    if (i + 1 == data.size()) break;
    out += ",";
    column += 3;
    if (column + 3 > 77) {
      out += "\\\r\n  ";
      column = 2;
    }
  }
  return out;
}

std::string WriteRegText(const std::string& keyPath, const RegTextKey& key, unsigned codePage) {
  std::string out = kHeader4;
  out += "\r\n";
  WriteKey(out, keyPath, key, codePage);
  return out;
}

std::string WriteRegText(const std::vector<RegTextTree>& trees, unsigned codePage) {
  std::string out = kHeader4;
  out += "\r\n";
  for (const RegTextTree& tree : trees) WriteKey(out, tree.keyPath, tree.key, codePage);
  return out;
}

}  // namespace zrplatform
