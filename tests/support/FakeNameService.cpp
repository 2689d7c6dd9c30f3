#include "tests/support/FakeNameService.h"

#include <stdexcept>
#include <vector>

#include "lookup/SocketLibrary.h"
#include "platform/Modules.h"
#include "tests/support/StandInEntry.h"

namespace zrtest {

namespace {

struct Script {
  HMODULE module = nullptr;
  void (*reset)() = nullptr;
  void (*answer)(const char*, const char*) = nullptr;
  void (*answerReverse)(const char*, const char*) = nullptr;
  void (*block)(const char*) = nullptr;
  void (*release)() = nullptr;
  int (*calls)(const char*) = nullptr;
  int (*blocked)() = nullptr;
  void (*enableDatagrams)() = nullptr;
  void (*failCall)(const char*, int) = nullptr;
  void (*queueDatagram)(int, const char*, int) = nullptr;
  int (*request)(int, char*, int, char*, int) = nullptr;
  int (*openSockets)() = nullptr;
};

// Loaded once per variant and never unloaded: abandoned workers may still be inside.
Script& Load(FakeNameService::Api api) {
  static Script scripts[2];
  const char* file = api == FakeNameService::Api::ProtocolIndependent ? ZR_FAKE_WS2_FILE : ZR_FAKE_WS2_V4_FILE;
  Script& s = scripts[api == FakeNameService::Api::ProtocolIndependent ? 0 : 1];
  if (s.module == nullptr) {
    s.module = LoadLibraryA(file);
    if (s.module == nullptr) throw std::runtime_error(std::string("cannot load ") + file);
    FindStandInEntry(s.module, "FakeWs2Reset", s.reset);
    FindStandInEntry(s.module, "FakeWs2Answer", s.answer);
    FindStandInEntry(s.module, "FakeWs2AnswerReverse", s.answerReverse);
    FindStandInEntry(s.module, "FakeWs2Block", s.block);
    FindStandInEntry(s.module, "FakeWs2Release", s.release);
    FindStandInEntry(s.module, "FakeWs2Calls", s.calls);
    FindStandInEntry(s.module, "FakeWs2Blocked", s.blocked);
    FindStandInEntry(s.module, "FakeWs2EnableDatagrams", s.enableDatagrams);
    FindStandInEntry(s.module, "FakeWs2FailCall", s.failCall);
    FindStandInEntry(s.module, "FakeWs2QueueDatagram", s.queueDatagram);
    FindStandInEntry(s.module, "FakeWs2Request", s.request);
    FindStandInEntry(s.module, "FakeWs2OpenSockets", s.openSockets);
  }
  return s;
}

Script* g_current = nullptr;

const char* FileOf(FakeNameService::Api api) {
  return api == FakeNameService::Api::ProtocolIndependent ? ZR_FAKE_WS2_FILE : ZR_FAKE_WS2_V4_FILE;
}

// Services nest: the innermost is in place; when it goes, the one around it
// comes back (with an empty script), and after the last one the real library.
std::vector<FakeNameService::Api>& Stack() {
  static std::vector<FakeNameService::Api> stack;
  return stack;
}

void PutInPlace(const char* file) {
  zrlookup::SetSocketLibraryNameForTesting(file);
  zrlookup::ForgetSocketLibraryForTesting();
}

}  // namespace

FakeNameService::FakeNameService(Api api) {
  g_current = &Load(api);
  g_current->reset();
  Stack().push_back(api);
  PutInPlace(FileOf(api));
}

FakeNameService::~FakeNameService() {
  g_current->release();
  Stack().pop_back();
  if (Stack().empty()) {
    PutInPlace(nullptr);
  } else {
    g_current = &Load(Stack().back());
    g_current->reset();
    PutInPlace(FileOf(Stack().back()));
  }
}

void FakeNameService::Answer(const std::string& name, const std::string& address) {
  g_current->answer(name.c_str(), address.c_str());
}

void FakeNameService::AnswerReverse(const std::string& address, const std::string& name) {
  g_current->answerReverse(address.c_str(), name.c_str());
}

void FakeNameService::Block(const std::string& nameOrAddress) { g_current->block(nameOrAddress.c_str()); }

void FakeNameService::Release() { g_current->release(); }

int FakeNameService::Calls(const std::string& nameOrAddress) const { return g_current->calls(nameOrAddress.c_str()); }

int FakeNameService::Blocked() const { return g_current->blocked(); }

void FakeNameService::EnableDatagrams() { g_current->enableDatagrams(); }

void FakeNameService::FailCall(const std::string& call, int code) { g_current->failCall(call.c_str(), code); }

void FakeNameService::QueueDatagram(int afterRequest, const std::string& bytes) {
  g_current->queueDatagram(afterRequest, bytes.data(), static_cast<int>(bytes.size()));
}

std::vector<FakeNameService::Request> FakeNameService::Requests() const {
  std::vector<Request> requests;
  for (int index = 0;; ++index) {
    char bytes[2048];
    char destination[128] = {};
    int length = g_current->request(index, bytes, sizeof bytes, destination, sizeof destination);
    if (length < 0) break;
    requests.push_back({std::string(bytes, static_cast<std::size_t>(length < 2048 ? length : 2048)), destination});
  }
  return requests;
}

int FakeNameService::OpenSockets() const { return g_current->openSockets(); }

}  // namespace zrtest
