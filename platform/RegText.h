// Registry export text (.reg files): reading REGEDIT4 and version 5.00 exports
// into a list of operations, and writing a key tree back as REGEDIT4.
// Pure logic on both targets; the only system service used is the ANSI code
// page conversion, because names and strings of a Unicode export end up as
// the ANSI bytes the A functions of the registry see.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace zrplatform {

// The two hives a .reg text may name; HKLM and HKCU are accepted as short forms.
enum class RegRoot { LocalMachine, CurrentUser };

// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER".
const char* RegRootName(RegRoot root);

struct RegOperation {
  enum class Kind {
    CreateKey,    // [ROOT\path]: create the key (and its parents) if missing
    SetValue,     // "name"=data under the last key
    DeleteValue,  // "name"=-
    DeleteTree,   // [-ROOT\path]: delete the key and everything below it
  };
  Kind kind = Kind::CreateKey;
  RegRoot root = RegRoot::LocalMachine;
  std::string keyPath;    // ANSI, below the root, as written (backslashes); empty for the root itself
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

// Parses a whole .reg text: REGEDIT4 (ANSI bytes), or
// "Windows Registry Editor Version 5.00" in UTF-16LE (with its BOM) or UTF-8
// (with or without BOM). Never fails other than through the result.
RegParseResult ParseRegText(const void* bytes, std::size_t size);
inline RegParseResult ParseRegText(const std::string& text) { return ParseRegText(text.data(), text.size()); }

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
std::string WriteRegText(const std::string& keyPath, const RegTextKey& key);

// Several keys in one text, one after the other, each as above.
struct RegTextTree {
  std::string keyPath;
  RegTextKey key;
};
std::string WriteRegText(const std::vector<RegTextTree>& trees);

// One value line ("name"=data, without the line end), as WriteRegText writes it.
std::string WriteRegValueLine(const RegTextValue& value);

}  // namespace zrplatform
