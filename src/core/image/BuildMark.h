#pragma once

#include "core/image/ConfigImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cravent::image {

// The build mark lies beside the bank files and names the bytes each bank file of one build
// holds, so that a composition can tell a set from one build from a set that a killed or
// failed build left mixed. The bank files themselves stay exactly the image's banks.
//
// Its text: a first line "cravent build mark", then "bank<n>.bin <16 hex digits>" per bank, the
// 64-bit FNV-1a hash of the bank's bytes, every line ended by CR LF.
std::string buildMarkText(const ConfigImage& image);

using BankHashes = std::array<std::uint64_t, BankCount>;

// The hashes a mark states; nothing when the text is no build mark.
std::optional<BankHashes> readBuildMark(std::string_view text);

std::uint64_t bankHash(std::string_view bytes);

} // namespace cravent::image
