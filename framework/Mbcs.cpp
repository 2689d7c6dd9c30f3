#include "framework/Mbcs.h"

#include "platform/CodePage.h"

namespace zrframework {

namespace {

void FillTables(unsigned codePage, bool* lead, unsigned char* upper, unsigned char* lower) {
  for (int b = 0; b < 256; ++b) {
    lead[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
    upper[b] = lower[b] = static_cast<unsigned char>(b);
  }
  for (int b = 'a'; b <= 'z'; ++b) {
    upper[b] = static_cast<unsigned char>(b - 'a' + 'A');
    lower[b - 'a' + 'A'] = static_cast<unsigned char>(b);
  }
  if (codePage == 1252) {
    // The Latin letters of 1252 outside ASCII: à..þ pair with À..Þ (÷/× excepted),
    // and the four pairs in the 0x80 block.
    for (int b = 0xE0; b <= 0xFE; ++b) {
      if (b == 0xF7) continue;
      upper[b] = static_cast<unsigned char>(b - 0x20);
      lower[b - 0x20] = static_cast<unsigned char>(b);
    }
    const unsigned char pairs[][2] = {{0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};
    for (const auto& p : pairs) {
      upper[p[0]] = p[1];
      lower[p[1]] = p[0];
    }
  }
}

}  // namespace

const Mbcs::Tables& Mbcs::Table() {
  static const Tables tables = [] {
    Tables t{};
    t.codePage = GetACP();
    FillTables(t.codePage, t.lead, t.upper, t.lower);
    return t;
  }();
  return tables;
}

}  // namespace zrframework
