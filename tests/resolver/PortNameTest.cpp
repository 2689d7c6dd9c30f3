// Which port names may lead to a network device. Names with double-byte
// characters are judged in the code page: in 932 the trail byte 0x5C of a
// character is not a backslash, so the local-port rules still apply.
#include <gtest/gtest.h>

#include <string>

#include "resolver/ZrAddrResolution.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Mode.h"

namespace {

struct Case {
  const char* name;
  int in1252;
  int in932;
};

const Case kCases[] = {
    // Local ports: a colon as fifth character after LPT or COM, in any case.
    {"LPT1:", 0, 0},
    {"lpt2:", 0, 0},
    {"COM1:", 0, 0},
    {"com4:", 0, 0},
    {"LPTX:", 0, 0},
    {"LPT1", 1, 1},
    {"LPT10:", 1, 1},
    {"LPT", 1, 1},
    {"COM", 1, 1},
    // The file port, and names without a backslash that begin with it.
    {"FILE:", 0, 0},
    {"file:", 0, 0},
    {"FILE:out.prn", 0, 0},
    {"\\\\server\\FILE:", 1, 1},
    {"FILE:\\share", 1, 1},
    // Document-software ports: whole names only, in any case.
    {"Leafdesk Port", 0, 0},
    {"LEAFDESK PORT", 0, 0},
    {"leafdesk port", 0, 0},
    {"Leafdesk Port2", 1, 1},
    {"Leafdesk Port ", 1, 1},
    {"Acel Port", 0, 0},
    {"aCEL pORT", 0, 0},
    {"Acel Port1", 1, 1},
    // PDF-writer ports end in "*.pdf".
    {"*.pdf", 0, 0},
    {"C:\\out\\*.PDF", 0, 0},
    {"My Documents*.pdf", 0, 0},
    {"report.pdf", 1, 1},
    {"\\\\server\\queue", 1, 1},
    {"IP_192.168.0.10", 1, 1},
    {"", 1, 1},
    // A Shift-JIS character whose trail byte is 0x5C: a backslash only in 1252.
    {"LPT1:\x95\x5C", 1, 0},
    {"FILE:\x95\x5C", 1, 0},
    {"COM2:\x83\x5C\x83\x5C", 1, 0},
    {"\x95\x5C" "LPT1:", 1, 1},
};

TEST(IsValidPortName, TableOfCases) {
  unsigned cp = zrtest::CodePage();
  ZR_SKIP_UNLESS(cp == 1252 || cp == 932, "the table knows code pages 1252 and 932 only");
  for (const Case& c : kCases) {
    zrtest::LogCapture log;
    int expected = cp == 932 ? c.in932 : c.in1252;
    EXPECT_EQ(CZrAddrResolution::IsValidPortName(c.name), expected) << "\"" << c.name << "\" cp" << cp;
    if (expected == 1) {
      EXPECT_TRUE(log.Lines().empty()) << c.name;
    } else {
      auto lines = log.Lines();
      ASSERT_EQ(lines.size(), 2u) << c.name;
      EXPECT_EQ(lines[0].text, std::string("GetAddressFromPort() This Port is not supported !! : ") + c.name);
      EXPECT_EQ(lines[1].text, std::string("------------- GetAddressFromPort() finish! : ") + c.name);
      EXPECT_EQ(lines[0].level, 16u);
      EXPECT_EQ(lines[1].level, 16u);
    }
  }
}

}  // namespace
