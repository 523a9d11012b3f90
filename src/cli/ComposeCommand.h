#pragma once

#include "core/firmware/WindowReader.h"
#include "core/commandline/CommandLine.h"

#include <filesystem>
#include <optional>
#include <string>

namespace cravent::cli {

// The gateway model's banks of the project into New_<master name> in the project folder, read
// back and verified; compose and update both end with it. `held` receives the banks that the
// written file was read back to hold.
std::filesystem::path composeNewFirmware(const std::filesystem::path& projectDir,
                                         const std::filesystem::path& master,
                                         firmware::BankBytes& held);

// What the verified firmware brings to the device, so that a wrong project shows at a glance;
// from the banks it was read back to hold, not from a third reading of the file.
std::string firmwareSummary(const firmware::BankBytes& held);

// --master FILE, the master firmware instead of MASTER/QF40231.sx of the program folder, which
// is known only once the command runs.
CLI::Option* addMasterOption(CLI::App& command, std::optional<std::filesystem::path>& master);

} // namespace cravent::cli
