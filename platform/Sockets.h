// Socket service: the Winsock names that differ from BSD sockets.
// On POSIX, WSAGetLastError gives the Winsock code (10xxx) of the calling
// thread's last failed socket call, and fd_set has Winsock's shape.
#pragma once

#include "platform/Types.h"

#if !defined(_WIN32)
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#define WSAAPI

typedef int SOCKET;
#define INVALID_SOCKET (-1)
#define SOCKET_ERROR (-1)

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128
struct WSADATA {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
};
typedef WSADATA* LPWSADATA;

#define WSABASEERR 10000
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEDESTADDRREQ 10039
#define WSAEMSGSIZE 10040
#define WSAEPROTOTYPE 10041
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEOPNOTSUPP 10045
#define WSAEPFNOSUPPORT 10046
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAENETRESET 10052
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAEHOSTUNREACH 10065
#define WSANOTINITIALISED 10093
#define WSATYPE_NOT_FOUND 10109
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define WSANO_DATA 11004
#define WSA_NOT_ENOUGH_MEMORY 8

int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int iError);
int closesocket(SOCKET s);

// Winsock's fd_set: a count and an array of sockets. The C library's is a
// bit set of 1,024 descriptors, and FD_SET of a higher number writes past its
// end; this one holds any descriptor number. Its macros take the place of the
// C library's wherever this header is included.
#undef FD_SETSIZE
#undef FD_SET
#undef FD_CLR
#undef FD_ZERO
#undef FD_ISSET
#define FD_SETSIZE 64
namespace zrplatform {
struct SocketSet {
  unsigned int fd_count;
  SOCKET fd_array[FD_SETSIZE];
};
// As Winsock's macro: a socket already in the set, or one more than the set
// holds, is not added.
inline void SocketSetAdd(SOCKET s, SocketSet* set) {
  for (unsigned int i = 0; i < set->fd_count; ++i) {
    if (set->fd_array[i] == s) return;
  }
  if (set->fd_count < FD_SETSIZE) set->fd_array[set->fd_count++] = s;
}
inline void SocketSetRemove(SOCKET s, SocketSet* set) {
  for (unsigned int i = 0; i < set->fd_count; ++i) {
    if (set->fd_array[i] != s) continue;
    set->fd_array[i] = set->fd_array[--set->fd_count];
    return;
  }
}
inline bool SocketSetHas(SOCKET s, const SocketSet* set) {
  for (unsigned int i = 0; i < set->fd_count; ++i) {
    if (set->fd_array[i] == s) return true;
  }
  return false;
}
}  // namespace zrplatform
#define FD_ZERO(set) ((set)->fd_count = 0)
#define FD_SET(s, set) ::zrplatform::SocketSetAdd((s), (set))
#define FD_CLR(s, set) ::zrplatform::SocketSetRemove((s), (set))
#define FD_ISSET(s, set) ::zrplatform::SocketSetHas((s), (set))
#else
namespace zrplatform {
typedef fd_set SocketSet;
}
#endif

namespace zrplatform {

// The run-time entries of the socket library, looked up by name.
typedef int(WSAAPI* GetAddrInfoFn)(const char* node, const char* service, const struct addrinfo* hints,
                                   struct addrinfo** result);
typedef void(WSAAPI* FreeAddrInfoFn)(struct addrinfo* list);
typedef int(WSAAPI* GetNameInfoFn)(const struct sockaddr* address, socklen_t length, char* host, DWORD hostLength,
                                   char* service, DWORD serviceLength, int flags);

// The datagram entries, with Winsock's signatures on both targets (lengths as
// int, a const time-out for select); on POSIX the built-in "ws2_32.dll"
// gives them Winsock's contract, WSANOTINITIALISED before WSAStartup included.
typedef SOCKET(WSAAPI* SocketFn)(int family, int type, int protocol);
typedef int(WSAAPI* SetSockOptFn)(SOCKET s, int level, int name, const char* value, int length);
typedef int(WSAAPI* SendToFn)(SOCKET s, const char* data, int length, int flags, const struct sockaddr* to,
                              int toLength);
typedef int(WSAAPI* SelectFn)(int count, SocketSet* read, SocketSet* write, SocketSet* except,
                              const struct timeval* timeout);
typedef int(WSAAPI* RecvFromFn)(SOCKET s, char* data, int length, int flags, struct sockaddr* from, int* fromLength);
typedef int(WSAAPI* CloseSocketFn)(SOCKET s);
typedef int(WSAAPI* GetLastErrorFn)();

}  // namespace zrplatform
