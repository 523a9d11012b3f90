#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace cravent::cli {

// Exit codes shared by every command, as scripts expect them.
enum ExitCode : int { Success = 0, Failure = 1, Usage = 2 };

struct Context {
    std::filesystem::path appDir; // the program folder, or --app-dir
    std::ostream& out;
    std::ostream& err;
};

struct Command {
    const char* name;
    const char* arguments; // shown after the name in the usage text
    const char* summary;
    int (*run)(const std::vector<std::string>& args, Context& context);
};

} // namespace cravent::cli
