#pragma once

namespace cravent {

// The two directions of a project: frames the gateway receives and frames it transmits.
enum class Direction { Receive, Transmit };

// The mode byte the main window sets on the frame dialogs: 1 receives, every other value
// transmits.
constexpr Direction directionOfMode(int mode)
{
    return mode == 1 ? Direction::Receive : Direction::Transmit;
}

} // namespace cravent
