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

// A UTF-8 text as a person may see it on a terminal or in a message: names
// come from registry exports under audit and texts from hosts on the network,
// so no control character reaches the terminal to move its cursor, retitle
// it or start a line of its own. A tab, carriage return and line feed read
// \t, \r and \n (a tab-separated line keeps its fields); other C0 controls
// and DEL read \xHH; C1 controls (U+0080 to U+009F) read \u00HH; a byte that
// is no part of UTF-8 reads \xHH. Judged on the UTF-8 text, so the lead and
// trail bytes of code page 932 are never taken for controls. A backslash is
// not doubled: \\srv\tray stays the UNC name it is.
std::string Printable(const std::string& utf8);

// The library's ANSI text as a person sees it: Printable(ToUtf8(ansi)). The
// one step from a name or text to the terminal.
std::string Shown(const std::string& ansi);

// A text of lines for a terminal (a registry export): Printable, except that
// each line keeps its "\r\n" end.
std::string PrintableLines(const std::string& utf8);

// One field of a CSV line: quoted (its quotes doubled) when it holds a comma,
// a quote or a line break. A text from outside (a name, an address, a
// detail) that a spreadsheet would take for a formula (its first character
// =, +, -, @, a tab or a carriage return) is quoted with a ' before it, so
// the cell opens as text; numbers the tool writes itself do not come here.
std::string CsvField(const std::string& text);

// The columns a terminal gives a UTF-8 text: East Asian wide characters take
// two, everything else one.
std::size_t DisplayWidth(const std::string& utf8);

// The text followed by spaces up to a display width.
std::string PadTo(const std::string& utf8, std::size_t width);

}  // namespace zrtool
