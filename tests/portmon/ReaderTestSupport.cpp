#include "tests/portmon/ReaderTestSupport.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "tests/support/Env.h"
#include "tests/support/Mode.h"

namespace zrtest {

namespace {

Line LineOf(const std::string& name) {
  if (name == "win95") return Line::Win95;
  if (name == "win98") return Line::Win98;
  if (name == "winme") return Line::WinMe;
  if (name == "nt40") return Line::NT4;
  if (name == "win2k" || name == "win10") return Line::NT5OrLater;
  return Line::Other;
}

const std::vector<std::string>& PortReaders() {
  static const std::vector<std::string> readers = {
      "GetIPAddressFromStandardTCPIPPort", "GetIPAddressFromHPStandardTCPIPPort", "GetIPAddressFromLPRPort",
      "GetIPAddressFromCanonLPRPort",      "GetIPAddressFromJNTQPPort",           "GetIPAddressFromNECTQPPort",
      "GetIPAddressFromIPP",               "GetIPAddressFromRemotePort",          "GetIPAddressFromUNC",
  };
  return readers;
}

}  // namespace

const Lines& AllLines() {
  static const Lines lines = {"win95", "win98", "winme", "nt40", "win2k", "win10"};
  return lines;
}
const Lines& NT5Lines() {
  static const Lines lines = {"win2k", "win10"};
  return lines;
}
const Lines& NTLines() {
  static const Lines lines = {"nt40", "win2k", "win10"};
  return lines;
}
const Lines& NineXLines() {
  static const Lines lines = {"win95", "win98", "winme"};
  return lines;
}

bool RunsHere(const Lines& lines) {
  if (!IsWindowsBuild()) return !lines.empty();
  for (const std::string& line : lines) {
    if (LineOf(line) == WindowsLine()) return true;
  }
  return false;
}

void ForEachLine(const Lines& lines, const std::function<void(const std::string& line)>& body) {
  if (IsWindowsBuild()) {
    // Wine's version is set per run; win2k and win10 are one line to the library.
    for (const std::string& line : lines) {
      if (LineOf(line) != WindowsLine()) continue;
      SCOPED_TRACE("line " + line + " (this run's)");
      body(line);
      return;
    }
    return;
  }
  for (const std::string& line : lines) {
    SCOPED_TRACE("line " + line);
    ScopedEnv version("ZRADDRRES_WINVER", line.c_str());
    body(line);
  }
}

bool RegistryKeepsUnterminatedStrings() {
  if (!IsWindowsBuild()) return true;
  Line line = WindowsLine();
  return line != Line::Win95 && line != Line::Win98 && line != Line::WinMe;
}

std::vector<std::string> PortReadersRun(const LogCapture& log) {
  std::vector<std::string> run;
  for (const std::string& text : log.Texts()) {
    std::string::size_type paren = text.find('(');
    if (paren == std::string::npos) continue;
    std::string member = text.substr(0, paren);
    std::string rest = text.substr(paren);
    bool isStart = rest.find("Start !!") != std::string::npos || rest.find("start!!") != std::string::npos;
    const std::vector<std::string>& readers = PortReaders();
    if (isStart && std::find(readers.begin(), readers.end(), member) != readers.end()) run.push_back(member);
  }
  return run;
}

std::vector<std::string> ChainOf(const std::string& line) {
  switch (LineOf(line)) {
    case Line::NT5OrLater:
      return {"GetIPAddressFromStandardTCPIPPort", "GetIPAddressFromIPP", "GetIPAddressFromLPRPort",
              "GetIPAddressFromHPStandardTCPIPPort", "GetIPAddressFromRemotePort"};
    case Line::NT4:
      return {"GetIPAddressFromLPRPort", "GetIPAddressFromHPStandardTCPIPPort", "GetIPAddressFromRemotePort"};
    default:
      return {"GetIPAddressFromJNTQPPort", "GetIPAddressFromNECTQPPort", "GetIPAddressFromCanonLPRPort",
              "GetIPAddressFromHPStandardTCPIPPort", "GetIPAddressFromUNC"};
  }
}

std::vector<std::string> ChainUpTo(const std::string& line, const std::string& reader) {
  std::vector<std::string> chain = ChainOf(line);
  auto answered = std::find(chain.begin(), chain.end(), reader);
  if (answered != chain.end()) chain.erase(answered + 1, chain.end());
  return chain;
}

}  // namespace zrtest
