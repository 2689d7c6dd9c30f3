// POSIX: the operations of a .reg text applied as one change to the hives
// they name, under the hives' file locks, and saved once when every one of
// them succeeded, so an import is never left half done (RegistryHive.h).
#include "platform/RegApply.h"

#include <algorithm>
#include <utility>

#include "platform/PrivateRegistry.h"
#include "platform/Registry.h"
#include "platform/posix/RegistryHive.h"

namespace zrplatform {

LONG ApplyRegOperations(const RegOperations& operations, std::string* error, RegApplyMode mode) {
  using registry::HiveEdit;
  using registry::HiveKey;
  bool touched[2] = {false, false};  // by root
  operations.ForEach([&touched](const RegOperation& op) {
    touched[op.root == RegRoot::LocalMachine ? 0 : 1] = true;
    return ERROR_SUCCESS;
  });
  std::vector<HiveEdit> edits;
  for (RegRoot root : {RegRoot::LocalMachine, RegRoot::CurrentUser}) {
    if (touched[root == RegRoot::LocalMachine ? 0 : 1]) edits.push_back(HiveEdit{&registry::HiveOf(root)});
  }
  if (edits.empty()) return ERROR_SUCCESS;

  // A copy of the operation that failed: those of a text are read again
  // from it, each gone once it is made.
  RegOperation failed;
  bool anyFailed = false;
  LONG rc = registry::Hive::WriteAll(edits, [&](std::vector<HiveEdit>& all) -> LONG {
    anyFailed = false;
    // Replacing is emptying each touched hive within the same change, so the
    // one save puts the text's content in place of the old one, or nothing.
    if (mode == RegApplyMode::Replace) {
      for (HiveEdit& hive : all) {
        if (hive.root->Clear()) hive.changed = true;
      }
    }
    HiveKey* current = nullptr;  // the key of the last [key] line
    bool* currentChanged = nullptr;
    std::vector<std::string> path;
    return operations.ForEach([&](const RegOperation& op) {
      HiveEdit& hive =
          *std::find_if(all.begin(), all.end(), [&op](const HiveEdit& e) { return e.hive->root() == op.root; });
      LONG opRc = ERROR_SUCCESS;
      switch (op.kind) {
        case RegOperation::Kind::CreateKey:
          current = nullptr;
          opRc = registry::SplitKeyPath(op.keyPath.c_str(), path);
          if (opRc == ERROR_SUCCESS && path.size() > registry::kMaxDepth) opRc = ERROR_INVALID_PARAMETER;
          if (opRc == ERROR_SUCCESS) {
            current = &registry::CreatePath(*hive.root, path, nullptr, hive.changed);
            currentChanged = &hive.changed;
          }
          break;
        case RegOperation::Kind::SetValue:
          // This registry keeps exactly the bytes given on every Windows
          // line, so the 9x line's reading of a string needs nothing here.
          if (current == nullptr) {
            opRc = ERROR_INVALID_HANDLE;
          } else if ((opRc = registry::CheckValueName(op.valueName)) == ERROR_SUCCESS &&
                     current->SetValue(op.valueName, op.type, op.data)) {
            *currentChanged = true;
          }
          break;
        case RegOperation::Kind::DeleteValue:
          // A value already gone is what was asked.
          if (current == nullptr) {
            opRc = ERROR_INVALID_HANDLE;
          } else if (current->DeleteValue(op.valueName)) {
            *currentChanged = true;
          }
          break;
        case RegOperation::Kind::DeleteTree:
          current = nullptr;
          opRc = registry::SplitKeyPath(op.keyPath.c_str(), path);
          if (opRc == ERROR_SUCCESS) opRc = registry::DeleteTree(*hive.root, path, hive.changed);
          if (opRc == ERROR_FILE_NOT_FOUND) opRc = ERROR_SUCCESS;
          break;
      }
      if (opRc != ERROR_SUCCESS) {
        failed = op;
        anyFailed = true;
      }
      return opRc;
    });
  });
  if (rc != ERROR_SUCCESS && error != nullptr) {
    *error = anyFailed ? DescribeRegFailure(failed, rc)
                       : "the registry failed with error " + std::to_string(rc) + "; nothing was changed";
  }
  return rc;
}

std::string RegistryLocation(bool machine, bool user) {
  // A private copy's folder is temporary: the export is what the user knows.
  if (!RegistryExportInUse().empty()) return "the export " + RegistryExportInUse();
  // Folder and the hive files in it, in the order asked for.
  std::vector<std::pair<std::string, std::string>> folders;
  for (RegRoot root : {RegRoot::LocalMachine, RegRoot::CurrentUser}) {
    if (!(root == RegRoot::LocalMachine ? machine : user)) continue;
    std::string path;
    if (registry::HiveFilePath(root, path) != ERROR_SUCCESS) {
      path = std::string("(") + RegistryErrorText() + ")/" + (root == RegRoot::LocalMachine ? "HKLM.reg" : "HKCU.reg");
    }
    std::string::size_type slash = path.rfind('/');
    std::string folder = path.substr(0, slash);
    std::string file = path.substr(slash + 1);
    auto same = std::find_if(folders.begin(), folders.end(), [&](const auto& f) { return f.first == folder; });
    if (same != folders.end()) {
      same->second += ", " + file;
    } else {
      folders.emplace_back(folder, file);
    }
  }
  std::string text;
  for (const auto& [folder, files] : folders) text += (text.empty() ? "" : " and ") + folder + " (" + files + ")";
  return text;
}

}  // namespace zrplatform
