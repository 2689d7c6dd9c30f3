#include "tests/support/FakeShareLists.h"

#include <stdexcept>
#include <vector>

#include "platform/Modules.h"
#include "tests/support/StandInEntry.h"
#include "tests/support/Env.h"
#include "tests/support/Mode.h"

namespace zrtest {

namespace {

struct Module {
  HMODULE handle = nullptr;
  void (*reset)() = nullptr;
  void (*add)(const char*, DWORD, const char*) = nullptr;
  void (*fail)(DWORD) = nullptr;
  int (*calls)(const char*) = nullptr;
  void (*server)(char*, int) = nullptr;
  unsigned (*bufferSize)() = nullptr;
  int (*outstanding)() = nullptr;
};

Module Load(const char* file) {
  Module m;
  const std::string path = BesideProgram(file);
  m.handle = LoadLibraryA(path.c_str());
  if (m.handle == nullptr) throw std::runtime_error("cannot load " + path);
  FindStandInEntry(m.handle, "FakeShareListReset", m.reset);
  FindStandInEntry(m.handle, "FakeShareListAdd", m.add);
  FindStandInEntry(m.handle, "FakeShareListFail", m.fail);
  FindStandInEntry(m.handle, "FakeShareListCalls", m.calls);
  FindStandInEntry(m.handle, "FakeShareListServer", m.server);
  FindStandInEntry(m.handle, "FakeShareListBufferSize", m.bufferSize);
  FindStandInEntry(m.handle, "FakeShareListOutstanding", m.outstanding);
  return m;
}

// One pair in place at a time; nested scripts of the same kind share it. A
// pair of the other kind goes away whole first: a bare name would find the
// module loaded first.
Module g_netapi;
Module g_svrapi;
std::vector<FakeShareLists::Modules>& Stack() {
  static std::vector<FakeShareLists::Modules> stack;
  return stack;
}

void Unload() {
  for (Module* m : {&g_netapi, &g_svrapi}) {
    if (m->handle) FreeLibrary(m->handle);
    *m = Module();
  }
}

void PutInPlace(FakeShareLists::Modules modules, bool reload) {
  if (reload || g_netapi.handle == nullptr) {
    Unload();
    bool complete = modules == FakeShareLists::Modules::Complete;
    g_netapi = Load(complete ? "standin/netapi32.dll" : "standin-partial/netapi32.dll");
    g_svrapi = Load(complete ? "standin/svrapi.dll" : "standin-partial/svrapi.dll");
  }
  g_netapi.reset();
  g_svrapi.reset();
}

const Module& Running() {
  Line line = WindowsLine();
  bool nineX = line == Line::Win95 || line == Line::Win98 || line == Line::WinMe;
  return nineX ? g_svrapi : g_netapi;
}

}  // namespace

FakeShareLists::FakeShareLists(Modules modules) {
  bool reload = !Stack().empty() && Stack().back() != modules;
  Stack().push_back(modules);
  PutInPlace(modules, reload);
}

FakeShareLists::~FakeShareLists() {
  Modules mine = Stack().back();
  Stack().pop_back();
  if (Stack().empty()) {
    Unload();
  } else {
    PutInPlace(Stack().back(), Stack().back() != mine);
  }
}

void FakeShareLists::Add(const std::string& name, unsigned long type, const std::string& remark) {
  g_netapi.add(name.c_str(), static_cast<DWORD>(type), remark.c_str());
  g_svrapi.add(name.c_str(), static_cast<DWORD>(type), remark.c_str());
}

void FakeShareLists::Fail(unsigned long status) {
  g_netapi.fail(static_cast<DWORD>(status));
  g_svrapi.fail(static_cast<DWORD>(status));
}

int FakeShareLists::Calls(const char* entry) const { return Running().calls(entry); }

std::string FakeShareLists::Server() const {
  char text[1024] = {};
  Running().server(text, sizeof text);
  return text;
}

unsigned FakeShareLists::BufferSize() const { return g_svrapi.bufferSize(); }

int FakeShareLists::Outstanding() const { return g_netapi.outstanding(); }

}  // namespace zrtest
