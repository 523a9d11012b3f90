#pragma once

#include "cli/Cli.h"

namespace cravent::cli {

// cravent-cli build PROJECT_DIR: the configuration banks and the C listing of one project,
// written into its bin folder, as "Up date Device" writes them.
int runBuild(const std::vector<std::string>& args, Context& context);

inline constexpr Command BuildCommand{
    "build", "PROJECT_DIR",
    "build the configuration banks of the project: bin/bank1.bin .. bank5.bin and bin/bankg.c",
    runBuild};

} // namespace cravent::cli
