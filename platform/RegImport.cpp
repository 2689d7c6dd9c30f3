#include "platform/RegImport.h"

#include <cctype>
#include <fstream>
#include <utility>

#include "platform/CodePage.h"
#include "platform/PrivateRegistry.h"

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

// The components of a key path, split as the registry splits it: not at a
// backslash that is the second byte of a double-byte character.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> components;
  std::string current;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      current.append(path, i, 2);
      ++i;
    } else if (path[i] == '\\') {
      if (!current.empty()) components.push_back(current);
      current.clear();
    } else {
      current.push_back(path[i]);
    }
  }
  if (!current.empty()) components.push_back(current);
  return components;
}

// The path below `root` as the registry stores its names: a user may type
// any case, and an export names keys as a later import will create them.
LONG StoredPath(HKEY root, const std::string& typed, std::string* stored) {
  stored->clear();
  HKEY key = root;
  LONG rc = ERROR_SUCCESS;
  for (const std::string& component : Components(typed)) {
    std::string found;
    for (DWORD index = 0; found.empty(); ++index) {
      char name[512];  // 255 characters, double-byte ones included
      DWORD nameLength = sizeof name;
      rc = RegEnumKeyExA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) rc = ERROR_FILE_NOT_FOUND;
      if (rc != ERROR_SUCCESS) break;
      std::string candidate(name, nameLength);
      if (SameRegistryName(candidate.c_str(), component.c_str())) found = candidate;
    }
    HKEY next = nullptr;
    if (rc == ERROR_SUCCESS) rc = RegOpenKeyExA(key, found.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &next);
    if (key != root) RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return rc;
    key = next;
    *stored += (stored->empty() ? "" : "\\") + found;
  }
  if (key != root) RegCloseKey(key);
  return ERROR_SUCCESS;
}

// Reads one key's tree for an export; `keyPath` gets its full stored name.
LONG ReadKeyForExport(const std::string& fullPath, RegTextTree* tree, std::string* error) {
  HKEY root = nullptr;
  std::string subPath;
  if (!SplitRegPath(fullPath, &root, &subPath)) {
    if (error) *error = "not a key of HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER: " + fullPath;
    return ERROR_INVALID_PARAMETER;
  }
  const std::string rootName = root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(root, subPath.c_str(), 0, KEY_READ, &key);
  if (rc == ERROR_SUCCESS) {
    std::string stored;
    rc = StoredPath(root, subPath, &stored);
    if (rc == ERROR_SUCCESS) tree->keyPath = rootName + (stored.empty() ? "" : "\\" + stored);
  }
  if (rc != ERROR_SUCCESS) {
    if (key) RegCloseKey(key);
    if (error) {
      std::string named = rootName + (subPath.empty() ? "" : "\\" + subPath);
      *error = rc == ERROR_FILE_NOT_FOUND ? "no key " + named
                                          : "cannot open " + named + ": error " + std::to_string(rc);
    }
    return rc;
  }
  rc = ReadTree(key, &tree->key);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS && error) *error = "cannot read " + tree->keyPath + ": error " + std::to_string(rc);
  return rc;
}

void Count(const RegOperation& op, RegImportSummary& summary) {
  if (op.kind == RegOperation::Kind::CreateKey) ++summary.keys;
  if (op.kind == RegOperation::Kind::SetValue) ++summary.values;
  (op.root == RegRoot::LocalMachine ? summary.machine : summary.user) = true;
}

// Reads a whole text for its faults (and its summary) without keeping its
// operations: a list of them may take many times the text's size, so they
// are read again from the text where they are applied.
RegParseResult CheckRegText(const void* bytes, std::size_t size, RegImportSummary* summary) {
  RegImportSummary counted;
  RegParseResult parsed = ParseRegText(bytes, size, RegTextForm(), [&counted](RegOperation& op) {
    Count(op, counted);
    return std::string();
  });
  if (parsed.ok() && summary) *summary = counted;
  return parsed;
}

bool IsBelow(const RegOperation& key, const RegOperation& top) {
  if (key.root != top.root) return false;
  if (top.keyPath.empty()) return true;
  const std::string& path = key.keyPath.str();
  const std::string& topPath = top.keyPath.str();
  if (path.size() < topPath.size()) return false;
  if (path.size() > topPath.size() && path[topPath.size()] != '\\') return false;
  return SameRegistryName(path.substr(0, topPath.size()).c_str(), topPath.c_str());
}

}  // namespace

