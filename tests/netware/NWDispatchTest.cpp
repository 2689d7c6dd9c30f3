// A UNC port that no IP reader resolves and a NetWare queue stands behind:
// the full search and the IPX search report it as found through NetWare, on
// every Windows line (this program runs in each).
#include <gtest/gtest.h>

#include <string>

#include "resolver/ZrAddrResolution.h"
#include "tests/support/LogCapture.h"
#include "tests/support/NetWareSite.h"
#include "tests/support/RegistryFixture.h"

namespace {

const std::string kSite =
    "primary FS1\n"
    "server FS1\n"
    "object ACME_TREE_______________________ 0x7802\n"
    "object PS1 0x0905 address 01020304:0A5C3E000001:8060\n"
    "object Q1 0x0300 attached PS1\n";

class NetWareDispatch : public testing::Test {
 protected:
  zrtest::RegistrySandbox m_registry;
  zrtest::DescribedNetwork m_site{kSite};
  CZrAddrResolution m_resolver;
  CString m_address;
  ZRMONITOR::ConnectionType m_kind = ZRMONITOR::CT_IP;
};

TEST_F(NetWareDispatch, AQueuePortIsFoundThroughNetWare) {
  EXPECT_EQ(m_resolver.GetAddressFromPort("\\\\FS1\\Q1", m_address, &m_kind), 1);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NETWARE);
  EXPECT_STREQ(m_address, "01020304:0a5c3e000001");

  m_kind = ZRMONITOR::CT_IP;
  m_address.Empty();
  EXPECT_EQ(m_resolver.GetIPXAddressFromPort("\\\\FS1\\Q1", m_address, &m_kind), 1);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NETWARE);
  EXPECT_STREQ(m_address, "01020304:0a5c3e000001");
}

// A name without the leading backslashes reaches NetWare only through the
// IPX search, and no NetWare name parses without them.
TEST_F(NetWareDispatch, ANameWithoutBackslashesReachesNetWareOnlyThroughTheIPXSearch) {
  zrtest::LogCapture log;
  EXPECT_EQ(m_resolver.GetIPXAddressFromPort("FS1\\Q1", m_address, &m_kind), 0);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
  EXPECT_TRUE(log.Contains("GetIPXAddressFromNetWarePort() start!! : FS1\\Q1"));

  log.Clear();
  EXPECT_EQ(m_resolver.GetAddressFromPort("FS1\\Q1", m_address, &m_kind), 0);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
  EXPECT_FALSE(log.Contains("GetIPXAddressFromNetWarePort()"));
}

TEST_F(NetWareDispatch, AQueueWithoutTheMakersPrintServerIsNotFound) {
  EXPECT_EQ(m_resolver.GetAddressFromPort("\\\\FS1\\Q2", m_address, &m_kind), 0);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
  EXPECT_EQ(m_resolver.GetIPXAddressFromPort("\\\\FS1\\Q2", m_address, &m_kind), 0);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
  EXPECT_STREQ(m_address, "");
}

// A directory queue whose client gives an absurd value size: the full search
// ends as not found, nothing thrown out of it.
TEST_F(NetWareDispatch, AnAbsurdValueSizeEndsTheSearchAsNotFound) {
  zrtest::DescribedNetwork site(kSite +
                                "whoami Admin.Sales.Acme\n"
                                "tree ACME_TREE\n"
                                "container Acme Organization\n"
                                "container Sales.Acme\n"
                                "object Q1.Sales.Acme Queue\n"
                                "value Server 1 PS1.Sales.Acme\n"
                                "value User 1 Sales.Acme\n"
                                "valuesize 0xFFFFFFFF\n");
  EXPECT_EQ(m_resolver.GetAddressFromPort("\\\\ACME_TREE\\.Q1.Sales.Acme", m_address, &m_kind), 0);
  EXPECT_EQ(m_kind, ZRMONITOR::CT_NONE);
  EXPECT_STREQ(m_address, "");
}

}  // namespace
