// The POSIX registry's hives: one REGEDIT4 text file per root key, an
// in-memory copy of it, and the rules for names and paths the registry
// functions share. Private to platform/posix/Registry*.cpp.
#pragma once

#include <functional>
#include <mutex>
#include <string>
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
// Order of subkeys: case-insensitive, as the registry keeps them.
bool NameLess(const std::string& a, const std::string& b);

// Splits a subkey path at its backslashes (not at a backslash that is the
// second byte of a double-byte character). An empty or null path gives no
// components; doubled and trailing backslashes are ignored. Returns
// ERROR_SUCCESS, ERROR_BAD_PATHNAME (a leading backslash) or
// ERROR_INVALID_PARAMETER (a name too long or one that cannot be written to a
// hive file).
LONG SplitKeyPath(const char* path, std::vector<std::string>& components);
// ERROR_SUCCESS or ERROR_INVALID_PARAMETER for a value name.
LONG CheckValueName(const std::string& name);

// Tree walks on stored keys; null when a component is missing.
const RegTextKey* FindKey(const RegTextKey& root, const std::vector<std::string>& path);
RegTextKey* FindKey(RegTextKey& root, const std::vector<std::string>& path);
RegTextKey* FindSubkey(RegTextKey& key, const std::string& name);
const RegTextKey* FindSubkey(const RegTextKey& key, const std::string& name);
// Inserts a new subkey at its place in the order; returns it.
RegTextKey& AddSubkey(RegTextKey& key, const std::string& name);
const RegTextValue* FindValue(const RegTextKey& key, const std::string& name);
RegTextValue* FindValue(RegTextKey& key, const std::string& name);

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

class Hive {
 public:
  explicit Hive(RegRoot root) : root_(root) {}
  Hive(const Hive&) = delete;
  Hive& operator=(const Hive&) = delete;

  RegRoot root() const { return root_; }

  // Runs `read` on the hive as its file holds it now (one stat when nothing
  // changed). Returns the hive's error (1015 malformed, 5, 1016) or read's result.
  LONG Read(const std::function<LONG(const RegTextKey& root)>& read);

  // Applies `change` under the file lock to the newest state of the file and
  // writes the result atomically, unless change fails or sets `changed` false.
  LONG Write(const std::function<LONG(RegTextKey& root, bool& changed)>& change);

 private:
  std::string FilePath() const;
  LONG Refresh(const std::string& path);
  static LONG ReadFile(int fd, std::string& bytes, Stamp& stamp);
  LONG Adopt(const std::string& path, std::string bytes, const Stamp& stamp);
  // ERROR_SUCCESS, or ERROR_REGISTRY_CORRUPT with the error text set (and
  // said on stderr once per version of the file) while the file is malformed.
  LONG CorruptError();
  LONG Save(const std::string& path, const RegTextKey& tree, const Stamp& previous, std::string& text, Stamp& stamp);

  const RegRoot root_;
  std::mutex mutex_;
  bool loaded_ = false;
  std::string loadedPath_;  // the file the copy below came from
  Stamp stamp_;
  std::string bytes_;  // its content, so a write under the lock can skip a parse
  RegTextKey tree_;
  std::string corruptText_;  // "<path>:<line>: <what>" while the file is malformed
};

Hive& HiveOf(RegRoot root);

}  // namespace zrplatform::registry
