#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cravent::project {

// "RCobDef.xml" and "TCobDef.xml": the received and transmitted CAN frames, in list order.
//
// <COBID><row CobID="0x181" Dimensin="8" Mnemonic="Speed"/>...</COBID>
// ("Dimensin" is the attribute's name in every project file ever written.)

inline constexpr const char* FrameRootName = "COBID";
inline constexpr std::size_t MaxFrames = 250;

// One frame as the user typed it.
struct Frame {
    std::string cobId;
    std::string dimension;
    std::string mnemonic;
    bool operator==(const Frame&) const = default;
};

// One row as stored; an attribute that is missing is nothing.
struct StoredFrameRow {
    std::optional<std::string> cobId;
    std::optional<std::string> dimension;
    std::optional<std::string> mnemonic;
};

struct StoredFrameFile {
    std::string rootName;
    std::vector<StoredFrameRow> rows; // every child element of the root, in order
};

// Throws Error naming the file when it cannot be read or parsed.
StoredFrameFile readFrames(const std::filesystem::path& file);

std::string serialiseFrames(const std::vector<Frame>& frames);
// Throws Error naming the file when it cannot be written; the old file is then unchanged.
void writeFrames(const std::filesystem::path& file, const std::vector<Frame>& frames);

} // namespace cravent::project
