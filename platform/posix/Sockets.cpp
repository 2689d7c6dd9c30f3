// POSIX Winsock names: start-up always succeeds, and errno values are given
// as the Winsock codes that Windows would report for the same failure.
#include "platform/Sockets.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// A code set by WSASetLastError holds until the next failing system call
// changes errno; after that, errno speaks.
thread_local int t_socketError = 0;
thread_local int t_errnoWhenSet = 0;

int WinsockErrorFromErrno(int code) {
  switch (code) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EBADF: return WSAEBADF;
    case EACCES: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE: return WSAEMFILE;
    case EWOULDBLOCK: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEINPROGRESS;
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET: return WSAECONNRESET;
    case ENOBUFS: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    default: return WSABASEERR + code;
  }
}

}  // namespace

int WSAStartup(WORD version, LPWSADATA data) {
  if (data != nullptr) {
    std::memset(data, 0, sizeof *data);
    data->wVersion = version;
    data->wHighVersion = MAKEWORD(2, 2);
    std::strcpy(data->szDescription, "POSIX sockets");
    std::strcpy(data->szSystemStatus, "Running");
  }
  return 0;
}

int WSACleanup() { return 0; }

int WSAGetLastError() { return errno == t_errnoWhenSet ? t_socketError : WinsockErrorFromErrno(errno); }

void WSASetLastError(int error) {
  t_socketError = error;
  t_errnoWhenSet = errno;
}

int closesocket(SOCKET s) {
  if (::close(s) == 0) return 0;
  WSASetLastError(WinsockErrorFromErrno(errno));
  return SOCKET_ERROR;
}
