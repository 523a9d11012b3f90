#pragma once

#include "core/commandline/CommandLine.h"

#include <filesystem>
#include <optional>
#include <string>

namespace cravent::cli {

// --master FILE, the master firmware instead of MASTER/QF40231.sx of the program folder, which
// is known only once the command runs.
CLI::Option* addMasterOption(CLI::App& command, std::optional<std::filesystem::path>& master);

} // namespace cravent::cli
