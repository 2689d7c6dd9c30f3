// What the port-reader tests share: the Windows lines each reader runs in,
// running a test body in those lines, and reading from the trace which
// readers ran, in which order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tests/support/LogCapture.h"

namespace zrtest {

// Windows lines by the names ZRADDRRES_WINVER and Wine's version setting use.
using Lines = std::vector<std::string>;
const Lines& AllLines();
const Lines& NT5Lines();  // win2k, win10
const Lines& NTLines();   // nt40 and the NT 5 lines
const Lines& NineXLines();  // win95, win98, winme

// Whether any of the lines can be tried in this run: natively all of them;
// under Wine only the line the run is in.
bool RunsHere(const Lines& lines);
// Runs body once per line that can be tried here, with the line in force for
// resolvers constructed inside body (natively through ZRADDRRES_WINVER).
void ForEachLine(const Lines& lines, const std::function<void(const std::string& line)>& body);

// Whether a string value can be stored without its terminator here. The 9x
// line's RegSetValueExA stores a string up to its first NUL whatever count it
// is given, and Wine does the same in its 9x versions; natively the hive files
// keep the bytes as given in every line.
bool RegistryKeepsUnterminatedStrings();

// The port readers whose start lines the trace holds, in order, by their
// member names ("GetIPAddressFromLPRPort"...). The generic TQP reader, the
// lookups and the readers of other subsystems are left out.
std::vector<std::string> PortReadersRun(const LogCapture& log);
// The port readers the IP dispatch tries in a line, in order (the SMB reader
// of the NT lines, which belongs to another subsystem, left out).
std::vector<std::string> ChainOf(const std::string& line);
// The chain of the line up to and including the reader that answered.
std::vector<std::string> ChainUpTo(const std::string& line, const std::string& reader);

}  // namespace zrtest
