#include "tests/support/fake_ws2_32/FakeWs2.h"

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>

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

void FakeWs2Reset(void) {
  FakeWs2Release();
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
