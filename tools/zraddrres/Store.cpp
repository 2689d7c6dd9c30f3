// The address store through the library's own NZrAddrRes::CRegMgr, so the tool
// names entries exactly as the library does (\\srv\queue becomes "queue on srv").
// The store's exception carries nothing: its message went to the log, so the
// tool listens to the log while it works and shows that message on failure.
#include "tools/zraddrres/Store.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <mutex>
#include <string>

#include <RegMgr.h>
#include <ZrAddrResolution.h>

#include "platform/Registry.h"
#include "tools/zraddrres/Audit.h"
#include "tools/zraddrres/Inventory.h"
#include "tools/zraddrres/Text.h"
#include "vdoem/VdOem.h"
#include "zrlogging/ZrLogging.h"

namespace zrtool {

namespace {

class ErrorListener {
 public:
  ErrorListener() { ZrLoggingSetHook(&Hear, this); }
  ~ErrorListener() { ZrLoggingSetHook(nullptr, nullptr); }
  const std::string& Last() const { return m_last; }

 private:
  static void Hear(void* self, ZrLoggingEvent event, const char*, unsigned long level, const char* text) {
    if (event == ZRLOGGING_EVENT_WRITE && level == 1) static_cast<ErrorListener*>(self)->m_last = text;
  }
  std::string m_last;
};

// What the registry said, with the hive's own words where it has them.
std::string RegistryFailure(const char* what, LONG rc) {
  std::string text = std::string(what) + " failed with registry error " + std::to_string(rc);
  if (*zrplatform::RegistryErrorText()) text += "\nzraddrres: " + std::string(zrplatform::RegistryErrorText());
  return text;
}

// The largest text the store reads back (NZrAddrRes::CRegMgr::Get).
const DWORD kStoreValueBytes = 1024;

// Milliseconds store check waits for a stored host name's address, as host does.
const unsigned long kStoreCheckTimeout = 5000;

}  // namespace

bool ReadStore(std::vector<StoredEntry>& entries, std::string* failure) {
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, 0, KEY_READ, &key);
  if (rc == ERROR_FILE_NOT_FOUND) return true;  // no store yet: nothing recorded
  if (rc != ERROR_SUCCESS) {
    if (failure) *failure = RegistryFailure("opening the store", rc);
    return false;
  }
  for (DWORD index = 0; rc == ERROR_SUCCESS; ++index) {
    char name[16384];
    DWORD nameLength = sizeof name;
    BYTE data[kStoreValueBytes];
    DWORD size = sizeof data;
    DWORD type = 0;
    rc = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &size);
    if (rc == ERROR_MORE_DATA) {
      // Longer than the store reads: say so rather than leave it out unseen.
      nameLength = sizeof name;
      rc = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, nullptr, &size);
      if (rc != ERROR_SUCCESS) break;
      StoredEntry entry;
      entry.name.assign(name, nameLength);
      entry.tooLong = true;
      entry.bytes = size;
      entries.push_back(entry);
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    // The PNS settings kept beside the entries are not entries.
    if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
    if (IsStoreSetting(std::string(name, nameLength))) continue;
    StoredEntry entry;
    entry.name.assign(name, nameLength);
    entry.value.assign(reinterpret_cast<char*>(data), size);
    while (!entry.value.empty() && entry.value.back() == '\0') entry.value.pop_back();
    entry.bytes = size;
    entries.push_back(entry);
  }
  RegCloseKey(key);
  // Anything but the end of the list (a hive that turned malformed, a key
  // deleted meanwhile) ends the listing: the next index would fail the same way.
  if (rc != ERROR_NO_MORE_ITEMS) {
    if (failure) *failure = RegistryFailure("reading the store", rc);
    return false;
  }
  return true;
}

