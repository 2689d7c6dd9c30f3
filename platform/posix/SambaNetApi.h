// Samba's libnetapi, loaded at run time: the share list and the server record
// of a server, in UTF-8, with failures as Windows error codes. The client has a
// configuration of its own (a private folder made on first use, removed at
// exit), connects anonymously, finds servers by the host's name service only
// (no NetBIOS broadcast), and never reads or writes the machine's Samba setup.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zrplatform {
namespace samba {

struct Share {
  std::string name;
  std::uint32_t type;  // with Windows' STYPE_SPECIAL flag on IPC$ and the admin shares
  std::string remark;
};

struct ServerInfo {
  std::uint32_t platformId;
  std::string name;
  std::uint32_t versionMajor;
  std::uint32_t versionMinor;
  std::uint32_t type;
  std::string comment;
};

// False when the library cannot be loaded here.
bool Load();

// server: a name or address, without leading backslashes; empty for this
// machine. The result is a Windows error code (0 success). This header stays
// apart from the Win32 one: Samba's netapi.h defines some of the same names.
std::uint32_t EnumShares(const std::string& server, std::vector<Share>& shares);
std::uint32_t GetServerInfo101(const std::string& server, ServerInfo& info);

}  // namespace samba
}  // namespace zrplatform
