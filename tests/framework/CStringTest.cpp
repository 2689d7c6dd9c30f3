// CString in the ANSI code page: one table, with what 1252 and 932 each give.
// In 932 the second byte of a double-byte character may equal '\\' (0x5C) or
// a letter; such a byte must never be found, replaced, folded or upper-cased.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/CString.h"
#include "tests/support/Mode.h"

namespace {

// Shift-JIS characters whose trail byte looks like ASCII.
#define SJ_BACKSLASH "\x95\x5C"  // trail byte '\'
#define SJ_TRAIL_A "\x83\x41"    // trail byte 'A'
#define SJ_TRAIL_a "\x83\x61"    // trail byte 'a'

struct Case {
  const char* what;
  std::function<std::string()> run;
  std::string in1252;
  std::string in932;
};

std::string S(const CString& s) { return std::string(s, s.GetLength()); }
std::string N(int n) { return std::to_string(n); }

const Case kCases[] = {
    {"Find backslash skips a trail byte", [] { return N(CString(SJ_BACKSLASH "\\").Find('\\')); }, "1", "2"},
    {"Find text starting on a trail byte", [] { return N(CString("\x83\x5C\x83\x41").Find("\x5C\x83")); }, "1", "-1"},
    {"Find from a start", [] { return N(CString("a\\b\\c").Find('\\', 2)); }, "3", "3"},
    {"ReverseFind ignores a trailing trail byte", [] { return N(CString("\\" SJ_BACKSLASH).ReverseFind('\\')); },
     "2", "0"},
    {"ReverseFind with none", [] { return N(CString("abc").ReverseFind('\\')); }, "-1", "-1"},
    {"Replace text keeps trail bytes",
     [] {
       CString s(SJ_BACKSLASH "\\x\\");
       int n = s.Replace("\\", "/");
       return N(n) + S(s);
     },
     "3\x95//x/", "2" SJ_BACKSLASH "/x/"},
    {"Replace char keeps trail bytes",
     [] {
       CString s(SJ_BACKSLASH "\\");
       s.Replace('\\', '/');
       return S(s);
     },
     "\x95//", SJ_BACKSLASH "/"},
    {"MakeUpper leaves trail letters",
     [] {
       CString s("a" SJ_TRAIL_a "z");
       s.MakeUpper();
       return S(s);
     },
     "A\x83" "AZ", "A" SJ_TRAIL_a "Z"},
    {"MakeUpper of Latin letters",
     [] {
       CString s("\xE9t\xE9");
       s.MakeUpper();
       return S(s);
     },
     "\xC9T\xC9", "\xE9t\xE9"},  // in 932, "\xE9t" is one double-byte character
    {"CompareNoCase folds ASCII", [] { return N(CString("Leafdesk Port").CompareNoCase("LEAFDESK port")); }, "0",
     "0"},
    {"CompareNoCase does not fold trail bytes",
     [] { return N(CString(SJ_TRAIL_A).CompareNoCase(SJ_TRAIL_a) == 0); }, "1", "0"},
    {"CompareNoCase around double-byte text",
     [] { return N(CString("ab" SJ_TRAIL_A "c").CompareNoCase("AB" SJ_TRAIL_A "C")); }, "0", "0"},
    {"TrimRight stops at a double-byte character", [] {
       CString s("x\x81 ");
       s.TrimRight();
       return S(s);
     },
     "x\x81", "x\x81 "},
    {"Remove skips trail bytes", [] {
       CString s(SJ_BACKSLASH "\\");
       s.Remove('\\');
       return S(s);
     },
     "\x95", SJ_BACKSLASH},
};

TEST(CStringCodePage, TableOfCases) {
  unsigned cp = zrtest::CodePage();
  ZR_SKIP_UNLESS(cp == 1252 || cp == 932, "the table knows code pages 1252 and 932 only");
  for (const Case& c : kCases) {
    EXPECT_EQ(c.run(), cp == 932 ? c.in932 : c.in1252) << c.what << " (cp" << cp << ")";
  }
}

TEST(CString, ExtractsClampAtTheEnds) {
  CString s("LPT1:");
  EXPECT_STREQ(s.Left(3), "LPT");
  EXPECT_STREQ(s.Left(99), "LPT1:");
  EXPECT_STREQ(s.Left(-1), "");
  EXPECT_STREQ(s.Right(2), "1:");
  EXPECT_STREQ(s.Right(10), "LPT1:");
  EXPECT_STREQ(s.Mid(4, 1), ":");
  EXPECT_STREQ(s.Mid(5, 1), "");
  EXPECT_STREQ(s.Mid(2), "T1:");
  EXPECT_STREQ(s.Mid(9), "");
}

TEST(CString, ConstructionAssignmentAndConcatenation) {
  CString empty(static_cast<const char*>(nullptr));
  EXPECT_TRUE(empty.IsEmpty());
  CString a("abc");
  CString b = a;
  b += "def";
  EXPECT_STREQ(a, "abc");
  EXPECT_STREQ(b, "abcdef");
  EXPECT_EQ(b.GetLength(), 6);
  a = a;  // self-assignment keeps the text
  EXPECT_STREQ(a, "abc");
  a = static_cast<const char*>(a) + 1;  // assigning a part of itself
  EXPECT_STREQ(a, "bc");
  EXPECT_STREQ(CString("x") + "y" + 'z', "xyz");
  EXPECT_TRUE(CString("a") < CString("b"));
  EXPECT_TRUE(CString("a") == "a");
  EXPECT_TRUE(CString("a") != "b");
  EXPECT_STREQ(CString('-', 3), "---");
}

TEST(CString, FormatGrowsAsNeeded) {
  CString s;
  std::string longText(5000, 'x');
  s.Format("%s:%d:%08x", longText.c_str(), -5, 0xBEEFu);
  EXPECT_EQ(S(s), longText + ":-5:0000beef");
}

TEST(CString, BufferAccess) {
  CString s;
  char* buffer = s.GetBuffer(10);
  std::snprintf(buffer, 11, "%s", "0123456789");
  s.ReleaseBuffer();
  EXPECT_EQ(s.GetLength(), 10);
  s.GetBuffer(0)[3] = '\0';
  s.ReleaseBuffer();
  EXPECT_STREQ(s, "012");
}

TEST(CString, TrimAndCase) {
  CString s("  Port 1 \t");
  s.TrimRight();
  EXPECT_STREQ(s, "  Port 1");
  s.TrimLeft();
  EXPECT_STREQ(s, "Port 1");
  s.MakeUpper();
  EXPECT_STREQ(s, "PORT 1");
  s.MakeLower();
  EXPECT_STREQ(s, "port 1");
  EXPECT_LT(CString("a").CompareNoCase("B"), 0);
  EXPECT_GT(CString("b").CompareNoCase("A"), 0);
}

}  // namespace
