#include "tools/zraddrres/AddressValue.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace zrtool {

namespace {

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
unsigned HexValue(char c) {
  return IsDigit(c) ? static_cast<unsigned>(c - '0') : static_cast<unsigned>(std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The library's own test of a dotted text: three dots, runs of at most three
// ASCII digits, nothing else. Only such texts are read as IPv4 here: a form
// the socket library would also take (10.1.5, 0x0a.1.0.5) is no address to
// the library, so it is none to the tool either.
bool LibraryTakesDotted(const std::string& text) {
  int dots = 0;
  int digits = 0;
  for (char c : text) {
    if (IsDigit(c)) {
      if (++digits > 3) return false;
    } else if (c == '.') {
      if (++dots > 3) return false;
      digits = 0;
    } else {
      return false;
    }
  }
  return dots == 3;
}

// How a part with a leading zero reads: octal, as the socket library reads
// a dotted address, or not at all, as the numeric parsers take the dotted
// tail of an IPv6 text.
enum class LeadingZero { Octal, Refused };

// A dotted text of the library's form, read part by part.
bool ReadDottedParts(const std::string& text, LeadingZero leadingZero, unsigned char out[4]) {
  if (!LibraryTakesDotted(text)) return false;
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    std::size_t dot = text.find('.', at);
    std::string digits = text.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
    if (digits.empty()) return false;
    const bool octal = digits.size() > 1 && digits[0] == '0';
    if (octal && leadingZero == LeadingZero::Refused) return false;
    unsigned value = 0;  // at most three digits: no overflow
    for (char c : digits) {
      if (octal && c > '7') return false;
      value = value * (octal ? 8 : 10) + static_cast<unsigned>(c - '0');
    }
    if (value > 255) return false;
    out[part] = static_cast<unsigned char>(value);
    at = dot + 1;
  }
  return true;
}

bool ReadDotted(const std::string& text, unsigned char out[4]) {
  return ReadDottedParts(text, LeadingZero::Octal, out);
}

bool ReadDecimalTail(const std::string& text, unsigned char out[4]) {
  return ReadDottedParts(text, LeadingZero::Refused, out);
}

// An IPv6 text's sixteen bytes and its scope ("%..." kept as written).
bool ReadIPv6(const std::string& text, unsigned char out[16], std::string& scope) {
  std::string address = text;
  scope.clear();
  std::string::size_type percent = text.find('%');
  if (percent != std::string::npos) {
    scope = text.substr(percent + 1);
    if (scope.empty()) return false;
    address = text.substr(0, percent);
  }
  if (address.size() < 2 || address.find(':') == std::string::npos) return false;
  std::vector<unsigned> head, tail;  // the groups before and after "::"
  bool compressed = false;
  std::vector<unsigned>* groups = &head;
  std::size_t at = 0;
  if (address.compare(0, 2, "::") == 0) {
    compressed = true;
    groups = &tail;
    at = 2;
    if (at == address.size()) {
      for (int i = 0; i < 16; ++i) out[i] = 0;
      return true;
    }
  } else if (address[0] == ':') {
    return false;
  }
  while (at < address.size()) {
    std::string::size_type colon = address.find(':', at);
    std::string group = address.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
    if (group.find('.') != std::string::npos) {
      // A dotted tail ends the text and counts as two groups.
      unsigned char four[4];
      if (colon != std::string::npos || !ReadDecimalTail(group, four)) return false;
      groups->push_back(four[0] << 8 | four[1]);
      groups->push_back(four[2] << 8 | four[3]);
      break;
    }
    if (group.empty() || group.size() > 4) return false;
    unsigned value = 0;
    for (char c : group) {
      if (!IsHexDigit(c)) return false;
      value = value * 16 + HexValue(c);
    }
    groups->push_back(value);
    if (colon == std::string::npos) break;
    at = colon + 1;
    if (at == address.size()) return false;  // a single colon at the end
    if (address[at] == ':') {
      if (compressed) return false;  // a second "::"
      compressed = true;
      groups = &tail;
      ++at;
      if (at == address.size()) break;
      if (address[at] == ':') return false;
    }
  }
  const std::size_t count = head.size() + tail.size();
  if (compressed ? count > 7 : count != 8) return false;
  std::vector<unsigned> all = head;
  all.resize(8 - tail.size(), 0);
  all.insert(all.end(), tail.begin(), tail.end());
  for (int i = 0; i < 8; ++i) {
    out[2 * i] = static_cast<unsigned char>(all[i] >> 8);
    out[2 * i + 1] = static_cast<unsigned char>(all[i] & 0xFF);
  }
  return true;
}

// An IPX text as network (8 digits) and node (12 digits), whichever order it is in.
bool ReadIpx(const std::string& text, std::string& network, std::string& node) {
  std::string::size_type colon = text.find(':');
  if (text.size() != 21 || (colon != 8 && colon != 12)) return false;
  std::string first = text.substr(0, colon), second = text.substr(colon + 1);
  for (const std::string* part : {&first, &second}) {
    for (char c : *part) {
      if (!IsHexDigit(c)) return false;
    }
  }
  network = Lower(colon == 8 ? first : second);
  node = Lower(colon == 8 ? second : first);
  return true;
}

std::string Hex(const unsigned char* bytes, int count) {
  std::string text;
  char two[3];
  for (int i = 0; i < count; ++i) {
    std::snprintf(two, sizeof two, "%02x", bytes[i]);
    text += two;
  }
  return text;
}

}  // namespace

std::string AddressValue(const std::string& text) {
  unsigned char bytes[16];
  std::string scope, network, node;
  if (ReadDotted(text, bytes)) return "4:" + Hex(bytes, 4);
  if (ReadIpx(text, network, node)) return "x:" + network + node;
  if (ReadIPv6(text, bytes, scope)) return "6:" + Hex(bytes, 16) + (scope.empty() ? "" : "%" + scope);
  return std::string();
}

bool SameAddress(const std::string& a, const std::string& b) {
  const std::string va = AddressValue(a), vb = AddressValue(b);
  if (!va.empty() || !vb.empty()) return va == vb;
  return Lower(a) == Lower(b);
}

std::string PlainSpelling(const std::string& text) {
  unsigned char bytes[16];
  std::string scope, network, node;
  if (ReadDotted(text, bytes)) {
    char dotted[16];
    std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    return dotted;
  }
  if (ReadIpx(text, network, node)) return network + ":" + node;
  if (!ReadIPv6(text, bytes, scope)) return text;
  // The longest run of two or more zero groups becomes "::", the first of equals.
  unsigned groups[8];
  for (int i = 0; i < 8; ++i) groups[i] = bytes[2 * i] << 8 | bytes[2 * i + 1];
  int bestAt = -1, bestLength = 1;
  for (int i = 0; i < 8;) {
    int j = i;
    while (j < 8 && groups[j] == 0) ++j;
    if (j - i > bestLength) {
      bestAt = i;
      bestLength = j - i;
    }
    i = j > i ? j : i + 1;
  }
  std::string out;
  char group[8];
  for (int i = 0; i < 8; ++i) {
    if (i == bestAt) {
      out += "::";
      i += bestLength - 1;
      continue;
    }
    if (!out.empty() && out.back() != ':') out += ':';
    std::snprintf(group, sizeof group, "%x", groups[i]);
    out += group;
  }
  return scope.empty() ? out : out + "%" + scope;
}

std::string ReadingNote(const std::string& text) {
  if (!LibraryTakesDotted(text)) return std::string();
  unsigned char bytes[4];
  if (!ReadDotted(text, bytes)) {
    return text + " is no address the socket library reads (four parts of 0 to 255, a part with a leading zero "
                  "in octal); it is compared as written";
  }
  // Octal changes a part's value only when more than one digit follows its zeros.
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t dot = text.find('.', at);
    std::string part = text.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
    std::size_t first = part.find_first_not_of('0');
    if (part.size() > 1 && part[0] == '0' && first != std::string::npos && part.size() - first > 1) {
      return text + " is the address " + PlainSpelling(text) +
             ": the socket library reads a part with a leading zero as octal";
    }
    if (dot == std::string::npos) break;
    at = dot + 1;
  }
  return std::string();
}

}  // namespace zrtool
