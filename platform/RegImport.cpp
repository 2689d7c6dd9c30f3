#include "platform/RegImport.h"

#include <cctype>
#include <utility>

namespace zrplatform {

namespace {

bool SameText(const std::string& a, const char* b) {
  std::string upper;
  for (char c : a) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper == b;
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

std::string DescribeRegFailure(const RegOperation& op, LONG code) {
  std::string what;
  switch (op.kind) {
    case RegOperation::Kind::CreateKey: what = "creating"; break;
    case RegOperation::Kind::SetValue: what = "setting \"" + op.valueName + "\" under"; break;
    case RegOperation::Kind::DeleteValue: what = "deleting a value under"; break;
    case RegOperation::Kind::DeleteTree: what = "deleting"; break;
  }
  return "line " + std::to_string(op.line) + ": " + what + " " + RegRootName(op.root) +
         (op.keyPath.empty() ? "" : "\\") + op.keyPath + " failed with error " + std::to_string(code);
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
