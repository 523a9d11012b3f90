#pragma once

#include "core/commandline/CommandLine.h"
#include "core/common/FileLookup.h"

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

namespace cravent::cli {

// Exit codes shared by every command, as scripts expect them.
enum ExitCode : int { Success = 0, Failure = 1, Usage = commandline::WrongUsage };

struct Context {
    std::filesystem::path appDir; // the program folder, or --app-dir
    std::ostream& out;
    std::ostream& err;
};

// What runs a command once its arguments are parsed into what its declaration bound them to.
using Runner = std::function<int(Context&)>;

// One line of the command table: each command lives in <Name>Command.cpp and declares its
// arguments and options once, on its own CLI::App; its usage line and --help are made from that.
struct Command {
    const char* name;
    const char* summary; // shown under the usage line in --help
    Runner (*declare)(CLI::App& command);
};

// Whether `projectDir` is a folder; when not, says so on `err`: "Project folder "<dir>" not
// found", or the system's reason when it cannot be looked at.
inline bool projectFolderFound(const std::filesystem::path& projectDir, std::ostream& err)
{
    std::string why;
    const PathKind kind = pathKind(projectDir, &why);
    if (kind == PathKind::Folder)
        return true;
    if (kind == PathKind::Unknown)
        err << "Cannot read project folder \"" << projectDir.string() << "\". " << why << '\n';
    else
        err << "Project folder \"" << projectDir.string() << "\" not found\n";
    return false;
}

} // namespace cravent::cli
