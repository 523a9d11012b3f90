#pragma once

#include "core/image/DeviceConfiguration.h"

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <string>

namespace cravent::image {

// "0x181": COB-IDs are always shown in hexadecimal.
std::string cobIdText(std::uint32_t cobId);
// "192.168.1.20"
std::string octetsText(const std::array<std::uint8_t, 4>& octets);
// "B1" .. "B8" for a byte choice 1..8, "none" for 0, "(9)" .. "(15)" for what no frame has.
std::string byteChoiceText(unsigned choice);
// "2026-12-10 10:42:18"
std::string stampText(const BuildMoment& moment);
// "500 kbit/s", "no bit rate" for code 0, "bit-rate code 12" for a code the device lacks.
std::string bitRateText(const DeviceSettings& settings);
// "CAN 2.0A" or "CAN 2.0B"
std::string canTypeText(const DeviceSettings& settings);

// One line of what a firmware is about to bring to the device:
// "192.168.1.20:502, mask 255.255.255.0, 500 kbit/s, CAN 2.0A, 12 received / 4 transmitted
// frames, 40 / 10 registers, built 2026-12-10 10:42:18".
std::string summaryLine(const DeviceConfiguration& config);

// The configuration in words: settings, build stamp, frames, register rows, inconsistencies,
// each line ended by "\n".
std::string describe(const DeviceConfiguration& config);

// The same as one JSON object.
nlohmann::ordered_json toJson(const DeviceConfiguration& config);

} // namespace cravent::image
