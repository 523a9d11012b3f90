#pragma once

#include "core/image/BuildStamp.h"
#include "core/image/ConfigImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cravent::image {

// The configuration read back from banks 1 and 2, with every value as the device stores it.
struct DeviceSettings {
    std::uint8_t bitRateCode = 0; // 1..9; 0 when no rate was chosen
    std::uint8_t canType = 0;     // 0 = CAN 2.0A, anything else CAN 2.0B
    std::array<std::uint8_t, 4> ip{};
    std::array<std::uint8_t, 4> mask{};
    std::uint16_t port = 0;

    bool can20A() const { return canType == 0; }
    // 10 .. 1000; nothing for code 0 and for codes the device does not know.
    std::optional<int> kbitPerSecond() const;
    bool operator==(const DeviceSettings&) const = default;
};

struct DeviceCounts {
    std::uint16_t rxFrames = 0;
    std::uint16_t txFrames = 0;
    std::uint16_t rxRegisters = 0;
    std::uint16_t txRegisters = 0;
    bool operator==(const DeviceCounts&) const = default;
};

struct DeviceFrame {
    std::uint32_t cobId = 0; // 16 bits in CAN 2.0A, 32 in CAN 2.0B
    std::uint8_t length = 0;
    bool operator==(const DeviceFrame&) const = default;
};

struct DeviceRegister {
    std::uint16_t index = 0;
    std::uint8_t nrPdo = 0;   // 1-based frame number
    std::uint8_t posComp = 0; // 16 x high-byte choice + low-byte choice, 0 none, 1..8 B1..B8
    bool operator==(const DeviceRegister&) const = default;
};

struct DeviceConfiguration {
    // False when the communication block is all zero: the project had no settings file, so the
    // counts are unknown and no frame or register could be read.
    bool hasSettings = false;
    DeviceSettings settings;
    DeviceCounts counts;
    std::uint16_t dateWord = 0;
    std::uint16_t timeWord = 0;
    BuildMoment built; // from the two words; the seconds are even, the year is 2000 + two digits
    std::vector<DeviceFrame> rxFrames;
    std::vector<DeviceFrame> txFrames;
    std::vector<DeviceRegister> rxRegisters;
    std::vector<DeviceRegister> txRegisters;
    // What does not agree within the image, one sentence each.
    std::vector<std::string> inconsistencies;
};

// The bit rates of the codes 1..9 in kbit/s.
inline constexpr std::array<int, 9> BitRatesKbit = {10, 20, 50, 100, 125, 250, 500, 800, 1000};

// The stamp words read as a date and time.
BuildMoment unpackBuildStamp(std::uint16_t dateWord, std::uint16_t timeWord);

// Reads the settings, the counts, the build stamp, both frame tables and both register maps of
// the layout the CAN type names, and checks the receive index table and presence map (CAN
// 2.0A), the position bytes (CAN 2.0B) and the counts against the tables' capacities. A count
// beyond its table's capacity reads only as many entries as the table holds.
DeviceConfiguration readConfiguration(std::span<const std::uint8_t, BankSize> bank1,
                                      std::span<const std::uint8_t, BankSize> bank2);
DeviceConfiguration readConfiguration(const ConfigImage& image);

} // namespace cravent::image
