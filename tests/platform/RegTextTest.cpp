// The .reg text reader and writer: every form of data in each encoding an
// export comes in, the faults a hand-edited file has (with their lines), and
// the exact round trip of names, types and bytes through the writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/RegText.h"
#include "platform/Registry.h"
#include "tests/support/Mode.h"

namespace {

using zrplatform::ParseRegText;
using zrplatform::RegOperation;
using zrplatform::RegParseResult;
using zrplatform::RegTextKey;
using zrplatform::RegTextValue;
using zrplatform::WriteRegText;
using zrplatform::WriteRegValueLine;

std::string Hex(const std::vector<BYTE>& data) {
  std::string out;
  char byte[4];
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x", data[i]);
    out += byte;
  }
  return out;
}

// One operation as a line of text, so tables can list what they expect.
std::string Describe(const RegOperation& op) {
  std::string key = std::string(op.root == zrplatform::RegRoot::LocalMachine ? "HKLM" : "HKCU") +
                    (op.keyPath.empty() ? "" : "\\" + op.keyPath.str());
  switch (op.kind) {
    case RegOperation::Kind::CreateKey: return "create " + key;
    case RegOperation::Kind::DeleteTree: return "delete-tree " + key;
    case RegOperation::Kind::DeleteValue: return "delete-value " + key + " [" + op.valueName + "]";
    case RegOperation::Kind::SetValue:
      return "set " + key + " [" + op.valueName + "] type " + std::to_string(op.type) + " = " + Hex(op.data);
  }
  return "?";
}

std::vector<std::string> Describe(const RegParseResult& result) {
  std::vector<std::string> out;
  for (const RegOperation& op : result.operations) out.push_back(Describe(op));
  return out;
}

