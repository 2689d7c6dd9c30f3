#include "tools/zraddrres/Shares.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <vector>

#include <ZrAddrResolution.h>

#include "platform/NetApiRecords.h"
#include "tools/zraddrres/Text.h"

namespace zrtool {

namespace {

std::string TypeName(DWORD type) {
  std::string name;
  switch (type & 0xFF) {
    case STYPE_DISKTREE: name = "disk"; break;
    case STYPE_PRINTQ: name = "print"; break;
    case STYPE_DEVICE: name = "device"; break;
    case STYPE_IPC: name = "IPC"; break;
    default: name = "type " + std::to_string(type & 0xFF); break;
  }
  if (type & STYPE_SPECIAL) name += ",special";
  return name;
}

}  // namespace

int Shares(const std::string& server, bool json) {
  const std::string name = server.substr(server.find_first_not_of('\\') == std::string::npos
                                             ? server.size()
                                             : server.find_first_not_of('\\'));
  CZrAddrResolution resolver;
  const bool ntLine = resolver.IsWindowsNTLine() != 0;
  std::vector<zrplatform::ListedShare> shares;
  DWORD rc = zrplatform::ListShares(ntLine, ("\\\\" + name).c_str(), shares);

  // The port that passes the naming checks for this server: the server name
  // and "-P", or just "-P" for a name longer than 10 bytes.
  const std::string port = "\\\\" + name + "\\" + (name.size() > 10 ? "" : name) + "-P";
  CString address;
  const bool found = rc == 0 && resolver.GetIPAddressFromSMBPort(port.c_str(), address) != 0;
  const std::string text = found ? ToUtf8(std::string(address, address.GetLength())) : std::string();
  const char* library = ntLine ? "NETAPI32.DLL" : "SVRAPI.DLL";

  if (json) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& share : shares) {
      list.push_back({{"name", ToUtf8(share.name)}, {"type", share.type}, {"typeName", TypeName(share.type)},
                      {"remark", ToUtf8(share.remark)}});
    }
    nlohmann::json out = {{"server", ToUtf8(name)}, {"library", library}, {"code", rc}, {"shares", list},
                          {"port", ToUtf8(port)}, {"found", found}, {"address", text}};
    std::printf("%s\n", out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else {
    for (const auto& share : shares) {
      std::printf("%s\t%s\t%s\n", Shown(share.name).c_str(), TypeName(share.type).c_str(),
                  Shown(share.remark).c_str());
    }
    if (rc != 0) std::fprintf(stderr, "zraddrres: %s: %s NetShareEnum answered %lu\n", Shown(name).c_str(), library,
                              static_cast<unsigned long>(rc));
    std::printf("address\t%s\n", found ? Printable(text).c_str() : "-");
  }
  return found ? 0 : 1;
}

}  // namespace zrtool
