#pragma once

#include "core/common/Direction.h"
#include "core/frames/TClPdo.h"
#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace cravent::signals {

// One frame of a frame list, by value.
struct ListedFrame {
    std::uint32_t cobId = 0;
    int number = 0;                 // 1-based position in the list
    std::optional<int> dataLength; // nothing where the list does not say (or not as a number)
};

// One row of a register map as the device takes it: the register index cut to 16 bits, the
// frame number, and the frame byte (0 none, 1 to 8 for B1 to B8, above 8 nothing) that feeds
// the register's high and low byte.
struct MapRegister {
    std::uint16_t index = 0;
    int frame = 0; // 1-based frame number
    int high = 0;
    int low = 0;
    bool operator==(const MapRegister&) const = default;
};

// A direction's frame list and register map, as recipes and the planner see them.
struct DirectionLayout {
    Direction direction = Direction::Receive;
    std::vector<ListedFrame> frames;
    std::vector<MapRegister> registers; // in map order

    // The frame a COB-ID reaches: for received frames the last row with it (the one the device
    // fills), for transmitted frames the first.
    const ListedFrame* frameOf(std::uint32_t cobId) const;
};

// From the project files as read; nothing for a missing file. Values that are not integer text
// are passed over (the project check names them): a frame without a COB-ID still counts for
// the numbering of the frames after it.
DirectionLayout layoutOf(Direction direction, const project::StoredFrameFile* frameList,
                         const project::StoredMapFile* map);

// From a map editor's frames and entries; data lengths from the frame list where one is given.
DirectionLayout layoutOf(Direction direction, const std::vector<frames::TClPdo>& frames,
                         const std::vector<project::Frame>* frameList = nullptr);

} // namespace cravent::signals
