#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace cravent::check {

// How the device reads the values of a project, in the words the check and the report use.

// "0x181", upper-case digits, at least `digits` of them.
std::string hexText(std::uint32_t value, int digits = 1);
// "5 (0x0005)"
std::string registerText(std::uint32_t reg);
// The data byte that feeds a register byte: "B1" .. "B8", "—" for none, "B9" .. "B15" as
// stored where no such byte exists.
std::string byteSourceName(int code);
// The bit rate of a "BaudRateCAN" list index, nothing for a value outside the list.
std::optional<int> bitRateKbits(std::int32_t listIndex);
// "CAN 2.0A (11-bit COB-IDs)" or "CAN 2.0B (29-bit COB-IDs)", from the stored type's low 8 bits.
std::string canTypeName(std::int32_t canType);
// "192.168.0.30" from four stored octets.
std::string dottedText(std::uint32_t address);

inline constexpr int HighestCobId20A = 2047;
inline constexpr std::uint32_t HighestCobId20B = 0x1FFFFFFF;

} // namespace cravent::check
