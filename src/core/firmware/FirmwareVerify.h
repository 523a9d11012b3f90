#pragma once

#include "core/firmware/WindowReader.h"

#include <filesystem>

namespace cravent::firmware {

namespace text {
inline constexpr const char* NotHoldingConfiguration =
    "The new firmware does not hold the project's configuration: ";
} // namespace text

// Reads the new firmware back from disk and compares the windows of the selected banks with
// the bank bytes it was composed from. Throws Error beginning with NotHoldingConfiguration and
// saying why: the reader's complaint, or the first byte that differs with its address.
void verifyNewFirmware(const std::filesystem::path& firmware, const BankBytes& expected,
                       const BankSelection& banks);

} // namespace cravent::firmware
