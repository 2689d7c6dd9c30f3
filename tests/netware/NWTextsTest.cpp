// The pure pieces of the NetWare lookups: port names, tree-name padding, full
// names, rights and value texts, the IPX address text. Cases whose answer
// depends on the ANSI code page carry both answers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "netware/NWPortName.h"
#include "netware/NWTexts.h"
#include "tests/support/Mode.h"

namespace {

bool In932() { return zrtest::CodePage() == 932; }

struct PortNameCase {
  const char* port;
  bool parses;
  int bindery = 0;
  const char* server = "";
  const char* queue = "";
  const char* context = "";
};

void CheckPortName(const PortNameCase& c) {
  SCOPED_TRACE(c.port);
  CNWPortName name;
  ASSERT_EQ(name.Parse(c.port), c.parses ? 1 : 0);
  EXPECT_EQ(name.m_bParsed, c.parses ? 1 : 0);
  if (!c.parses) return;
  EXPECT_EQ(name.m_bBindery, c.bindery);
  EXPECT_STREQ(name.m_strServer, c.server);
  EXPECT_STREQ(name.m_strQueue, c.queue);
  EXPECT_STREQ(name.m_strContext, c.context);
  name.Clear();
  EXPECT_EQ(name.m_bParsed, 0);
}

TEST(NetWarePortName, ParsesTheBinderyAndBothDirectoryForms) {
  const PortNameCase cases[] = {
      {"\\\\srv\\q", true, 1, "srv", "q", ""},
      {"\\\\srv\\q.x", false},
      {"\\\\tree\\.q.ou.o", true, 0, "tree", "q", "ou.o"},
      {"\\\\tree\\.q.", true, 0, "tree", "q", "[Root]"},
      {"\\\\tree\\.q", false},
      {"\\\\tree\\..ou.o", false},
      {"\\\\tree\\o\\ou\\q", true, 0, "tree", "q", "ou.o"},
      {"\\\\tree\\o\\q", true, 0, "tree", "q", "o"},
      {"\\\\tree\\\\q", true, 0, "tree", "q", "[Root]"},
      {"\\\\tree\\q\\", false},
      {"\\\\\\srv\\q", false},
      {"\\\\srv", false},
      {"\\\\srv\\", false},
      {"\\\\", false},
      {"srv\\q", false},
      {"\\srv\\q", false},
      {"", false},
  };
  for (const PortNameCase& c : cases) CheckPortName(c);
}

// 0x95 0x5C is one character in code page 932 whose second byte is a backslash.
TEST(NetWarePortName, SecondBytesOfDoubleByteCharactersAreNoSeparators) {
  if (In932()) {
    CheckPortName({"\\\\srv\\\x95\x5c", true, 1, "srv", "\x95\x5c", ""});
    CheckPortName({"\\\\tr\x95\x5c\\q", true, 1, "tr\x95\x5c", "q", ""});
    CheckPortName({"\\\\tree\\o\x95\x5c\\q", true, 0, "tree", "q", "o\x95\x5c"});
  } else {
    CheckPortName({"\\\\srv\\\x95\x5c", false});
    CheckPortName({"\\\\tr\x95\x5c\\q", true, 0, "tr\x95", "q", "[Root]"});
    CheckPortName({"\\\\tree\\o\x95\x5c\\q", true, 0, "tree", "q", ".o\x95"});
  }
}

TEST(NetWareTreeName, PaddingIsCutAtTheLastRunOfUnderscores) {
  struct Case {
    std::string name;
    std::string expected;
  } cases[] = {
      {"MYTREE" + std::string(26, '_'), "MYTREE"},
      {"MY_TREE_____", "MY_TREE"},
      {"MY_TREE", "MY"},
      {"TREE_x", "TREE"},
      {"_", "_"},
      {"__", "_"},
      {"_TREE", "_TREE"},
      {"TREE", "TREE"},
      {"", ""},
  };
  for (const Case& c : cases) {
    CString name(c.name.c_str());
    zrnetware::RemoveTreeNamePadding(name);
    EXPECT_STREQ(name, c.expected.c_str()) << c.name;
  }
  // 0x83 0x5F is one character in code page 932 whose second byte is an underscore.
  CString name("TREE\x83\x5f");
  zrnetware::RemoveTreeNamePadding(name);
  EXPECT_STREQ(name, In932() ? "TREE\x83\x5f" : "TREE\x83");
  name = "TREE\x83\x5f__";
  zrnetware::RemoveTreeNamePadding(name);
  EXPECT_STREQ(name, In932() ? "TREE\x83\x5f" : "TREE\x83");
}

TEST(NetWareFullName, TrailingDotsClimbTheContext) {
  struct Case {
    const char* name;
    const char* context;
    const char* expected;
  } cases[] = {
      {"ps1", "ou.o", "ps1.ou.o"},   {"ps1.", "ou.o", "ps1.o"},   {"ps1..", "ou.o", "ps1"},
      {"ps1...", "ou.o", "ps1"},     {"ps1.", "o", "ps1"},        {"ps1.ou.o", "ou.o", "ps1.ou.o.ou.o"},
      {"ps1", "", "ps1."},           {"ps1..", "a.b.c", "ps1.c"},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(zrnetware::MakeFullName(c.name, c.context), c.expected) << c.name << " in " << c.context;
  }
  // A dot after a lead byte is that character's second byte in code page 932.
  EXPECT_STREQ(zrnetware::MakeFullName("ps\x82.", "ou.o"), In932() ? "ps\x82..ou.o" : "ps\x82.o");
}

TEST(NetWareRights, OneLetterPerRightInTheOrderOfTheProtectedAttributesKind) {
  struct Case {
    const char* attribute;
    std::uint32_t privileges;
    const char* expected;
  } cases[] = {
      {"[Entry Rights]", 0x1F, "[BADRS]"}, {"[Entry Rights]", 0x8, "[R]"},  {"[SMS Rights]", 0x3F, "[SBRCDA]"},
      {"[SMS Rights]", 0x24, "[RA]"},      {"Status", 0x4, "[W]"},          {"Status", 0x7, "[CRW]"},
      {"Status", 0x3F, "[CRWAS]"},         {"Status", 0x10, "[]"},          {"[All Attributes Rights]", 0x2, "[R]"},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(zrnetware::RightsText(c.attribute, c.privileges), c.expected) << c.attribute << " " << c.privileges;
  }
}

TEST(NetWareValueText, EachSyntaxHasItsText) {
  char name[] = "PS1.Sales.Acme";
  char a[] = "a", b[] = "b", c[] = "c", d[] = "d", e[] = "e", f[] = "f";
  std::uint32_t number = 4096;
  std::uint8_t yes = 1, no = 0;
  CI_List_T second = {nullptr, b};
  CI_List_T list = {&second, a};
  std::uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x0A, 0x5C, 0x3E, 0x00, 0x00, 0x01, 0x80, 0x60};
  Net_Address_T address = {0, 12, bytes};
  Fax_Number_T fax = {a, {0, nullptr}};
  EMail_Address_T mail = {2, b};
  Back_Link_T link = {7, name};
  Path_T path = {4, a, b};
  Replica_Pointer_T replica = {name, 1, 2, 3, {}};
  char status[] = "Status";
  Object_ACL_T acl = {status, name, 0x4};
  Postal_Address_T postal = {{a, b, c, d, e, f}};
  Hold_T hold = {name, 12};
  NWDS_TimeStamp_T stamp = {1, 2};

