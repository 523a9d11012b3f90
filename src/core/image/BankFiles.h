#pragma once

#include "core/image/ConfigImage.h"

#include <filesystem>
#include <string>
#include <vector>

namespace cravent::image {

// Writes the build mark of `image`, then each bank as "bank1.bin" .. "bank5.bin", 16384 bytes
// each, in the project's "bin" folder, each file atomically. The mark goes first: whatever
// moment a build is stopped at, a bank file it has not yet replaced disagrees with the mark.
// A file that cannot be written does not stop the others; the returned list holds one message
// per such file, naming it and the system's reason.
std::vector<std::string> WriteBankFiles(const ConfigImage& image,
                                        const std::filesystem::path& projectDir);

// 2052 lines: a directive, 1024 lines and an empty one per bank, a directive.
inline constexpr std::size_t ListingSize = 235593;

// Banks 1 and 2 as C source: two constant byte arrays under segment directives, 16 bytes a
// line, CR LF line ends. Its length never depends on the bytes.
std::string bankListing(const ConfigImage& image);

// Writes bankListing() as "bankg.c" in the project's "bin" folder, atomically. Throws Error
// naming the file and the system's reason.
void WriteBankListing(const ConfigImage& image, const std::filesystem::path& projectDir);

} // namespace cravent::image
