// Text between the user and the library: the user types and reads UTF-8, the
// library's names and texts are in the ANSI code page.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zrtool {

// The library's ANSI text in UTF-8.
std::string ToUtf8(const std::string& ansi);

// A UTF-8 argument in the ANSI code page; false when the page cannot hold
// every character of it (nothing is replaced by a look-alike or a '?').
bool ToAnsi(const std::string& utf8, std::string& ansi);

// Converts the user's arguments to the ANSI code page in place. The first
// one that is no UTF-8 or that the page cannot hold is named in a message
// for the command ("store add") and the result is false: a name is never
// passed on with a '?' in it.
bool ArgumentsToAnsi(const std::string& command, const std::vector<std::string*>& arguments);

// One field of a tab-separated line: a tab, carriage return or line feed
// inside it is written as \t, \r or \n, so the line keeps its fields.
std::string Field(const std::string& utf8);

// One field of a CSV line: quoted (its quotes doubled) when it holds a comma,
// a quote or a line break.
std::string CsvField(const std::string& text);

// The columns a terminal gives a UTF-8 text: East Asian wide characters take
// two, everything else one.
std::size_t DisplayWidth(const std::string& utf8);

// The text followed by spaces up to a display width.
std::string PadTo(const std::string& utf8, std::size_t width);

}  // namespace zrtool
