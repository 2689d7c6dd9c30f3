// The share-list step: NETAPI32.DLL on the NT line, SVRAPI.DLL on the 9x line,
// each loaded for this call only and released before it returns. The NT line
// takes the first share whose name begins with "IPC"; the 9x line the first
// of type STYPE_IPC.
#include "smb/SmbShareList.h"

#include <cstring>
#include <memory>
#include <new>

#include "framework/Mbcs.h"
#include "platform/CodePage.h"
#include "platform/Modules.h"
#include "platform/NetApi.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"
#include "smb/SmbNaming.h"

namespace {

const int kMissingLibrary = -1;
const int kNotUnc = -3;
const int kNotFound = -4;

// The fixed fields: the server part (two backslashes and the server name),
// the remark of the IPC share, the address taken from it.
const int kServerField = 261;
const int kRemarkField = 257;
const int kAddressField = 260;

// The IPC share's remark as the step took it. A remark longer than its field
// is kept as not fitting: it can be no announcement.
struct IpcRemark {
  bool taken = false;
  bool fits = false;
  char text[kRemarkField] = {};
};

// Releases the call's library on every way out.
class CCallLibrary {
 public:
  explicit CCallLibrary(const char* name) : m_hModule(LoadLibraryA(name)) {}
  ~CCallLibrary() {
    if (m_hModule) FreeLibrary(m_hModule);
  }
  CCallLibrary(const CCallLibrary&) = delete;
  CCallLibrary& operator=(const CCallLibrary&) = delete;

  // Null when the library or the entry is missing.
  template <typename F>
  F Entry(const char* name) const {
    return m_hModule ? reinterpret_cast<F>(GetProcAddress(m_hModule, name)) : nullptr;
  }

 private:
  HMODULE m_hModule;
};

// The first three characters of the name are those of "IPC$" (its first six bytes).
bool BeginsWithIpc(LPCWSTR name, const WCHAR* ipc) {
  return name && name[0] == ipc[0] && name[1] == ipc[1] && name[2] == ipc[2];
}

int ReadIpcRemarkNT(const char* server, IpcRemark& ipc) {
  WCHAR wideIpc[6] = {};
  WCHAR wideServer[kServerField] = {};
  MultiByteToWideChar(CP_ACP, 0, "IPC$", -1, wideIpc, 6);
  MultiByteToWideChar(CP_ACP, 0, server, -1, wideServer, kServerField);

  CCallLibrary netapi("NETAPI32.DLL");
  NetShareEnumFn shareEnum = netapi.Entry<NetShareEnumFn>("NetShareEnum");
  NetServerGetInfoFn serverGetInfo = shareEnum ? netapi.Entry<NetServerGetInfoFn>("NetServerGetInfo") : nullptr;
  NetApiBufferFreeFn bufferFree = serverGetInfo ? netapi.Entry<NetApiBufferFreeFn>("NetApiBufferFree") : nullptr;
  if (!bufferFree) return kMissingLibrary;

  // Asked, not used; its record is released all the same.
  LPBYTE serverInfo = nullptr;
  serverGetInfo(wideServer, 101, &serverInfo);
  if (serverInfo) bufferFree(serverInfo);

  LPBYTE buffer = nullptr;
  DWORD read = 0;
  DWORD total = 0;
  DWORD resume = 0;
  NET_API_STATUS rc = shareEnum(wideServer, 1, &buffer, MAX_PREFERRED_LENGTH, &read, &total, &resume);
  if (rc != NERR_Success) {
    if (buffer) bufferFree(buffer);
    return kNotFound;
  }
  const SHARE_INFO_1* records = reinterpret_cast<const SHARE_INFO_1*>(buffer);
  for (DWORD i = 0; records && i < read; ++i) {
    if (!BeginsWithIpc(records[i].shi1_netname, wideIpc)) continue;
    ipc.taken = true;
    LPCWSTR remark = records[i].shi1_remark;
    ipc.fits = !remark || WideCharToMultiByte(CP_ACP, 0, remark, -1, ipc.text, kRemarkField, nullptr, nullptr) > 0;
    break;
  }
  if (buffer) bufferFree(buffer);
  return 0;
}

int ReadIpcRemark9x(const char* server, IpcRemark& ipc) {
  CCallLibrary svrapi("SVRAPI.DLL");
  NetShareEnum9xFn shareEnum = svrapi.Entry<NetShareEnum9xFn>("NetShareEnum");
  if (!shareEnum) return kMissingLibrary;

  // The first call only counts the shares.
  unsigned short read = 0;
  unsigned short total = 0;
  shareEnum(server, 1, nullptr, 0, &read, &total);

  // A record and the longest remark per share. The call's size argument is
  // 16 bits wide, so the size wraps above 65535 as it does there.
  const unsigned short size = static_cast<unsigned short>(total * (sizeof(share_info_1) + kRemarkField));
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
  if (!buffer) return kNotFound;
  if (shareEnum(server, 1, buffer.get(), size, &read, &total) != NERR_Success) return kNotFound;

  const share_info_1* records = reinterpret_cast<const share_info_1*>(buffer.get());
  const unsigned short held = static_cast<unsigned short>(size / sizeof(share_info_1));
  for (unsigned short i = 0; i < read && i < held; ++i) {
    if (records[i].shi1_type != STYPE_IPC) continue;
    ipc.taken = true;
    const char* remark = records[i].shi1_remark ? records[i].shi1_remark : "";
    std::size_t length = strnlen(remark, kRemarkField);
    ipc.fits = length < static_cast<std::size_t>(kRemarkField);
    if (ipc.fits) std::memcpy(ipc.text, remark, length + 1);
    break;
  }
  return 0;
}

}  // namespace

namespace zrsmb {

bool ReadAnnouncedAddress(const char* remark, CString& address) {
  if (remark[0] != '0' || std::strlen(remark) < 6) return false;
  if (!CZrAddrResolution::IsValidStringIPAddress(remark + 5)) return false;
  char field[kAddressField] = {};
  std::strncpy(field, remark + 5, kAddressField - 1);
  address = field;
  return true;
}

}  // namespace zrsmb

namespace NAddrResolution {

int GetIPAddressFromSMBPort(const char* port, CString& address) {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "NAddrResolution::GetIPAddressFromSMBPort() start!! : %s",
                                        port);
  if (port == nullptr || port[0] != '\\' || port[1] != '\\') return kNotUnc;

  // The server part ends at the next backslash, stepping over double-byte
  // characters as the naming checks do: a trail byte that equals a backslash
  // does not end a name of code page 932. One that does not fit its field is
  // refused rather than cut.
  std::size_t length = 2;
  while (port[length] != '\0' && port[length] != '\\') length += zrframework::Mbcs::CharLength(port + length);
  if (length >= static_cast<std::size_t>(kServerField)) return kNotUnc;
  char server[kServerField] = {};
  std::memcpy(server, port, length);

  CZrAddrResolution resolver;
  IpcRemark ipc;
  int rc = resolver.IsWindowsNTLine() ? ReadIpcRemarkNT(server, ipc) : ReadIpcRemark9x(server, ipc);
  if (rc != 0) return rc;
  if (!ipc.taken) return kNotFound;
  if (!ipc.fits || !zrsmb::ReadAnnouncedAddress(ipc.text, address)) {
    address.Empty();
    return kNotFound;
  }
  return 0;
}

}  // namespace NAddrResolution
