// POSIX share-list modules: "NETAPI32.DLL" (NetShareEnum level 1,
// NetServerGetInfo level 101, NetApiBufferFree) and "SVRAPI.DLL"
// (NetShareEnum level 1), answered through Samba's libnetapi and laid out as
// Windows lays its records out. What differs from libnetapi is mapped here:
// it wants the server without the leading backslashes of a UNC name (with
// them it answers 1003), it speaks UTF-8, and its share types carry the
// special-share flag, which the 9x records do not have.
#include "platform/NetApi.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/NetApiRecords.h"
#include "platform/posix/NetApiModules.h"
#include "platform/posix/SambaNetApi.h"

namespace zrplatform {

namespace {

const DWORD kInvalidLevel = 124;  // ERROR_INVALID_LEVEL

WideText WideFromBytes(UINT codePage, const std::string& text) {
  if (text.empty()) return WideText();
  int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  WideText wide(length > 0 ? length : 0, u'\0');
  if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string BytesFromWide(UINT codePage, const WideText& wide) {
  if (wide.empty()) return std::string();
  int size = static_cast<int>(wide.size());
  int length = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(length > 0 ? length : 0, '\0');
  if (length > 0) WideCharToMultiByte(codePage, 0, wide.data(), size, &text[0], length, nullptr, nullptr);
  return text;
}

// "\\server" -> "server", as UTF-8.
std::string ServerName(const std::string& utf8) {
  std::string::size_type first = utf8.find_first_not_of('\\');
  return first == std::string::npos ? std::string() : utf8.substr(first);
}

std::string ServerFromWide(LPCWSTR server) { return server ? ServerName(BytesFromWide(CP_UTF8, server)) : ""; }

NET_API_STATUS WINAPI NetShareEnumNT(LPWSTR server, DWORD level, LPBYTE* buffer, DWORD, LPDWORD read, LPDWORD total,
                                     LPDWORD resume) {
  if (buffer == nullptr || read == nullptr || total == nullptr) return ERROR_INVALID_PARAMETER;
  *buffer = nullptr;
  *read = *total = 0;
  if (level != 1) return kInvalidLevel;
  // Every record at once, whatever length was preferred: the resume handle stays 0.
  if (resume) *resume = 0;
  std::vector<samba::Share> shares;
  DWORD rc = samba::EnumShares(ServerFromWide(server), shares);
  if (shares.empty()) return rc;
  std::vector<WideShare> wide;
  for (const samba::Share& share : shares) {
    wide.push_back({WideFromBytes(CP_UTF8, share.name), share.type, WideFromBytes(CP_UTF8, share.remark)});
  }
  *buffer = MakeShareInfo1Block(wide);
  if (*buffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  *read = *total = static_cast<DWORD>(shares.size());
  return rc;
}

NET_API_STATUS WINAPI NetServerGetInfoNT(LPWSTR server, DWORD level, LPBYTE* buffer) {
  if (buffer == nullptr) return ERROR_INVALID_PARAMETER;
  *buffer = nullptr;
  if (level != 101) return kInvalidLevel;
  samba::ServerInfo info;
  DWORD rc = samba::GetServerInfo101(ServerFromWide(server), info);
  if (rc != ERROR_SUCCESS) return rc;
  SERVER_INFO_101 record = {info.platformId, nullptr, info.versionMajor, info.versionMinor, info.type, nullptr};
  *buffer = MakeServerInfo101Block(record, WideFromBytes(CP_UTF8, info.name), WideFromBytes(CP_UTF8, info.comment));
  return *buffer ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
}

NET_API_STATUS WINAPI NetApiBufferFreeNT(LPVOID buffer) {
  FreeNetApiBuffer(buffer);
  return ERROR_SUCCESS;
}

// A share name longer than the 9x record's 12 bytes cannot be listed at this
// level: it is left out, as the servers of that line leave it out.
NET_API_STATUS WINAPI NetShareEnum9x(const char* server, short level, char* buffer, unsigned short size,
                                     unsigned short* read, unsigned short* total) {
  if (read == nullptr || total == nullptr) return ERROR_INVALID_PARAMETER;
  *read = *total = 0;
  if (level != 1) return kInvalidLevel;
  std::vector<samba::Share> shares;
  DWORD rc = samba::EnumShares(ServerName(BytesFromWide(CP_UTF8, WideFromBytes(CP_ACP, server ? server : ""))),
                               shares);
  if (rc != ERROR_SUCCESS) return rc;

  std::vector<NarrowShare> listed;
  for (const samba::Share& share : shares) {
    std::string name = BytesFromWide(CP_ACP, WideFromBytes(CP_UTF8, share.name));
    if (name.size() > LM20_NNLEN) continue;
    unsigned short type = static_cast<unsigned short>(share.type & ~(STYPE_SPECIAL | STYPE_TEMPORARY));
    listed.push_back({name, type, BytesFromWide(CP_ACP, WideFromBytes(CP_UTF8, share.remark))});
  }
  return FillShareInfo1(listed, buffer, size, read, total);
}

struct Entry {
  const char* name;
  FARPROC proc;
};

FARPROC Find(const Entry* first, const Entry* last, const char* name) {
  for (; first != last; ++first) {
    if (std::strcmp(first->name, name) == 0) return first->proc;
  }
  return nullptr;
}

}  // namespace

bool AttachNetApi() { return samba::Load(); }

FARPROC NetApi32Entry(const char* name) {
  static const Entry entries[] = {
      {"NetShareEnum", reinterpret_cast<FARPROC>(&NetShareEnumNT)},
      {"NetServerGetInfo", reinterpret_cast<FARPROC>(&NetServerGetInfoNT)},
      {"NetApiBufferFree", reinterpret_cast<FARPROC>(&NetApiBufferFreeNT)},
  };
  return Find(entries, entries + sizeof entries / sizeof entries[0], name);
}

FARPROC SvrApiEntry(const char* name) {
  static const Entry entries[] = {{"NetShareEnum", reinterpret_cast<FARPROC>(&NetShareEnum9x)}};
  return Find(entries, entries + sizeof entries / sizeof entries[0], name);
}

}  // namespace zrplatform
