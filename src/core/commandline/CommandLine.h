#pragma once

// The one way the command-line programs read their arguments: CLI11 declarations, a help layout
// generated from them, and exit status 2 for every wrong use.

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace cravent::commandline {

// Exit status of a program used the wrong way, as scripts expect it.
inline constexpr int WrongUsage = 2;

// The help of a program or a command, generated from its declaration:
//   Usage: NAME POSITIONALS [--option VALUE]... [COMMAND [ARGUMENTS]]
//   the description,
//   "Arguments:", "Commands:" (each command's usage and summary) and "Options:" sections,
//   the footer.
// Options are written by their long name (--name), their value by option_text() or type_name().
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override;
    std::string make_usage(const CLI::App* app, std::string name) const override;
};

// What follows a program's or command's name on its usage line: "PROJECT_DIR [--json]".
std::string usageArguments(const CLI::App& app);

// "cravent-cli ping": the program's name and the commands down to `app`.
std::string fullName(const CLI::App& app);

// Gives `app` (a program, before its commands are added, which inherit it) the help layout and
// "--help" (also "-h"); with a version, "--version" too.
void setUp(CLI::App& app, const std::string& version = {});

// A flag that may be given once: a second one is wrong use, as a second value would be.
CLI::Option* addFlag(CLI::App& app, const std::string& name, bool& value,
                     const std::string& description);

// Integer text (decimal, or hexadecimal after "0x", "x" or "$", as every number of the project)
// from `lowest` to `highest`, rewritten as decimal for CLI11 to convert. The message names the
// text: "'abc' is not a valid integer value", "'0' is not within 1 to 65535".
CLI::Validator integerText(std::int32_t lowest, std::int32_t highest);

// Parses the arguments. Returns the exit status when the program stops here: 0 after --help or
// --version (printed on `out`), 2 after wrong use (the reason, then the usage line of the
// program or of the command in use, on `err`). Nothing when the program goes on.
std::optional<int> parse(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                         std::ostream& err);

// Wrong use found after parsing by a program's own rule: CLI11's error, so that parse() reports
// it like any other.
[[noreturn]] void refuse(const std::string& reason);

} // namespace cravent::commandline
