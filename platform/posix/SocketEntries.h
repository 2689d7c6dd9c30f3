// The datagram entries of the built-in "ws2_32.dll" (platform/posix/Modules.cpp),
// with Winsock's signatures and contract. Private to platform/posix.
#pragma once

#include "platform/Sockets.h"

namespace zrplatform::posix {

SOCKET WSAAPI Ws2Socket(int family, int type, int protocol);
int WSAAPI Ws2SetSockOpt(SOCKET s, int level, int name, const char* value, int length);
int WSAAPI Ws2SendTo(SOCKET s, const char* data, int length, int flags, const sockaddr* to, int toLength);
int WSAAPI Ws2Select(int count, SocketSet* read, SocketSet* write, SocketSet* except, const timeval* timeout);
int WSAAPI Ws2RecvFrom(SOCKET s, char* data, int length, int flags, sockaddr* from, int* fromLength);
int WSAAPI Ws2CloseSocket(SOCKET s);
int WSAAPI Ws2GetLastError();

}  // namespace zrplatform::posix
