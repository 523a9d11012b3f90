#pragma once

#include "cli/Cli.h"

#include <filesystem>
#include <iosfwd>

namespace cravent::cli {

// Exit code of check when it found warnings and no error.
inline constexpr int WarningsFound = 3;

// cravent-cli check PROJECT_DIR [--json]: what the device will make of the project.
int runCheck(const std::vector<std::string>& args, Context& context);

inline constexpr Command CheckCommand{
    "check", "PROJECT_DIR [--json]",
    "check the project before it is built: one line per finding, or JSON; exit 0 clean,\n"
    "      3 warnings only, 1 errors",
    runCheck};

// Before build and update: prints the check's errors and warnings to `err`, except the build's
// own refusals, which the build reports when it stops. False when an error means the build must
// not go on.
bool checkBeforeBuild(const std::filesystem::path& projectDir, std::ostream& err);

} // namespace cravent::cli
