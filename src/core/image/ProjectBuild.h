#pragma once

#include <filesystem>

namespace cravent::image {

// "Up date Device" up to the firmware: builds the configuration image of the project in
// `projectDir`, stamped now, and writes the build mark, "bank1.bin" .. "bank5.bin" and
// "bankg.c" into its "bin" folder. Throws Error with the text to show the user: the build's
// message (nothing written then), or the files that could not be written with the system's
// reasons.
void buildProjectBanks(const std::filesystem::path& projectDir);

} // namespace cravent::image
