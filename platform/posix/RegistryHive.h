// The POSIX registry's hives: one REGEDIT4 text file per root key, an
// in-memory copy of it, and the rules for names and paths the registry
// functions share. Private to platform/posix/Registry*.cpp and RegApply.cpp.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

#include "platform/RegText.h"
#include "platform/Types.h"

namespace zrplatform::registry {

// The registry's own limits: a key name of 255 characters, a value name of
// 16383, and a tree 512 levels deep.
constexpr std::size_t kMaxKeyNameChars = 255;
constexpr std::size_t kMaxValueNameChars = 16383;
constexpr std::size_t kMaxDepth = 512;

// Names compare case-insensitively in the ANSI code page (double-byte
// characters of code page 932 are compared whole); the stored case is kept.
bool SameName(const std::string& a, const std::string& b);

// Splits a subkey path at its backslashes (not at a backslash that is the
// second byte of a double-byte character of `codePage`; the process's ANSI
// code page when not given). An empty or null path gives no components;
// doubled and trailing backslashes are ignored. Returns ERROR_SUCCESS,
// ERROR_BAD_PATHNAME (a leading backslash) or ERROR_INVALID_PARAMETER (a
// name too long or one that cannot be written to a hive file).
LONG SplitKeyPath(const char* path, std::vector<std::string>& components);
LONG SplitKeyPath(const char* path, UINT codePage, std::vector<std::string>& components);
// ERROR_SUCCESS or ERROR_INVALID_PARAMETER for a value name.
LONG CheckValueName(const std::string& name);

// A key of a hive in memory. Its values keep the order they were first set
// in (RegEnumValue's index) and are found through an index by folded name;
// its subkeys are kept in folded-name order with their folded names, so a
// lookup is a binary search that folds only the name asked for. Loading a
// hive is linear in its values however many one key holds.
class HiveKey {
 public:
  HiveKey() = default;
  explicit HiveKey(std::string name);

  const std::string& name() const { return name_; }

  const std::vector<RegTextValue>& values() const { return values_; }
  const RegTextValue* FindValue(const std::string& name) const;
  // A new name goes at the end; an existing one keeps its stored name and
  // place and takes the type and data. True when anything changed.
  bool SetValue(const std::string& name, DWORD type, std::vector<BYTE> data);
  // False when there is no such value.
  bool DeleteValue(const std::string& name);

  const std::vector<HiveKey>& subkeys() const { return subkeys_; }
  HiveKey* FindSubkey(const std::string& name);
  const HiveKey* FindSubkey(const std::string& name) const;
  // The subkey of that name, or a new one inserted at its place in the
  // order (`added` set then).
  HiveKey& FindOrAddSubkey(const std::string& name, bool& added);
  // False when there is no such subkey.
  bool DeleteSubkey(const std::string& name);

  // Removes every value and subkey; true when there was any.
  bool Clear();

 private:
  std::vector<HiveKey>::iterator SubkeyPlace(const std::string& folded);

  std::string name_;
  std::string folded_;
  std::vector<RegTextValue> values_;
  std::unordered_map<std::string, std::size_t> valueIndex_;  // folded name -> place in values_
  std::vector<HiveKey> subkeys_;
};

// Tree walks on stored keys; null when a component is missing.
const HiveKey* FindKey(const HiveKey& root, const std::vector<std::string>& path);
HiveKey* FindKey(HiveKey& root, const std::vector<std::string>& path);
// RegCreateKeyEx's walk: the key at `path` below `key`, made with its parents
// where missing. `stored` (when given) gets the stored names of the path;
// `created` is set when a key was made.
HiveKey& CreatePath(HiveKey& key, const std::vector<std::string>& path, std::vector<std::string>* stored,
                    bool& created);
// RegDeleteTree's work below `key`: the key at `path` goes with everything
// below it; with an empty path everything below `key` goes and `key` stays.
// ERROR_SUCCESS (`changed` set when anything went) or ERROR_FILE_NOT_FOUND.
LONG DeleteTree(HiveKey& key, const std::vector<std::string>& path, bool& changed);

// The text for RegistryErrorText() of this thread.
void SetErrorText(const std::string& text);
const char* ErrorText();

// What tells one version of a hive file from another: a writer gives each
// version a later mtime, and a replaced file has a new inode.
struct Stamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  long long mtimeSeconds = 0;
  long mtimeNanoseconds = 0;

  static Stamp Of(const struct stat& st);
  bool operator==(const Stamp& other) const;
};

class Hive;

// The file a hive lives in (ZRADDRRES_REGISTRY, else its default), or the
// error (with the error text set) when the user hive has no folder.
LONG HiveFilePath(RegRoot root, std::string& path);

// One hive's part in a change: its tree while the change runs, and whether
// the change touched it. A change sets `changed` as soon as it alters the
// tree, even when it fails afterwards, so that the tree is put back.
struct HiveEdit {
  Hive* hive = nullptr;
  HiveKey* root = nullptr;
  bool changed = false;
};

class Hive {
 public:
  explicit Hive(RegRoot root) : root_(root) {}
  Hive(const Hive&) = delete;
  Hive& operator=(const Hive&) = delete;

  RegRoot root() const { return root_; }

  // Runs `read` on the hive as its file holds it now (one stat when nothing
  // changed). Returns the hive's error (1015 malformed, 5, 1016) or read's result.
  LONG Read(const std::function<LONG(const HiveKey& root)>& read);

  // Applies `change` under the file lock to the newest state of the file and
  // writes the result atomically, unless change fails or leaves `changed` false.
  LONG Write(const std::function<LONG(HiveKey& root, bool& changed)>& change);

  // The same for several hives as one change: their file locks are taken in
  // a fixed order (the machine hive first), `change` runs once on all the
  // trees, and the hives are saved only when it succeeded, each file written
  // and synced before any is put in place.
  static LONG WriteAll(std::vector<HiveEdit>& edits, const std::function<LONG(std::vector<HiveEdit>& edits)>& change);

 private:
  struct PendingSave;

  LONG FilePath(std::string& path) const { return HiveFilePath(root_, path); }
  // Brings the copy up to the file's version; `rebuilt` (when given) is set
  // when the tree was built again.
  LONG Refresh(const std::string& path, bool* rebuilt = nullptr);
  LONG Adopt(const std::string& path, std::string bytes, const Stamp& stamp, bool* rebuilt);
  // Builds the tree from bytes_; also undoes a change that will not be saved.
  void Rebuild();
  // ERROR_SUCCESS, or ERROR_REGISTRY_CORRUPT with the error text set (and
  // said on stderr once per version of the file) while the file is malformed.
  LONG CorruptError();
  LONG Prepare(const std::string& path, PendingSave& pending);
  LONG Commit(PendingSave& pending);

  const RegRoot root_;
  std::mutex mutex_;
  bool loaded_ = false;
  std::string loadedPath_;  // the file the copy below came from
  Stamp stamp_;
  std::string bytes_;  // its content, so a write under the lock can skip a parse
  UINT codePage_ = 0;  // the code page its key names are written in
  HiveKey tree_;
  bool dirty_ = false;       // tree_ holds a change bytes_ does not
  std::string corruptText_;  // "<path>:<line>: <what>" while the file is malformed
  std::string reported_;     // the malformed version last said on stderr
};

Hive& HiveOf(RegRoot root);

}  // namespace zrplatform::registry
