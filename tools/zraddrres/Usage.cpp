#include "tools/zraddrres/Usage.h"

#include <cctype>
#include <cstdio>

#include "tools/zraddrres/Text.h"

namespace zrtool {

const char kHelpFooter[] =
    "Every command takes --registry FILE: it answers from that registry export (.reg) instead of this\n"
    "machine's registry, read-only (store add, rename, remove and reg import refuse it).\n"
    "\n"
    "Exit status:\n"
    "  0  everything asked for was found or done\n"
    "  1  something was not found, or an operation failed\n"
    "  2  bad usage: an unknown command or option, a missing argument, a name the ANSI code page cannot hold,\n"
    "     a --registry export that does not parse\n"
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

// "zraddrres host [OPTIONS] NAME": what the command takes, for a word too many.
std::string UsageLine(const CLI::App& app) {
  std::string line = FullName(app) + " [OPTIONS]";
  for (const CLI::Option* option : app.get_options()) {
    if (!option->get_positional()) continue;
    std::string upper = option->get_name();
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    line += " " + upper + (option->get_expected_max() > 1 ? "..." : "");
  }
  return line;
}

}  // namespace

int CheckCommandWords(const CLI::App& app, const std::vector<std::string>& arguments) {
  const CLI::App* at = &app;
  for (const std::string& word : arguments) {
    if (at->get_subcommands([](const CLI::App*) { return true; }).empty()) return 0;
    if (word == "--") return 0;
    if (!word.empty() && word[0] == '-') {
      // A command of commands takes only flags (--help, --version), so any
      // other word with a dash is unknown here; CLI11 would only say that a
      // command is missing.
      if (at->get_option_no_throw(word.substr(0, word.find('='))) != nullptr) continue;
      std::fprintf(stderr, "%sunknown option '%s'; its options are: %s, and the commands are: %s\n",
                   Prefix(*at).c_str(), Printable(word).c_str(), OptionNames(*at).c_str(), CommandNames(*at).c_str());
      return 2;
    }
    const CLI::App* next = nullptr;
    try {
      next = at->get_subcommand(word);
    } catch (const CLI::OptionNotFound&) {
    }
    if (next == nullptr) {
      std::fprintf(stderr, "%sunknown command '%s'; the commands are: %s\n", Prefix(*at).c_str(),
                   Printable(word).c_str(), CommandNames(*at).c_str());
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
    // "The following arguments were not expected: --bogus b": name each word.
    std::string what = error.what();
    std::string::size_type colon = what.find(": ");
    std::string words = colon == std::string::npos ? what : what.substr(colon + 2);
    std::string options;
    std::string others;
    for (std::string::size_type at = 0; at < words.size();) {
      std::string::size_type end = words.find(' ', at);
      std::string word = words.substr(at, end == std::string::npos ? std::string::npos : end - at);
      at = end == std::string::npos ? words.size() : end + 1;
      if (word.empty()) continue;
      std::string& list = word[0] == '-' ? options : others;
      list += (list.empty() ? "'" : ", '") + Printable(word) + "'";
    }
    if (!options.empty()) {
      std::fprintf(stderr, "%sunknown option %s; its options are: %s\n", Prefix(command).c_str(), options.c_str(),
                   OptionNames(command).c_str());
    }
    if (!others.empty()) {
      std::fprintf(stderr, "%sunexpected argument %s (usage: %s)\n", Prefix(command).c_str(), others.c_str(),
                   UsageLine(command).c_str());
    }
    return 2;
  }
  std::string what = error.what();
  if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) {
    // "action: unknown action 'x'…": a positional's validator names the word itself.
    for (const CLI::Option* option : command.get_options()) {
      const std::string head = option->get_name() + ": ";
      if (option->get_positional() && what.compare(0, head.size(), head) == 0) what = what.substr(head.size());
    }
  }
  std::fprintf(stderr, "%s%s (see %s --help)\n", Prefix(command).c_str(), what.c_str(), name.c_str());
  return 2;
}

std::string CommandName(const CLI::App& app) {
  std::string name = FullName(Reached(app));
  std::string::size_type space = name.find(' ');
  return space == std::string::npos ? std::string() : name.substr(space + 1);
}

CLI::Validator OneOf(const char* what, const std::vector<std::string>& words) {
  std::string list;
  for (const std::string& word : words) list += (list.empty() ? "" : ", ") + word;
  return CLI::Validator(
      [what, words, list](std::string& given) {
        for (const std::string& word : words) {
          if (given == word) return std::string();
        }
        return std::string("unknown ") + what + " '" + given + "'; the " + what + "s are: " + list;
      },
      list);
}

}  // namespace zrtool
