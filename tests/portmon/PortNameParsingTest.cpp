// The text rules of the port readers, as tables: the host of an Internet
// Print Provider URL, the host part of a "<host>:<queue>" name, the "IP_"
// prefix and the key path of a port.
#include <gtest/gtest.h>

#include <string>

#include "portmon/PortNameParsing.h"
#include "tests/support/Mode.h"

namespace {

TEST(IppHost, TakesTheHostOutOfTheURL) {
  struct Case {
    const char* port;
    const char* host;  // null: not a URL the reader takes
  };
  const Case cases[] = {
      {"http://10.0.0.2/printers/lp/.printer", "10.0.0.2"},
      {"http://10.0.0.2", "10.0.0.2"},
      {"HTTP://Printer.Example/ipp", "Printer.Example"},
      {"https://10.0.0.2/ipp/print", "10.0.0.2"},
      {"HtTpS://printer.example", "printer.example"},
      // A port number is not part of the host.
      {"http://printer.example:631/ipp/print", "printer.example"},
      {"http://10.0.0.2:631", "10.0.0.2"},
      {"http://printer.example:/ipp", "printer.example"},
      // Nor are the brackets of an IPv6 literal, with or without a port.
      {"http://[fd00::2]/ipp/print", "fd00::2"},
      {"http://[fd00::2]:631/ipp/print", "fd00::2"},
      {"https://[::1]", "::1"},
      // Credentials before the host are not part of it, nor is their colon.
      {"http://user:pw@printer.example/ipp/print", "printer.example"},
      {"http://user@10.0.0.2:631/ipp", "10.0.0.2"},
      {"https://user:pw@[fd00::2]:631/", "fd00::2"},
      {"http://@printer.example/", "printer.example"},
      {"http://user:pw@/ipp", ""},
      // An "@" in the path is the path's.
      {"http://printer.example/queue@floor2", "printer.example"},
      // An unbracketed IPv6 literal keeps all its colons.
      {"http://fd00::2/ipp", "fd00::2"},
      // Malformed hosts stay as they are, for the lookup to refuse.
      {"http://[fd00::2/ipp", "[fd00::2"},
      {"http:///printers/lp", ""},
      {"http://", ""},
      {"http://a:b:c/", "a:b:c"},
      // Not the provider's URLs.
      {"ftp://10.0.0.2/lp", nullptr},
      {"http:/10.0.0.2/lp", nullptr},
      {"http:", nullptr},
      {"ttp://10.0.0.2", nullptr},
      {"httpx://10.0.0.2", nullptr},
      {"10.0.0.2", nullptr},
      {"", nullptr},
      {nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port ? c.port : "(null)");
    CString host("unchanged");
    bool taken = zrportmon::GetIppHost(c.port, host);
    EXPECT_EQ(taken, c.host != nullptr);
    EXPECT_STREQ(host, c.host ? c.host : "unchanged");
  }
}

TEST(IppHost, TheClosingBracketIsAWholeCharacter) {
  // 0x83 0x5D is one character in code page 932; in 1252 the second byte is "]".
  CString host;
  ASSERT_TRUE(zrportmon::GetIppHost("http://[\x83\x5D]:631/", host));
  const char* expected = zrtest::CodePage() == 932 ? "\x83\x5D" : "\x83";
  EXPECT_STREQ(host, expected);
}

TEST(RemotePortName, TheTextBeforeTheLastColon) {
  struct Case {
    const char* port;
    const char* head;  // null: no colon after the first character
  };
  const Case cases[] = {
      {"10.0.0.8:lp1", "10.0.0.8"},
      {"printer.example:lp", "printer.example"},
      {"fd00::8:lp", "fd00::8"},
      {"a:b:c", "a:b"},
      {"x:", "x"},
      {":10.0.0.8", nullptr},
      {"10.0.0.8", nullptr},
      {"", nullptr},
      {nullptr, nullptr},
      // A double-byte name before the colon is kept whole.
      {"\x95\x5C\x8E\xA6:lp", "\x95\x5C\x8E\xA6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port ? c.port : "(null)");
    CString head("unchanged");
    EXPECT_EQ(zrportmon::GetTextBeforeLastColon(c.port, head), c.head != nullptr);
    EXPECT_STREQ(head, c.head ? c.head : "unchanged");
  }
}

TEST(RemotePortName, TheUpperCaseIPPrefix) {
  struct Case {
    const char* port;
    const char* rest;  // null: no prefix
  };
  const Case cases[] = {
      {"IP_10.0.0.9", "10.0.0.9"},  {"IP_printer.example", "printer.example"},
      {"IP_", ""},                  {"IP_10.0.0.9_1", "10.0.0.9_1"},
      {"ip_10.0.0.9", nullptr},     {"Ip_10.0.0.9", nullptr},
      {"IP10.0.0.9", nullptr},      {"IP", nullptr},
      {"", nullptr},                {nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port ? c.port : "(null)");
    CString rest("unchanged");
    EXPECT_EQ(zrportmon::GetTextAfterIPPrefix(c.port, rest), c.rest != nullptr);
    EXPECT_STREQ(rest, c.rest ? c.rest : "unchanged");
  }
}

TEST(PortKeyPath, ThePortNameIsAppendedUnchanged) {
  struct Case {
    const char* port;
    const char* path;
  };
  const Case cases[] = {
      {"IP_10.0.0.1", "Mon\\Ports\\IP_10.0.0.1"},
      {"Lab\\P1", "Mon\\Ports\\Lab\\P1"},  // a deeper subkey
      {"http://h/p", "Mon\\Ports\\http://h/p"},
      {"\x95\x5C\x8E\xA6", "Mon\\Ports\\\x95\x5C\x8E\xA6"},
  };
  for (const Case& c : cases) EXPECT_STREQ(zrportmon::PortKeyPath("Mon\\Ports", c.port), c.path) << c.port;
}

}  // namespace
