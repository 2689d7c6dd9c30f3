// POSIX registry functions over the two hive files of RegistryHive.cpp, with
// Windows' contracts: the same error codes, access masks checked on the handle,
// names case-insensitive and case-preserving, types and bytes kept exactly.
// A handle names a heap object holding its hive, its key path and its access;
// a handle whose key was deleted meanwhile reports ERROR_KEY_DELETED.
#include "platform/Registry.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/posix/RegistryHive.h"

namespace zrplatform {

const char* RegistryErrorText() { return registry::ErrorText(); }

bool SameRegistryName(const char* a, const char* b) {
  return registry::SameName(a ? a : "", b ? b : "");
}

}  // namespace zrplatform

namespace {

using zrplatform::RegRoot;
using zrplatform::RegTextValue;
using zrplatform::registry::HiveKey;
namespace registry = zrplatform::registry;

struct OpenKey {
  RegRoot root;
  std::vector<std::string> path;  // components as stored
  REGSAM access;
};

// Live handles; a closed or made-up one is not in the table and gives
// ERROR_INVALID_HANDLE instead of a crash. Handle values are never reused,
// so a handle kept after its close cannot reach a key opened later. Never
// destroyed, like the hives.
struct HandleTable {
  std::mutex mutex;
  std::unordered_map<HKEY, std::shared_ptr<const OpenKey>> keys;
  std::uintptr_t next = 0x10000;
};

HandleTable& Handles() {
  static HandleTable* table = new HandleTable;
  return *table;
}

std::shared_ptr<const OpenKey> Resolve(HKEY key) {
  // The root keys: full access, never closed, never destroyed.
  static const auto& machine =
      *new std::shared_ptr<const OpenKey>(new OpenKey{RegRoot::LocalMachine, {}, KEY_ALL_ACCESS});
  static const auto& user = *new std::shared_ptr<const OpenKey>(new OpenKey{RegRoot::CurrentUser, {}, KEY_ALL_ACCESS});
  if (key == HKEY_LOCAL_MACHINE) return machine;
  if (key == HKEY_CURRENT_USER) return user;
  HandleTable& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto found = table.keys.find(key);
  return found == table.keys.end() ? nullptr : found->second;
}

HKEY AddHandle(OpenKey key) {
  auto object = std::make_shared<const OpenKey>(std::move(key));
  HandleTable& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  // Multiples of four like Windows' handles, clear of the root keys' values.
  table.next += 4;
  if (table.next >= 0x80000000UL && table.next < 0x80010000UL) table.next = 0x80010000UL;
  HKEY handle = reinterpret_cast<HKEY>(table.next);
  table.keys.emplace(handle, std::move(object));
  return handle;
}

registry::Hive& HiveOf(const OpenKey& key) { return registry::HiveOf(key.root); }

// Every call starts without an error text; only a malformed hive sets one.
void BeginCall() { registry::SetErrorText(std::string()); }

// Copies a value's bytes to a caller's buffer under RegQueryValueEx's rules:
// null data asks for the size, a short buffer gets ERROR_MORE_DATA and the
// size. A string stored without its terminator gets one after the data when
// the buffer has room, as Windows does, without counting it in the size.
LONG CopyData(DWORD type, const std::vector<BYTE>& data, LPBYTE out, LPDWORD outSize) {
  const auto size = static_cast<DWORD>(data.size());
  if (out != nullptr) {
    if (*outSize < size) {
      *outSize = size;
      return ERROR_MORE_DATA;
    }
    if (size != 0) std::memcpy(out, data.data(), size);
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    if (text && size != 0 && data.back() != 0 && *outSize > size) out[size] = 0;
  }
  if (outSize != nullptr) *outSize = size;
  return ERROR_SUCCESS;
}

std::string NameOf(LPCSTR name) { return name == nullptr ? std::string() : std::string(name); }

// The stored names of `path` below `base`, or the error walking it.
LONG WalkExisting(const HiveKey& root, const OpenKey& base, const std::vector<std::string>& path,
                  std::vector<std::string>& stored) {
  const HiveKey* key = registry::FindKey(root, base.path);
  if (key == nullptr) return ERROR_KEY_DELETED;
  stored = base.path;
  for (const std::string& name : path) {
    key = key->FindSubkey(name);
    if (key == nullptr) return ERROR_FILE_NOT_FOUND;
    stored.push_back(key->name());
  }
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) {
  BeginCall();
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  auto base = Resolve(hKey);
  if (!base) return ERROR_INVALID_HANDLE;
  std::vector<std::string> path;
  if (LONG rc = registry::SplitKeyPath(lpSubKey, path); rc != ERROR_SUCCESS) return rc;
  std::vector<std::string> stored;
  LONG rc = HiveOf(*base).Read(
      [&](const HiveKey& root) -> LONG { return WalkExisting(root, *base, path, stored); });
  if (rc != ERROR_SUCCESS) return rc;
  *phkResult = AddHandle(OpenKey{base->root, std::move(stored), samDesired});
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                     LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult, LPDWORD lpdwDisposition) {
  BeginCall();
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  auto base = Resolve(hKey);
  if (!base) return ERROR_INVALID_HANDLE;
  std::vector<std::string> path;
  if (LONG rc = registry::SplitKeyPath(lpSubKey, path); rc != ERROR_SUCCESS) return rc;
  if (base->path.size() + path.size() > registry::kMaxDepth) return ERROR_INVALID_PARAMETER;

  registry::Hive& hive = HiveOf(*base);
  std::vector<std::string> stored;
  bool created = false;
  // Most creations find the key there already; that costs no lock and no write.
  LONG rc = hive.Read([&](const HiveKey& root) -> LONG { return WalkExisting(root, *base, path, stored); });
  if (rc == ERROR_FILE_NOT_FOUND) {
    // Another process may create it between this look and the lock: the
    // change is decided again on the newest file.
    rc = hive.Write([&](HiveKey& root, bool& changed) -> LONG {
      HiveKey* key = registry::FindKey(root, base->path);
      if (key == nullptr) return ERROR_KEY_DELETED;
      stored = base->path;
      registry::CreatePath(*key, path, &stored, changed);
      created = changed;
      return ERROR_SUCCESS;
    });
  }
  if (rc != ERROR_SUCCESS) return rc;
  *phkResult = AddHandle(OpenKey{base->root, std::move(stored), samDesired});
  if (lpdwDisposition != nullptr) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData) {
  BeginCall();
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) return ERROR_INVALID_PARAMETER;
  auto key = Resolve(hKey);
  if (!key) return ERROR_INVALID_HANDLE;
  if ((key->access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  const std::string name = NameOf(lpValueName);
  return HiveOf(*key).Read([&](const HiveKey& root) -> LONG {
    const HiveKey* stored = registry::FindKey(root, key->path);
    if (stored == nullptr) return ERROR_KEY_DELETED;
    const RegTextValue* value = stored->FindValue(name);
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    if (lpType != nullptr) *lpType = value->type;
    return CopyData(value->type, value->data, lpData, lpcbData);
  });
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  BeginCall();
  if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
  const std::string name = NameOf(lpValueName);
  if (LONG rc = registry::CheckValueName(name); rc != ERROR_SUCCESS) return rc;
  auto key = Resolve(hKey);
  if (!key) return ERROR_INVALID_HANDLE;
  if ((key->access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  const std::vector<BYTE> data(lpData, lpData + cbData);
  return HiveOf(*key).Write([&](HiveKey& root, bool& changed) -> LONG {
    HiveKey* stored = registry::FindKey(root, key->path);
    if (stored == nullptr) return ERROR_KEY_DELETED;
    changed = stored->SetValue(name, dwType, data);
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  BeginCall();
  auto key = Resolve(hKey);
  if (!key) return ERROR_INVALID_HANDLE;
  if ((key->access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  const std::string name = NameOf(lpValueName);
  return HiveOf(*key).Write([&](HiveKey& root, bool& changed) -> LONG {
    HiveKey* stored = registry::FindKey(root, key->path);
    if (stored == nullptr) return ERROR_KEY_DELETED;
    if (!stored->DeleteValue(name)) return ERROR_FILE_NOT_FOUND;
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegCloseKey(HKEY hKey) {
  BeginCall();
  if (hKey == HKEY_LOCAL_MACHINE || hKey == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  HandleTable& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.keys.erase(hKey) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass,
                   LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  BeginCall();
  if (lpName == nullptr || lpcchName == nullptr || lpReserved != nullptr) return ERROR_INVALID_PARAMETER;
  if (lpClass != nullptr && lpcchClass == nullptr) return ERROR_INVALID_PARAMETER;
  auto key = Resolve(hKey);
  if (!key) return ERROR_INVALID_HANDLE;
  if ((key->access & KEY_ENUMERATE_SUB_KEYS) == 0) return ERROR_ACCESS_DENIED;
  return HiveOf(*key).Read([&](const HiveKey& root) -> LONG {
    const HiveKey* stored = registry::FindKey(root, key->path);
    if (stored == nullptr) return ERROR_KEY_DELETED;
    if (dwIndex >= stored->subkeys().size()) return ERROR_NO_MORE_ITEMS;
    const std::string& name = stored->subkeys()[dwIndex].name();
    // Windows leaves the count alone when the name does not fit.
    if (*lpcchName <= name.size()) return ERROR_MORE_DATA;
    std::memcpy(lpName, name.c_str(), name.size() + 1);
    *lpcchName = static_cast<DWORD>(name.size());
    if (lpClass != nullptr) {
      if (*lpcchClass == 0) return ERROR_MORE_DATA;
      lpClass[0] = '\0';
      *lpcchClass = 0;
    }
    return ERROR_SUCCESS;
  });
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  BeginCall();
  if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr) return ERROR_INVALID_PARAMETER;
  if (lpData != nullptr && lpcbData == nullptr) return ERROR_INVALID_PARAMETER;
  auto key = Resolve(hKey);
  if (!key) return ERROR_INVALID_HANDLE;
  if ((key->access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  return HiveOf(*key).Read([&](const HiveKey& root) -> LONG {
    const HiveKey* stored = registry::FindKey(root, key->path);
    if (stored == nullptr) return ERROR_KEY_DELETED;
    if (dwIndex >= stored->values().size()) return ERROR_NO_MORE_ITEMS;
    const RegTextValue& value = stored->values()[dwIndex];
    if (*lpcchValueName <= value.name.size()) return ERROR_MORE_DATA;
    std::memcpy(lpValueName, value.name.c_str(), value.name.size() + 1);
    *lpcchValueName = static_cast<DWORD>(value.name.size());
    if (lpType != nullptr) *lpType = value.type;
    return CopyData(value.type, value.data, lpData, lpcbData);
  });
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  BeginCall();
  if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
  auto base = Resolve(hKey);
  if (!base) return ERROR_INVALID_HANDLE;
  std::vector<std::string> path;
  if (LONG rc = registry::SplitKeyPath(lpSubKey, path); rc != ERROR_SUCCESS) return rc;
  std::vector<std::string> full = base->path;
  full.insert(full.end(), path.begin(), path.end());
  if (full.empty()) return ERROR_ACCESS_DENIED;  // a root key stays
  return HiveOf(*base).Write([&](HiveKey& root, bool& changed) -> LONG {
    if (registry::FindKey(root, base->path) == nullptr) return ERROR_KEY_DELETED;
    HiveKey* parent = registry::FindKey(root, std::vector<std::string>(full.begin(), full.end() - 1));
    HiveKey* target = parent ? parent->FindSubkey(full.back()) : nullptr;
    if (target == nullptr) return ERROR_FILE_NOT_FOUND;
    if (!target->subkeys().empty()) return ERROR_ACCESS_DENIED;
    parent->DeleteSubkey(full.back());
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey) {
  BeginCall();
  auto base = Resolve(hKey);
  if (!base) return ERROR_INVALID_HANDLE;
  std::vector<std::string> path;
  if (LONG rc = registry::SplitKeyPath(lpSubKey, path); rc != ERROR_SUCCESS) return rc;
  return HiveOf(*base).Write([&](HiveKey& root, bool& changed) -> LONG {
    HiveKey* key = registry::FindKey(root, base->path);
    if (key == nullptr) return ERROR_KEY_DELETED;
    // No subkey: everything below the key goes, the key itself stays.
    return registry::DeleteTree(*key, path, changed);
  });
}
