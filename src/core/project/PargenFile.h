#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>

namespace cravent::project {

// "pargen.xml": the device's CAN and network settings.
//
// <GeneralParameter><BaudRateCAN>0</BaudRateCAN><CANType>0</CANType>
//   <ADD_IP IPB1=".." IPB2=".." IPB3=".." IPB4=".."/><SUBNET SMB1=".." .. SMB4=".."/>
//   <Port>502</Port></GeneralParameter>

inline constexpr const char* PargenRootName = "GeneralParameter";

// The file as stored: every value as text, nothing where the element or attribute is missing.
// Readers interpret it: the settings dialog falls back step by step, the image builder needs
// every value as integer text.
struct StoredPargen {
    std::string rootName; // the document element's name; readers decide what to accept
    std::optional<std::string> baudRateCan;
    std::optional<std::string> canType;
    std::array<std::optional<std::string>, 4> ip;
    std::array<std::optional<std::string>, 4> mask;
    std::optional<std::string> port;
};

// Throws Error naming the file when it cannot be read or parsed.
StoredPargen readPargen(const std::filesystem::path& file);

// What the settings dialog stores.
struct PargenValues {
    int baudRateIndex = 0; // 0..8, -1 when no bit rate is selected
    int canType = 0;       // 0 = CAN 2.0A, 1 = CAN 2.0B
    std::array<int, 4> ip{0, 0, 0, 0};
    std::array<int, 4> mask{255, 255, 255, 0};
    std::string port = "502"; // as typed
};

std::string serialisePargen(const PargenValues& values);
// Throws Error naming the file when it cannot be written; the old file is then unchanged.
void writePargen(const std::filesystem::path& file, const PargenValues& values);

} // namespace cravent::project
