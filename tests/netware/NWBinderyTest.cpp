// Bindery queues (\\server\queue) against described networks: which attached
// print server is the maker's, in which order, and what ends the search.
#include <gtest/gtest.h>

#include <string>

#include "resolver/ZrAddrResolution.h"
#include "tests/support/NetWareSite.h"

namespace {

using zrtest::DescribedNetwork;

// A file server that advertises one tree, as every usable client sees.
const std::string kSite =
    "primary FS1\n"
    "server FS1\n"
    "object ACME_TREE_______________________ 0x7802\n";

struct Answer {
  int result;
  std::string address;
};

Answer Resolve(const char* port) {
  CString address("stale");
  int result = GetIPXAddressFromNetWarePort(port, address);
  return {result, static_cast<const char*>(address)};
}

TEST(NetWareBindery, TheMakersAttachedPrintServerGivesTheAddress) {
  DescribedNetwork site(kSite +
                        "object PS1 0x0905 address 01020304:0A5C3E000001:8060\n"
                        "object Q1 0x0300 attached PS1\n");
  Answer answer = Resolve("\\\\FS1\\Q1");
  EXPECT_EQ(answer.result, 0);
  EXPECT_EQ(answer.address, "01020304:0a5c3e000001");
  // The queue connection is the lookup's own and is closed again.
  EXPECT_EQ(DescribedNetwork::Calls("clxwin32.dll", "NWCCOpenConnByName"), 1);
  EXPECT_EQ(DescribedNetwork::Calls("clxwin32.dll", "NWCCCloseConn"), 2);  // and the primary connection's
}

TEST(NetWareBindery, TheQueueIsLookedUpInUpperCase) {
  DescribedNetwork site(kSite +
                        "object PS1 0x0905 address 01020304:0A5C3E000001:8060\n"
                        "object QUEUE1 0x0300 attached PS1\n");
  EXPECT_EQ(Resolve("\\\\fs1\\queue1").address, "01020304:0a5c3e000001");
  EXPECT_EQ(Resolve("\\\\FS1\\Queue1").result, 0);
}

TEST(NetWareBindery, OnlyTheMakersObjectTypesAndNodePrefixesCount) {
  struct Case {
    const char* what;
    std::string objects;
    std::string address;
  } cases[] = {
      {"an attached server of another type",
       "object PS1 0x0700 address 01020304:0A5C3E000001:8060\nobject Q1 0x0300 attached PS1\n", ""},
      {"a maker type with a foreign node",
       "object PS1 0x0905 address 01020304:00AA00000001:8060\nobject Q1 0x0300 attached PS1\n", ""},
      {"a foreign node passed over for the next maker server",
       "object PS1 0x0905 address 01020304:00AA00000001:8060\n"
       "object PS2 0xAD05 address 0000BEEF:02a7f1abcdef:8060\n"
       "object Q1 0x0300 attached PS1 PS2\n",
       "0000beef:02a7f1abcdef"},
      {"a maker server that is not attached",
       "object PS1 0x0905 address 01020304:0A5C3E000001:8060\nobject PS2 0x0905\nobject Q1 0x0300 attached PS2\n",
       ""},
      {"an attached server the bindery does not know, then one it does",
       "object PS1 0xAD05 address 01020304:0A5C3E000001:8060\nobject Q1 0x0300 attached GONE PS1\n",
       "01020304:0a5c3e000001"},
      {"a queue without attached servers", "object PS1 0x0905 address 01020304:0A5C3E000001:8060\nobject Q1 0x0300\n",
       ""},
      {"no such queue", "object PS1 0x0905 address 01020304:0A5C3E000001:8060\nobject Q2 0x0300 attached PS1\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DescribedNetwork site(kSite + c.objects);
    Answer answer = Resolve("\\\\FS1\\Q1");
    EXPECT_EQ(answer.result, c.address.empty() ? -4 : 0);
    EXPECT_EQ(answer.address, c.address);
  }
}

// The print servers are taken in the order of the object scan (the first
// type before the second), not in the order the queue names them.
TEST(NetWareBindery, TheObjectScanOrderDecides) {
  DescribedNetwork site(kSite +
                        "object PSB 0xAD05 address 00000001:0A5C3E00000B:8060\n"
                        "object PSA 0x0905 address 00000001:0A5C3E00000A:8060\n"
                        "object PSC 0x0905 address 00000001:0A5C3E00000C:8060\n"
                        "object Q1 0x0300 attached PSC PSB PSA\n");
  EXPECT_EQ(Resolve("\\\\FS1\\Q1").address, "00000001:0a5c3e00000a");
}

// The queue status has room for 25 print servers; a client that counts more
// is not followed past them.
TEST(NetWareBindery, AtMost25AttachedPrintServersAreRead) {
  for (const char* count : {"26", "40"}) {
    SCOPED_TRACE(count);
    DescribedNetwork site(kSite +
                          "object PS1 0x0905 address 01020304:0A5C3E000001:8060\n"
                          "object Q1 0x0300 attached PS1\n"
                          "servercount " + count + "\n");
    EXPECT_EQ(Resolve("\\\\FS1\\Q1").address, "01020304:0a5c3e000001");
    EXPECT_EQ(DescribedNetwork::Calls("calwin32.dll", "NWGetObjectName"), 25);
  }
}

TEST(NetWareBindery, PrintServersAndTheirAddressesAreReadOnTheDefaultConnection) {
  // The queue is on FS2; the print servers are known only to FS1, the default.
  DescribedNetwork site(kSite +
                        "object PS1 0x0905 address 01020304:0A5C3E000001:8060\n"
                        "server FS2\n"
                        "object PS1 0x0400\n"
                        "object Q1 0x0300 attached PS1\n");
  EXPECT_EQ(Resolve("\\\\FS2\\Q1").address, "01020304:0a5c3e000001");
}

TEST(NetWareBindery, AFailingClientCallEndsTheLookupWithoutAnAddress) {
  const std::string network = kSite +
                              "object PS1 0x0905 address 01020304:0A5C3E000001:8060\n"
                              "object Q1 0x0300 attached PS1\n";
  for (const char* failure : {"fail NWCCOpenConnByName 0x8847", "fail NWReadQueueCurrentStatus2 0x89D3",
                              "fail NWGetObjectName 0x89FC", "fail NWReadPropertyValue 0x89FB",
                              "default none", "fail NWCallsInit 0x8801", "fail NWDSCreateContextHandle -1",
                              "fail NWDSGetContext -328"}) {
    SCOPED_TRACE(failure);
    DescribedNetwork site(network + failure + "\n");
    Answer answer = Resolve("\\\\FS1\\Q1");
    EXPECT_EQ(answer.result, -4);
    EXPECT_EQ(answer.address, "");
  }
}

// Without a tree on the primary connection NetWare is unusable, for either
// kind of name, and the lookup's directory context is released.
TEST(NetWareSetUp, NoTreeAdvertisedMeansNothingFound) {
  DescribedNetwork site(
      "primary FS1\n"
      "server FS1\n"
      "object PS1 0x0905 address 01020304:0A5C3E000001:8060\n"
      "object Q1 0x0300 attached PS1\n");
  EXPECT_EQ(Resolve("\\\\FS1\\Q1").result, -4);
  EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme").result, -4);
  EXPECT_EQ(DescribedNetwork::Calls("calwin32.dll", "NWReadQueueCurrentStatus2"), 0);
  EXPECT_EQ(DescribedNetwork::Calls("netwin32.dll", "NWDSList"), 0);
  EXPECT_EQ(DescribedNetwork::Calls("netwin32.dll", "NWDSFreeContext"),
            DescribedNetwork::Calls("netwin32.dll", "NWDSCreateContextHandle"));
}

TEST(NetWareSetUp, TheContextIsPreparedAndReleased) {
  DescribedNetwork site(kSite +
                        "object PS1 0x0905 address 01020304:0A5C3E000001:8060\n"
                        "object Q1 0x0300 attached PS1\n");
  EXPECT_EQ(Resolve("\\\\FS1\\Q1").result, 0);
  EXPECT_EQ(DescribedNetwork::Calls("netwin32.dll", "NWDSCreateContextHandle"), 1);
  EXPECT_EQ(DescribedNetwork::Calls("netwin32.dll", "NWDSSetContext"), 1);  // the flags
  EXPECT_EQ(DescribedNetwork::Calls("netwin32.dll", "NWDSGetContext"), 3);  // flags, tree, name context
  EXPECT_EQ(DescribedNetwork::Calls("netwin32.dll", "NWDSFreeContext"), 1);
}

TEST(NetWareSetUp, NullEmptyAndMalformedNames) {
  DescribedNetwork site(kSite +
                        "object PS1 0x0905 address 01020304:0A5C3E000001:8060\n"
                        "object Q1 0x0300 attached PS1\n");
  EXPECT_EQ(Resolve(nullptr).result, -3);
  EXPECT_EQ(Resolve("").result, -3);
  EXPECT_EQ(Resolve("").address, "");
  EXPECT_EQ(DescribedNetwork::Calls("calwin32.dll", "NWCallsInit"), 0);
  for (const char* port : {"\\\\FS1", "\\\\FS1\\", "\\\\\\FS1\\Q1", "FS1\\Q1", "\\\\FS1\\Q1.x"}) {
    EXPECT_EQ(Resolve(port).result, -4) << port;
  }
  EXPECT_EQ(DescribedNetwork::Calls("calwin32.dll", "NWCallsInit"), 0);
}

}  // namespace
