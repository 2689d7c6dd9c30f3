#include "tools/zraddrres/Usage.h"

#include <cctype>
#include <cstdio>

namespace zrtool {

const char kHelpFooter[] =
    "Exit status:\n"
    "  0  everything asked for was found or done\n"
    "  1  something was not found, or an operation failed\n"
    "  2  bad usage: an unknown command or option, a missing argument, a name the ANSI code page cannot hold\n"
    "\n"
    "Environment:\n"
    "  ZRADDRRES_REGISTRY  Linux: the folder of the registry's hive files (HKLM.reg, HKCU.reg)\n"
    "  ZRADDRRES_WINVER    Linux: the Windows line to act as: win95, win98, winme, nt40, win2k, win10 (default)\n"
    "  ZRADDRRES_ACP       Linux: the ANSI code page of names: 1252 (default) or 932\n"
    "  ZRLOGGING_DIR       the folder of the trace file ZrAddrRes.log\n"
    "  ZRLOGGING_LEVEL     what the trace keeps: 1 errors only (default), 16 everything\n";

namespace {

// "resolve, ports, host, …": the names of a command's subcommands.
std::string CommandNames(const CLI::App& app) {
  std::string names;
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
    names += (names.empty() ? "" : ", ") + sub->get_name();
  }
  return names;
}

// "--ip, --ipx, --json": the options a command takes.
std::string OptionNames(const CLI::App& app) {
  std::string names;
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_positional() && option->get_lnames().empty()) continue;
    for (const std::string& name : option->get_lnames()) names += (names.empty() ? "--" : ", --") + name;
  }
  return names;
}

// "zraddrres reg import": the command's full name.
std::string FullName(const CLI::App& app) {
  std::string name = app.get_name();
  for (const CLI::App* parent = app.get_parent(); parent != nullptr; parent = parent->get_parent()) {
    name = parent->get_name() + " " + name;
  }
  return name;
}

// "zraddrres: reg import: ", or "zraddrres: " for the tool itself.
std::string Prefix(const CLI::App& app) {
  std::string name = FullName(app);
  std::string::size_type space = name.find(' ');
  return space == std::string::npos ? "zraddrres: " : "zraddrres: " + name.substr(space + 1) + ": ";
}

// The innermost command the parse reached.
const CLI::App& Reached(const CLI::App& app) {
  for (const CLI::App* sub : app.get_subcommands()) return Reached(*sub);
  return app;
}

}  // namespace

int CheckCommandWords(const CLI::App& app, const std::vector<std::string>& arguments) {
  const CLI::App* at = &app;
  for (const std::string& word : arguments) {
    if (word.empty() || word[0] == '-') continue;
    if (at->get_subcommands([](const CLI::App*) { return true; }).empty()) return 0;
    const CLI::App* next = nullptr;
    try {
      next = at->get_subcommand(word);
    } catch (const CLI::OptionNotFound&) {
    }
    if (next == nullptr) {
      std::fprintf(stderr, "%sunknown command '%s'; the commands are: %s\n", Prefix(*at).c_str(),
                   word.c_str(), CommandNames(*at).c_str());
      return 2;
    }
    at = next;
  }
  return 0;
}

int SayParseError(const CLI::App& app, const CLI::ParseError& error) {
  const CLI::App& command = Reached(app);
  const std::string name = FullName(command);
  if (!command.get_subcommands([](const CLI::App*) { return true; }).empty() && command.get_subcommands().empty()) {
    // A command of commands called without one.
    std::fprintf(stderr, "%sgive a command: %s (see %s --help)\n", Prefix(command).c_str(),
                 CommandNames(command).c_str(), name.c_str());
    return 2;
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    // "ports is required": say which argument, as the usage line writes it.
    std::string what = error.what();
    std::string::size_type cut = what.find(" is required");
    std::string argument = cut == std::string::npos ? what : what.substr(0, cut);
    for (char& c : argument) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool many = false;
    for (const CLI::Option* option : command.get_options()) {
      std::string upper = option->get_name();
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (option->get_positional() && upper == argument) many = option->get_expected_max() > 1;
    }
    if (many && argument.size() > 1 && argument.back() == 'S') argument.pop_back();
    std::fprintf(stderr, "%sgive %s%s (see %s --help)\n", Prefix(command).c_str(), many ? "at least one " : "the ",
                 argument.c_str(), name.c_str());
    return 2;
  }
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    std::string options = OptionNames(command);
    std::fprintf(stderr, "%s%s; its options are: %s\n", Prefix(command).c_str(), error.what(),
                 options.empty() ? "none" : options.c_str());
    return 2;
  }
  std::fprintf(stderr, "%s%s (see %s --help)\n", Prefix(command).c_str(), error.what(), name.c_str());
  return 2;
}

}  // namespace zrtool
