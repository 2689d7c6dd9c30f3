// A private registry area for one test, on both targets.
// Natively the whole registry is private: ZRADDRRES_REGISTRY points at a
// fresh temporary folder for the life of the sandbox. Under Wine the registry
// is the prefix's real one, so the sandbox undoes what was seeded: keys that
// did not exist are deleted with their trees, values set on keys that did
// exist get their old contents back. Both happen through the registry calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "tests/support/Env.h"

namespace zrtest {

class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  // The innermost live sandbox, or null.
  static RegistrySandbox* Current();

  // Call before creating root\path: the first component of it that does not
  // exist yet is deleted, with everything below it, when the sandbox ends.
  void TrackKey(HKEY root, const std::string& path);
  // Call before setting a value under an existing key: its old contents (or
  // its absence) come back when the sandbox ends.
  void TrackValue(HKEY root, const std::string& path, const std::string& name);

  // A key path below HKEY_CURRENT_USER (or HKEY_LOCAL_MACHINE) that belongs
  // to this sandbox alone, already tracked: "Software\ZrAddrResTest\<n>".
  const std::string& ScratchPath() const { return m_scratch; }

  // The folder of the private hive files natively; empty under Windows.
  const std::string& HiveFolder() const { return m_folder; }

 private:
  struct Key {
    HKEY root;
    std::string path;
  };
  struct SavedValue {
    HKEY root;
    std::string path;
    std::string name;
    bool existed;
    DWORD type;
    std::vector<BYTE> data;
  };

  bool Covered(HKEY root, const std::string& path) const;

  RegistrySandbox* m_outer;
  std::string m_folder;
  std::unique_ptr<ScopedEnv> m_env;
  std::string m_scratch;
  std::vector<Key> m_keys;
  std::vector<SavedValue> m_values;
};

// True when the registry under test follows the 9x line's rules: Wine set to
// win95, win98 or winme. Its keys carry no security, so access masks are not
// checked; RegDeleteKeyA deletes a key with its subkeys; RegSetValueExA takes
// a REG_SZ's length from its text; RegCreateKeyExA skips one leading
// backslash. The POSIX registry keeps the NT contract on every line, so
// natively this is false whatever ZRADDRRES_WINVER says.
bool RegistryHas9xRules();

// The one of a table's two expected values that holds for the registry under
// test: `nt` on the NT line and natively, `win9x` on the 9x line.
template <typename T>
T ForRegistryLine(T nt, T win9x) {
  return RegistryHas9xRules() ? win9x : nt;
}

namespace internal {

// The per-target piece: natively a new empty folder for the hive files;
// under Windows nothing (empty name), as the registry is the prefix's.
std::string MakePrivateRegistryFolder();
void RemovePrivateRegistryFolder(const std::string& folder);

}  // namespace internal

}  // namespace zrtest
