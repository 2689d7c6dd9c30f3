// Address texts compared by the address they stand for, not by their
// letters: fd00:0010::0021 is the port configured as fd00:10::21, and the
// direct-print reader's node:network text is the stored network:node one.
//
// Pure: no platform call, so the rules are tested as a table.
#pragma once

#include <string>

namespace zrtool {

// The address a text stands for, as a key that is equal for every spelling
// of one address and differs between addresses; empty when the text is none
// of the forms below (it then only equals itself).
//  - IPv4: the library's dotted text (three dots, runs of at most three
//    digits) read as the socket library reads it: four parts of 0 to 255,
//    a part with a leading zero in octal (010 is 8); a text it cannot read
//    (999, 08, an empty part) has no value.
//  - IPv6: eight groups of up to four hexadecimal digits, "::" for a run of
//    zero groups, a dotted IPv4 tail, and a "%scope" suffix kept as text.
//  - IPX: 8 and 12 hexadecimal digits around a colon, in either order:
//    network and node, or the direct-print reader's node and network.
std::string AddressValue(const std::string& text);

// Whether two texts name one address: the same value, or (for texts that
// have none) the same letters without case.
bool SameAddress(const std::string& a, const std::string& b);

// The address in one spelling per value, for a person: dotted decimal,
// the shortest IPv6 form in lower case, network:node for IPX. The text
// itself when it has no value.
std::string PlainSpelling(const std::string& text);

// For a person, when a dotted text does not stand for what it seems to:
// a part with a leading zero read as octal, or a text the socket library
// cannot read at all. Empty otherwise.
std::string ReadingNote(const std::string& text);

}  // namespace zrtool
