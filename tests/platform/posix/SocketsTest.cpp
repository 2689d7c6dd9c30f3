// The built-in socket library's Winsock contract where BSD sockets differ:
// select over any descriptor number, and a last error that only socket
// calls set.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/Sockets.h"
#include "platform/posix/SocketEntries.h"

namespace {

using namespace zrplatform::posix;

class BuiltInSockets : public testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  void TearDown() override {
    for (int fd : m_open) ::close(fd);
    WSACleanup();
  }
  // A datagram socket pair moved to descriptor numbers at and above `at`.
  bool PairAt(int at, int& a, int& b) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_DGRAM, 0, pair) != 0) return false;
    a = ::dup2(pair[0], at);
    b = ::dup2(pair[1], at + 1);
    ::close(pair[0]);
    ::close(pair[1]);
    if (a >= 0) m_open.push_back(a);
    if (b >= 0) m_open.push_back(b);
    return a == at && b == at + 1;
  }
  std::vector<int> m_open;
};

// A C library fd_set holds descriptors below 1,024: setting a higher one
// wrote past the caller's set on its stack, and select never saw it.
TEST_F(BuiltInSockets, SelectTakesDescriptorsAboveTheCLibrarySetSize) {
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < 4100) GTEST_SKIP() << "descriptor limit " << limit.rlim_max;
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < 4100) {
    limit.rlim_cur = 4100;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
  }
  int quiet = -1, talker = -1;
  ASSERT_TRUE(PairAt(4000, quiet, talker));
  int other = -1, otherTalker = -1;
  ASSERT_TRUE(PairAt(1030, other, otherTalker));
  ASSERT_EQ(::send(otherTalker, "x", 1, 0), 1);

  zrplatform::SocketSet readable;
  FD_ZERO(&readable);
  FD_SET(quiet, &readable);
  FD_SET(other, &readable);
  FD_SET(other, &readable);  // once only, as Winsock adds it
  ASSERT_EQ(readable.fd_count, 2u);
  timeval wait = {0, 500};
  EXPECT_EQ(Ws2Select(0, &readable, nullptr, nullptr, &wait), 1);
  ASSERT_EQ(readable.fd_count, 1u);
  EXPECT_EQ(readable.fd_array[0], other);
  EXPECT_FALSE(FD_ISSET(quiet, &readable));

  // Nothing to read: the set comes back empty after the wait.
  FD_ZERO(&readable);
  FD_SET(quiet, &readable);
  EXPECT_EQ(Ws2Select(0, &readable, nullptr, nullptr, &wait), 0);
  EXPECT_EQ(readable.fd_count, 0u);
}

TEST_F(BuiltInSockets, SelectRefusesAsWinsockDoes) {
  timeval wait = {0, 0};
  zrplatform::SocketSet empty;
  FD_ZERO(&empty);
  EXPECT_EQ(Ws2Select(0, &empty, nullptr, nullptr, &wait), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEINVAL);

  int closed = ::dup(0);
  ASSERT_GE(closed, 0);
  ::close(closed);
  zrplatform::SocketSet gone;
  FD_ZERO(&gone);
  FD_SET(closed, &gone);
  EXPECT_EQ(Ws2Select(0, &gone, nullptr, nullptr, &wait), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

// Winsock keeps the error of the thread's last failed socket call; a file
// call failing after it must not change what the caller reads.
TEST_F(BuiltInSockets, TheLastErrorIsTheLastSocketCallsOnly) {
  sockaddr_in to = {};
  to.sin_family = AF_INET;
  EXPECT_EQ(Ws2SendTo(-1, "x", 1, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to), SOCKET_ERROR);
  const int sendError = WSAGetLastError();
  EXPECT_EQ(sendError, WSAEBADF);
  EXPECT_LT(::open("/nonexistent/zraddrres", O_RDONLY), 0);  // errno is now ENOENT
  EXPECT_EQ(WSAGetLastError(), sendError);
  errno = 0;
  EXPECT_EQ(WSAGetLastError(), sendError);

  WSASetLastError(0);
  EXPECT_EQ(WSAGetLastError(), 0);
  EXPECT_LT(::open("/nonexistent/zraddrres", O_RDONLY), 0);
  EXPECT_EQ(WSAGetLastError(), 0);
}

}  // namespace
