#pragma once

#include "core/check/BuildGate.h"
#include "core/firmware/Composition.h"
#include "core/workspace/ProjectFolder.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace cravent::firmware {

// "Up date Device" in two steps, the same for the command line and the window, which asks its
// questions between them: prepareUpdate() checks the project and builds its banks;
// finishUpdate() composes the new firmware, reads it back, sums it up and starts the flasher.

// Shown the check's errors and warnings when there are any (never when there are none); says
// whether to build. Its answer counts only when the gate lets the build go on.
using ReviewFindings = std::function<bool(const check::BuildGate& gate)>;

struct PreparedUpdate {
    check::BuildGate gate;
    // True when this run's banks are in the project's bin folder; false when the check stopped
    // the build or the review declined it (nothing was written then).
    bool built = false;
    // What finishUpdate() merges, once built: the gateway model's banks into New_<master>.
    CompositionInputs composition;
};

// The check, the review when it found something, then the banks ("bank1.bin" .. "bank5.bin",
// "bankg.c" and the build mark). Throws Error with the builder's message when writing fails.
PreparedUpdate prepareUpdate(const ProjectFolder& project, const std::filesystem::path& master,
                             const ReviewFindings& review);

struct FinishOptions {
    std::filesystem::path appDir;   // where the flasher is looked for
    std::optional<int> port;        // 0..7: start the flasher on COM1..COM8 after the composition
    Progress progress;
    CompositionExtras extras;
};

struct FinishedUpdate {
    std::filesystem::path newFirmware;
    // What the verified firmware brings to the device, so that a wrong project shows at a glance.
    std::string summary;
    // Set when the flasher was asked for and could not be started; the firmware stands.
    std::optional<std::string> flasherFailure;
};

// Composes (throwing Error as composeFirmware() does, nothing written then), sums up the new
// firmware and, with a port, starts the flasher in the master's folder. Only a firmware
// composed by this call is flashed, never one left from an earlier run.
FinishedUpdate finishUpdate(const CompositionInputs& composition, const FinishOptions& options);

} // namespace cravent::firmware