namespace {


int List(bool json) {
  std::vector<StoredEntry> entries;
  std::string failure;
  bool read = ReadStore(entries, &failure);
  nlohmann::json out = nlohmann::json::object();
  int status = 0;
  for (const StoredEntry& entry : entries) {
    if (entry.tooLong) {
      std::fprintf(stderr, "zraddrres: store list: %s holds %lu bytes, more than the %lu the store reads\n",
                   Shown(entry.name).c_str(), static_cast<unsigned long>(entry.bytes),
                   static_cast<unsigned long>(kStoreValueBytes));
      status = 1;
    } else if (json) {
      out[ToUtf8(entry.name)] = ToUtf8(entry.value);
    } else {
      std::printf("%s\t%s\n", Shown(entry.name).c_str(), Shown(entry.value).c_str());
    }
  }
  if (!read) {
    std::fprintf(stderr, "zraddrres: store list: %s\n", Shown(failure).c_str());
    return 1;
  }
  if (json) std::printf("%s\n", out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  return status;
}

// The value name the store keeps a name under: its printer-friendly form.
std::string ValueName(const std::string& name) {
  CString friendly;
  CZrAddrResolution::MakePrinterFriendlyName(name.c_str(), friendly);
  return std::string(friendly, friendly.GetLength());
}

// The text an entry holds, if there is an entry under that value name.
bool Held(const std::string& valueName, std::string& text) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  char data[kStoreValueBytes + 1] = {};
  DWORD size = kStoreValueBytes;
  LONG rc = RegQueryValueExA(key, valueName.c_str(), nullptr, nullptr, reinterpret_cast<LPBYTE>(data), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return false;
  text = rc == ERROR_SUCCESS ? std::string(data) : std::string("(a value longer than the store reads)");
  return true;
}

bool IsHex(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// What the stored-address fallback reports as an address without a lookup.
}  // namespace

bool IsAddressText(const std::string& value) {
  // The IPv6 test asks the socket library the first resolver object loads.
  CZrAddrResolution loader;
  if (CZrAddrResolution::IsValidStringIPAddress(value.c_str()) ||
      CZrAddrResolution::IsValidStringIPAddressIPv6(value.c_str())) {
    return true;
  }
  // Network and node, in either order: 8 and 12 hexadecimal digits.
  std::string::size_type colon = value.find(':');
  return value.size() == 21 && (colon == 8 || colon == 12) && IsHex(value.substr(0, colon)) &&
         IsHex(value.substr(colon + 1));
}

namespace {

// Says what an add or rename would do to another entry, and whether to go on.
bool MayReplace(const char* action, const std::string& valueName, bool force) {
  std::string old;
  if (!Held(valueName, old)) return true;
  if (!force) {
    std::fprintf(stderr,
                 "zraddrres: store %s: there is already an entry %s (%s); give --force to replace it\n", action,
                 Shown(valueName).c_str(), Shown(old).c_str());
    return false;
  }
  std::fprintf(stderr, "zraddrres: store %s: replaced the entry %s, which held %s\n", action,
               Shown(valueName).c_str(), Shown(old).c_str());
  return true;
}

void WarnAboutName(const char* action, const std::string& name, const std::string& valueName) {
  if (valueName == name) return;
  std::fprintf(stderr,
               "zraddrres: store %s: note: kept as \"%s\"; the fallback of resolve looks ports up by their own "
               "name, so it will not find this entry for the port %s\n",
               action, Shown(valueName).c_str(), Shown(name).c_str());
}

}  // namespace

int Store(const std::string& action, const std::vector<std::string>& arguments, bool json, bool force) {
  auto need = [&](std::size_t count) {
    if (arguments.size() == count) return true;
    std::fprintf(stderr, "zraddrres: store %s takes %zu argument%s\n", action.c_str(), count, count == 1 ? "" : "s");
    return false;
  };
  if (action == "list") return need(0) ? List(json) : 2;
  if (action == "check") return need(0) ? StoreCheck(json, kStoreCheckTimeout) : 2;
  // An empty name would be the key's default value, which is no entry.
  for (std::size_t i = 0; i < arguments.size() && i < (action == "add" ? 1u : 2u); ++i) {
    if (arguments[i].empty()) {
      std::fprintf(stderr, "zraddrres: store %s: a name cannot be empty\n", action.c_str());
      return 2;
    }
  }

  // The PNS settings share the store's key: an entry of such a name would be
  // overwritten, and discovery switched back on, by the next UNC lookup.
  // A rename from such a name would move the setting away.
  if ((action == "add" || action == "rename") && arguments.size() == 2) {
    for (std::size_t i = 0; i < (action == "add" ? 1u : 2u); ++i) {
      if (!IsStoreSetting(ValueName(arguments[i]))) continue;
      std::fprintf(stderr,
                   "zraddrres: store %s: %s is the name of a PNS setting kept in the store's key (PNS, PNSServer, "
                   "PNSDeviceAddress); give the entry another name\n",
                   action.c_str(), Shown(arguments[i]).c_str());
      return 2;
    }
  }

  ErrorListener errors;
  try {
    if (action == "get") {
      if (!need(1)) return 2;
      NZrAddrRes::CRegMgr store;
      store.OpenForRead();
      CString value;
      store.Get(arguments[0].c_str(), value);
      std::string text(value, value.GetLength());
      if (json) {
        nlohmann::json out = {{"name", ToUtf8(arguments[0])}, {"value", ToUtf8(text)}};
        std::printf("%s\n", out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
      } else {
        std::printf("%s\n", Shown(text).c_str());
      }
    } else if (action == "add") {
      if (!need(2)) return 2;
      std::string valueName = ValueName(arguments[0]);
      if (!MayReplace("add", valueName, force)) return 1;
      if (!IsAddressText(arguments[1])) {
        std::fprintf(stderr,
                     "zraddrres: store add: warning: %s is neither an IP address nor an IPX address text "
                     "(8 and 12 hexadecimal digits, 00001234:0080c7a1b2c3); resolve will look it up as a host name\n",
                     Shown(arguments[1]).c_str());
      }
      NZrAddrRes::CRegMgr store;
      store.OpenForWrite();
      store.Add(arguments[0].c_str(), arguments[1].c_str());
      WarnAboutName("add", arguments[0], valueName);
    } else if (action == "remove") {
      if (!need(1)) return 2;
      NZrAddrRes::CRegMgr store;
      store.OpenForWrite();
      store.Remove(arguments[0].c_str());
    } else if (action == "rename") {
      if (!need(2)) return 2;
      std::string from = ValueName(arguments[0]);
      std::string to = ValueName(arguments[1]);
      // A rename onto the entry's own value name (another case) replaces nothing.
      if (!zrplatform::SameRegistryName(from.c_str(), to.c_str()) && !MayReplace("rename", to, force)) return 1;
      NZrAddrRes::CRegMgr::Rename(arguments[0].c_str(), arguments[1].c_str());
      WarnAboutName("rename", arguments[1], to);
    } else {
      std::fprintf(stderr, "zraddrres: unknown store action %s (list, get, add, rename, remove)\n", action.c_str());
      return 2;
    }
  } catch (const NZrAddrRes::CError&) {
    std::fprintf(stderr, "zraddrres: store %s failed: %s\n", action.c_str(),
                 errors.Last().empty() ? "(no message)" : Shown(errors.Last()).c_str());
    return 1;
  }
  return 0;
}

}  // namespace zrtool
