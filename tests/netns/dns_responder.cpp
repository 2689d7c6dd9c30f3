// A tiny authoritative name server for the end-to-end lookup tests. It runs
// inside the private network namespace that run-in-netns.sh makes, so the
// lookups of the library under test reach it and nothing else.
//
//   dns_responder --zone FILE [--address 127.0.0.1] [--port 53] [--ready FILE] [--log FILE]
//
// The zone file holds one entry per line ('#' starts a comment):
//   NAME A 192.0.2.10          an IPv4 address of NAME
//   NAME AAAA 2001:db8::10     an IPv6 address of NAME
//   NAME PTR target.name       a reverse entry
//   NAME LATE 600              every answer about NAME leaves 600 ms late
//   NAME SILENT                questions about NAME are never answered
//   NAME GARBLE                answers about NAME are cut off inside the record
// A name with no entry gets NXDOMAIN; a known name without a record of the
// asked type gets an empty answer. Names compare without case and without a
// trailing dot; an address text as NAME stands for its reverse name
// (in-addr.arpa or ip6.arpa). Runs over UDP and TCP until SIGTERM or SIGINT.
//
// Only well-formed questions (one question, opcode QUERY) are answered;
// anything else gets FORMERR or NOTIMP when its header can be read, and is
// dropped otherwise. Bytes are read only after their bounds are checked.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

const std::uint16_t kTypeA = 1;
const std::uint16_t kTypePtr = 12;
const std::uint16_t kTypeAaaa = 28;
const std::uint16_t kTypeAny = 255;
const std::uint16_t kClassIn = 1;
const int kRcodeFormErr = 1;
const int kRcodeNxDomain = 3;
const int kRcodeNotImp = 4;

struct Record {
  std::uint16_t type;
  Bytes data;  // rdata, already in wire form
};

struct Entry {
  std::vector<Record> records;
  int lateMs = 0;
  bool silent = false;
  bool garble = false;
};

std::map<std::string, Entry> g_zone;
FILE* g_log = stderr;
std::mutex g_logMutex;
volatile sig_atomic_t g_stop = 0;

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) {
  std::lock_guard<std::mutex> lock(g_logMutex);
  va_list args;
  va_start(args, format);
  std::vfprintf(g_log, format, args);
  va_end(args);
  std::fputc('\n', g_log);
  std::fflush(g_log);
}

std::string Canonical(std::string name) {
  while (!name.empty() && name.back() == '.') name.pop_back();
  for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return name;
}

// "192.0.2.10" -> "10.2.0.192.in-addr.arpa"; IPv6 texts to their nibble form.
// Anything else is returned unchanged.
std::string ReverseNameOf(const std::string& text) {
  in_addr v4;
  in6_addr v6;
  char buffer[128];
  if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(&v4);
    std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u.in-addr.arpa", b[3], b[2], b[1], b[0]);
    return buffer;
  }
  if (inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
    std::string name;
    static const char hex[] = "0123456789abcdef";
    for (int i = 15; i >= 0; --i) {
      name += hex[v6.s6_addr[i] & 0xF];
      name += '.';
      name += hex[v6.s6_addr[i] >> 4];
      name += '.';
    }
    return name + "ip6.arpa";
  }
  return text;
}

// A name in wire form (length-prefixed labels, no compression); false when a
// label is empty or longer than 63 bytes, or the whole longer than 255.
bool EncodeName(const std::string& name, Bytes& out) {
  std::string rest = Canonical(name);
  Bytes encoded;
  std::size_t start = 0;
  while (start < rest.size()) {
    std::size_t dot = rest.find('.', start);
    if (dot == std::string::npos) dot = rest.size();
    std::size_t length = dot - start;
    if (length == 0 || length > 63) return false;
    encoded.push_back(static_cast<std::uint8_t>(length));
    encoded.insert(encoded.end(), rest.begin() + start, rest.begin() + dot);
    start = dot + 1;
  }
  encoded.push_back(0);
  if (encoded.size() > 255) return false;
  out.insert(out.end(), encoded.begin(), encoded.end());
  return true;
}

