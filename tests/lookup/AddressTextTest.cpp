// Whether a text is an address already: one table for the three tests.
#include <gtest/gtest.h>

#include "resolver/ZrAddrResolution.h"

namespace {

struct Case {
  const char* text;
  int v4;
  int v6;
};

const Case kCases[] = {
    {"192.168.0.1", 1, 0},
    {"255.255.255.255", 1, 0},
    {"999.999.999.999", 1, 0},  // part values are not checked
    {"010.000.1.1", 1, 0},      // nor leading zeros
    {"...", 1, 0},              // nor empty parts
    {"1.2.3.", 1, 0},
    {".1.2.3", 1, 0},
    {"1..2.3", 1, 0},
    {"1.2.3", 0, 0},
    {"1.2.3.4.5", 0, 0},
    {"1234.1.1.1", 0, 0},
    {"1.1.1.1234", 0, 0},
    {" 1.2.3.4", 0, 0},
    {"1.2.3.4 ", 0, 0},
    {"+1.2.3.4", 0, 0},
    {"1.2.3.a", 0, 0},
    {"\x82\x50.\x82\x51.\x82\x52.\x82\x53", 0, 0},  // full-width digits (Shift-JIS)
    {"\xEF\xBC\x91.2.3.4", 0, 0},                    // a full-width digit in UTF-8 bytes
    {"::1", 0, 1},
    {"fe80::1", 0, 1},
    {"2001:db8::1:2", 0, 1},
    {"::ffff:192.168.0.1", 0, 1},
    {"printer.example", 0, 0},
    {"localhost", 0, 0},  // never looked up: only numeric texts pass
    {"fe80::1::2", 0, 0},
    {"", 0, 0},
};

TEST(AddressText, TableOfCases) {
  CZrAddrResolution loadsTheSocketLibrary;
  for (const Case& c : kCases) {
    EXPECT_EQ(CZrAddrResolution::IsValidStringIPAddressIPv4(c.text), c.v4) << "\"" << c.text << "\"";
    EXPECT_EQ(CZrAddrResolution::IsValidStringIPAddressIPv6(c.text), c.v6) << "\"" << c.text << "\"";
    EXPECT_EQ(CZrAddrResolution::IsValidStringIPAddress(c.text), c.v4 | c.v6) << "\"" << c.text << "\"";
  }
}

TEST(AddressText, NullIsNotAnAddress) {
  EXPECT_EQ(CZrAddrResolution::IsValidStringIPAddressIPv4(nullptr), 0);
  EXPECT_EQ(CZrAddrResolution::IsValidStringIPAddressIPv6(nullptr), 0);
  EXPECT_EQ(CZrAddrResolution::IsValidStringIPAddress(nullptr), 0);
}

}  // namespace
