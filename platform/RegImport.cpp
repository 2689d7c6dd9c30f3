#include "platform/RegImport.h"

#include "platform/Version.h"

#include <cctype>
#include <utility>

namespace zrplatform {

namespace {

bool NineXLine() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

HKEY RootKey(RegRoot root) { return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

bool SameText(const std::string& a, const char* b) {
  std::string upper;
  for (char c : a) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper == b;
}

std::string Describe(const RegOperation& op, const char* what, LONG code) {
  return "line " + std::to_string(op.line) + ": " + what + " " + RegRootName(op.root) +
         (op.keyPath.empty() ? "" : "\\") + op.keyPath + " failed with error " + std::to_string(code);
}

LONG ReadTree(HKEY key, RegTextKey* node) {
  for (DWORD index = 0;; ++index) {
    std::vector<char> name(16384);
    std::vector<BYTE> data(4096);
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    LONG rc = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
    if (rc == ERROR_MORE_DATA) {
      data.resize(dataSize);
      nameLength = static_cast<DWORD>(name.size());
      rc = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
    }
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return rc;
    data.resize(dataSize);
    node->values.push_back({std::string(name.data(), nameLength), type, data});
  }
  for (DWORD index = 0;; ++index) {
    char name[512];  // 255 characters, double-byte ones included
    DWORD nameLength = sizeof name;
    LONG rc = RegEnumKeyExA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return rc;
    RegTextKey child;
    child.name.assign(name, nameLength);
    HKEY sub = nullptr;
    rc = RegOpenKeyExA(key, child.name.c_str(), 0, KEY_READ, &sub);
    if (rc != ERROR_SUCCESS) return rc;
    rc = ReadTree(sub, &child);
    RegCloseKey(sub);
    if (rc != ERROR_SUCCESS) return rc;
    node->subkeys.push_back(std::move(child));
  }
  return ERROR_SUCCESS;
}

}  // namespace

LONG ApplyRegOperations(const std::vector<RegOperation>& operations, std::string* error) {
  HKEY current = nullptr;
  LONG rc = ERROR_SUCCESS;
  for (const RegOperation& op : operations) {
    switch (op.kind) {
      case RegOperation::Kind::CreateKey:
        if (current) RegCloseKey(current);
        current = nullptr;
        rc = RegCreateKeyExA(RootKey(op.root), op.keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_READ | KEY_WRITE, nullptr, &current, nullptr);
        if (rc != ERROR_SUCCESS && error) *error = Describe(op, "creating", rc);
        break;
      case RegOperation::Kind::SetValue: {
        // The NT line takes a NUL right after a string's data for its
        // terminator: a byte that is no NUL keeps unterminated data as it is.
        // The 9x line reads a string up to its NUL whatever the size says, so
        // there the data ends at a NUL of its own (an empty string stays empty).
        std::vector<BYTE> data(op.data);
        if (!(op.type == REG_SZ && NineXLine())) data.push_back(0xFF);
        data.push_back(0x00);
        rc = current ? RegSetValueExA(current, op.valueName.c_str(), 0, op.type, data.data(),
                                      static_cast<DWORD>(op.data.size()))
                     : ERROR_INVALID_HANDLE;
        if (rc != ERROR_SUCCESS && error) *error = Describe(op, ("setting \"" + op.valueName + "\" under").c_str(), rc);
        break;
      }
      case RegOperation::Kind::DeleteValue:
        rc = current ? RegDeleteValueA(current, op.valueName.c_str()) : ERROR_INVALID_HANDLE;
        if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;  // already gone is what was asked
        if (rc != ERROR_SUCCESS && error) *error = Describe(op, "deleting a value under", rc);
        break;
      case RegOperation::Kind::DeleteTree:
        if (current) RegCloseKey(current);
        current = nullptr;
        rc = RegDeleteTreeA(RootKey(op.root), op.keyPath.c_str());
        if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS && error) *error = Describe(op, "deleting", rc);
        break;
    }
    if (rc != ERROR_SUCCESS) break;
  }
  if (current) RegCloseKey(current);
  return rc;
}

LONG ImportRegText(const void* bytes, std::size_t size, std::string* error) {
  RegParseResult parsed = ParseRegText(bytes, size);
  if (!parsed.ok()) {
    if (error) *error = parsed.ErrorText();
    return ERROR_INVALID_DATA;
  }
  return ApplyRegOperations(parsed.operations, error);
}

bool SplitRegPath(const std::string& fullPath, HKEY* root, std::string* subPath) {
  std::string::size_type slash = fullPath.find('\\');
  std::string head = fullPath.substr(0, slash);
  if (SameText(head, "HKEY_LOCAL_MACHINE") || SameText(head, "HKLM")) {
    *root = HKEY_LOCAL_MACHINE;
  } else if (SameText(head, "HKEY_CURRENT_USER") || SameText(head, "HKCU")) {
    *root = HKEY_CURRENT_USER;
  } else {
    return false;
  }
  *subPath = slash == std::string::npos ? std::string() : fullPath.substr(slash + 1);
  return true;
}

LONG ExportRegText(const std::string& fullPath, std::string* text, std::string* error) {
  HKEY root = nullptr;
  std::string subPath;
  if (!SplitRegPath(fullPath, &root, &subPath)) {
    if (error) *error = "not a key of HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER: " + fullPath;
    return ERROR_INVALID_PARAMETER;
  }
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(root, subPath.c_str(), 0, KEY_READ, &key);
  if (rc != ERROR_SUCCESS) {
    if (error) *error = "cannot open " + fullPath + ": error " + std::to_string(rc);
    return rc;
  }
  RegTextKey tree;
  rc = ReadTree(key, &tree);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) {
    if (error) *error = "cannot read " + fullPath + ": error " + std::to_string(rc);
    return rc;
  }
  std::string rootName = root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  *text = WriteRegText(rootName + (subPath.empty() ? "" : "\\" + subPath), tree);
  return ERROR_SUCCESS;
}

}  // namespace zrplatform
