#pragma once

#include "core/check/Finding.h"
#include "core/check/ProjectSnapshot.h"

#include <filesystem>
#include <vector>

namespace cravent::check {

// What the device will make of a project, before it is built: every value the build refuses or
// the device will misread, in file order (settings, frame lists, register maps) and row order.
std::vector<Finding> checkProject(const std::filesystem::path& projectDir);
std::vector<Finding> checkProject(const ProjectSnapshot& project);

} // namespace cravent::check
