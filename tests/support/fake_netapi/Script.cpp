#include "tests/support/fake_netapi/Script.h"

#include <cstring>

#include "platform/CodePage.h"

namespace fakenetapi {

Script& TheScript() {
  static Script script;
  return script;
}

zrplatform::WideText Wide(const std::string& ansi) {
  zrplatform::WideText wide(ansi.size() + 1, 0);
  int length = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  wide.resize(length > 0 ? length - 1 : 0);
  return wide;
}

std::string Ansi(LPCWSTR wide) {
  if (wide == nullptr) return std::string();
  char text[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

void Count(const char* entry, const std::string& server) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  ++s.calls[entry];
  s.server = server;
}

}  // namespace fakenetapi

using fakenetapi::Script;
using fakenetapi::TheScript;

extern "C" {

void FakeShareListReset(void) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.shares.clear();
  s.failure = 0;
  s.calls.clear();
  s.server.clear();
  s.bufferSize = 0;
}

void FakeShareListAdd(const char* name, DWORD type, const char* remark) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.shares.push_back({name, type, remark});
}

void FakeShareListFail(DWORD status) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.failure = status;
}

int FakeShareListCalls(const char* entry) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto found = s.calls.find(entry);
  return found == s.calls.end() ? 0 : found->second;
}

void FakeShareListServer(char* text, int size) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (size <= 0) return;
  std::strncpy(text, s.server.c_str(), size - 1);
  text[size - 1] = '\0';
}

unsigned FakeShareListBufferSize(void) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.bufferSize;
}

int FakeShareListOutstanding(void) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.outstanding;
}

}  // extern "C"
