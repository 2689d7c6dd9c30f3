// NetWare lookups on several threads at once, the first of them loading the
// client's table: each builds its own query and directory context, and they
// share only the table (loaded once, under its lock) and the client.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "netware/NWFunc.h"
#include "resolver/ZrAddrResolution.h"
#include "tests/support/NetWareSite.h"

namespace {

TEST(NetWareThreads, LookupsAtOnceEachFindTheirAddress) {
  zrtest::DescribedNetwork site(
      "primary FS1\n"
      "whoami Admin.Sales.Acme\n"
      "server FS1\n"
      "object ACME_TREE_______________________ 0x7802\n"
      "object PS1 0x0905 address 01020304:0A5C3E000001:8060\n"
      "object PS2 0xAD05 address 01020304:02A7F1000002:8060\n"
      "object Q1 0x0300 attached PS1\n"
      "tree ACME_TREE\n"
      "container Acme Organization\n"
      "container Sales.Acme\n"
      "object Q2.Sales.Acme Queue\n"
      "value Server 1 PS2.Sales.Acme\n"
      "value User 1 Sales.Acme\n");
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&wrong, t] {
      for (int i = 0; i < 10; ++i) {
        CString address;
        const bool bindery = (t + i) % 2 == 0;
        int result = GetIPXAddressFromNetWarePort(bindery ? "\\\\FS1\\Q1" : "\\\\ACME_TREE\\.Q2.Sales.Acme", address);
        if (result != 0 || address != (bindery ? "01020304:0a5c3e000001" : "01020304:02a7f1000002")) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  // One load of the table for the whole process.
  unsigned long error = 0;
  EXPECT_EQ(GetNWFuncTable(&error)->m_bLoaded, 1);
  EXPECT_EQ(zrtest::DescribedNetwork::Calls("netwin32.dll", "NWDSCreateContextHandle"),
            zrtest::DescribedNetwork::Calls("netwin32.dll", "NWDSFreeContext"));
}

}  // namespace
