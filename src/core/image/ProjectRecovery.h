#pragma once

#include "core/image/DeviceConfiguration.h"

#include <filesystem>

namespace cravent::image {

// Writes a project that builds to the same banks as `config` (given the same build moment):
// pargen.xml, the two frame lists (COB-IDs as "0x..." text, empty mnemonics), the two register
// maps and an empty bin folder, through the project files' own writers. `projectDir` is made
// when missing. Throws Error, writing nothing, when the folder already holds a project file or
// a bank file, and when the image holds no settings: without them the counts, and so the frames
// and registers, cannot be recovered.
void writeRecoveredProject(const DeviceConfiguration& config,
                           const std::filesystem::path& projectDir);

} // namespace cravent::image