LONG ReadRegFile(const std::string& path, std::string* bytes, std::string* error) {
  bytes->clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot be read";
    return ERROR_FILE_NOT_FOUND;
  }
  auto tooLarge = [&](unsigned long long size) {
    bytes->clear();
    if (error) *error = std::to_string(size) + " bytes, more than " + RegTextLimitText();
    return static_cast<LONG>(ERROR_FILE_TOO_LARGE);
  };
  // A file's size is known before anything is read; a pipe's is not.
  if (in.seekg(0, std::ios::end)) {
    const std::streamoff size = in.tellg();
    if (size >= 0 && static_cast<unsigned long long>(size) > kMaxRegTextBytes) {
      return tooLarge(static_cast<unsigned long long>(size));
    }
    if (size > 0) bytes->reserve(static_cast<std::size_t>(size));
    in.seekg(0, std::ios::beg);
  } else {
    in.clear();
  }
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes->append(chunk, static_cast<std::size_t>(in.gcount()));
    if (bytes->size() > kMaxRegTextBytes) return tooLarge(bytes->size());
  }
  if (in.bad()) {
    bytes->clear();
    if (error) *error = "cannot be read";
    return ERROR_FILE_NOT_FOUND;
  }
  return ERROR_SUCCESS;
}

RegImportSummary SummarizeRegOperations(const RegOperations& operations) {
  RegImportSummary summary;
  operations.ForEach([&summary](const RegOperation& op) {
    Count(op, summary);
    return ERROR_SUCCESS;
  });
  return summary;
}

std::vector<RegOperation> TopRegKeys(const RegOperations& operations) {
  // A text has few top keys, so each key is compared with them only.
  std::vector<RegOperation> tops;
  operations.ForEach([&tops](const RegOperation& op) {
    if (op.kind != RegOperation::Kind::CreateKey) return ERROR_SUCCESS;
    bool covered = false;
    for (const RegOperation& top : tops) covered = covered || IsBelow(op, top);
    if (covered) return ERROR_SUCCESS;
    std::vector<RegOperation> kept;
    for (RegOperation& top : tops) {
      if (!IsBelow(top, op)) kept.push_back(std::move(top));
    }
    kept.push_back(op);
    tops.swap(kept);
    return ERROR_SUCCESS;
  });
  return tops;
}

std::string DescribeRegFailure(const RegOperation& op, LONG code) {
  std::string what;
  switch (op.kind) {
    case RegOperation::Kind::CreateKey: what = "creating"; break;
    case RegOperation::Kind::SetValue: what = "setting \"" + op.valueName + "\" under"; break;
    case RegOperation::Kind::DeleteValue: what = "deleting a value under"; break;
    case RegOperation::Kind::DeleteTree: what = "deleting"; break;
  }
  return "line " + std::to_string(op.line) + ": " + what + " " + RegRootName(op.root) +
         (op.keyPath.empty() ? "" : "\\") + op.keyPath.str() + " failed with error " + std::to_string(code);
}

LONG ImportRegText(const void* bytes, std::size_t size, std::string* error, RegApplyMode mode,
                   RegImportSummary* summary) {
  RegParseResult parsed = CheckRegText(bytes, size, summary);
  if (!parsed.ok()) {
    if (error) *error = parsed.ErrorText();
    return ERROR_INVALID_DATA;
  }
  return ApplyRegOperations(RegOperations(bytes, size), error, mode);
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
  std::vector<RegTextTree> trees(1);
  LONG rc = ReadKeyForExport(fullPath, &trees[0], error);
  if (rc == ERROR_SUCCESS) *text = WriteRegText(trees);
  return rc;
}

LONG ExportRegText(const std::vector<std::string>& fullPaths, std::string* text, std::string* error) {
  std::vector<RegTextTree> trees;
  for (const std::string& fullPath : fullPaths) {
    RegTextTree tree;
    LONG rc = ReadKeyForExport(fullPath, &tree, error);
    if (rc == ERROR_FILE_NOT_FOUND) continue;
    if (rc != ERROR_SUCCESS) return rc;
    trees.push_back(std::move(tree));
  }
  if (error) error->clear();
  *text = WriteRegText(trees);
  return ERROR_SUCCESS;
}

}  // namespace zrplatform

namespace zrplatform {

namespace {

std::string& ExportInUse() {
  static std::string* file = new std::string;
  return *file;
}

}  // namespace

const std::string& RegistryExportInUse() { return ExportInUse(); }

LONG UseRegistryExport(const std::string& file, std::string* error) {
  std::string bytes;
  if (LONG rc = ReadRegFile(file, &bytes, error); rc != ERROR_SUCCESS) return rc;
  RegParseResult parsed = CheckRegText(bytes.data(), bytes.size(), nullptr);
  if (!parsed.ok()) {
    if (error) *error = parsed.ErrorText();
    return ERROR_INVALID_DATA;
  }
  LONG rc = MakePrivateRegistry(RegOperations(bytes.data(), bytes.size()), error);
  if (rc == ERROR_SUCCESS) ExportInUse() = file;
  return rc;
}

}  // namespace zrplatform
