// who and store check compare addresses by what they stand for: one table of
// spellings, each pair either one address or two.
#include <gtest/gtest.h>

#include <string>

#include "tools/zraddrres/AddressValue.h"

namespace {

struct Pair {
  const char* a;
  const char* b;
  bool same;
};

const Pair kPairs[] = {
    // IPv6: leading zeros, "::" anywhere, case, a dotted tail, a scope.
    {"fd00:10::21", "fd00:10:0:0:0:0:0:21", true},
    {"fd00:10::21", "fd00:0010::0021", true},
    {"fd00:10::21", "FD00:10:0::21", true},
    {"fd00:10::21", "fd00:10::0:21", true},
    {"::1", "0:0:0:0:0:0:0:1", true},
    {"::", "0::0", true},
    {"1::", "1:0:0:0:0:0:0:0", true},
    {"::ffff:10.1.0.5", "::ffff:a01:5", true},
    {"fe80::1%2", "fe80:0::1%2", true},
    {"fe80::1%2", "fe80::1%3", false},
    {"fe80::1%2", "fe80::1", false},
    {"fd00:10::21", "fd00:10::22", false},
    {"fd00:10::21", "fd00:1::21", false},
    {"fd00:10::21", "fd00:100::21", false},
    {"1:2:3:4:5:6:7::", "1:2:3:4:5:6:7:0", true},
    // IPX: network and node in either order (the direct-print reader writes node:network).
    {"00001234:0080c7a1b2c3", "0080c7a1b2c3:00001234", true},
    {"00001234:0080c7a1b2c3", "00001234:0080C7A1B2C3", true},
    {"0080c7a1b2c3:00001234", "0080C7A1B2C3:00001234", true},
    {"00001234:0080c7a1b2c3", "00001234:0080c7a1b2c4", false},
    {"00001234:0080c7a1b2c3", "0080c7a1b2c3:00001235", false},
    // IPv4 as the socket library reads the library's dotted text: a leading zero makes a part octal.
    {"10.1.0.5", "10.1.0.5", true},
    {"10.1.0.5", "10.001.000.005", true},
    {"10.1.0.5", "010.1.0.5", false},
    {"8.1.0.5", "010.1.0.5", true},
    {"10.1.0.8", "10.1.0.010", true},
    {"10.1.0.5", "10.1.0.6", false},
    // Texts with no value equal only themselves (without case): 08 is no octal
    // number, 999 no part, and the socket library's other forms are no
    // address to the library.
    {"10.1.0.08", "10.1.0.8", false},
    {"10.1.0.08", "10.1.0.08", true},
    {"999.1.1.1", "999.1.1.1", true},
    {"10.1.5", "10.1.0.5", false},
    {"10.1..5", "10.1.0.5", false},
    {"0x0a.1.0.5", "10.1.0.5", false},
    {"167837701", "10.1.0.5", false},
    {"Printer.Example", "printer.example", true},
    // One family never equals another.
    {"::ffff:10.1.0.5", "10.1.0.5", false},
    {"0.0.0.0", "::", false},
    // Not IPv6: a second "::", nine groups, a group of five digits, a lone colon at an end.
    {"1::2::3", "1:0:0:2:0:0:0:3", false},
    {"1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7:8", false},
    {"fd00:00010::21", "fd00:10::21", false},
    {":1::2", "::1:0:2", false},
    {"1::2:", "1::2", false},
};

TEST(AddressValue, SpellingsOfOneAddressAreSame) {
  for (const Pair& pair : kPairs) {
    EXPECT_EQ(zrtool::SameAddress(pair.a, pair.b), pair.same) << pair.a << " vs " << pair.b;
    EXPECT_EQ(zrtool::SameAddress(pair.b, pair.a), pair.same) << pair.b << " vs " << pair.a;
  }
}

TEST(AddressValue, PlainSpellingAndNotes) {
  struct Case {
    const char* text;
    const char* plain;
    bool noted;  // the dotted text does not stand for what it seems to
  } const cases[] = {
      {"fd00:0010:0000:0000:0000:0000:0000:0021", "fd00:10::21", false},
      {"FD00:0:0:1:0:0:0:21", "fd00:0:0:1::21", false},
      {"1:0:0:2:0:0:3:4", "1::2:0:0:3:4", false},
      {"1:2:3:4:5:6:0:8", "1:2:3:4:5:6:0:8", false},
      {"0080C7A1B2C3:00001234", "00001234:0080c7a1b2c3", false},
      {"10.001.000.005", "10.1.0.5", false},
      {"010.1.0.5", "8.1.0.5", true},
      {"10.1.0.08", "10.1.0.08", true},
      {"999.1.1.1", "999.1.1.1", true},
      {"printer.example", "printer.example", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(zrtool::PlainSpelling(c.text), c.plain) << c.text;
    EXPECT_EQ(!zrtool::ReadingNote(c.text).empty(), c.noted) << c.text << ": " << zrtool::ReadingNote(c.text);
  }
}

}  // namespace