// UTF-8 (of the test source) to UTF-16LE bytes.
std::string Utf16le(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    auto c = static_cast<unsigned char>(utf8[i]);
    unsigned code;
    int extra;
    if (c < 0x80) code = c, extra = 0;
    else if (c < 0xE0) code = c & 0x1F, extra = 1;
    else if (c < 0xF0) code = c & 0x0F, extra = 2;
    else code = c & 0x07, extra = 3;
    for (int k = 1; k <= extra; ++k) code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += 1 + extra;
    auto unit = [&out](unsigned u) {
      out.push_back(static_cast<char>(u & 0xFF));
      out.push_back(static_cast<char>(u >> 8));
    };
    if (code >= 0x10000) {
      unit(0xD800 + ((code - 0x10000) >> 10));
      unit(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      unit(code);
    }
  }
  return out;
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

enum class Form { Regedit4, Utf8, Utf8Bom, Utf16 };

const char* FormName(Form form) {
  switch (form) {
    case Form::Regedit4: return "REGEDIT4, CR LF";
    case Form::Utf8: return "5.00 UTF-8, LF";
    case Form::Utf8Bom: return "5.00 UTF-8 with BOM, LF";
    case Form::Utf16: return "5.00 UTF-16LE, CR LF";
  }
  return "?";
}

// A body (the lines after the header) in one of the forms exports come in.
std::string Encode(Form form, const std::string& body) {
  switch (form) {
    case Form::Regedit4: return WithCrLf("REGEDIT4\n\n" + body);
    case Form::Utf8: return "Windows Registry Editor Version 5.00\n\n" + body;
    case Form::Utf8Bom: return "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n" + body;
    case Form::Utf16: return "\xFF\xFE" + Utf16le(WithCrLf("Windows Registry Editor Version 5.00\n\n" + body));
  }
  return body;
}

struct FormCase {
  const char* name;
  const char* body;
  std::vector<std::string> expected;
};

// Bodies whose meaning is the same in every form (ASCII text, no text-typed hex).
const FormCase kFormCases[] = {
    {"keys, strings and the default value",
     "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"Name\"=\"value\"\n@=\"default\"\n",
     {"create HKLM\\Software\\A", "set HKLM\\Software\\A [Name] type 1 = 76,61,6c,75,65,00",
      "set HKLM\\Software\\A [] type 1 = 64,65,66,61,75,6c,74,00"}},
    {"short root names and the root itself",
     "[HKLM\\X]\n[hkcu\\Y\\Z]\n[HKEY_CURRENT_USER]\n\"r\"=\"\"\n",
     {"create HKLM\\X", "create HKCU\\Y\\Z", "create HKCU", "set HKCU [r] type 1 = 00"}},
    {"escapes in names and strings",
     "[HKCU\\E]\n\"a\\\"b\\\\\"=\"c:\\\\dir\\\\\\\"q\\\"\"\n",
     {"create HKCU\\E", "set HKCU\\E [a\"b\\] type 1 = 63,3a,5c,64,69,72,5c,22,71,22,00"}},
    {"dword values",
     "[HKCU\\D]\n\"d1\"=dword:0000002a\n\"d2\"=DWORD:FFFFFFFF\n\"d3\"=dword:1\n",
     {"create HKCU\\D", "set HKCU\\D [d1] type 4 = 2a,00,00,00", "set HKCU\\D [d2] type 4 = ff,ff,ff,ff",
      "set HKCU\\D [d3] type 4 = 01,00,00,00"}},
    {"binary values, empty and continued",
     "[HKCU\\B]\n\"b1\"=hex:00,ff,10\n\"b2\"=hex:\n\"b3\"=hex:00,01,\\\n  02,03,\\\n  04\n\"b4\"=hex:0,f\n",
     {"create HKCU\\B", "set HKCU\\B [b1] type 3 = 00,ff,10", "set HKCU\\B [b2] type 3 = ",
      "set HKCU\\B [b3] type 3 = 00,01,02,03,04", "set HKCU\\B [b4] type 3 = 00,0f"}},
    {"other types by number",
     "[HKCU\\T]\n\"n\"=hex(0):\n\"d\"=hex(4):01,00,00\n\"q\"=hex(b):01,00,00,00,00,00,00,00\n"
     "\"big\"=hex(5):00,00,00,01\n\"odd\"=hex(12345678):aa\n",
     {"create HKCU\\T", "set HKCU\\T [n] type 0 = ", "set HKCU\\T [d] type 4 = 01,00,00",
      "set HKCU\\T [q] type 11 = 01,00,00,00,00,00,00,00", "set HKCU\\T [big] type 5 = 00,00,00,01",
      "set HKCU\\T [odd] type 305419896 = aa"}},
    {"deletions",
     "[-HKEY_CURRENT_USER\\Software\\Gone]\n[HKCU\\Kept]\n\"x\"=-\n@=-\n",
     {"delete-tree HKCU\\Software\\Gone", "create HKCU\\Kept", "delete-value HKCU\\Kept [x]",
      "delete-value HKCU\\Kept []"}},
    {"comments, blank lines and spacing",
     "; exported for the tests\n\n[HKCU\\S]   \n  ; indented comment\n\"n\" = \"v\"  \n\n\t\"t\"\t=\tdword:2\n",
     {"create HKCU\\S", "set HKCU\\S [n] type 1 = 76,00", "set HKCU\\S [t] type 4 = 02,00,00,00"}},
    {"names keep their case and brackets",
     "[HKCU\\Mixed]Case]\n[HKCU\\mixed]case]\n",
     {"create HKCU\\Mixed]Case", "create HKCU\\mixed]case"}},
};

TEST(RegTextParse, EveryFormGivesTheSameOperations) {
  for (const FormCase& c : kFormCases) {
    for (Form form : {Form::Regedit4, Form::Utf8, Form::Utf8Bom, Form::Utf16}) {
      SCOPED_TRACE(std::string(c.name) + " / " + FormName(form));
      RegParseResult result = ParseRegText(Encode(form, c.body));
      ASSERT_TRUE(result.ok()) << result.ErrorText();
      EXPECT_EQ(c.expected, Describe(result));
    }
  }
}

TEST(RegTextParse, OperationsRememberTheirLines) {
  RegParseResult result = ParseRegText("REGEDIT4\n\n[HKCU\\A]\n; note\n\"x\"=hex:01,\\\n 02\n\"y\"=\"z\"\n");
  ASSERT_TRUE(result.ok()) << result.ErrorText();
  std::vector<int> lines;
  for (const RegOperation& op : result.operations) lines.push_back(op.line);
  EXPECT_EQ((std::vector<int>{3, 5, 7}), lines);
}

// An export audited from another site may hold one long key path over a
// great many value lines. Every value operation shares its key's path, so the
// parsed text holds each [key] line's path once, not once per line below it:
// at 2,000 characters times 100,000 lines, copies would take some 200 MB for
// under a megabyte of text. The paths' storage is told apart by address.
TEST(RegTextParse, ValueLinesShareTheirKeysPath) {
  std::string longPath;
  for (int i = 0; longPath.size() < 2000; ++i) {
    longPath += (i ? "\\" : "") + std::to_string(1000 + i) + std::string(95, 'k');
  }
  const std::string otherPath = "Other\\" + longPath;
  const int kLines = 20000;
  std::string body = "[HKCU\\" + longPath + "]\n";
  for (int i = 0; i < kLines; ++i) body += i % 2 ? "\"a\"=-\n" : "@=dword:1\n";
  body += "[HKLM\\" + otherPath + "]\n";
  for (int i = 0; i < kLines; ++i) body += "\"b\"=\"\"\n";

  for (Form form : {Form::Regedit4, Form::Utf16}) {
    SCOPED_TRACE(FormName(form));
    RegParseResult result = ParseRegText(Encode(form, body));
    ASSERT_TRUE(result.ok()) << result.ErrorText();
    ASSERT_EQ(2u + 2u * kLines, result.operations.size());
    std::set<const char*> held;
    std::size_t heldBytes = 0;
    std::size_t wrongPaths = 0;
    for (const RegOperation& op : result.operations) {
      const std::string path(op.keyPath.c_str(), op.keyPath.size());
      if (path != (op.root == zrplatform::RegRoot::CurrentUser ? longPath : otherPath)) ++wrongPaths;
      if (held.insert(op.keyPath.c_str()).second) heldBytes += op.keyPath.size();
    }
    EXPECT_EQ(0u, wrongPaths);
    EXPECT_EQ(longPath.size() + otherPath.size(), heldBytes) << held.size() << " copies of the paths";
  }
}

struct TextDataCase {
  const char* name;
  std::string text;
  std::vector<std::string> expected;
};

// Text-typed hex data is ANSI in REGEDIT4 and UTF-16LE in a 5.00 export;
// either way the registry's A functions see ANSI bytes.
TEST(RegTextParse, TextDataFollowsTheVersion) {
  const TextDataCase cases[] = {
      {"REGEDIT4 expandable string", "REGEDIT4\n[HKCU\\K]\n\"e\"=hex(2):25,50,25,00\n",
       {"create HKCU\\K", "set HKCU\\K [e] type 2 = 25,50,25,00"}},
      {"5.00 expandable string", "Windows Registry Editor Version 5.00\n[HKCU\\K]\n\"e\"=hex(2):25,00,50,00,25,00,00,00\n",
       {"create HKCU\\K", "set HKCU\\K [e] type 2 = 25,50,25,00"}},
      {"5.00 multi-string", "Windows Registry Editor Version 5.00\n[HKCU\\K]\n\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00\n",
       {"create HKCU\\K", "set HKCU\\K [m] type 7 = 61,00,62,00,00"}},
      {"5.00 string without terminator", "Windows Registry Editor Version 5.00\n[HKCU\\K]\n\"s\"=hex(1):61,00,62,00\n",
       {"create HKCU\\K", "set HKCU\\K [s] type 1 = 61,62"}},
      {"5.00 binary is not text", "Windows Registry Editor Version 5.00\n[HKCU\\K]\n\"b\"=hex:61,00\n",
       {"create HKCU\\K", "set HKCU\\K [b] type 3 = 61,00"}},
  };
  for (const TextDataCase& c : cases) {
    SCOPED_TRACE(c.name);
    RegParseResult result = ParseRegText(c.text);
    ASSERT_TRUE(result.ok()) << result.ErrorText();
    EXPECT_EQ(c.expected, Describe(result));
  }
}

// 表, ソ and 能 in code page 932: each a double-byte character whose trail
// byte is 5C, a backslash.
const char kHyo[] = "\x95\x5C";
const char kSo[] = "\x83\x5C";
const char kNo[] = "\x94\x5C";

struct QuotedFormCase {
  const char* name;
  zrplatform::RegTextForm form;
  std::string body;  // after the header and a [HKCU\K] line
  std::vector<std::string> expected;
};

// Quoted names and strings of a REGEDIT4 text are in its code page: a
// double-byte character is taken whole, its trail byte no escape, as in the
// key lines. The hive files of earlier versions escaped that byte too, and
// are read as they were written.
TEST(RegTextParse, QuotedTextIsReadInItsCodePage) {
  using zrplatform::RegQuoting;
  const std::string all = std::string(kHyo) + kSo + kNo;
  const QuotedFormCase cases[] = {
      {"1252: bytes of the code page stay as they are", {1252, RegQuoting::WholeCharacters},
       "\"\xE9\"=\"\x93\\\\\\\\\"\n", {"set HKCU\\K [\xE9] type 1 = 93,5c,5c,00"}},
      {"932: double-byte characters whole", {932, RegQuoting::WholeCharacters},
       "\"" + all + "\"=\"" + all + "\\\\" + kNo + "\"\n",
       {"set HKCU\\K [" + all + "] type 1 = 95,5c,83,5c,94,5c,5c,94,5c,00"}},
      {"932: a single-byte katakana is no lead byte", {932, RegQuoting::WholeCharacters},
       "\"\xB1\\\\\"=\"\xDF\\\"\"\n", {"set HKCU\\K [\xB1\\] type 1 = df,22,00"}},
      {"932 as earlier hive files wrote it", {932, RegQuoting::EveryByte},
       std::string("\"") + kHyo + "\\\"=\"" + kSo + "\\" + kNo + "\\\"\n",
       {std::string("set HKCU\\K [") + kHyo + "] type 1 = 83,5c,94,5c,00"}},
      {"a 932 text read as 1252 splits its characters", {1252, RegQuoting::WholeCharacters},
       std::string("\"") + kHyo + "\\\"=\"\"\n", {std::string("set HKCU\\K [") + kHyo + "] type 1 = 00"}},
  };
  for (const QuotedFormCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = "REGEDIT4\r\n[HKCU\\K]\r\n" + WithCrLf(c.body);
    std::vector<std::string> expected = {"create HKCU\\K"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    RegParseResult result = ParseRegText(text, c.form);
    ASSERT_TRUE(result.ok()) << result.ErrorText();
    EXPECT_EQ(expected, Describe(result));
    // A text without a form is read in the run's code page.
    if (c.form.codePage == zrtest::CodePage() && c.form.quoting == RegQuoting::WholeCharacters) {
      EXPECT_EQ(expected, Describe(ParseRegText(text)));
    }
  }
  // Escaped after its lead byte, as the earlier hive files have it, 表 is a
  // fault to a reader of whole characters, never another name.
  RegParseResult old = ParseRegText(std::string("REGEDIT4\n[HKCU\\K]\n\"") + kHyo + "\\\"=\"v\"\n",
                                    {932, RegQuoting::WholeCharacters});
  EXPECT_FALSE(old.ok());
}

struct UnicodeNameCase {
  unsigned codePage;
  const char* utf8;  // a name in the export
  const char* ansi;  // the same name in that ANSI code page
};

// Names and strings of a 5.00 export arrive in the ANSI code page of the run.
TEST(RegTextParse, UnicodeExportsConvertToTheAnsiCodePage) {
  const UnicodeNameCase cases[] = {
      {1252, "Caf\xC3\xA9", "Caf\xE9"},
      {1252, "\xE2\x82\xAC" "5", "\x80" "5"},
      {932, "\xE6\x97\xA5\xE6\x9C\xAC", "\x93\xFA\x96\x7B"},
      {932, "\xE8\xA1\xA8", "\x95\x5C"},  // a trail byte that is a backslash
  };
  int ran = 0;
  for (const UnicodeNameCase& c : cases) {
    if (c.codePage != zrtest::CodePage()) continue;
    ++ran;
    SCOPED_TRACE(c.utf8);
    std::string body = std::string("[HKCU\\") + c.utf8 + "]\n\"" + c.utf8 + "\"=\"" + c.utf8 + "\"\n";
    std::string ansiHex = Hex(std::vector<BYTE>(c.ansi, c.ansi + std::char_traits<char>::length(c.ansi)));
    std::vector<std::string> expected = {std::string("create HKCU\\") + c.ansi,
                                         std::string("set HKCU\\") + c.ansi + " [" + c.ansi + "] type 1 = " + ansiHex +
                                             ",00"};
    for (Form form : {Form::Utf8, Form::Utf8Bom, Form::Utf16}) {
      SCOPED_TRACE(FormName(form));
      RegParseResult result = ParseRegText(Encode(form, body));
      ASSERT_TRUE(result.ok()) << result.ErrorText();
      EXPECT_EQ(expected, Describe(result));
    }
  }
  if (ran == 0) GTEST_SKIP() << "no case for code page " << zrtest::CodePage();
}

struct UnheldCase {
  unsigned codePage;
  const char* utf8;  // a character that code page has no byte sequence for
};

// A name or text the run's code page cannot hold is refused where it stands,
// rather than stored with "?" or a look-alike in its place: that would be
// another printer's name, or another address.
TEST(RegTextParse, TextTheCodePageCannotHoldIsRefused) {
  const UnheldCase characters[] = {
      {1252, "\xE6\x97\xA5"},  // a kanji
      {1252, "\xC4\x81"},       // a with macron: best fit would make it "a"
      {932, "\xC3\xA9"},        // e acute
      {932, "\xE2\x82\xAC"},   // the euro sign
  };
  int ran = 0;
  for (const UnheldCase& c : characters) {
    if (c.codePage != zrtest::CodePage()) continue;
    ++ran;
    const std::string x = c.utf8;
    std::string u16;  // the character as UTF-16LE hex bytes, for hex(2) data
    for (unsigned char b : Utf16le(x)) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%02x,", b);
      u16 += byte;
    }
    const struct {
      const char* where;
      std::string body;
      int line;
    } places[] = {
        {"key", "[HKCU\\a" + x + "]\n", 3},
        {"value name", "[HKCU\\a]\n\"n" + x + "\"=\"v\"\n", 4},
        {"string", "[HKCU\\a]\n\"n\"=\"v" + x + "\"\n", 4},
        {"expandable string", "[HKCU\\a]\n\"n\"=hex(2):" + u16 + "00,00\n", 4},
        {"deleted value", "[HKCU\\a]\n\"" + x + "\"=-\n", 4},
    };
    for (const auto& place : places) {
      for (Form form : {Form::Utf8, Form::Utf16}) {
        SCOPED_TRACE(std::string(place.where) + " in " + FormName(form) + " with " + c.utf8);
        RegParseResult result = ParseRegText(Encode(form, place.body));
        ASSERT_FALSE(result.ok());
        EXPECT_TRUE(result.operations.empty());
        EXPECT_EQ(place.line, result.errorLine) << result.ErrorText();
        EXPECT_NE(std::string::npos,
                  result.errorWhat.find("the ANSI code page " + std::to_string(c.codePage) + " cannot hold"))
            << result.errorWhat;
      }
    }
  }
  if (ran == 0) GTEST_SKIP() << "no case for code page " << zrtest::CodePage();
}

struct MalformedCase {
  const char* name;
  std::string text;
  int line;
  const char* what;  // part of the message
};

TEST(RegTextParse, MalformedTextNamesItsLine) {
  const std::string h4 = "REGEDIT4\n\n";
  const MalformedCase cases[] = {
      {"empty text", "", 1, "expected REGEDIT4"},
      {"only blank lines", "\n\n  \n", 1, "expected REGEDIT4"},
      {"unknown header", "REGEDIT5\n", 1, "expected REGEDIT4"},
      {"header after a comment", "; hi\nREGEDIT4\n", 1, "expected REGEDIT4"},
      {"value before any key", "REGEDIT4\n\"a\"=\"b\"\n", 2, "before any [key]"},
      {"unknown root", h4 + "[HKEY_USERS\\x]\n", 3, "HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER"},
      {"empty key line", h4 + "[]\n", 3, "HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER"},
      {"key line not closed", h4 + "[HKCU\\a\n", 3, "expected ]"},
      {"text after the key line", h4 + "[HKCU\\a] x\n", 3, "expected ]"},
      {"deleting a root", h4 + "[-HKEY_CURRENT_USER]\n", 3, "root key cannot be deleted"},
      {"NUL in a key name", h4 + std::string("[HKCU\\a\0b]\n", 11), 3, "NUL character in the key name"},
      {"NUL in a value name", h4 + std::string("[HKCU\\a]\n\"n\0m\"=\"v\"\n", 19), 4,
       "NUL character in the value name"},
      {"string not closed", h4 + "[HKCU\\a]\n\"n\"=\"abc\n", 4, "not closed"},
      {"name not closed", h4 + "[HKCU\\a]\n\"n=1\n", 4, "not closed"},
      {"backslash at the end of a string", h4 + "[HKCU\\a]\n\"n\"=\"abc\\\n", 4, "not closed"},
      {"unknown escape", h4 + "[HKCU\\a]\n\"n\"=\"\\n\"\n", 4, "unknown escape"},
      {"no = after the name", h4 + "[HKCU\\a]\n\"n\" \"v\"\n", 4, "expected ="},
      {"unknown data", h4 + "[HKCU\\a]\n\"n\"=word:1\n", 4, "after ="},
      {"nothing after =", h4 + "[HKCU\\a]\n\"n\"=\n", 4, "after ="},
      {"text after a string", h4 + "[HKCU\\a]\n\"n\"=\"v\" x\n", 4, "after the quoted text"},
      {"text after =-", h4 + "[HKCU\\a]\n\"n\"=-1\n", 4, "after =-"},
      {"dword too long", h4 + "[HKCU\\a]\n\"n\"=dword:123456789\n", 4, "1 to 8 hex digits"},
      {"dword without digits", h4 + "[HKCU\\a]\n\"n\"=dword:xyz\n", 4, "1 to 8 hex digits"},
      {"text after a dword", h4 + "[HKCU\\a]\n\"n\"=dword:12 x\n", 4, "after the dword"},
      {"not a hex byte", h4 + "[HKCU\\a]\n\"n\"=hex:zz\n", 4, "expected a hex byte"},
      {"bytes without a comma", h4 + "[HKCU\\a]\n\"n\"=hex:00 01\n", 4, "expected ,"},
      {"byte of three digits", h4 + "[HKCU\\a]\n\"n\"=hex:001\n", 4, "expected ,"},
      {"fault on a continuation line", h4 + "[HKCU\\a]\n\"n\"=hex:00,\\\n  01,\\\n  0x\n", 6, "expected ,"},
      {"text after a continuation", h4 + "[HKCU\\a]\n\"n\"=hex:00,\\ 01\n", 4, "continues the data"},
      {"continuation past the end", h4 + "[HKCU\\a]\n\"n\"=hex:00,\\", 4, "past the end"},
      {"type without digits", h4 + "[HKCU\\a]\n\"n\"=hex():00\n", 4, "hex(type)"},
      {"type too long", h4 + "[HKCU\\a]\n\"n\"=hex(123456789):00\n", 4, "hex(type)"},
      {"type not closed", h4 + "[HKCU\\a]\n\"n\"=hex(2:00\n", 4, "expected ):"},
      {"value under a deleted key", h4 + "[-HKCU\\a]\n\"n\"=\"v\"\n", 4, "deleted"},
      {"a stray line", h4 + "[HKCU\\a]\nn=v\n", 4, "expected [key]"},
      {"counting blank and comment lines", h4 + "[HKCU\\a]\n\n; c\n\n\"a\"=\"b\"\n\"c\"=hex:,\n", 8, "hex byte"},
      {"odd UTF-16 text data", "Windows Registry Editor Version 5.00\n[HKCU\\a]\n\"e\"=hex(2):25,00,50\n", 3,
       "even number of bytes"},
      {"invalid UTF-8", "Windows Registry Editor Version 5.00\n\n[HKCU\\\xFF]\n", 3, "invalid UTF-8"},
      {"overlong UTF-8", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\xC0\xAF\n", 2, "invalid UTF-8"},
      {"UTF-8 surrogate", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n\n\xED\xA0\x80\n", 4, "invalid UTF-8"},
      {"truncated UTF-8", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\xE6\x97", 2, "invalid UTF-8"},
      {"UTF-16 of an odd length", "\xFF\xFE" + Utf16le("Windows Registry Editor Version 5.00\r\n\r\n") + "x", 3,
       "odd number of bytes"},
      {"UTF-16 big-endian", "\xFE\xFF\x00W", 1, "big-endian"},
      {"UTF-16 with a fault", "\xFF\xFE" + Utf16le("Windows Registry Editor Version 5.00\r\n[HKCU\\a]\r\n\"x\"=y\r\n"),
       3, "after ="},
  };
  for (const MalformedCase& c : cases) {
    SCOPED_TRACE(c.name);
    RegParseResult result = ParseRegText(c.text);
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(result.operations.empty());
    EXPECT_EQ(c.line, result.errorLine) << result.ErrorText();
    EXPECT_NE(std::string::npos, result.errorWhat.find(c.what)) << result.errorWhat;
    EXPECT_EQ("line " + std::to_string(c.line) + ": " + result.errorWhat, result.ErrorText());
  }
}

// Cut anywhere, a good export either still parses or names a line it has.
TEST(RegTextParse, EveryPrefixOfAnExportParsesOrNamesALine) {
  const std::string body =
      "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"Name\"=\"va\\\"lue\"\n@=dword:0000002a\n"
      "\"b\"=hex:00,01,\\\n  02,03\n\"e\"=hex(2):25,00,00,00\n[-HKCU\\Old]\n";
  for (Form form : {Form::Regedit4, Form::Utf8Bom, Form::Utf16}) {
    SCOPED_TRACE(FormName(form));
    const std::string whole = Encode(form, body);
    for (std::size_t length = 0; length <= whole.size(); ++length) {
      const std::string prefix = whole.substr(0, length);
      RegParseResult result = ParseRegText(prefix.data(), prefix.size());
      if (result.ok()) continue;
      int lines = 1 + static_cast<int>(std::count(prefix.begin(), prefix.end(), '\n'));
      EXPECT_GE(result.errorLine, 1) << "length " << length;
      EXPECT_LE(result.errorLine, lines) << "length " << length << ": " << result.ErrorText();
    }
  }
}

struct ValueLineCase {
  const char* name;
  RegTextValue value;
  const char* line;
};

TEST(RegTextWrite, EachValueTakesItsForm) {
  auto bytes = [](std::initializer_list<int> list) {
    std::vector<BYTE> out;
    for (int b : list) out.push_back(static_cast<BYTE>(b));
    return out;
  };
  auto text = [](const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); };
  const ValueLineCase cases[] = {
      {"plain string", {"Name", REG_SZ, text(std::string("value\0", 6))}, "\"Name\"=\"value\""},
      {"empty string", {"e", REG_SZ, bytes({0})}, "\"e\"=\"\""},
      {"default value", {"", REG_SZ, text(std::string("d\0", 2))}, "@=\"d\""},
      {"escapes", {"a\"b\\", REG_SZ, text(std::string("c:\\x\"\0", 6))}, "\"a\\\"b\\\\\"=\"c:\\\\x\\\"\""},
      {"ANSI bytes stay text", {"n", REG_SZ, bytes({0xE9, 0x93, 0x5C, 0})}, "\"n\"=\"\xE9\x93\\\\\""},
      {"string without terminator", {"s", REG_SZ, text("ab")}, "\"s\"=hex(1):61,62"},
      {"string of no bytes", {"s", REG_SZ, {}}, "\"s\"=hex(1):"},
      {"string with an inner NUL", {"s", REG_SZ, bytes({'a', 0, 'b', 0})}, "\"s\"=hex(1):61,00,62,00"},
      {"string with two terminators", {"s", REG_SZ, bytes({'a', 0, 0})}, "\"s\"=hex(1):61,00,00"},
      {"string with a line break", {"s", REG_SZ, bytes({'a', '\r', '\n', 0})}, "\"s\"=hex(1):61,0d,0a,00"},
      {"string with a tab", {"s", REG_SZ, bytes({'\t', 0})}, "\"s\"=hex(1):09,00"},
      {"expandable string", {"x", REG_EXPAND_SZ, text(std::string("%P%\0", 4))}, "\"x\"=hex(2):25,50,25,00"},
      {"multi-string", {"m", REG_MULTI_SZ, bytes({'a', 0, 0})}, "\"m\"=hex(7):61,00,00"},
      {"dword", {"d", REG_DWORD, bytes({0x2a, 0, 0, 0x80})}, "\"d\"=dword:8000002a"},
      {"dword of three bytes", {"d", REG_DWORD, bytes({1, 2, 3})}, "\"d\"=hex(4):01,02,03"},
      {"dword of five bytes", {"d", REG_DWORD, bytes({1, 2, 3, 4, 5})}, "\"d\"=hex(4):01,02,03,04,05"},
      {"binary", {"b", REG_BINARY, bytes({0, 0xff})}, "\"b\"=hex:00,ff"},
      {"empty binary", {"b", REG_BINARY, {}}, "\"b\"=hex:"},
      {"none", {"n", REG_NONE, {}}, "\"n\"=hex(0):"},
      {"qword", {"q", REG_QWORD, bytes({1, 0, 0, 0, 0, 0, 0, 0})}, "\"q\"=hex(b):01,00,00,00,00,00,00,00"},
      {"a type of its own", {"t", 0x12345678, bytes({0xaa})}, "\"t\"=hex(12345678):aa"},
  };
  for (const ValueLineCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.line, WriteRegValueLine(c.value));
  }
}

TEST(RegTextWrite, LongDataWrapsLikeRegedit) {
  RegTextValue value{"Path", REG_EXPAND_SZ, {}};
  for (int i = 0; i < 100; ++i) value.data.push_back(static_cast<BYTE>(i));
  std::string text = WriteRegValueLine(value);
  std::vector<std::string> lines;
  for (std::size_t start = 0;;) {
    std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  ASSERT_GT(lines.size(), 1u);
  // The first line holds 21 bytes after a name of this length, as regedit's do.
  EXPECT_EQ("\"Path\"=hex(2):00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\", lines[0]);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    EXPECT_LE(lines[i].size(), 80u);
    if (i > 0) {
      EXPECT_EQ("  ", lines[i].substr(0, 2));
    }
    if (i + 1 < lines.size()) {
      EXPECT_EQ(",\\", lines[i].substr(lines[i].size() - 2));
    }
  }
}

TEST(RegTextWrite, OneSectionPerKeyDepthFirst) {
  RegTextKey root;
  root.values.push_back({"top", REG_DWORD, {1, 0, 0, 0}});
  RegTextKey a;
  a.name = "A";
  a.values.push_back({"v", REG_SZ, {'1', 0}});
  RegTextKey b;
  b.name = "B";
  a.subkeys.push_back(b);
  RegTextKey c;
  c.name = "C";
  root.subkeys.push_back(a);
  root.subkeys.push_back(c);
  EXPECT_EQ(
      "REGEDIT4\r\n"
      "\r\n[HKEY_CURRENT_USER\\Software]\r\n\"top\"=dword:00000001\r\n"
      "\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"v\"=\"1\"\r\n"
      "\r\n[HKEY_CURRENT_USER\\Software\\A\\B]\r\n"
      "\r\n[HKEY_CURRENT_USER\\Software\\C]\r\n",
      WriteRegText("HKEY_CURRENT_USER\\Software", root));
}

// Rebuilds the tree a parsed hive text describes (keys are created in order).
RegTextKey TreeOf(const RegParseResult& parsed) {
  RegTextKey root;
  RegTextKey* current = &root;
  for (const RegOperation& op : parsed.operations) {
    if (op.kind == RegOperation::Kind::CreateKey) {
      current = &root;
      std::size_t start = 0;
      while (start < op.keyPath.size()) {
        std::size_t end = op.keyPath.str().find('\\', start);
        std::string name = op.keyPath.str().substr(start, end == std::string::npos ? std::string::npos : end - start);
        auto found = std::find_if(current->subkeys.begin(), current->subkeys.end(),
                                  [&](const RegTextKey& k) { return k.name == name; });
        if (found == current->subkeys.end()) {
          current->subkeys.push_back(RegTextKey{name, {}, {}});
          current = &current->subkeys.back();
        } else {
          current = &*found;
        }
        if (end == std::string::npos) break;
        start = end + 1;
      }
    } else if (op.kind == RegOperation::Kind::SetValue) {
      current->values.push_back({op.valueName, op.type, op.data});
    }
  }
  return root;
}

void ExpectSameTree(const RegTextKey& expected, const RegTextKey& actual, const std::string& path) {
  SCOPED_TRACE(path);
  ASSERT_EQ(expected.values.size(), actual.values.size());
  for (std::size_t i = 0; i < expected.values.size(); ++i) {
    EXPECT_EQ(expected.values[i].name, actual.values[i].name);
    EXPECT_EQ(expected.values[i].type, actual.values[i].type) << expected.values[i].name;
    EXPECT_EQ(expected.values[i].data, actual.values[i].data) << expected.values[i].name;
  }
  ASSERT_EQ(expected.subkeys.size(), actual.subkeys.size());
  for (std::size_t i = 0; i < expected.subkeys.size(); ++i) {
    EXPECT_EQ(expected.subkeys[i].name, actual.subkeys[i].name);
    ExpectSameTree(expected.subkeys[i], actual.subkeys[i], path + "\\" + expected.subkeys[i].name);
  }
}

TEST(RegTextWrite, EveryByteAndTypeSurvivesARoundTrip) {
  RegTextKey root;
  std::vector<BYTE> all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<BYTE>(i));
  const RegTextValue values[] = {
      {"", REG_SZ, {'d', 0}},
      {"plain", REG_SZ, {'t', 'e', 'x', 't', 0}},
      {"no terminator", REG_SZ, {'a', 'b'}},
      {"no bytes", REG_SZ, {}},
      {"only NUL", REG_SZ, {0}},
      {"inner NUL", REG_SZ, {'a', 0, 'b', 0}},
      {"quotes \" and \\ backslashes", REG_SZ, {'"', '\\', '"', 0}},
      {"ANSI \xE9 \x93\x5C", REG_SZ, {0xE9, 0x93, 0x5C, 0x5C, 0}},
      {"every byte as text", REG_SZ, all},
      {"every byte as binary", REG_BINARY, all},
      {"expand", REG_EXPAND_SZ, {'%', 'X', '%', 0}},
      {"expand without terminator", REG_EXPAND_SZ, {'%'}},
      {"multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0}},
      {"dword", REG_DWORD, {0xff, 0xfe, 0xfd, 0xfc}},
      {"short dword", REG_DWORD, {1}},
      {"big endian", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}},
      {"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"none", REG_NONE, {}},
      {"type 0x100", 0x100, {9}},
      {"@", REG_SZ, {'a', 't', 0}},
      {std::string(300, 'n'), REG_BINARY, std::vector<BYTE>(70, 0xab)},
  };
  for (const RegTextValue& value : values) root.values.push_back(value);
  RegTextKey sub{"Sub key ] with [ brackets", {{"v", REG_DWORD, {1, 0, 0, 0}}}, {}};
  sub.subkeys.push_back(RegTextKey{"-dash", {}, {}});
  sub.subkeys.push_back(RegTextKey{" spaced ", {{"x", REG_SZ, {0}}}, {}});
  root.subkeys.push_back(sub);
  root.subkeys.push_back(RegTextKey{"Empty", {}, {}});

  std::string text = WriteRegText("HKEY_LOCAL_MACHINE", root);
  RegParseResult parsed = ParseRegText(text);
  ASSERT_TRUE(parsed.ok()) << parsed.ErrorText() << "\n" << text;
  ExpectSameTree(root, TreeOf(parsed), "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(text, WriteRegText("HKEY_LOCAL_MACHINE", TreeOf(parsed)));
}

// What the writer makes of text in code page 932, and what the reader makes
// of that again: every pair of a lead byte and a trail byte that is a
// backslash, a quote-like or an ordinary byte, at the start, inside and at
// the end of a name and a string.
TEST(RegTextWrite, QuotedTextIsWrittenInItsCodePage) {
  const std::string all = std::string(kHyo) + kSo + kNo;
  const std::vector<BYTE> allText = {0x95, 0x5C, 0x83, 0x5C, 0x94, 0x5C, 0};
  EXPECT_EQ("\"" + all + "\"=\"" + all + "\"", WriteRegValueLine({all, REG_SZ, allText}, 932));
  // In 1252 the same bytes are three letters and three backslashes.
  EXPECT_EQ("\"\x95\\\\\x83\\\\\x94\\\\\"=hex:00", WriteRegValueLine({all, REG_BINARY, {0}}, 1252));
  // A string ending in a lone lead byte would take the closing quote as its
  // trail: it is written as hex.
  EXPECT_EQ("\"s\"=hex(1):41,95,00", WriteRegValueLine({"s", REG_SZ, {'A', 0x95, 0}}, 932));
  EXPECT_EQ("\"s\"=\"A\x95\"", WriteRegValueLine({"s", REG_SZ, {'A', 0x95, 0}}, 1252));
  // Nor does a line break become text for being a trail byte.
  EXPECT_EQ("\"s\"=hex(1):95,0a,00", WriteRegValueLine({"s", REG_SZ, {0x95, '\n', 0}}, 932));
  EXPECT_FALSE(zrplatform::QuotesWhole("A\x95", 932));
  EXPECT_TRUE(zrplatform::QuotesWhole("A\x95", 1252));
  EXPECT_TRUE(zrplatform::QuotesWhole(all, 932));
  if (zrtest::CodePage() == 932) {
    EXPECT_EQ(WriteRegValueLine({all, REG_SZ, allText}, 932), WriteRegValueLine({all, REG_SZ, allText}));
  }

  RegTextKey root;
  for (int lead : {0x81, 0x95, 0x9F, 0xE0, 0xFC}) {
    for (int trail : {0x40, 0x5C, 0x7E, 0x80, 0xFC}) {
      const std::string character = {static_cast<char>(lead), static_cast<char>(trail)};
      for (const std::string& name : {character + "\\", "\\\"" + character, "a" + character + "b"}) {
        std::vector<BYTE> data(name.begin(), name.end());
        data.push_back(0);
        root.values.push_back({name, REG_SZ, data});
      }
    }
  }
  const zrplatform::RegTextForm form{932, zrplatform::RegQuoting::WholeCharacters};
  const std::string text = WriteRegText("HKEY_CURRENT_USER", root, 932);
  RegParseResult parsed = ParseRegText(text, form);
  ASSERT_TRUE(parsed.ok()) << parsed.ErrorText();
  ExpectSameTree(root, TreeOf(parsed), "HKEY_CURRENT_USER");
  EXPECT_EQ(std::string::npos, text.find("hex(1)")) << "every one is plain text";
}

}  // namespace
