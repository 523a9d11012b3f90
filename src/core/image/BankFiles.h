#pragma once

#include "core/image/ConfigImage.h"

#include <filesystem>
#include <string>
#include <vector>

namespace cravent::image {

inline constexpr const char* BinFolderName = "bin";
inline constexpr const char* ListingFileName = "bankg.c";

// "bank<n>.bin"
std::string bankFileName(int n);

// The project's "bin" folder, whatever the case of its name.
std::filesystem::path binFolder(const std::filesystem::path& projectDir);

// Writes each bank as "bank1.bin" .. "bank5.bin" in the project's "bin" folder, 16384 bytes
// each, atomically. A bank file that cannot be written does not stop the others; the returned
// list holds one message per such file, naming it and the system's reason.
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
