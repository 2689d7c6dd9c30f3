// The PNS broadcast exchange: a 128-byte request to the limited broadcast
// address, then one second of listening per attempt, bounded by a timer
// thread; a second attempt only when the first brought no PNS reply. The
// socket calls go through the resolver's socket library, so a stand-in can
// take its place in tests.
#include <cstring>

#include "pns/PnsReply.h"
#include "platform/Modules.h"
#include "platform/Sockets.h"
#include "platform/Threads.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"

namespace {

const char kRequestFormatHead[] = "ZR452 ";
const std::size_t kRequestSize = 128;
// The name and its terminator must fit behind the head.
const std::size_t kLongestName = kRequestSize - (sizeof kRequestFormatHead - 1) - 1;
const int kAttempts = 2;

// The datagram entries of the socket library, looked up by name.
struct DatagramCalls {
  zrplatform::SocketFn socket = nullptr;
  zrplatform::SetSockOptFn setSockOpt = nullptr;
  zrplatform::SendToFn sendTo = nullptr;
  zrplatform::SelectFn select = nullptr;
  zrplatform::RecvFromFn recvFrom = nullptr;
  zrplatform::CloseSocketFn closeSocket = nullptr;
  zrplatform::GetLastErrorFn lastError = nullptr;

  explicit DatagramCalls(HMODULE library) {
    if (library == nullptr) return;
    socket = reinterpret_cast<zrplatform::SocketFn>(GetProcAddress(library, "socket"));
    setSockOpt = reinterpret_cast<zrplatform::SetSockOptFn>(GetProcAddress(library, "setsockopt"));
    sendTo = reinterpret_cast<zrplatform::SendToFn>(GetProcAddress(library, "sendto"));
    select = reinterpret_cast<zrplatform::SelectFn>(GetProcAddress(library, "select"));
    recvFrom = reinterpret_cast<zrplatform::RecvFromFn>(GetProcAddress(library, "recvfrom"));
    closeSocket = reinterpret_cast<zrplatform::CloseSocketFn>(GetProcAddress(library, "closesocket"));
    lastError = reinterpret_cast<zrplatform::GetLastErrorFn>(GetProcAddress(library, "WSAGetLastError"));
  }
  bool Complete() const {
    return socket && setSockOpt && sendTo && select && recvFrom && closeSocket && lastError;
  }
};

struct SocketMessage {
  int code;
  const char* text;
};

const SocketMessage kSocketMessages[] = {
    {10024, "No more socket descriptors are available."},
    {10036,
     "A blocking Windows Sockets 1.1 call is in progress, or the service provider is still processing a callback "
     "function."},
    {10041, "The specified protocol is the wrong type for this socket."},
    {10043, "The specified protocol is not supported."},
    {10044, "The specified socket type is not supported in this address family."},
    {10047, "The specified address family is not supported."},
    {10050, "The network subsystem or the associated service provider has failed."},
    {10055, "No buffer space is available. The socket cannot be created."},
    {10093, "A successful WSAStartup call must occur before using this function."},
};

}  // namespace

void CZrAddrResolution::ShowErrorMessage(int code) const {
  for (const SocketMessage& message : kSocketMessages) {
    if (message.code == code) {
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "%s", message.text);
      return;
    }
  }
}

DWORD WINAPI CZrAddrResolution::TimerThreadProc(void*) {
  Sleep(1000);
  return 1;
}

int CZrAddrResolution::PnsUdpBroadcast(unsigned short port, const char* name, CString& server,
                                       CString& device) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "PnsUdpBroadcast() start!! : %s", name);
  // A name that does not fit the request with its terminator is refused
  // rather than cut: a cut name would ask for another device.
  if (name == nullptr || std::strlen(name) > kLongestName) return 0;
  char request[kRequestSize] = {};
  std::memcpy(request, kRequestFormatHead, sizeof kRequestFormatHead - 1);
  std::memcpy(request + sizeof kRequestFormatHead - 1, name, std::strlen(name));

  DatagramCalls calls(m_hWs2_32);
  if (!calls.Complete()) return 0;
  SOCKET s = calls.socket(AF_INET, SOCK_DGRAM, 0);
  if (s == INVALID_SOCKET) {
    ShowErrorMessage(calls.lastError());
    return 0;
  }
  auto closeSocket = [&] {
    if (calls.closeSocket(s) == SOCKET_ERROR) ShowErrorMessage(calls.lastError());
  };
  int broadcast = 1;
  if (calls.setSockOpt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&broadcast), sizeof broadcast) ==
      SOCKET_ERROR) {
    ShowErrorMessage(calls.lastError());
    closeSocket();
    return 0;
  }

  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
  zrpns::PnsExchangeState state;
  for (int attempts = 0; attempts < kAttempts;) {
    if (calls.sendTo(s, request, static_cast<int>(sizeof request), 0, reinterpret_cast<const sockaddr*>(&to),
                     static_cast<int>(sizeof to)) == SOCKET_ERROR) {
      ShowErrorMessage(calls.lastError());
      closeSocket();
      return 0;
    }
    HANDLE timer = CreateThread(nullptr, 0, &TimerThreadProc, nullptr, 0, nullptr);
    if (timer == nullptr) {
      closeSocket();
      return 0;
    }
    // The whole second is listened to, also after an answer: a later one
    // may still be chosen over it.
    while (WaitForSingleObject(timer, 0) == WAIT_TIMEOUT) {
      char buffer[zrpns::kReceiveBufferSize] = {};
      sockaddr_in from = {};
      int fromLength = static_cast<int>(sizeof from);
      zrplatform::SocketSet readable;
      FD_ZERO(&readable);
      FD_SET(s, &readable);
      timeval poll = {0, 500};  // 500 microseconds
      int ready = calls.select(static_cast<int>(s + 1), &readable, nullptr, nullptr, &poll);
      if (ready == SOCKET_ERROR || ready == 0) {
        ShowErrorMessage(calls.lastError());
        continue;
      }
      // One byte short of the buffer, so the text always ends in it.
      int received = calls.recvFrom(s, buffer, static_cast<int>(sizeof buffer - 1), 0,
                                    reinterpret_cast<sockaddr*>(&from), &fromLength);
      if (received == SOCKET_ERROR || received == 0) {
        ShowErrorMessage(calls.lastError());
        continue;
      }
      zrpns::ReadPnsDatagram(buffer, static_cast<std::size_t>(received), state);
    }
    CloseHandle(timer);
    ++attempts;
    if (!state.goOn) break;
  }
  closeSocket();
  if (state.datagrams >= 1) {
    server = state.chosen.server.c_str();
    device = state.chosen.device.c_str();
  }
  return 1;
}
