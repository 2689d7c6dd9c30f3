// Registry export text (.reg files): reading REGEDIT4 and version 5.00 exports
// into a list of operations, and writing a key tree back as REGEDIT4.
// Pure logic on both targets; the only system service used is the ANSI code
// page conversion, because names and strings of a Unicode export end up as
// the ANSI bytes the A functions of the registry see.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Types.h"

namespace zrplatform {

// The two hives a .reg text may name; HKLM and HKCU are accepted as short forms.
enum class RegRoot { LocalMachine, CurrentUser };

// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER".
const char* RegRootName(RegRoot root);

// A key path below its root, shared by the operation of a [key] line and
// those of every value line under it. An export may hold a long path over a
// great many value lines; a copy per line would take the path's length times
// the lines, many times the text's own size.
class RegKeyPath {
 public:
  RegKeyPath() = default;
  explicit RegKeyPath(std::string path) : path_(std::make_shared<const std::string>(std::move(path))) {}

  const std::string& str() const { return path_ ? *path_ : Empty(); }
  const char* c_str() const { return str().c_str(); }
  bool empty() const { return str().empty(); }
  std::size_t size() const { return str().size(); }

 private:
  static const std::string& Empty() {
    static const std::string empty;
    return empty;
  }
  std::shared_ptr<const std::string> path_;
};

struct RegOperation {
  enum class Kind {
    CreateKey,    // [ROOT\path]: create the key (and its parents) if missing
    SetValue,     // "name"=data under the last key
    DeleteValue,  // "name"=-
    DeleteTree,   // [-ROOT\path]: delete the key and everything below it
  };
  Kind kind = Kind::CreateKey;
  RegRoot root = RegRoot::LocalMachine;
  RegKeyPath keyPath;     // ANSI, below the root, as written (backslashes); empty for the root itself
  std::string valueName;  // ANSI; empty for the default value (@)
  DWORD type = 0;         // SetValue only
  std::vector<BYTE> data; // SetValue only, exactly as the registry stores it
  int line = 0;           // where the operation starts in the text, from 1
};

struct RegParseResult {
  std::vector<RegOperation> operations;  // empty when the text is malformed
  int errorLine = 0;                     // 0 when the text parsed
  std::string errorWhat;                 // what was wrong, without the line

  bool ok() const { return errorLine == 0; }
  // "line 12: expected ..." (empty when the text parsed).
  std::string ErrorText() const;
};

// The largest .reg text (or hive file) read: 64 MiB, some twenty times a
// large site's whole Print key, so that a file of any size cannot take the
// memory and time of every process that reads it.
constexpr std::size_t kMaxRegTextBytes = 64u << 20;
// "the 64 MiB a registry text may hold", for messages.
std::string RegTextLimitText();

// How quoted names and strings of a REGEDIT4 text are written.
enum class RegQuoting {
  // A double-byte character of the code page is one character, its trail
  // byte (which may be 5C, a backslash) never escaped: what regedit writes.
  WholeCharacters,
  // Every backslash byte escaped, a trail byte too: the hive files of
  // earlier versions of this registry.
  EveryByte,
};

// The code page and quoting of a REGEDIT4 text; a version 5.00 text is
// Unicode and ignores both. Code page 0 is the process's ANSI code page.
struct RegTextForm {
  unsigned codePage = 0;
  RegQuoting quoting = RegQuoting::WholeCharacters;
};

// Parses a whole .reg text: REGEDIT4 (ANSI bytes, in the form given), or
// "Windows Registry Editor Version 5.00" in UTF-16LE (with its BOM) or UTF-8
// (with or without BOM). A text over kMaxRegTextBytes is refused at line 1.
// Never fails other than through the result.
RegParseResult ParseRegText(const void* bytes, std::size_t size, RegTextForm form = RegTextForm());
inline RegParseResult ParseRegText(const std::string& text, RegTextForm form = RegTextForm()) {
  return ParseRegText(text.data(), text.size(), form);
}

// The same, handing each operation to `take` as it is read instead of keeping
// them all. `take` returns "" to go on, or what is wrong with the operation,
// which stops the parse with the operation's line. `operations` of the result
// stays empty.
RegParseResult ParseRegText(const void* bytes, std::size_t size, RegTextForm form,
                            const std::function<std::string(RegOperation& op)>& take);

// The operations of a text, walked as often as needed: those of a list, or
// those of a text read again at each walk, so that applying a large text
// holds its bytes and never a list of its lines, which may take many times
// the text's size.
class RegOperations {
 public:
  using Visit = std::function<LONG(const RegOperation& op)>;

  // The list's operations; the list must outlive this.
  RegOperations(const std::vector<RegOperation>& list) : list_(&list) {}  // NOLINT: a list is its operations
  // The operations of a text ParseRegText read without error; the bytes
  // must outlive this.
  RegOperations(const void* bytes, std::size_t size, RegTextForm form = RegTextForm())
      : bytes_(bytes), size_(size), form_(form) {}

  // Hands each operation to `visit` in order; stops at the first for which it
  // returns other than ERROR_SUCCESS and returns that (ERROR_INVALID_DATA
  // for a text that does not parse).
  LONG ForEach(const Visit& visit) const;

 private:
  const std::vector<RegOperation>* list_ = nullptr;
  const void* bytes_ = nullptr;
  std::size_t size_ = 0;
  RegTextForm form_;
};

// Whether a name written as a quoted text of that code page (0: the ANSI
// code page) reads back whole: not when it ends in a lone lead byte, which a
// reader would pair with the closing quote.
bool QuotesWhole(const std::string& text, unsigned codePage = 0);

// A key and everything below it, in stored order.
struct RegTextValue {
  std::string name;  // empty for the default value
  DWORD type = 0;
  std::vector<BYTE> data;
};
struct RegTextKey {
  std::string name;  // one path component; ignored for the key given to WriteRegText
  std::vector<RegTextValue> values;
  std::vector<RegTextKey> subkeys;
};

// REGEDIT4 text with one [section] per key, the given key first and then its
// subkeys depth first, in stored order. keyPath is the full name of `key`,
// root included ("HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE\Software\X").
// Lines end in CR LF; hex data is wrapped at about 80 columns as regedit does.
// Parsing the result gives back every name, type and byte exactly.
// Names and strings are written in the code page given (0: the ANSI code
// page) with whole double-byte characters; a string that would not read
// back whole that way is written in hex(1): form.
std::string WriteRegText(const std::string& keyPath, const RegTextKey& key, unsigned codePage = 0);

// Several keys in one text, one after the other, each as above.
struct RegTextTree {
  std::string keyPath;
  RegTextKey key;
};
std::string WriteRegText(const std::vector<RegTextTree>& trees, unsigned codePage = 0);

// One value line ("name"=data, without the line end), as WriteRegText writes it.
std::string WriteRegValueLine(const RegTextValue& value, unsigned codePage = 0);

}  // namespace zrplatform
