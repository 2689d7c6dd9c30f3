// Reading a described network, and the lock and call counts every client call goes through.
#include "tests/support/nwstandin/Network.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace nwstandin {

namespace {

struct State {
  std::mutex mutex;
  std::string path;
  std::string text;
  bool loaded = false;
  Network network;
  std::map<std::string, int> calls;
};

State& TheState() {
  static State* state = new State;  // calls may come from static destructors of the process
  return *state;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      std::size_t end = line.find('"', i + 1);
      if (end == std::string::npos) end = line.size();
      fields.push_back(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      std::size_t end = line.find_first_of(" \t\r", i);
      if (end == std::string::npos) end = line.size();
      fields.push_back(line.substr(i, end - i));
      i = end;
    }
  }
  return fields;
}

bool Number(const std::string& text, long long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 0);
  return end != nullptr && *end == '\0';
}

bool HexBytes(const std::string& text, unsigned char* out, std::size_t count) {
  if (text.size() != count * 2) return false;
  for (std::size_t i = 0; i < count; ++i) {
    char pair[3] = {text[2 * i], text[2 * i + 1], '\0'};
    char* end = nullptr;
    unsigned long byte = std::strtoul(pair, &end, 16);
    if (end != pair + 2) return false;
    out[i] = static_cast<unsigned char>(byte);
  }
  return true;
}

// NET:NODE:SOCKET, 8, 12 and 4 hexadecimal digits.
bool IpxAddress(const std::string& text, unsigned char out[12]) {
  std::size_t first = text.find(':');
  std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos) return false;
  return HexBytes(text.substr(0, first), out, 4) && HexBytes(text.substr(first + 1, second - first - 1), out + 4, 6) &&
         HexBytes(text.substr(second + 1), out + 10, 2);
}

