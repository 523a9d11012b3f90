#pragma once

#include "core/image/BuildStamp.h"
#include "core/image/ConfigImage.h"

#include <filesystem>

namespace cravent::image {

// The project's settings, frame lists and register maps turned into the configuration image,
// stamped with `moment`. Each build starts from an all-zero image, so that the result depends
// only on the project files and the moment. A file that does not exist is skipped; a file that
// cannot be looked at or read, a missing value, a value that is not integer text, a CAN 2.0A
// COB-ID outside 0 to 2047 or more rows than a table holds throws Error naming the file, the
// row and the offending text (a FileError, which also carries the file and row).
ConfigImage BuildConfigImage(const std::filesystem::path& projectDir, const BuildMoment& moment);

} // namespace cravent::image
