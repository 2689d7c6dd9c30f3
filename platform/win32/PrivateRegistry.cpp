// Windows: a private registry is two keys that HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER are overridden onto for this process. The library DLL
// calls advapi32 itself, and the override holds for every caller in the
// process, so the DLL reads the copy too.
//
// The keys live in an application hive, a hive file of this process's own
// that the system never links into the registry, where RegLoadAppKey gives
// one. Elsewhere (before Windows Vista; Wine, whose RegLoadAppKey hands back
// a handle that opens nothing) they are volatile keys under the user's
// hive: the system keeps them in memory only, never saves them, and they are
// deleted at exit. A volatile key can only hold volatile keys, so the copy
// is filled with volatile keys there.
#include "platform/PrivateRegistry.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Console.h"
#include "platform/RegApply.h"
#include "platform/Registry.h"

namespace zrplatform {

namespace {

const char kVolatileParent[] = "Software\\ZrAddrRes Exports";

struct PrivateKeys {
  HKEY machine = nullptr;
  HKEY user = nullptr;
  HKEY appHive = nullptr;  // the application hive's root, when there is one
  std::string hiveFile;
  HKEY parent = nullptr;   // the volatile keys' parent and own key, otherwise
  std::string ownName;
};

PrivateKeys* g_keys = nullptr;

// At exit, or on the thread the console starts for Ctrl-C while the main
// thread goes on: whichever comes first takes the keys.
void RemovePrivateKeys() {
  PrivateKeys* taken = static_cast<PrivateKeys*>(
      InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&g_keys), nullptr));
  if (taken == nullptr) return;
  PrivateKeys& keys = *taken;
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(keys.machine);
  RegCloseKey(keys.user);
  if (keys.appHive != nullptr) {
    // The hive is unloaded with its last handle; its file and logs then go.
    RegCloseKey(keys.appHive);
    for (const char* suffix : {"", ".LOG1", ".LOG2"}) DeleteFileA((keys.hiveFile + suffix).c_str());
  }
  if (keys.parent != nullptr) {
    RegDeleteTreeA(keys.parent, keys.ownName.c_str());
    RegCloseKey(keys.parent);
    // Only when no other process has a copy under it.
    RegDeleteKeyA(HKEY_CURRENT_USER, kVolatileParent);
  }
}

// "<pid>-<ticks>": a name no other process of this machine uses now.
std::string UniqueName() {
  char name[64];
  std::snprintf(name, sizeof name, "%lu-%lu", static_cast<unsigned long>(GetCurrentProcessId()),
                static_cast<unsigned long>(GetTickCount()));
  return name;
}

// The two keys in an application hive of a new temporary file; false (and
// nothing left behind) where the system gives no working application hive.
bool MakeInAppHive(PrivateKeys& keys) {
  using LoadAppKey = LONG(WINAPI*)(LPCSTR, PHKEY, REGSAM, DWORD, DWORD);
  HMODULE advapi = GetModuleHandleA("advapi32.dll");
  auto load = advapi ? reinterpret_cast<LoadAppKey>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegLoadAppKeyA")))
                     : nullptr;
  if (load == nullptr) return false;
  char folder[MAX_PATH + 1] = {};
  DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return false;
  keys.hiveFile = std::string(folder) + "zraddrres-registry-" + UniqueName() + ".hiv";
  if (load(keys.hiveFile.c_str(), &keys.appHive, KEY_ALL_ACCESS, 0, 0) != ERROR_SUCCESS) return false;
  if (RegCreateKeyExA(keys.appHive, "HKLM", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &keys.machine, nullptr) == ERROR_SUCCESS &&
      RegCreateKeyExA(keys.appHive, "HKCU", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &keys.user, nullptr) == ERROR_SUCCESS) {
    return true;
  }
  if (keys.machine != nullptr) RegCloseKey(keys.machine);
  RegCloseKey(keys.appHive);
  for (const char* suffix : {"", ".LOG1", ".LOG2"}) DeleteFileA((keys.hiveFile + suffix).c_str());
  keys = PrivateKeys();
  return false;
}

// Whether the process of a "<pid>-<ticks>" name is gone. A process this
// user may not open, or whose pid is taken again, counts as alive.
bool OwnerIsGone(const char* name) {
  char* end = nullptr;
  unsigned long pid = std::strtoul(name, &end, 10);
  if (end == name || *end != '-' || pid == 0 || pid == GetCurrentProcessId()) return false;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process != nullptr) {
    bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
  }
  return GetLastError() == ERROR_INVALID_PARAMETER;
}

