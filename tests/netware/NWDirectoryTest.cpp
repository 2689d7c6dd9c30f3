// Directory queues and printers (\\tree\.queue.ou.o, \\tree\o\ou\queue)
// against described trees: the object's class, the user test, the print
// server named by the attributes, and reading through many result buffers.
#include <gtest/gtest.h>

#include <string>

#include "netware/NWQuery.h"
#include "resolver/ZrAddrResolution.h"
#include "tests/support/NetWareSite.h"

namespace {

using zrtest::DescribedNetwork;

// Admin works in Sales.Acme; PS1 and PS2 are the maker's print servers.
const std::string kBindery =
    "primary FS1\n"
    "whoami Admin.Sales.Acme\n"
    "server FS1\n"
    "object ACME_TREE_______________________ 0x7802\n"
    "object PS1 0x0905 address 01020304:0A5C3E000001:8060\n"
    "object PS2 0xAD05 address 01020304:02A7F1000002:8060\n"
    "object PS3 0x0905 address 01020304:00AA00000003:8060\n";
const std::string kTree =
    "tree ACME_TREE\n"
    "container Acme Organization\n"
    "container Sales.Acme\n"
    "container Support.Acme\n"
    "object Admin.Sales.Acme User\n";
const std::string kSite = kBindery + kTree;

std::string Resolve(const char* port) {
  CString address("stale");
  int result = GetIPXAddressFromNetWarePort(port, address);
  return result == 0 ? std::string(address) : "result " + std::to_string(result);
}

TEST(NetWareDirectory, AQueueWhoseUserIsTheUsersContainer) {
  DescribedNetwork site(kSite +
                        "object Q1.Sales.Acme Queue\n"
                        "value Server 1 PS1.Sales.Acme\n"
                        "value User 1 Sales.Acme\n");
  EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme"), "01020304:0a5c3e000001");
  EXPECT_EQ(Resolve("\\\\ACME_TREE\\Acme\\Sales\\q1"), "01020304:0a5c3e000001");
}

TEST(NetWareDirectory, TheUserTest) {
  struct Case {
    const char* what;
    std::string users;
    bool allowed;
  } cases[] = {
      {"the user", "value User 1 Admin.Sales.Acme\n", true},
      {"the user's container", "value User 1 Sales.Acme\n", true},
      {"the organization above it", "value User 1 Acme\n", true},
      {"another container", "value User 1 Support.Acme\n", false},
      // Its name ends the user's, but not at a component.
      {"a container whose name only ends like the user's", "value User 1 ales.Acme\n", false},
      {"another user", "value User 1 Guest.Sales.Acme\n", false},
      {"a group with the user as member",
       "value User 1 Printing.Support.Acme\n"
       "object Printing.Support.Acme Group\n"
       "value Member 1 Guest.Support.Acme\n"
       "value Member 1 Admin.Sales.Acme\n",
       true},
      {"a group without the user",
       "value User 1 Printing.Support.Acme\n"
       "object Printing.Support.Acme Group\n"
       "value Member 1 Guest.Support.Acme\n",
       false},
      {"no user attribute", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DescribedNetwork site(kSite + "object Q1.Sales.Acme Queue\nvalue Server 1 PS1.Sales.Acme\n" + c.users);
    EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme"), c.allowed ? "01020304:0a5c3e000001" : "result -4");
  }
}

// A printer without users of its own passes through the users of its default
// queue, and finds its print server also through the queue's devices.
TEST(NetWareDirectory, APrinterPassesThroughItsDefaultQueue) {
  const std::string printer =
      "object P1.Sales.Acme Printer\n"
      "value \"Default Queue\" 1 Q2.Sales.Acme\n"
      "value ACL 17 Status 4 PS2.Sales.Acme\n"
      "object Q2.Sales.Acme Queue\n"
      "value Device 1 P1.Sales.Acme\n";
  {
    DescribedNetwork site(kSite + printer + "queueusers Q2.Sales.Acme Guest.Sales.Acme Admin.Sales.Acme\n");
    EXPECT_EQ(Resolve("\\\\ACME_TREE\\.P1.Sales.Acme"), "01020304:02a7f1000002");
    EXPECT_EQ(DescribedNetwork::Calls("prtwin32.dll", "NWPSCfgEndNextPrintQueueAttr"), 1);
  }
  {
    DescribedNetwork site(kSite + printer + "queueusers Q2.Sales.Acme Guest.Sales.Acme\n");
    EXPECT_EQ(Resolve("\\\\ACME_TREE\\.P1.Sales.Acme"), "result -4");
  }
}

// The device names of the queue are candidates too: its printer P9 is a
// bindery print server of the maker's, the named print server is not.
TEST(NetWareDirectory, TheQueuesDevicesAreCandidatePrintServers) {
  DescribedNetwork site(kBindery + "object P9 0x0905 address 0000CAFE:0A5C3E000009:8060\n" + kTree +
                        "object Q1.Sales.Acme Queue\n"
                        "value Server 1 PS3.Sales.Acme\n"
                        "value User 1 Sales.Acme\n"
                        "value Device 1 P9.Sales.Acme\n");
  EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme"), "0000cafe:0a5c3e000009");
}

TEST(NetWareDirectory, OnlyTheWriteRightAloneOnTheStatusNamesThePrintServer) {
  struct Case {
    const char* acl;
    bool names;
  } cases[] = {
      {"value ACL 17 Status 4 PS1.Sales.Acme\n", true},
      {"value ACL 17 Status 7 PS1.Sales.Acme\n", false},
      {"value ACL 17 Status 6 PS1.Sales.Acme\n", false},
      {"value ACL 17 \"[Entry Rights]\" 4 PS1.Sales.Acme\n", false},
      {"value ACL 17 Status 7 PS2.Sales.Acme\nvalue ACL 17 Status 4 PS1.Sales.Acme\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.acl);
    DescribedNetwork site(kSite + "object Q1.Sales.Acme Queue\nvalue User 1 Sales.Acme\n" + c.acl);
    EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme"), c.names ? "01020304:0a5c3e000001" : "result -4");
  }
}

// The names differ in case only, so the listing holds all three for the name sought.
TEST(NetWareDirectory, ContainersAndOtherClassesOfTheNameArePassedOver) {
  DescribedNetwork site(kSite +
                        "container queue1.Sales.Acme\n"
                        "value Server 1 PS2.Sales.Acme\n"
                        "value User 1 Sales.Acme\n"
                        "object QUEUE1.Sales.Acme \"Directory Map\"\n"
                        "value Server 1 PS2.Sales.Acme\n"
                        "value User 1 Sales.Acme\n"
                        "object Queue1.Sales.Acme Queue\n"
                        "value Server 1 PS1.Sales.Acme\n"
                        "value User 1 Sales.Acme\n");
  EXPECT_EQ(Resolve("\\\\ACME_TREE\\.queue1.Sales.Acme"), "01020304:0a5c3e000001");
}

// The first object that passes the class, user and print server tests
// decides, even when its print server has no address of the maker's.
TEST(NetWareDirectory, TheFirstObjectThatPassesDecides) {
  DescribedNetwork site(kSite +
                        "object Q1.Sales.Acme Queue\n"
                        "value Server 1 PS3.Sales.Acme\n"
                        "value User 1 Sales.Acme\n"
                        "object q1.Sales.Acme Queue\n"
                        "value Server 1 PS1.Sales.Acme\n"
                        "value User 1 Sales.Acme\n");
  EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme"), "result -4");
}

TEST(NetWareDirectory, TheListingGoesOnThroughManyResultBuffers) {
  std::string fillers;
  for (int i = 0; i < 200; ++i) {
    fillers += "object Filler-object-with-a-long-name-" + std::to_string(i) + ".Sales.Acme Queue\n";
  }
  DescribedNetwork site(kSite + fillers +
                        "object Q1.Sales.Acme Queue\n"
                        "value Server 1 PS1.Sales.Acme\n"
                        "value User 1 Sales.Acme\n");
  EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme"), "01020304:0a5c3e000001");
  EXPECT_GT(DescribedNetwork::Calls("netwin32.dll", "NWDSList"), 2);
}

// The attribute names of an object come in parts too: the user test that
// decides is in the last one.
TEST(NetWareDirectory, TheAttributeNamesAreReadThroughManyResultBuffers) {
  std::string extras;
  for (int i = 0; i < 150; ++i) extras += "value \"Extra Attribute Number " + std::to_string(i) + "\" 8 " + std::to_string(i) + "\n";
  DescribedNetwork site(kSite + "object Q1.Sales.Acme Queue\nvalue Server 1 PS1.Sales.Acme\n" + extras +
                        "value User 1 Sales.Acme\n");
  EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme"), "01020304:0a5c3e000001");
}

// The values of one attribute are read while their texts fit 4096 bytes
// together; the user's container after that point is never seen.
TEST(NetWareDirectory, AnAttributesValuesStopWhereTheirTextsOverflow) {
  auto site = [](int others) {
    std::string users;
    for (int i = 0; i < others; ++i) {
      users += "value User 1 User" + std::to_string(100 + i) + std::string(100, 'x') + ".Support.Acme\n";
    }
    return kSite + "object Q1.Sales.Acme Queue\nvalue Server 1 PS1.Sales.Acme\n" + users + "value User 1 Sales.Acme\n";
  };
  {
    DescribedNetwork network(site(20));  // about 2500 bytes
    EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme"), "01020304:0a5c3e000001");
  }
  {
    DescribedNetwork network(site(40));  // about 5000 bytes, over two result buffers
    EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme"), "result -4");
  }
}

TEST(NetWareDirectory, FailingDirectoryCallsEndWithoutAnAddress) {
  const std::string network = kSite +
                              "object Q1.Sales.Acme Queue\n"
                              "value Server 1 PS1.Sales.Acme\n"
                              "value User 1 Sales.Acme\n";
  for (const char* failure : {"fail NWDSSetContext -328", "fail NWDSList -601", "fail NWDSAllocBuf -150",
                              "fail NWDSGetObjectName -302", "fail NWDSRead -601", "fail NWDSWhoAmI -601"}) {
    SCOPED_TRACE(failure);
    DescribedNetwork site(network + failure + "\n");
    EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme"), "result -4");
    // Every buffer that was given out is released.
    const bool noBuffers = std::string(failure).find("AllocBuf") != std::string::npos;
    EXPECT_EQ(DescribedNetwork::Calls("netwin32.dll", "NWDSFreeBuf"),
              noBuffers ? 0 : DescribedNetwork::Calls("netwin32.dll", "NWDSAllocBuf"));
  }
  DescribedNetwork site(network);
  EXPECT_EQ(Resolve("\\\\OTHER_TREE\\.Q1.Sales.Acme"), "result -4");
  EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Support.Acme"), "result -4");
}

// Every buffer and context the lookup was given is released.
void ExpectAllReleased() {
  EXPECT_EQ(DescribedNetwork::Calls("netwin32.dll", "NWDSFreeBuf"), DescribedNetwork::Calls("netwin32.dll", "NWDSAllocBuf"));
  EXPECT_EQ(DescribedNetwork::Calls("netwin32.dll", "NWDSFreeContext"),
            DescribedNetwork::Calls("netwin32.dll", "NWDSCreateContextHandle"));
}

// A value size is the client's word; one beyond anything a 4096-byte result
// buffer can hold ends the reading of the attribute, without an allocation
// that could throw out of the lookup.
TEST(NetWareLimits, AValueSizeBeyondAnyRealValueEndsTheReading) {
  struct Case {
    const char* size;
    bool read;
  } cases[] = {{"0xFFFFFFFF", false}, {"65537", false}, {"65536", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    DescribedNetwork site(kSite +
                          "object Q1.Sales.Acme Queue\n"
                          "value Server 1 PS1.Sales.Acme\n"
                          "value User 1 Sales.Acme\n"
                          "valuesize " + c.size + "\n");
    EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme"), c.read ? "01020304:0a5c3e000001" : "result -4");
    if (!c.read) {
      EXPECT_EQ(DescribedNetwork::Calls("netwin32.dll", "NWDSGetAttrVal"), 0);
    }
    ExpectAllReleased();
  }
}

// Each print server object is compared with the first 256 "Device" values
// only, so a made-up flood of them cannot multiply the search.
TEST(NetWareLimits, The256FirstDevicesAreCandidates) {
  for (int fillers : {255, 256}) {
    SCOPED_TRACE(fillers);
    std::string devices;
    for (int i = 0; i < fillers; ++i) devices += "value Device 1 D" + std::to_string(i) + "\n";
    DescribedNetwork site(kBindery + "object P9 0x0905 address 0000CAFE:0A5C3E000009:8060\n" + kTree +
                          "object Q1.Sales.Acme Queue\n"
                          "value Server 1 PS3.Sales.Acme\n"
                          "value User 1 Sales.Acme\n" +
                          devices + "value Device 1 P9.Sales.Acme\n");
    EXPECT_EQ(Resolve("\\\\ACME_TREE\\.Q1.Sales.Acme"), fillers < 256 ? "0000cafe:0a5c3e000009" : "result -4");
  }
}

// The lookup's allowance of listed entries, small for the length of a test.
class EntryAllowance {
 public:
  explicit EntryAllowance(std::uint32_t entries) { zrnetware::SetLookupEntriesForTesting(entries); }
  ~EntryAllowance() { zrnetware::SetLookupEntriesForTesting(0); }
};

// A client whose listing never ends (here: for its first 3000 calls) holds
// the lookup no longer than its allowance of entries, each part and entry
// costing one; then the lookup ends as not found.
TEST(NetWareLimits, AListingThatNeverEndsEndsTheLookup) {
  const std::uint32_t kAllowance = 300;
  EntryAllowance allowance(kAllowance);
  const std::string queue =
      "object Q1.Sales.Acme Queue\n"
      "value Server 1 PS1.Sales.Acme\n"
      "value User 1 Sales.Acme\n";
  const std::string printer =
      "object P1.Sales.Acme Printer\n"
      "value \"Default Queue\" 1 Q2.Sales.Acme\n"
      "value ACL 17 Status 4 PS2.Sales.Acme\n"
      "object Q2.Sales.Acme Queue\n"
      "queueusers Q2.Sales.Acme Guest.Sales.Acme\n";
  struct Case {
    const char* what;
    std::string network;
    const char* port;
    const char* library;
    const char* call;
  } cases[] = {
      {"a container listing (the object sought is not in it)", queue, "\\\\ACME_TREE\\.Q9.Sales.Acme", "netwin32.dll",
       "NWDSList"},
      {"attribute names and values", queue, "\\\\ACME_TREE\\.Q1.Sales.Acme", "netwin32.dll", "NWDSRead"},
      {"the bindery scans", "object Q1 0x0300 attached PS1\n", "\\\\FS1\\Q1", "calwin32.dll", "NWScanObject"},
      {"the users of a printer's queue", printer, "\\\\ACME_TREE\\.P1.Sales.Acme", "prtwin32.dll",
       "NWPSCfgGetNextPrintQueueAttr"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DescribedNetwork site(kSite + c.network + "endless " + c.call + " 3000\n");
    EXPECT_EQ(Resolve(c.port), "result -4");
    EXPECT_GT(DescribedNetwork::Calls(c.library, c.call), 1);
    EXPECT_LE(DescribedNetwork::Calls(c.library, c.call), static_cast<int>(kAllowance));
    ExpectAllReleased();
  }
}

}  // namespace
