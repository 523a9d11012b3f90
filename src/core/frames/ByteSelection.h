#pragma once

#include <cstdint>
#include <string>

namespace cravent::frames {

// Which frame data byte feeds each byte of a Modbus register: 0 for none, 1 to 8 for data bytes
// B1 to B8. Stored together as 16 x high + low ("PosComp").
inline constexpr int NoByte = 0;
inline constexpr int LastByte = 8;

struct ByteChoices {
    int high = NoByte;
    int low = NoByte;
    bool operator==(const ByteChoices&) const = default;
};

int byteSelection(ByteChoices choices);
std::string byteSelectionText(ByteChoices choices); // in decimal

// The choices a stored selection shows: high = (v >> 4) AND 15, low = v AND 15, and a code
// above 8, which names no data byte, shows as the last one (B8).
ByteChoices choicesOf(std::int32_t selection);

} // namespace cravent::frames
