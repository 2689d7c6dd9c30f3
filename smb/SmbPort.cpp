// Shared printers whose SMB server is the print device itself: the port is
// named \\server\queue after the device's convention (the queue is the server
// name with "-P"), and the server's share list tells the device's address.
#include "framework/Mbcs.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"
#include "smb/SmbNaming.h"
#include "smb/SmbShareList.h"

namespace {

// Server names up to this many bytes must be repeated whole in the queue name.
const int kShortServerName = 10;

int NotSupported(const char* port) {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromSMBPort() abort!! Not Supported Port : %s",
                                        port);
  return 0;
}

// Byte index where the last two characters of text begin, stepping over
// double-byte characters; -1 when it has fewer than two.
int LastTwoCharacters(const CString& text) {
  int beforeLast = -1;
  int last = -1;
  const char* characters = text;
  for (int i = 0; i < text.GetLength(); i += static_cast<int>(zrframework::Mbcs::CharLength(characters + i))) {
    beforeLast = last;
    last = i;
  }
  return beforeLast;
}

}  // namespace

namespace zrsmb {

bool NamesTheDevicesQueue(const char* port) {
  if (port == nullptr || port[0] != '\\' || port[1] != '\\') return false;
  if (port[2] == '\\') return NotSupported(port) != 0;

  const CString rest(port + 2);
  const int backslash = rest.Find('\\');
  if (backslash < 0) return NotSupported(port) != 0;
  CString server = rest.Left(backslash);
  const CString queue = rest.Mid(backslash + 1);
  if (queue.IsEmpty()) return NotSupported(port) != 0;

  if (server.GetLength() > kShortServerName) {
    // Any leading part of a long server name may name the queue.
    const int suffix = LastTwoCharacters(queue);
    if (suffix < 0 || queue.Mid(suffix).CompareNoCase("-P") != 0) {
      NLogZrAddrRes::GetSession()->LogWrite(
          ZRLOG_PROGRESS, "GetIPAddressFromSMBPort() abort!! There is NOT [-P] in Port : %s", port);
      return false;
    }
    CString queueText = queue.Left(suffix);
    queueText.MakeUpper();
    server.MakeUpper();
    if (server.Left(queueText.GetLength()) != queueText) {
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS,
                                            "GetIPAddressFromSMBPort() abort!! There is NOT queue[%s] in server[%s]",
                                            static_cast<const char*>(queueText), static_cast<const char*>(server));
      return false;
    }
  } else if (queue.CompareNoCase(server + "-P") != 0) {
    NLogZrAddrRes::GetSession()->LogWrite(
        ZRLOG_PROGRESS, "GetIPAddressFromSMBPort() abort!! Not \\\\<printer>\\<printer>-P  Port : %s", port);
    return false;
  }

  return true;
}

}  // namespace zrsmb

int CZrAddrResolution::GetIPAddressFromSMBPort(const char* port, CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromSMBPort() Start !! : %s", port);
  if (!IsValidPortName(port)) return 0;
  if (!zrsmb::NamesTheDevicesQueue(port)) return 0;
  return NAddrResolution::GetIPAddressFromSMBPort(port, address) == 0 ? 1 : 0;
}
