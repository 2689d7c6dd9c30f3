// Tests against a described NetWare network: the client stand-in's five
// libraries (bin/nwstandin/) loaded by path, so that the library's loads by
// name find them, and the network's text put where the stand-in reads it.
#pragma once

#include <string>

#include "platform/Modules.h"

namespace zrtest {

// The stand-in's file of one client library, by the client's name ("calwin32.dll").
std::string NetWareStandInFile(const char* library);

// Loads the five libraries by path, once per process.
void UseNetWareStandIn();

// A described network for the life of the object (see
// tests/support/nwstandin/example-network.txt): written to a file of its own
// and named by ZRADDRRES_NETWARE_NETWORK. The stand-in's call counts start at 0.
class DescribedNetwork {
 public:
  explicit DescribedNetwork(const std::string& text);
  ~DescribedNetwork();
  DescribedNetwork(const DescribedNetwork&) = delete;
  DescribedNetwork& operator=(const DescribedNetwork&) = delete;

  // How often the library that serves a call was asked for it.
  static int Calls(const char* library, const char* call);

 private:
  std::string m_path;
};

}  // namespace zrtest
