#pragma once

#include "core/common/Direction.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cravent {

// "RInfoCob.xml" and "TInfoCob.xml": which Modbus register each frame carries, sorted by
// register index. The root is named after the file.
//
// <RInfoCob><row Index="0" NrPdo="1" PosComp="33"/>...</RInfoCob>
namespace maps {

inline constexpr const char* ReceiveRootName = "RInfoCob";
inline constexpr const char* TransmitRootName = "TInfoCob";

constexpr const char* rootName(Direction direction)
{
    return direction == Direction::Receive ? ReceiveRootName : TransmitRootName;
}

// One register entry as written: the register index and byte selection as typed, the frame
// number in decimal.
struct Row {
    std::string index;
    std::string nrPdo;
    std::string posComp;
    bool operator==(const Row&) const = default;
};

struct StoredRow {
    std::optional<std::string> index;
    std::optional<std::string> nrPdo;
    std::optional<std::string> posComp;
};

struct StoredFile {
    std::string rootName;
    std::vector<StoredRow> rows; // every child element of the root, in order
};

// Throws Error naming the file when it cannot be read or parsed.
StoredFile read(const std::filesystem::path& file);

std::string serialise(const char* rootName, const std::vector<Row>& rows);
// Throws Error naming the file when it cannot be written; the old file is then unchanged.
void write(const std::filesystem::path& file, const char* rootName, const std::vector<Row>& rows);

} // namespace maps
} // namespace cravent