bool LoadZone(const char* path) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "dns_responder: cannot read zone file %s\n", path);
    return false;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    line = line.substr(0, line.find('#'));
    std::istringstream fields(line);
    std::string name, keyword, value;
    if (!(fields >> name)) continue;
    fields >> keyword >> value;
    for (char& ch : keyword) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    name = Canonical(ReverseNameOf(name));
    bool ok = true;
    if (keyword == "A" || keyword == "AAAA") {
      Record record{keyword == "A" ? kTypeA : kTypeAaaa, {}};
      record.data.resize(keyword == "A" ? 4 : 16);
      ok = inet_pton(keyword == "A" ? AF_INET : AF_INET6, value.c_str(), record.data.data()) == 1;
      if (ok) g_zone[name].records.push_back(record);
    } else if (keyword == "PTR") {
      Record record{kTypePtr, {}};
      ok = EncodeName(value, record.data);
      if (ok) g_zone[name].records.push_back(record);
    } else if (keyword == "LATE") {
      char* end = nullptr;
      long ms = std::strtol(value.c_str(), &end, 10);
      ok = !value.empty() && *end == '\0' && ms >= 0 && ms <= 600000;
      if (ok) g_zone[name].lateMs = static_cast<int>(ms);
    } else if (keyword == "SILENT") {
      g_zone[name].silent = true;
    } else if (keyword == "GARBLE") {
      g_zone[name].garble = true;
    } else {
      ok = false;
    }
    if (!ok) {
      std::fprintf(stderr, "dns_responder: %s:%d: cannot read \"%s\"\n", path, number, line.c_str());
      return false;
    }
  }
  return true;
}

std::uint16_t Read16(const Bytes& message, std::size_t at) {
  return static_cast<std::uint16_t>(message[at] << 8 | message[at + 1]);
}

void Put16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

struct Question {
  std::string name;  // canonical, dotted
  std::uint16_t type = 0;
  std::uint16_t qclass = 0;
  std::size_t end = 0;  // offset just past the question
};

// The single question of a query; false when it is not there in one piece.
bool ParseQuestion(const Bytes& message, Question& question) {
  std::size_t at = 12;
  std::string name;
  for (;;) {
    if (at >= message.size()) return false;
    std::uint8_t length = message[at++];
    if (length == 0) break;
    if (length > 63) return false;  // compression pointers have no place in a question
    if (at + length > message.size() || name.size() + length + 1 > 255) return false;
    if (!name.empty()) name += '.';
    name.append(reinterpret_cast<const char*>(&message[at]), length);
    at += length;
  }
  if (at + 4 > message.size()) return false;
  question.name = Canonical(name);
  question.type = Read16(message, at);
  question.qclass = Read16(message, at + 2);
  question.end = at + 4;
  return true;
}

Bytes Header(const Bytes& query, int rcode, std::uint16_t questions, std::uint16_t answers) {
  Bytes out;
  out.push_back(query[0]);
  out.push_back(query[1]);
  // QR, the query's opcode and RD, AA; RA; the result code.
  out.push_back(static_cast<std::uint8_t>(0x80 | (query[2] & 0x79) | 0x04));
  out.push_back(static_cast<std::uint8_t>(0x80 | (rcode & 0x0F)));
  Put16(out, questions);
  Put16(out, answers);
  Put16(out, 0);
  Put16(out, 0);
  return out;
}

struct Reply {
  bool send = false;
  int delayMs = 0;
  Bytes bytes;
};

