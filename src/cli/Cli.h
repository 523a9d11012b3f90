#pragma once

#include "core/common/FileLookup.h"

#include <filesystem>
#include <ostream>
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
