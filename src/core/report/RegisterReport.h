#pragma once

#include "core/check/Finding.h"
#include "core/check/ProjectSnapshot.h"
#include "core/common/Direction.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cravent::report {

// What the integrator hands to the PLC or SCADA programmer: the device's settings in words, its
// frames and its registers as the device will serve them, and what the check found.
struct Setting {
    std::string name;
    std::string value;
};

struct FrameLine {
    std::size_t number = 0; // 1-based frame number
    std::string cobId;      // hexadecimal, or the text as typed when it is no number
    std::string length;
    std::string mnemonic;
};

struct RegisterLine {
    Direction direction = Direction::Receive;
    std::optional<std::uint32_t> reg; // as the device serves it (16 bits); nothing when unreadable
    std::string registerText;         // decimal, or the text as typed
    std::string registerHex;          // "0x0005", or empty
    std::string frame;                // frame number, or the text as typed
    std::string cobId;                // of that frame, hexadecimal; "—" when there is no such frame
    std::string mnemonic;
    std::string high; // "B3", "—" for none
    std::string low;
    std::size_t row = 0; // row of the map file
};

struct RegisterReport {
    std::string project; // the project folder's name
    std::vector<Setting> settings;
    std::array<std::vector<FrameLine>, 2> frames;       // by Direction
    std::array<std::vector<RegisterLine>, 2> registers; // by Direction, by register index
    std::vector<check::Finding> findings;

    const std::vector<FrameLine>& framesOf(Direction d) const
    {
        return frames[static_cast<std::size_t>(d)];
    }
    const std::vector<RegisterLine>& registersOf(Direction d) const
    {
        return registers[static_cast<std::size_t>(d)];
    }
};

RegisterReport makeReport(const check::ProjectSnapshot& project);
RegisterReport makeReport(const std::filesystem::path& projectDir);

const char* directionName(Direction d); // "receive" / "transmit"

} // namespace cravent::report