Reply Answer(const Bytes& query, const char* transport) {
  Reply reply;
  if (query.size() < 12) {
    Log("%s: dropped %zu bytes: shorter than a header", transport, query.size());
    return reply;
  }
  if (query[2] & 0x80) {
    Log("%s: dropped a response", transport);  // never answer an answer
    return reply;
  }
  int opcode = (query[2] >> 3) & 0x0F;
  Question question;
  if (opcode != 0) {
    Log("%s: opcode %d not implemented", transport, opcode);
    reply.send = true;
    reply.bytes = Header(query, kRcodeNotImp, 0, 0);
    return reply;
  }
  if (Read16(query, 4) != 1 || !ParseQuestion(query, question)) {
    Log("%s: malformed question", transport);
    reply.send = true;
    reply.bytes = Header(query, kRcodeFormErr, 0, 0);
    return reply;
  }
  Bytes questionBytes(query.begin() + 12, query.begin() + static_cast<std::ptrdiff_t>(question.end));
  auto found = g_zone.find(question.name);
  if (found == g_zone.end() || question.qclass != kClassIn) {
    Log("%s: %s type %u: NXDOMAIN", transport, question.name.c_str(), question.type);
    reply.send = true;
    reply.bytes = Header(query, kRcodeNxDomain, 1, 0);
    reply.bytes.insert(reply.bytes.end(), questionBytes.begin(), questionBytes.end());
    return reply;
  }
  const Entry& entry = found->second;
  if (entry.silent) {
    Log("%s: %s type %u: silent", transport, question.name.c_str(), question.type);
    return reply;
  }
  std::vector<const Record*> matches;
  for (const Record& record : entry.records) {
    if (record.type == question.type || question.type == kTypeAny) matches.push_back(&record);
  }
  reply.send = true;
  reply.delayMs = entry.lateMs;
  reply.bytes = Header(query, 0, 1, static_cast<std::uint16_t>(matches.size()));
  reply.bytes.insert(reply.bytes.end(), questionBytes.begin(), questionBytes.end());
  for (const Record* record : matches) {
    Put16(reply.bytes, 0xC00C);  // the name: a pointer to the question's
    Put16(reply.bytes, record->type);
    Put16(reply.bytes, kClassIn);
    Put16(reply.bytes, 0);
    Put16(reply.bytes, 60);  // TTL
    Put16(reply.bytes, static_cast<std::uint16_t>(record->data.size()));
    reply.bytes.insert(reply.bytes.end(), record->data.begin(), record->data.end());
  }
  if (entry.garble && !matches.empty()) {
    reply.bytes.resize(reply.bytes.size() - 2);  // the record's data runs past the end
  }
  Log("%s: %s type %u: %zu answer(s)%s, %d ms late", transport, question.name.c_str(), question.type,
      matches.size(), entry.garble && !matches.empty() ? " garbled" : "", reply.delayMs);
  return reply;
}

// One TCP connection: two-byte length, message, as many times as the client
// likes. A length that cannot hold a header ends the connection.
void ServeTcp(int fd) {
  auto readAll = [fd](std::uint8_t* buffer, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
      ssize_t got = read(fd, buffer + done, length - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      done += static_cast<std::size_t>(got);
    }
    return true;
  };
  for (;;) {
    std::uint8_t prefix[2];
    if (!readAll(prefix, 2)) break;
    std::size_t length = static_cast<std::size_t>(prefix[0] << 8 | prefix[1]);
    Bytes query(length);
    if (length > 0 && !readAll(query.data(), length)) break;
    Reply reply = Answer(query, "tcp");
    if (!reply.send) {
      if (query.size() < 12) break;
      continue;  // silent: the client gives up by itself
    }
    if (reply.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply.delayMs));
    Bytes framed;
    Put16(framed, static_cast<std::uint16_t>(reply.bytes.size()));
    framed.insert(framed.end(), reply.bytes.begin(), reply.bytes.end());
    if (send(fd, framed.data(), framed.size(), MSG_NOSIGNAL) < 0) break;
  }
  close(fd);
}

struct Pending {
  Clock::time_point due;
  sockaddr_storage peer;
  socklen_t peerLength;
  Bytes bytes;
};

