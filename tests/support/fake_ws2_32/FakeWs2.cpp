#include "tests/support/fake_ws2_32/FakeWs2.h"

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Script {
  std::mutex mutex;
  std::condition_variable released;
  std::map<std::string, std::string> forward;
  std::map<std::string, std::string> reverse;
  std::set<std::string> held;
  std::map<std::string, int> calls;
  int blocked = 0;
  unsigned generation = 0;  // bumped by each release
};

Script& TheScript() {
  static Script* script = new Script;  // outlives abandoned workers at exit
  return *script;
}

// Counts the call, holds it while its name is held, then gives the answer (or "").
std::string Ask(const std::string& key, bool reverseLookup) {
  Script& s = TheScript();
  std::unique_lock<std::mutex> lock(s.mutex);
  ++s.calls[key];
  if (s.held.count(key)) {
    unsigned generation = s.generation;
    ++s.blocked;
    s.released.wait(lock, [&] { return s.generation != generation; });
    --s.blocked;
  }
  const auto& table = reverseLookup ? s.reverse : s.forward;
  auto found = table.find(key);
  return found == table.end() ? std::string() : found->second;
}

// Parses a numeric address text into a socket address; false when it is none.
bool ParseNumeric(const char* text, sockaddr_storage* storage, socklen_t* length) {
  std::memset(storage, 0, sizeof *storage);
  sockaddr_in* v4 = reinterpret_cast<sockaddr_in*>(storage);
  if (inet_pton(AF_INET, text, &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    *length = sizeof(sockaddr_in);
    return true;
  }
  sockaddr_in6* v6 = reinterpret_cast<sockaddr_in6*>(storage);
  if (inet_pton(AF_INET6, text, &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    *length = sizeof(sockaddr_in6);
    return true;
  }
  return false;
}

std::string NumericText(const sockaddr* address) {
  char text[64] = {};
  if (address->sa_family == AF_INET) {
    inet_ntop(AF_INET, const_cast<in_addr*>(&reinterpret_cast<const sockaddr_in*>(address)->sin_addr), text,
              sizeof text);
  } else if (address->sa_family == AF_INET6) {
    inet_ntop(AF_INET6, const_cast<in6_addr*>(&reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr), text,
              sizeof text);
  }
  return text;
}

struct AddrInfoBlock {
  addrinfo info;
  sockaddr_storage address;
};

struct HostEntry {
  hostent entry;
  char name[256];
  char* aliases[1];
  char* addresses[2];
  in_addr address;
};

hostent* FillHostEntry(const std::string& name, const in_addr* address) {
  thread_local HostEntry host;
  std::memset(&host, 0, sizeof host);
  std::snprintf(host.name, sizeof host.name, "%s", name.c_str());
  host.entry.h_name = host.name;
  host.entry.h_aliases = host.aliases;
  host.entry.h_addrtype = AF_INET;
  host.entry.h_length = 4;
  if (address) {
    host.address = *address;
    host.addresses[0] = reinterpret_cast<char*>(&host.address);
  }
  host.entry.h_addr_list = host.addresses;
  return &host.entry;
}

const int kHostNotFound = 11001;  // WSAHOST_NOT_FOUND

// A datagram network of one socket: the requests sent are kept, and the
// replies the test queued become readable once the request they follow has
// gone out. Without EnableDatagrams there is no network (socket() fails with
// WSAENETDOWN), so no test sends anything anywhere by accident.
struct Datagrams {
  std::mutex mutex;
  bool enabled = false;
  std::map<std::string, int> failing;  // call -> Winsock error code
  std::vector<std::pair<int, std::string>> queued;  // (after request N, bytes)
  std::vector<std::string> requests;
  std::vector<std::string> destinations;  // "a.b.c.d:port"
  int openSockets = 0;
  bool broadcast = false;
};

Datagrams& TheDatagrams() {
  static Datagrams* datagrams = new Datagrams;
  return *datagrams;
}

thread_local int t_lastError = 0;

// Above the 1,024 descriptors a C library's bit-set fd_set holds: the
// caller's set must take any socket number, as Winsock's does.
const SOCKET kFakeSocket = 4000;
const int kNetworkDown = 10050;  // WSAENETDOWN
const int kNotSocket = 10038;    // WSAENOTSOCK

// True (with the error set) when the test made this call fail.
bool Fails(Datagrams& d, const char* call) {
  auto found = d.failing.find(call);
  if (found == d.failing.end()) return false;
  t_lastError = found->second;
  return true;
}

}  // namespace

extern "C" {

int WSAAPI FakeGetAddrInfo(const char* node, const char* service, const addrinfo* hints, addrinfo** result) {
  if (result == nullptr || node == nullptr) return 10022;  // WSAEINVAL
  *result = nullptr;
  bool numericOnly = hints && (hints->ai_flags & AI_NUMERICHOST);
  std::string text = node;
  if (!numericOnly) {
    sockaddr_storage probe;
    socklen_t probeLength;
    if (!ParseNumeric(node, &probe, &probeLength)) text = Ask(node, false);
  }
  AddrInfoBlock* block = static_cast<AddrInfoBlock*>(std::calloc(1, sizeof(AddrInfoBlock)));
  socklen_t length = 0;
  if (text.empty() || !ParseNumeric(text.c_str(), &block->address, &length)) {
    std::free(block);
    return kHostNotFound;
  }
  int family = block->address.ss_family;
  if (hints && hints->ai_family != AF_UNSPEC && hints->ai_family != family) {
    std::free(block);
    return kHostNotFound;
  }
  block->info.ai_family = family;
  block->info.ai_socktype = hints ? hints->ai_socktype : 0;
  block->info.ai_addrlen = length;
  block->info.ai_addr = reinterpret_cast<sockaddr*>(&block->address);
  *result = &block->info;
  return 0;
}

void WSAAPI FakeFreeAddrInfo(addrinfo* list) { std::free(list); }

int WSAAPI FakeGetNameInfo(const sockaddr* address, socklen_t, char* host, DWORD hostLength, char*, DWORD,
                           int flags) {
  if (address == nullptr || host == nullptr) return 10022;
  std::string numeric = NumericText(address);
  std::string answer = (flags & NI_NUMERICHOST) ? numeric : Ask(numeric, true);
  if (answer.empty()) {
    if (flags & NI_NAMEREQD) return kHostNotFound;
    answer = numeric;
  }
  if (answer.size() + 1 > hostLength) return 10014;  // WSAEFAULT
  std::memcpy(host, answer.c_str(), answer.size() + 1);
  return 0;
}

hostent* WSAAPI FakeGetHostByName(const char* name) {
  std::string text = Ask(name ? name : "", false);
  in_addr address;
  if (text.empty() || inet_pton(AF_INET, text.c_str(), &address) != 1) return nullptr;
  return FillHostEntry(name, &address);
}

hostent* WSAAPI FakeGetHostByAddr(const char* address, int length, int family) {
  if (address == nullptr || length != 4 || family != AF_INET) return nullptr;
  in_addr v4;
  std::memcpy(&v4, address, 4);
  char text[32] = {};
  inet_ntop(AF_INET, &v4, text, sizeof text);
  std::string name = Ask(text, true);
  if (name.empty()) return nullptr;
  return FillHostEntry(name, &v4);
}

SOCKET WSAAPI FakeSocket(int, int, int) {
  Datagrams& d = TheDatagrams();
  std::lock_guard<std::mutex> lock(d.mutex);
  if (!d.enabled) {
    t_lastError = kNetworkDown;
    return INVALID_SOCKET;
  }
  if (Fails(d, "socket")) return INVALID_SOCKET;
  ++d.openSockets;
  return kFakeSocket;
}

int WSAAPI FakeSetSockOpt(SOCKET s, int level, int name, const char* value, int length) {
  Datagrams& d = TheDatagrams();
  std::lock_guard<std::mutex> lock(d.mutex);
  if (Fails(d, "setsockopt")) return SOCKET_ERROR;
  if (s != kFakeSocket) {
    t_lastError = kNotSocket;
    return SOCKET_ERROR;
  }
  if (level == SOL_SOCKET && name == SO_BROADCAST && value != nullptr && length >= 1) d.broadcast = *value != 0;
  return 0;
}

int WSAAPI FakeSendTo(SOCKET s, const char* data, int length, int, const sockaddr* to, int) {
  Datagrams& d = TheDatagrams();
  std::lock_guard<std::mutex> lock(d.mutex);
  if (Fails(d, "sendto")) return SOCKET_ERROR;
  if (s != kFakeSocket) {
    t_lastError = kNotSocket;
    return SOCKET_ERROR;
  }
  d.requests.emplace_back(data, static_cast<std::size_t>(length));
  std::string destination = to ? NumericText(to) : std::string();
  if (to && to->sa_family == AF_INET) {
    destination += ":" + std::to_string(ntohs(reinterpret_cast<const sockaddr_in*>(to)->sin_port));
  }
  d.destinations.push_back(d.broadcast ? destination : destination + " (broadcast not enabled)");
  return length;
}

// Readable when a queued reply follows a request that has gone out; else the
// wait passes as a real one would.
int WSAAPI FakeSelect(int, zrplatform::SocketSet*, zrplatform::SocketSet*, zrplatform::SocketSet*, const timeval* timeout) {
  {
    Datagrams& d = TheDatagrams();
    std::lock_guard<std::mutex> lock(d.mutex);
    if (Fails(d, "select")) return SOCKET_ERROR;
    for (const auto& reply : d.queued) {
      if (reply.first <= static_cast<int>(d.requests.size())) return 1;
    }
  }
  if (timeout) std::this_thread::sleep_for(std::chrono::microseconds(timeout->tv_sec * 1000000L + timeout->tv_usec));
  t_lastError = 0;
  return 0;
}

int WSAAPI FakeRecvFrom(SOCKET, char* data, int length, int, sockaddr* from, int* fromLength) {
  Datagrams& d = TheDatagrams();
  std::lock_guard<std::mutex> lock(d.mutex);
  if (Fails(d, "recvfrom")) return SOCKET_ERROR;
  for (auto it = d.queued.begin(); it != d.queued.end(); ++it) {
    if (it->first > static_cast<int>(d.requests.size())) continue;
    std::string bytes = std::move(it->second);
    d.queued.erase(it);
    if (from && fromLength && *fromLength >= static_cast<int>(sizeof(sockaddr_in))) {
      sockaddr_in* sender = reinterpret_cast<sockaddr_in*>(from);
      std::memset(sender, 0, sizeof *sender);
      sender->sin_family = AF_INET;
      sender->sin_port = htons(14717);
      inet_pton(AF_INET, "192.0.2.1", &sender->sin_addr);
      *fromLength = sizeof(sockaddr_in);
    }
    std::size_t copied = bytes.size() < static_cast<std::size_t>(length) ? bytes.size() : static_cast<std::size_t>(length);
    std::memcpy(data, bytes.data(), copied);
    // Winsock's rule for a datagram longer than the buffer.
    if (bytes.size() > copied) {
      t_lastError = 10040;  // WSAEMSGSIZE
      return SOCKET_ERROR;
    }
    return static_cast<int>(copied);
  }
  t_lastError = 10035;  // WSAEWOULDBLOCK
  return SOCKET_ERROR;
}

int WSAAPI FakeCloseSocket(SOCKET s) {
  Datagrams& d = TheDatagrams();
  std::lock_guard<std::mutex> lock(d.mutex);
  if (s == kFakeSocket) --d.openSockets;
  if (Fails(d, "closesocket")) return SOCKET_ERROR;
  return 0;
}

int WSAAPI FakeWSAGetLastError(void) { return t_lastError; }

void FakeWs2EnableDatagrams(void) {
  Datagrams& d = TheDatagrams();
  std::lock_guard<std::mutex> lock(d.mutex);
  d.enabled = true;
}

void FakeWs2FailCall(const char* call, int code) {
  Datagrams& d = TheDatagrams();
  std::lock_guard<std::mutex> lock(d.mutex);
  d.failing[call] = code;
}

void FakeWs2QueueDatagram(int afterRequest, const char* bytes, int length) {
  Datagrams& d = TheDatagrams();
  std::lock_guard<std::mutex> lock(d.mutex);
  d.queued.emplace_back(afterRequest, std::string(bytes, static_cast<std::size_t>(length)));
}

int FakeWs2Request(int index, char* buffer, int size, char* destination, int destinationSize) {
  Datagrams& d = TheDatagrams();
  std::lock_guard<std::mutex> lock(d.mutex);
  if (index < 0 || index >= static_cast<int>(d.requests.size())) return -1;
  const std::string& request = d.requests[static_cast<std::size_t>(index)];
  std::size_t copied = request.size() < static_cast<std::size_t>(size) ? request.size() : static_cast<std::size_t>(size);
  std::memcpy(buffer, request.data(), copied);
  std::snprintf(destination, static_cast<std::size_t>(destinationSize), "%s",
                d.destinations[static_cast<std::size_t>(index)].c_str());
  return static_cast<int>(request.size());
}

int FakeWs2OpenSockets(void) {
  Datagrams& d = TheDatagrams();
  std::lock_guard<std::mutex> lock(d.mutex);
  return d.openSockets;
}

void FakeWs2Reset(void) {
  FakeWs2Release();
  {
    Datagrams& d = TheDatagrams();
    std::lock_guard<std::mutex> lock(d.mutex);
    d.enabled = false;
    d.failing.clear();
    d.queued.clear();
    d.requests.clear();
    d.destinations.clear();
    d.openSockets = 0;
    d.broadcast = false;
  }
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.forward.clear();
  s.reverse.clear();
  s.calls.clear();
}

void FakeWs2Answer(const char* name, const char* address) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.forward[name] = address;
}

void FakeWs2AnswerReverse(const char* address, const char* name) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.reverse[address] = name;
}

void FakeWs2Block(const char* nameOrAddress) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.held.insert(nameOrAddress);
}

void FakeWs2Release(void) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.held.clear();
  ++s.generation;
  s.released.notify_all();
}

int FakeWs2Calls(const char* nameOrAddress) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.calls.find(nameOrAddress);
  return found == s.calls.end() ? 0 : found->second;
}

int FakeWs2Blocked(void) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.blocked;
}

}  // extern "C"
