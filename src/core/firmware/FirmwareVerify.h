#pragma once

#include "core/firmware/WindowReader.h"

#include <array>
#include <cstdint>
#include <filesystem>

namespace cravent::firmware {

namespace text {
inline constexpr const char* NotHoldingConfiguration =
    "The new firmware does not hold the project's configuration: ";
} // namespace text

// Where the new firmware holds one window's records: a byte range of the file and the number
// of the range's first line.
struct WindowPlace {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::size_t firstLine = 1;
};
using WindowPlaces = std::array<WindowPlace, BankCount>;

// Reads back from disk the byte range of each selected bank's records in the new firmware,
// which the composition put there, and compares the window they give with the bank bytes it
// was composed from; then the file's size with `size`. Only the ranges are read: parsing the
// whole file a second time cost more than composing it, and the bytes outside the windows are
// the master's, checked when it was read. Throws Error beginning with NotHoldingConfiguration
// and saying why: the reader's complaint, the first byte that differs with its address, or a
// size that is not the one written.
void verifyNewFirmware(const std::filesystem::path& firmware, std::uint64_t size,
                       const WindowPlaces& places, const BankBytes& expected,
                       const BankSelection& banks);

} // namespace cravent::firmware
