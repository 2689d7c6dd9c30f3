#include "tests/support/NetWareSite.h"

#include <cstdio>
#include <stdexcept>

#include "platform/Threads.h"
#include "tests/support/Env.h"
#include "tests/support/StandInEntry.h"

namespace zrtest {

namespace {

const char* const kLibraries[] = {"calwin32.dll", "clxwin32.dll", "prtwin32.dll", "locwin32.dll", "netwin32.dll"};

HMODULE Module(const char* library) {
  UseNetWareStandIn();
  HMODULE module = GetModuleHandleA(NetWareStandInFile(library).c_str());
  if (module == nullptr) module = LoadLibraryA(NetWareStandInFile(library).c_str());
  if (module == nullptr) throw std::runtime_error(std::string("NetWare stand-in missing: ") + library);
  return module;
}

}  // namespace

std::string NetWareStandInFile(const char* library) { return BesideProgram(std::string("nwstandin/") + library); }

void UseNetWareStandIn() {
  static bool loaded = [] {
    for (const char* library : kLibraries) {
      if (LoadLibraryA(NetWareStandInFile(library).c_str()) == nullptr) {
        throw std::runtime_error("cannot load the NetWare stand-in " + NetWareStandInFile(library));
      }
    }
    return true;
  }();
  (void)loaded;
}

DescribedNetwork::DescribedNetwork(const std::string& text) {
  UseNetWareStandIn();
  // Test programs run at once in one folder: the process's id keeps their files apart.
  static int serial = 0;
  m_path = BesideProgram("nwnetwork-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial) + ".txt");
  std::FILE* file = std::fopen(m_path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + m_path);
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  SetEnv("ZRADDRRES_NETWARE_NETWORK", m_path.c_str());
  for (const char* library : kLibraries) {
    void (*reset)();
    FindStandInEntry(Module(library), "NWStandInResetCounts", reset);
    reset();
  }
}

DescribedNetwork::~DescribedNetwork() {
  SetEnv("ZRADDRRES_NETWARE_NETWORK", nullptr);
  std::remove(m_path.c_str());
}

int DescribedNetwork::Calls(const char* library, const char* call) {
  int (*count)(const char*);
  FindStandInEntry(Module(library), "NWStandInCallCount", count);
  return count(call);
}

}  // namespace zrtest