// The copies of processes ended outright (killed, crashed), which live on
// until the user's session ends otherwise.
void SweepAbandonedCopies(HKEY parent) {
  std::vector<std::string> gone;
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(parent, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (OwnerIsGone(name)) gone.push_back(name);
  }
  for (const std::string& copy : gone) {
    if (RegDeleteTreeA(parent, copy.c_str()) == ERROR_SUCCESS) RegDeleteKeyA(parent, copy.c_str());
  }
}

LONG MakeVolatile(PrivateKeys& keys) {
  const DWORD options = REG_OPTION_VOLATILE;
  LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, kVolatileParent, 0, nullptr, options, KEY_ALL_ACCESS, nullptr,
                            &keys.parent, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  SweepAbandonedCopies(keys.parent);
  keys.ownName = UniqueName();
  HKEY own = nullptr;
  rc = RegCreateKeyExA(keys.parent, keys.ownName.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &own,
                       nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegCreateKeyExA(own, "HKLM", 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &keys.machine, nullptr);
  if (rc == ERROR_SUCCESS) {
    rc = RegCreateKeyExA(own, "HKCU", 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &keys.user, nullptr);
  }
  RegCloseKey(own);
  return rc;
}

HKEY RootKey(RegRoot root) { return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// The export's operations on the overridden roots, keys made with `options`.
LONG Fill(const RegOperations& operations, DWORD options, std::string* error) {
  HKEY current = nullptr;
  std::string failed;
  LONG rc = operations.ForEach([&](const RegOperation& op) {
    LONG done = ERROR_SUCCESS;
    switch (op.kind) {
      case RegOperation::Kind::CreateKey:
        if (current != nullptr) RegCloseKey(current);
        current = nullptr;
        done = RegCreateKeyExA(RootKey(op.root), op.keyPath.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr,
                               &current, nullptr);
        break;
      case RegOperation::Kind::SetValue:
        done = current == nullptr ? ERROR_INVALID_HANDLE
                                  : RegSetValueExA(current, op.valueName.c_str(), 0, op.type, op.data.data(),
                                                   static_cast<DWORD>(op.data.size()));
        break;
      case RegOperation::Kind::DeleteValue:
        done = current == nullptr ? ERROR_INVALID_HANDLE : RegDeleteValueA(current, op.valueName.c_str());
        if (done == ERROR_FILE_NOT_FOUND) done = ERROR_SUCCESS;
        break;
      case RegOperation::Kind::DeleteTree:
        if (current != nullptr) RegCloseKey(current);
        current = nullptr;
        done = RegDeleteTreeA(RootKey(op.root), op.keyPath.c_str());
        if (done == ERROR_SUCCESS) done = RegDeleteKeyA(RootKey(op.root), op.keyPath.c_str());
        if (done == ERROR_FILE_NOT_FOUND) done = ERROR_SUCCESS;
        break;
    }
    if (done != ERROR_SUCCESS) failed = DescribeRegFailure(op, done);
    return done;
  });
  if (current != nullptr) RegCloseKey(current);
  if (!failed.empty() && error != nullptr) *error = failed;
  return rc;
}

}  // namespace

LONG MakePrivateRegistry(const RegOperations& operations, std::string* error) {
  PrivateKeys* keys = new PrivateKeys;
  bool appHive = MakeInAppHive(*keys);
  if (!appHive) {
    LONG rc = MakeVolatile(*keys);
    if (rc != ERROR_SUCCESS) {
      g_keys = keys;
      RemovePrivateKeys();
      if (error) *error = "cannot make a private registry for it: registry error " + std::to_string(rc);
      return rc;
    }
  }
  g_keys = keys;
  UndoWhenProcessEnds(&RemovePrivateKeys);
  LONG rc = RegOverridePredefKey(HKEY_LOCAL_MACHINE, keys->machine);
  if (rc == ERROR_SUCCESS) rc = RegOverridePredefKey(HKEY_CURRENT_USER, keys->user);
  if (rc != ERROR_SUCCESS) {
    RemovePrivateKeys();
    if (error) *error = "cannot put a private registry in place: registry error " + std::to_string(rc);
    return rc;
  }
  return Fill(operations, appHive ? REG_OPTION_NON_VOLATILE : REG_OPTION_VOLATILE, error);
}

bool SpoolerAnswersFromTheCopy() {
  // The spooler service keeps its own printers; the override is this process's.
  return false;
}

}  // namespace zrplatform
