// Windows: the real registry has no change spanning many calls on every
// Windows line, so the operations are checked before the first call (names
// within the registry's limits, every key to change or delete open to this
// user for it) and then made one call at a time. A failure only the calls
// themselves find (a full registry, another process's change meanwhile) still
// leaves the operations before it in place.
#include "platform/RegApply.h"

#include "platform/PrivateRegistry.h"
#include "platform/Registry.h"
#include "platform/Version.h"

namespace zrplatform {

namespace {

// The registry's limits: a key name of 255 characters, a value name of 16383.
constexpr std::size_t kMaxKeyNameChars = 255;
constexpr std::size_t kMaxValueNameChars = 16383;

bool NineXLine() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

HKEY RootKey(RegRoot root) { return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// The components of a key path, split as the registry splits it: not at a
// backslash that is the second byte of a double-byte character.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> components(1);
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      components.back().append(path, i, 2);
      ++i;
    } else if (path[i] == '\\') {
      components.emplace_back();
    } else {
      components.back().push_back(path[i]);
    }
  }
  return components;
}

std::size_t CharCount(const std::string& name) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < name.size(); ++i, ++count) {
    if (IsDBCSLeadByte(static_cast<BYTE>(name[i])) && i + 1 < name.size()) ++i;
  }
  return count;
}

// Whether this user may change the key at `path` with `access`: ERROR_SUCCESS
// or the registry's refusal. A key that does not exist yet is to be made, so
// then its nearest existing ancestor must let keys be made below it.
LONG CheckAccess(HKEY root, const std::string& path, REGSAM access) {
  std::vector<std::string> components = Components(path);
  for (;;) {
    std::string prefix;
    for (std::size_t i = 0; i < components.size(); ++i) prefix += (i == 0 ? "" : "\\") + components[i];
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, prefix.c_str(), 0, access, &key);
    if (rc == ERROR_SUCCESS) RegCloseKey(key);
    if (rc != ERROR_FILE_NOT_FOUND || components.size() <= 1) return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
    components.pop_back();
    access = KEY_CREATE_SUB_KEY;
  }
}

// What the calls would refuse, found before the first of them.
LONG Check(const RegOperation& op, bool haveKey) {
  switch (op.kind) {
    case RegOperation::Kind::CreateKey:
      for (const std::string& component : Components(op.keyPath.str())) {
        if (CharCount(component) > kMaxKeyNameChars) return ERROR_INVALID_PARAMETER;
      }
      return CheckAccess(RootKey(op.root), op.keyPath.str(), KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
    case RegOperation::Kind::SetValue:
    case RegOperation::Kind::DeleteValue:
      if (!haveKey) return ERROR_INVALID_HANDLE;
      return CharCount(op.valueName) > kMaxValueNameChars ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    case RegOperation::Kind::DeleteTree: {
      // A key that is not there needs nothing.
      HKEY key = nullptr;
      LONG rc = RegOpenKeyExA(RootKey(op.root), op.keyPath.c_str(), 0,
                              DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
      if (rc == ERROR_SUCCESS) RegCloseKey(key);
      return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
    }
  }
  return ERROR_SUCCESS;
}

}  // namespace

LONG ApplyRegOperations(const RegOperations& given, std::string* error, RegApplyMode mode) {
  // Replacing: the text's top keys go first, as [-key] lines of its own
  // would, so the checks below cover their deletion too. A top key that is a
  // whole hive is refused: a Windows hive holds far more than any export.
  // The deletions are kept apart from the text's operations, which may be
  // many and are read again from the text at each walk.
  std::vector<RegOperation> deletions;
  if (mode == RegApplyMode::Replace) {
    deletions = TopRegKeys(given);
    for (RegOperation& top : deletions) {
      if (top.keyPath.empty()) {
        if (error) {
          *error = DescribeRegFailure(top, ERROR_INVALID_PARAMETER) + " (a whole hive is not replaced on Windows)";
        }
        return ERROR_INVALID_PARAMETER;
      }
      top.kind = RegOperation::Kind::DeleteTree;
    }
  }
  // Calls `step` on the deletions and then the text's operations, stopping at
  // the first that fails; its code, with the failure described in `error`.
  auto forEach = [&](auto step) -> LONG {
    RegOperations::Visit visit = [&](const RegOperation& op) -> LONG {
      LONG rc = step(op);
      if (rc != ERROR_SUCCESS && error) *error = DescribeRegFailure(op, rc);
      return rc;
    };
    LONG rc = RegOperations(deletions).ForEach(visit);
    return rc != ERROR_SUCCESS ? rc : given.ForEach(visit);
  };

  bool haveKey = false;
  LONG rc = forEach([&](const RegOperation& op) {
    LONG checked = Check(op, haveKey);
    if (op.kind == RegOperation::Kind::CreateKey) haveKey = true;
    if (op.kind == RegOperation::Kind::DeleteTree) haveKey = false;
    return checked;
  });
  if (rc != ERROR_SUCCESS) return rc;

  HKEY current = nullptr;
  rc = forEach([&](const RegOperation& op) {
    LONG done = ERROR_SUCCESS;
    switch (op.kind) {
      case RegOperation::Kind::CreateKey:
        if (current) RegCloseKey(current);
        current = nullptr;
        done = RegCreateKeyExA(RootKey(op.root), op.keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_READ | KEY_WRITE, nullptr, &current, nullptr);
        break;
      case RegOperation::Kind::SetValue: {
        // The NT line takes a NUL right after a string's data for its
        // terminator: a byte that is no NUL keeps unterminated data as it is.
        // The 9x line reads a string up to its NUL whatever the size says, so
        // there the data ends at a NUL of its own (an empty string stays empty).
        std::vector<BYTE> data(op.data);
        if (!(op.type == REG_SZ && NineXLine())) data.push_back(0xFF);
        data.push_back(0x00);
        done = current ? RegSetValueExA(current, op.valueName.c_str(), 0, op.type, data.data(),
                                        static_cast<DWORD>(op.data.size()))
                       : ERROR_INVALID_HANDLE;
        break;
      }
      case RegOperation::Kind::DeleteValue:
        done = current ? RegDeleteValueA(current, op.valueName.c_str()) : ERROR_INVALID_HANDLE;
        if (done == ERROR_FILE_NOT_FOUND) done = ERROR_SUCCESS;  // already gone is what was asked
        break;
      case RegOperation::Kind::DeleteTree:
        if (current) RegCloseKey(current);
        current = nullptr;
        done = RegDeleteTreeA(RootKey(op.root), op.keyPath.c_str());
        if (done == ERROR_FILE_NOT_FOUND) done = ERROR_SUCCESS;
        break;
    }
    return done;
  });
  if (current) RegCloseKey(current);
  return rc;
}

std::string RegistryLocation(bool, bool) {
  return RegistryExportInUse().empty() ? "the Windows registry" : "the export " + RegistryExportInUse();
}

}  // namespace zrplatform
