#pragma once

#include "core/image/DeviceConfiguration.h"

#include <filesystem>
#include <string>

namespace cravent::image {

// Writes a project that builds to the same banks as `config` (given the same build moment):
// pargen.xml, the two frame lists (COB-IDs as "0x..." text, empty mnemonics), the two register
// maps and an empty bin folder, in the project files' own format. `projectDir` is made when
// missing. All or nothing: whatever fails, `projectDir` ends as it was (writeFilesTogether).
// Throws Error, writing nothing, when the folder already holds a project file or a bank file,
// and when the image holds no settings: without them the counts, and so the frames and
// registers, cannot be recovered.
// `source` names where the configuration was read, for the messages.
void writeRecoveredProject(const DeviceConfiguration& config,
                           const std::filesystem::path& projectDir,
                           const std::string& source = "The image");

} // namespace cravent::image
