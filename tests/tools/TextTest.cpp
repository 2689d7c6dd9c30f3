// What the tool prints for a person: control characters from exports under
// audit and from hosts on the network shown as escapes, judged on the UTF-8
// text; and CSV cells a spreadsheet would run as formulas made text.
#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "tools/zraddrres/Text.h"

namespace {

struct Case {
  const char* in;
  const char* out;
};

TEST(Printable, ShowsEveryControlCharacterAndStrayByteAsAnEscape) {
  const Case cases[] = {
      {"Lobby", "Lobby"},
      {"\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},  // retitles the terminal
      {"a\tb\r\nc", "a\\tb\\r\\nc"},
      {"nul\x01 us\x1f del\x7f", "nul\\x01 us\\x1f del\\x7f"},
      // C1 controls in UTF-8: U+009B is CSI, U+009D OSC.
      {"\xc2\x9b" "31m \xc2\x9d" "0;x \xc2\x80 \xc2\x9f", "\\u009b31m \\u009d0;x \\u0080 \\u009f"},
      // Characters whose UTF-8 holds bytes 0x80 to 0x9F are characters.
      {"\xc2\xa0 \xe3\x83\x97\xe3\x83\xaa \xe6\x8b\x8a \xf0\x9f\x96\xa8", "\xc2\xa0 \xe3\x83\x97\xe3\x83\xaa \xe6\x8b\x8a \xf0\x9f\x96\xa8"},
      // Bytes that are no UTF-8: a raw 0x9B is CSI to an 8-bit terminal.
      {"\x9b" "31m", "\\x9b31m"},
      {"over\xc0\x9b", "over\\xc0\\x9b"},           // ESC in an overlong form
      {"cut\xe3\x83", "cut\\xe3\\x83"},              // a sequence cut short
      {"half\xed\xa0\x80", "half\\xed\\xa0\\x80"},  // a surrogate
      {"big\xf4\x90\x80\x80", "big\\xf4\\x90\\x80\\x80"},
      {"\\\\srv\\tray", "\\\\srv\\tray"},  // backslashes are not doubled
  };
  for (const Case& c : cases) EXPECT_EQ(zrtool::Printable(c.in), c.out) << c.in;
}

TEST(Printable, ALineOfAnExportKeepsItsEndOnATerminal) {
  EXPECT_EQ(zrtool::PrintableLines("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\a\x1b[2J]\r\n\"v\"=\"x\ny\rz\"\r\n"),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\a\\x1b[2J]\r\n\"v\"=\"x\\ny\\rz\"\r\n");
}

// The code page's own text is judged after conversion: 932's lead bytes
// (0x81 to 0x9F) and trail bytes (0x40 to 0xFC) are no controls.
TEST(Printable, AnsiTextIsJudgedInUtf8) {
  if (GetACP() == 932) {
    EXPECT_EQ(zrtool::Shown("\x83v\x9d" "b\x83\\\x1b"), "\xe3\x83\x97\xe6\x8b\x8a\xe3\x82\xbd\\x1b");
  } else {
    EXPECT_EQ(zrtool::Shown("B\xfcro\x1b"), "B\xc3\xbcro\\x1b");
    // 0x9D: Windows reads it as U+009D (OSC); iconv's 1252 has no character for it.
    EXPECT_EQ(zrtool::Shown("\x9d"), ZR_TARGET_WINDOWS ? std::string("\\u009d") : std::string("\xef\xbf\xbd"));
  }
}

TEST(CsvField, ACellASpreadsheetWouldRunIsMadeText) {
  const Case cases[] = {
      {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
      {"+cmd|' /C calc'!A0", "\"'+cmd|' /C calc'!A0\""},
      {"-2+3", "\"'-2+3\""},
      {"@SUM(A1)", "\"'@SUM(A1)\""},
      {"\t=1", "\"'\t=1\""},
      {"\r=1", "\"'\r=1\""},
      {"a=b", "a=b"},
      {"10.1.0.5", "10.1.0.5"},
      {"fe80::1", "fe80::1"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(zrtool::CsvField(c.in), c.out) << c.in;
}

}  // namespace
