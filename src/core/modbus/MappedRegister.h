#pragma once

#include "core/common/Direction.h"
#include "core/image/DeviceConfiguration.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace cravent::modbus {

// One register of the map as the device carries it: which frame and bytes feed it.
struct MappedRegister {
    Direction direction = Direction::Receive;
    std::uint16_t index = 0;
    std::uint8_t nrPdo = 0;
    std::optional<std::uint32_t> cobId; // nothing when the frame number names no frame
    std::uint8_t posComp = 0;
};

// The receive rows, then the transmit rows, each in map order.
std::vector<MappedRegister> mappedRegisters(const image::DeviceConfiguration& config);

} // namespace cravent::modbus
