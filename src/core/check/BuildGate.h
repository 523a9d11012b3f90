#pragma once

#include "core/check/Finding.h"

#include <filesystem>
#include <string>
#include <vector>

namespace cravent::check {

// What the check says before a build, the one rule for every program that builds: the build
// goes on only when no finding is an error, whatever its code (a build that the builder itself
// would refuse included). Errors and warnings are shown, in the check's order; notes are not.
struct BuildGate {
    std::vector<Finding> findings; // all of them, notes too, for a window that lists them
    std::vector<Finding> shown;
    bool goesOn = true;

    bool hasWarnings() const;
    // The errors as compiler lines, one a line: the text of a build that did not go on.
    std::string errorLines() const;
};

BuildGate buildGate(const std::vector<Finding>& findings);
// checkProject() of the folder, then the gate.
BuildGate buildGate(const std::filesystem::path& projectDir);

} // namespace cravent::check
