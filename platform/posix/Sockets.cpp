// POSIX Winsock names: start-up always succeeds, and errno values are given
// as the Winsock codes that Windows would report for the same failure.
#include "platform/Sockets.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

// The thread's last socket error, as Winsock keeps it: only the socket calls
// set it, so a failing file or memory call in between cannot change what a
// caller reads after a socket call.
thread_local int t_socketError = 0;
// WSAStartup calls not yet matched by WSACleanup: none, and the datagram
// entries fail with WSANOTINITIALISED, as Windows' do.
std::atomic<int> g_startups{0};

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
  g_startups.fetch_add(1);
  if (data != nullptr) {
    std::memset(data, 0, sizeof *data);
    data->wVersion = version;
    data->wHighVersion = MAKEWORD(2, 2);
    std::strcpy(data->szDescription, "POSIX sockets");
    std::strcpy(data->szSystemStatus, "Running");
  }
  return 0;
}

int WSACleanup() {
  // As on Windows: one cleanup per start-up; one too many fails.
  int now = g_startups.load();
  while (now > 0 && !g_startups.compare_exchange_weak(now, now - 1)) {
  }
  if (now > 0) return 0;
  WSASetLastError(WSANOTINITIALISED);
  return SOCKET_ERROR;
}

int WSAGetLastError() { return t_socketError; }

void WSASetLastError(int error) { t_socketError = error; }

int closesocket(SOCKET s) {
  if (::close(s) == 0) return 0;
  WSASetLastError(WinsockErrorFromErrno(errno));
  return SOCKET_ERROR;
}

namespace zrplatform::posix {

namespace {

// A call made before the socket library was started fails as on Windows.
bool Started() {
  if (g_startups.load() > 0) return true;
  WSASetLastError(WSANOTINITIALISED);
  return false;
}

template <typename Result>
Result Failed(Result result) {
  WSASetLastError(WinsockErrorFromErrno(errno));
  return result;
}

}  // namespace

SOCKET WSAAPI Ws2Socket(int family, int type, int protocol) {
  if (!Started()) return INVALID_SOCKET;
  int s = ::socket(family, type | SOCK_CLOEXEC, protocol);
  return s >= 0 ? s : Failed(INVALID_SOCKET);
}

int WSAAPI Ws2SetSockOpt(SOCKET s, int level, int name, const char* value, int length) {
  if (!Started()) return SOCKET_ERROR;
  if (length < 0) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  return ::setsockopt(s, level, name, value, static_cast<socklen_t>(length)) == 0 ? 0 : Failed(SOCKET_ERROR);
}

int WSAAPI Ws2SendTo(SOCKET s, const char* data, int length, int flags, const sockaddr* to, int toLength) {
  if (!Started()) return SOCKET_ERROR;
  if (length < 0 || toLength < 0) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  ssize_t sent = ::sendto(s, data, static_cast<std::size_t>(length), flags | MSG_NOSIGNAL, to,
                          static_cast<socklen_t>(toLength));
  return sent >= 0 ? static_cast<int>(sent) : Failed(SOCKET_ERROR);
}

int WSAAPI Ws2Select(int, SocketSet* read, SocketSet* write, SocketSet* except, const timeval* timeout) {
  if (!Started()) return SOCKET_ERROR;
  // Winsock ignores the count and reads the sets' own. poll takes any
  // descriptor number, where the C library's select stops at 1,024.
  SocketSet* sets[3] = {read, write, except};
  const short wanted[3] = {POLLIN, POLLOUT, POLLPRI};
  // What each set's answer is made of: a closed or failed socket is
  // readable and writable, as select reports it.
  const short answers[3] = {POLLIN | POLLHUP | POLLERR, POLLOUT | POLLHUP | POLLERR, POLLPRI};
  pollfd polled[3 * FD_SETSIZE];
  nfds_t count = 0;
  for (int which = 0; which < 3; ++which) {
    if (sets[which] == nullptr) continue;
    if (sets[which]->fd_count > FD_SETSIZE) {
      WSASetLastError(WSAEINVAL);
      return SOCKET_ERROR;
    }
    for (unsigned int i = 0; i < sets[which]->fd_count; ++i) {
      polled[count++] = pollfd{sets[which]->fd_array[i], wanted[which], 0};
    }
  }
  // As Winsock: no socket at all in the sets is an error, not a sleep.
  if (count == 0) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  timespec wait = {};
  if (timeout) {
    if (timeout->tv_sec < 0 || timeout->tv_usec < 0) {
      WSASetLastError(WSAEINVAL);
      return SOCKET_ERROR;
    }
    wait.tv_sec = timeout->tv_sec + timeout->tv_usec / 1000000;
    wait.tv_nsec = (timeout->tv_usec % 1000000) * 1000;
  }
  int ready = ::ppoll(polled, count, timeout ? &wait : nullptr, nullptr);
  if (ready < 0) return Failed(SOCKET_ERROR);
  for (nfds_t i = 0; i < count; ++i) {
    if (polled[i].revents & POLLNVAL) {
      WSASetLastError(WSAENOTSOCK);
      return SOCKET_ERROR;
    }
  }
  // Each set keeps the sockets that are ready for it, in its own order.
  int total = 0;
  nfds_t next = 0;
  for (int which = 0; which < 3; ++which) {
    if (sets[which] == nullptr) continue;
    unsigned int kept = 0;
    for (unsigned int i = 0; i < sets[which]->fd_count; ++i, ++next) {
      if (polled[next].revents & answers[which]) sets[which]->fd_array[kept++] = sets[which]->fd_array[i];
    }
    sets[which]->fd_count = kept;
    total += static_cast<int>(kept);
  }
  return total;
}

int WSAAPI Ws2RecvFrom(SOCKET s, char* data, int length, int flags, sockaddr* from, int* fromLength) {
  if (!Started()) return SOCKET_ERROR;
  if (length < 0 || (fromLength && *fromLength < 0)) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  socklen_t size = fromLength ? static_cast<socklen_t>(*fromLength) : 0;
  // MSG_TRUNC gives the datagram's whole length: one longer than the buffer
  // fails with WSAEMSGSIZE, its first part in the buffer, as on Windows.
  ssize_t got = ::recvfrom(s, data, static_cast<std::size_t>(length), flags | MSG_TRUNC, from,
                           fromLength ? &size : nullptr);
  if (got < 0) return Failed(SOCKET_ERROR);
  if (fromLength) *fromLength = static_cast<int>(size);
  if (got > length) {
    WSASetLastError(WSAEMSGSIZE);
    return SOCKET_ERROR;
  }
  return static_cast<int>(got);
}

int WSAAPI Ws2CloseSocket(SOCKET s) {
  if (!Started()) return SOCKET_ERROR;
  return closesocket(s);
}

int WSAAPI Ws2GetLastError() { return WSAGetLastError(); }

}  // namespace zrplatform::posix
