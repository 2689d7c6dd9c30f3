// Character stepping in the ANSI code page: which bytes begin a double-byte
// character and how single-byte letters change case. Built once per process
// from the platform's code page, like the C runtime's multibyte tables.
#pragma once

#include <cstddef>

namespace zrframework {

class Mbcs {
 public:
  // True when the byte begins a double-byte character in the ANSI code page.
  static bool IsLeadByte(unsigned char byte) { return Table().lead[byte]; }
  // Length in bytes of the character at text (1, or 2 for a lead byte that is
  // followed by a trail byte; a lead byte before the terminator counts as 1).
  static std::size_t CharLength(const char* text) {
    return (IsLeadByte(static_cast<unsigned char>(text[0])) && text[1] != '\0') ? 2 : 1;
  }
  static char ToUpper(char ch) { return static_cast<char>(Table().upper[static_cast<unsigned char>(ch)]); }
  static char ToLower(char ch) { return static_cast<char>(Table().lower[static_cast<unsigned char>(ch)]); }
  static unsigned CodePage() { return Table().codePage; }

 private:
  struct Tables {
    unsigned codePage;
    bool lead[256];
    unsigned char upper[256];
    unsigned char lower[256];
  };
  static const Tables& Table();
};

}  // namespace zrframework
