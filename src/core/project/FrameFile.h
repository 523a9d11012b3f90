#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cravent {

// "RCobDef.xml" and "TCobDef.xml": the received and transmitted CAN frames, in list order.
//
// <COBID><row CobID="0x181" Dimensin="8" Mnemonic="Speed"/>...</COBID>
// ("Dimensin" is the attribute's name in every project file ever written.)
namespace frames {

inline constexpr const char* RootName = "COBID";
inline constexpr std::size_t MaxFrames = 250;

// One frame as the user typed it.
struct Frame {
    std::string cobId;
    std::string dimension;
    std::string mnemonic;
    bool operator==(const Frame&) const = default;
};

// One row as stored; an attribute that is missing is nothing.
struct StoredRow {
    std::optional<std::string> cobId;
    std::optional<std::string> dimension;
    std::optional<std::string> mnemonic;
};

struct StoredFile {
    std::string rootName;
    std::vector<StoredRow> rows; // every child element of the root, in order
};

// Throws Error naming the file when it cannot be read or parsed.
StoredFile read(const std::filesystem::path& file);

std::string serialise(const std::vector<Frame>& frames);
// Throws Error naming the file when it cannot be written; the old file is then unchanged.
void write(const std::filesystem::path& file, const std::vector<Frame>& frames);

} // namespace frames
} // namespace cravent
