#pragma once

#include "core/common/Direction.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cravent::project {

// "RInfoCob.xml" and "TInfoCob.xml": which Modbus register each frame carries, sorted by
// register index. The root is named after the file.
//
// <RInfoCob><row Index="0" NrPdo="1" PosComp="33"/>...</RInfoCob>

inline constexpr const char* ReceiveMapRootName = "RInfoCob";
inline constexpr const char* TransmitMapRootName = "TInfoCob";

constexpr const char* mapRootName(Direction direction)
{
    return direction == Direction::Receive ? ReceiveMapRootName : TransmitMapRootName;
}

// One register entry as written: the register index and byte selection as typed, the frame
// number in decimal.
struct MapRow {
    std::string index;
    std::string nrPdo;
    std::string posComp;
    bool operator==(const MapRow&) const = default;
};

struct StoredMapRow {
    std::optional<std::string> index;
    std::optional<std::string> nrPdo;
    std::optional<std::string> posComp;
};

struct StoredMapFile {
    std::string rootName;
    std::vector<StoredMapRow> rows; // every child element of the root, in order
};

// Throws Error naming the file when it cannot be read or parsed.
StoredMapFile readMap(const std::filesystem::path& file);

std::string serialiseMap(const char* rootName, const std::vector<MapRow>& rows);
// Throws Error naming the file when it cannot be written; the old file is then unchanged.
void writeMap(const std::filesystem::path& file, const char* rootName, const std::vector<MapRow>& rows);

} // namespace cravent::project
