// A scripted name service in place of the socket library's getaddrinfo,
// getnameinfo, gethostbyname and gethostbyaddr, for the life of the object.
// It is a real module (fake_ws2_32.dll / libfake_ws2_32.so beside the tests)
// that the resolvers made while it is in place load instead of ws2_32.dll.
// Unknown names and addresses are "not found".
#pragma once

#include <string>
#include <vector>

namespace zrtest {

class FakeNameService {
 public:
  enum class Api {
    ProtocolIndependent,  // exports getaddrinfo, freeaddrinfo, getnameinfo (and the IPv4 calls)
    IPv4Only,             // exports only gethostbyname, gethostbyaddr, inet_addr, inet_ntoa
  };

  explicit FakeNameService(Api api = Api::ProtocolIndependent);
  ~FakeNameService();  // releases every blocked call first
  FakeNameService(const FakeNameService&) = delete;
  FakeNameService& operator=(const FakeNameService&) = delete;

  // name -> address text (IPv4 dotted or IPv6), for forward lookups.
  void Answer(const std::string& name, const std::string& address);
  // address text -> host name, for reverse lookups.
  void AnswerReverse(const std::string& address, const std::string& name);
  // Calls for this name (or address) block until Release(), then answer as scripted.
  void Block(const std::string& nameOrAddress);
  void Release();
  // How many lookups asked for this name (or address) so far.
  int Calls(const std::string& nameOrAddress) const;
  // How many calls are blocked right now.
  int Blocked() const;

  // The datagram side. Until EnableDatagrams there is no network: socket()
  // fails with WSAENETDOWN.
  void EnableDatagrams();
  // Makes one call (socket, setsockopt, sendto, select, recvfrom, closesocket)
  // fail with a Winsock error code.
  void FailCall(const std::string& call, int code);
  // A reply that becomes readable once request number `afterRequest` (from 1) went out.
  void QueueDatagram(int afterRequest, const std::string& bytes);
  struct Request {
    std::string bytes;
    std::string destination;  // "a.b.c.d:port"
  };
  std::vector<Request> Requests() const;
  int OpenSockets() const;
};

}  // namespace zrtest
