#pragma once

#include "core/sim/CanFrame.h"

#include <cstdint>
#include <vector>

namespace cravent::sim {

// A data frame of the given identifier and bytes.
inline CanFrame frame(std::uint32_t id, bool extended, const std::vector<std::uint8_t>& bytes)
{
    CanFrame f;
    f.id = id;
    f.extended = extended;
    f.length = static_cast<std::uint8_t>(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        f.data[i] = bytes[i];
    return f;
}

} // namespace cravent::sim