int ServerIndex(const Network& network, const std::string& name) {
  for (std::size_t i = 0; i < network.servers.size(); ++i) {
    if (SameText(network.servers[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

const FileServer* ServerOfConnection(const Network& network, NWCONN_HANDLE conn) {
  if (conn == 0 || conn > network.servers.size()) return nullptr;
  return &network.servers[conn - 1];
}

void CopyText(char* out, std::size_t size, const std::string& text) {
  if (out == nullptr || size == 0) return;
  std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

bool ParseNetwork(const std::string& text, Network& network, std::string& message) {
  network = Network();
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  FileServer* server = nullptr;
  DirectoryTree* tree = nullptr;
  std::string primary, defaultServer;
  int primaryLine = 0, defaultLine = 0;
  auto fail = [&](const std::string& what) {
    message = "line " + std::to_string(number) + ": " + what;
    return false;
  };
  while (std::getline(lines, line)) {
    ++number;
    std::vector<std::string> f = Fields(line);
    if (f.empty()) continue;
    const std::string& key = f[0];
    long long value = 0;
    if (key == "primary" && f.size() == 2) {
      primary = f[1];
      primaryLine = number;
    } else if (key == "default" && f.size() == 2) {
      defaultServer = f[1];
      defaultLine = number;
      network.defaultGiven = true;
    } else if (key == "whoami" && f.size() == 2) {
      network.whoAmI = f[1];
    } else if (key == "fail" && f.size() == 3) {
      if (!Number(f[2], value)) return fail("fail: the code is not a number");
      network.failures[f[1]] = static_cast<NWCCODE>(value);
    } else if (key == "endless" && (f.size() == 2 || f.size() == 3)) {
      value = 0;
      if (f.size() == 3 && (!Number(f[2], value) || value < 0)) return fail("endless: the count is not a number");
      network.endless[f[1]] = value;
    } else if (key == "valuesize" && f.size() == 2) {
      if (!Number(f[1], value) || value < 0 || value > 0xFFFFFFFFLL) return fail("valuesize: not a 32-bit size");
      network.valueSizeGiven = true;
      network.valueSize = static_cast<std::uint32_t>(value);
    } else if (key == "servercount" && f.size() == 2) {
      if (!Number(f[1], value) || value < 0 || value > 0xFFFFFFFFLL) return fail("servercount: not a 32-bit count");
      network.serverCountGiven = true;
      network.serverCount = static_cast<std::uint32_t>(value);
    } else if (key == "missing" && f.size() == 2) {
      // For whoever loads the stand-in: that library is left out.
    } else if (key == "server" && f.size() == 2) {
      network.servers.push_back(FileServer{f[1], {}});
      server = &network.servers.back();
      tree = nullptr;
    } else if (key == "tree" && f.size() == 2) {
      network.trees.push_back(DirectoryTree{f[1], {}});
      tree = &network.trees.back();
      server = nullptr;
    } else if (key == "queueusers" && f.size() >= 2) {
      network.queueUsers.push_back(QueueUsers{f[1], std::vector<std::string>(f.begin() + 2, f.end())});
    } else if (key == "object" && server != nullptr && f.size() >= 3) {
      BinderyObject object;
      object.name = f[1];
      if (!Number(f[2], value)) return fail("object: the type is not a number");
      object.type = static_cast<NWOBJ_TYPE>(value);
      object.id = static_cast<NWOBJ_ID>((network.servers.size() << 16) | (server->objects.size() + 1));
      for (std::size_t i = 3; i < f.size(); ++i) {
        if (f[i] == "address" && i + 1 < f.size()) {
          if (!IpxAddress(f[++i], object.address)) return fail("object: address is not NET:NODE:SOCKET in hex");
          object.hasAddress = true;
        } else if (f[i] == "attached") {
          object.attached.assign(f.begin() + static_cast<long>(i) + 1, f.end());
          break;
        } else {
          return fail("object: unknown field " + f[i]);
        }
      }
      server->objects.push_back(object);
    } else if ((key == "object" || key == "container") && tree != nullptr && f.size() >= 2) {
      DirectoryObject object;
      object.name = f[1];
      if (key == "container") {
        object.objectClass = f.size() >= 3 ? f[2] : "Organizational Unit";
        object.flags = NW_DS_CONTAINER_ENTRY;
      } else {
        if (f.size() < 3) return fail("object: a directory object needs its class (- for none)");
        object.objectClass = f[2] == "-" ? "" : f[2];
        if (f.size() >= 4 && f[3] == "alias") object.flags |= NW_DS_ALIAS_ENTRY;
      }
      if (!object.objectClass.empty()) {
        object.attributes.push_back(Attribute{"Object Class", SYN_CLASS_NAME, {AttributeValue{{object.objectClass}}}});
      }
      tree->objects.push_back(object);
    } else if (key == "value" && tree != nullptr && f.size() >= 3) {
      if (tree->objects.empty()) return fail("value: no object before it");
      if (!Number(f[2], value)) return fail("value: the syntax is not a number");
      DirectoryObject& object = tree->objects.back();
      Attribute* attribute = nullptr;
      for (Attribute& a : object.attributes) {
        if (a.name == f[1]) attribute = &a;
      }
      if (attribute == nullptr) {
        object.attributes.push_back(Attribute{f[1], static_cast<std::uint32_t>(value), {}});
        attribute = &object.attributes.back();
      }
      attribute->values.push_back(AttributeValue{std::vector<std::string>(f.begin() + 3, f.end())});
    } else {
      return fail("not understood: " + key);
    }
  }
  // Servers may be described after the lines that name them.
  if (!primary.empty()) {
    network.primary = ServerIndex(network, primary);
    number = primaryLine;
    if (network.primary < 0) return fail("primary: no server " + primary);
  }
  network.defaultConn = network.primary;
  if (network.defaultGiven) {
    network.defaultConn = defaultServer == "none" ? -1 : ServerIndex(network, defaultServer);
    number = defaultLine;
    if (defaultServer != "none" && network.defaultConn < 0) return fail("default: no server " + defaultServer);
  }
  return true;
}

Session::Session(const char* call) : m_lock(TheState().mutex), m_network(nullptr), m_call(call), m_number(0) {
  State& state = TheState();
  m_number = ++state.calls[m_call];
  if (const char* trace = std::getenv("ZRADDRRES_NETWARE_TRACE"); trace && *trace == '1') {
    std::fprintf(stderr, "  [NetWare client] %s\n", call);
  }
  const char* path = std::getenv("ZRADDRRES_NETWARE_NETWORK");
  std::string text = path ? ReadFile(path) : std::string();
  if (!state.loaded || state.path != (path ? path : "") || state.text != text) {
    state.path = path ? path : "";
    state.text = text;
    state.loaded = true;
    std::string message;
    if (!ParseNetwork(text, state.network, message)) {
      std::fprintf(stderr, "NetWare stand-in: %s: %s\n", state.path.c_str(), message.c_str());
      state.network = Network();
    }
  }
  m_network = &state.network;
}

Session::~Session() {}

bool Session::Fails(NWCCODE& code) const {
  auto failure = m_network->failures.find(m_call);
  if (failure == m_network->failures.end()) return false;
  code = failure->second;
  return true;
}

bool Session::Endless() const {
  auto endless = m_network->endless.find(m_call);
  return endless != m_network->endless.end() && (endless->second == 0 || m_number <= endless->second);
}

}  // namespace nwstandin

int NWStandInCallCount(const char* call) {
  nwstandin::State& state = nwstandin::TheState();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto found = state.calls.find(call ? call : "");
  return found == state.calls.end() ? 0 : found->second;
}

void NWStandInResetCounts(void) {
  nwstandin::State& state = nwstandin::TheState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.calls.clear();
}
