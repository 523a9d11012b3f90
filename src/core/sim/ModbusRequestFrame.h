#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace cravent::sim {

// Modbus TCP frames: the 7-byte MBAP header (transaction, protocol 0, length of what follows,
// unit id), then the function code and its data; 260 bytes at most.
inline constexpr std::size_t MbapHeaderLength = 7;
inline constexpr std::size_t MaxAduLength = 260;

// Where the bytes a client has sent so far stand. A server cuts requests by the header's length
// field, so that a request arrives whole or not at all, whatever the client's pace.
struct RequestFrame {
    enum class State {
        Incomplete, // more bytes are needed; nothing wrong yet
        Complete,   // the first `length` bytes are one request
        Broken,     // the header cannot start a Modbus TCP request: the stream has no framing left
    };
    State state = State::Incomplete;
    std::size_t length = 0;
    // Complete only: the function's own data has the length the header says. A request whose
    // lengths disagree is answered with an exception rather than read past its end.
    bool lengthsAgree = false;
    std::string why; // Broken, or Complete with lengths that disagree
};

// Frames the first request at the start of `bytes`.
RequestFrame frameRequest(std::span<const std::uint8_t> bytes);

} // namespace cravent::sim
