// What the tool says when it was called wrongly: the word it did not know
// and the ones it does, every line starting with "zraddrres:", exit status 2.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace zrtool {

// The end of --help: the exit statuses and the environment settings.
extern const char kHelpFooter[];

// Walks the command words of the arguments down the command tree before
// parsing (so that an unknown word is not reported as a missing command):
// 0 when every command word is known, else 2 after saying which one is not.
int CheckCommandWords(const CLI::App& app, const std::vector<std::string>& arguments);

// Says what a parse error means for the command it happened in; returns 2.
int SayParseError(const CLI::App& app, const CLI::ParseError& error);

// The command a parse reached, as messages name it ("reg import"); "" for none.
std::string CommandName(const CLI::App& app);

// Accepts one of the words, else says "unknown WHAT 'x'; the WHATs are: …".
CLI::Validator OneOf(const char* what, const std::vector<std::string>& words);

}  // namespace zrtool