  struct Case {
    std::uint32_t syntax;
    const void* value;
    const char* expected;
  } cases[] = {
      {SYN_DIST_NAME, name, "PS1.Sales.Acme"},
      {SYN_CI_STRING, name, "PS1.Sales.Acme"},
      {SYN_TEL_NUMBER, a, "a"},
      {SYN_CLASS_NAME, name, "PS1.Sales.Acme"},
      {SYN_CI_LIST, &list, "a"},
      {SYN_BOOLEAN, &yes, "TRUE"},
      {SYN_BOOLEAN, &no, "FALSE"},
      {SYN_INTEGER, &number, "4096"},
      {SYN_COUNTER, &number, "4096"},
      {SYN_INTERVAL, &number, "4096"},
      {SYN_FAX_NUMBER, &fax, "a"},
      {SYN_NET_ADDRESS, &address, "Address Type:0, Address Length:12, Address:01020304:0A5C3E000001"},
      {SYN_OCTET_LIST, &number, "Because the syntax SYN_OCTET_LIST is a linked list, it is not shown here"},
      {SYN_EMAIL_ADDRESS, &mail, "2, b"},
      {SYN_BACK_LINK, &link, "7, PS1.Sales.Acme"},
      {SYN_PATH, &path, "Name Space Type: 4, a:b"},
      {SYN_REPLICA_POINTER, &replica,
       "serverName: PS1.Sales.Acme, replicaType: 1, replicaNumber: 2, count: 3, Replica_Pointer_T.Net_Address_T not shown"},
      {SYN_OBJECT_ACL, &acl, "Status [W] PS1.Sales.Acme"},
      {SYN_PO_ADDRESS, &postal, "a, b, c, d, e, f"},
      {SYN_TIMESTAMP, &stamp, ""},
      {SYN_STREAM, &number, ""},
      {SYN_TIME, &number, ""},
      {SYN_HOLD, &hold, "PS1.Sales.Acme, 12"},
      {28, &number, "Unrecognized Sytax"},
      {0, &number, "Unrecognized Sytax"},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(zrnetware::AttributeValueText(c.syntax, c.value), c.expected) << "syntax " << c.syntax;
  }

  Octet_String_T octets = {3, bytes};
  char expected[64];
  std::snprintf(expected, sizeof expected, "Length: 0x3, Data: 0x%x",
                static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(bytes)));
  EXPECT_STREQ(zrnetware::AttributeValueText(SYN_OCTET_STRING, &octets), expected);
}

TEST(NetWareValueText, ALongValueIsCutAt4096Bytes) {
  std::string text(5000, 'x');
  CString value = zrnetware::AttributeValueText(SYN_CI_STRING, text.c_str());
  EXPECT_EQ(value.GetLength(), 4095);
}

TEST(NetWareAddress, TheTextIsNetworkAndNodeInLowercaseAndTheMakerPrefixIgnoresCase) {
  const unsigned char record[12] = {0x01, 0x02, 0x03, 0x04, 0x0A, 0x5C, 0x3E, 0x00, 0x00, 0x01, 0x80, 0x60};
  EXPECT_STREQ(zrnetware::IPXAddressText(record), "01020304:0a5c3e000001");
  const unsigned char high[12] = {0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88, 0x77, 0x66, 0x55, 0x44};
  EXPECT_STREQ(zrnetware::IPXAddressText(high), "ffeeddcc:bbaa99887766");

  struct Case {
    const char* text;
    bool maker;
  } cases[] = {
      {"01020304:0a5c3e000001", true}, {"01020304:0A5C3E000001", true}, {"01020304:02a7f1ffffff", true},
      {"01020304:0a5c3f000001", false}, {"0a5c3e00:000000000001", false}, {"0a5c3e000001", false},
      {"01020304:0a5c", false},
  };
  for (const Case& c : cases) EXPECT_EQ(zrnetware::HasMakerPrefix(c.text), c.maker) << c.text;
}

}  // namespace
