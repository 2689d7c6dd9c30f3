// zraddrres store: the addresses an application recorded per port or printer.
#pragma once

#include <string>
#include <vector>

namespace zrtool {

// action: list, get, add, rename or remove; arguments as each needs them.
// add and rename refuse to replace another entry unless force is set.
int Store(const std::string& action, const std::vector<std::string>& arguments, bool json, bool force);

// One entry of the store, as store list shows it (ANSI text).
struct StoredEntry {
  std::string name;
  std::string value;
  bool tooLong = false;  // more than the store reads: no value
  unsigned long bytes = 0;
};

// The entries in the order the registry lists them, the PNS settings left
// out. True when read to the end (also when there is no store yet); false
// when the store could not be opened or read to its end, with the entries
// read before and the registry's words in `failure`.
bool ReadStore(std::vector<StoredEntry>& entries, std::string* failure);

// What the stored-address fallback takes as an address without a lookup: an
// IPv4 or IPv6 address text, or an IPX one (8 and 12 hexadecimal digits
// around a colon, in either order).
bool IsAddressText(const std::string& value);

}  // namespace zrtool