int OpenSocket(int type, const sockaddr_storage& address, socklen_t length) {
  int fd = socket(address.ss_family, type | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
      (type == SOCK_STREAM && listen(fd, 16) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

void OnSignal(int) { g_stop = 1; }

int Usage() {
  std::fprintf(stderr,
               "usage: dns_responder --zone FILE [--address 127.0.0.1] [--port 53] [--ready FILE] [--log FILE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const char* zone = nullptr;
  const char* ready = nullptr;
  const char* logPath = nullptr;
  std::string addressText = "127.0.0.1";
  int port = 53;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (i + 1 >= argc) return Usage();
    const char* value = argv[++i];
    if (option == "--zone") zone = value;
    else if (option == "--ready") ready = value;
    else if (option == "--log") logPath = value;
    else if (option == "--address") addressText = value;
    else if (option == "--port") port = std::atoi(value);
    else return Usage();
  }
  if (zone == nullptr || port <= 0 || port > 65535) return Usage();
  if (!LoadZone(zone)) return 2;
  if (logPath != nullptr) {
    g_log = std::fopen(logPath, "a");
    if (g_log == nullptr) {
      std::perror(logPath);
      return 2;
    }
  }

  sockaddr_storage address{};
  socklen_t addressLength = 0;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
  if (inet_pton(AF_INET, addressText.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<std::uint16_t>(port));
    addressLength = sizeof *v4;
  } else if (inet_pton(AF_INET6, addressText.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<std::uint16_t>(port));
    addressLength = sizeof *v6;
  } else {
    return Usage();
  }

  int udp = OpenSocket(SOCK_DGRAM, address, addressLength);
  int tcp = OpenSocket(SOCK_STREAM, address, addressLength);
  if (udp < 0 || tcp < 0) {
    std::fprintf(stderr, "dns_responder: cannot listen on %s port %d: %s\n", addressText.c_str(), port,
                 std::strerror(errno));
    return 1;
  }

  struct sigaction action {};
  action.sa_handler = OnSignal;  // no SA_RESTART: poll must wake up
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
  // A runner killed outright (a test time-out) cannot stop us: go with it.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() == 1) return 0;

  if (ready != nullptr) {
    FILE* file = std::fopen(ready, "w");
    if (file == nullptr) {
      std::perror(ready);
      return 1;
    }
    std::fprintf(file, "%d\n", static_cast<int>(getpid()));
    std::fclose(file);
  }
  Log("listening on %s port %d (udp, tcp), %zu names", addressText.c_str(), port, g_zone.size());

  // Late UDP answers wait here, in order of their time, so one late name
  // never holds up the answers to others.
  std::vector<Pending> pending;
  while (!g_stop) {
    int waitMs = -1;
    auto now = Clock::now();
    for (const Pending& p : pending) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(p.due - now).count();
      int ms = static_cast<int>(std::max<long long>(0, left));
      if (waitMs < 0 || ms < waitMs) waitMs = ms;
    }
    pollfd fds[2] = {{udp, POLLIN, 0}, {tcp, POLLIN, 0}};
    int readyCount = poll(fds, 2, waitMs);
    if (readyCount < 0 && errno != EINTR) {
      std::perror("poll");
      return 1;
    }
    now = Clock::now();
    for (auto it = pending.begin(); it != pending.end();) {
      if (it->due <= now) {
        sendto(udp, it->bytes.data(), it->bytes.size(), 0, reinterpret_cast<const sockaddr*>(&it->peer),
               it->peerLength);
        it = pending.erase(it);
      } else {
        ++it;
      }
    }
    if (readyCount <= 0) continue;
    if (fds[0].revents & POLLIN) {
      Pending p{};
      p.peerLength = sizeof p.peer;
      Bytes buffer(65536);
      ssize_t got = recvfrom(udp, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&p.peer),
                             &p.peerLength);
      if (got >= 0) {
        buffer.resize(static_cast<std::size_t>(got));
        Reply reply = Answer(buffer, "udp");
        if (reply.send && reply.bytes.size() > 512) {
          // Too long for a plain UDP answer: the header says so (TC) and the client asks again over TCP.
          Question question;
          std::size_t questionEnd = ParseQuestion(buffer, question) ? question.end : 12;
          reply.bytes = Header(buffer, 0, 1, 0);
          reply.bytes[2] |= 0x02;
          reply.bytes.insert(reply.bytes.end(), buffer.begin() + 12, buffer.begin() + static_cast<std::ptrdiff_t>(questionEnd));
        }
        if (reply.send) {
          p.due = Clock::now() + std::chrono::milliseconds(reply.delayMs);
          p.bytes = std::move(reply.bytes);
          if (reply.delayMs == 0) {
            sendto(udp, p.bytes.data(), p.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&p.peer),
                   p.peerLength);
          } else {
            pending.push_back(std::move(p));
          }
        }
      }
    }
    if (fds[1].revents & POLLIN) {
      int client = accept4(tcp, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0) std::thread(ServeTcp, client).detach();
    }
  }
  Log("stopped");
  return 0;
}
