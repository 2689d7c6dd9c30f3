// The scripted share list of one stand-in module.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/NetApiRecords.h"
#include "tests/support/fake_netapi/FakeNetApi.h"

namespace fakenetapi {

struct Share {
  std::string name;  // ANSI
  DWORD type;
  std::string remark;
};

struct Script {
  std::mutex mutex;
  std::vector<Share> shares;
  DWORD failure = 0;
  std::map<std::string, int> calls;
  std::string server;
  unsigned bufferSize = 0;
  int outstanding = 0;
};

Script& TheScript();
zrplatform::WideText Wide(const std::string& ansi);
std::string Ansi(LPCWSTR wide);
// Counts a call of the entry and keeps the server it was asked for.
void Count(const char* entry, const std::string& server);

}  // namespace fakenetapi
