#include "FuzzCheck.h"
#include "core/sim/ModbusRequestFrame.h"

#include <cstdint>
#include <cstddef>
#include <span>

using namespace cravent;

// The bytes a client sends, cut into requests as the simulator cuts them: every request is
// whole by its header, fits 260 bytes, and is found at the same length whatever follows it;
// no shorter start of it is complete, and a stream once refused stays refused.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> stream(data, size);
    while (!stream.empty()) {
        const sim::RequestFrame frame = sim::frameRequest(stream);
        if (frame.state == sim::RequestFrame::State::Incomplete) {
            FUZZ_CHECK(stream.size() < sim::MaxAduLength);
            FUZZ_CHECK(frame.why.empty());
            return 0;
        }
        FUZZ_CHECK(!frame.why.empty() || frame.state == sim::RequestFrame::State::Complete);
        if (frame.state == sim::RequestFrame::State::Broken) {
            // Refused at the header, before any length of what follows is waited for.
            const std::size_t header = stream.size() < 6 ? stream.size() : 6;
            FUZZ_CHECK(sim::frameRequest(stream.first(header)).state == sim::RequestFrame::State::Broken);
            return 0;
        }
        FUZZ_CHECK(frame.length > sim::MbapHeaderLength && frame.length <= sim::MaxAduLength);
        FUZZ_CHECK(frame.length <= stream.size());
        FUZZ_CHECK(frame.length == 6u + (static_cast<std::size_t>(stream[4]) << 8 | stream[5]));
        FUZZ_CHECK(frame.lengthsAgree == frame.why.empty());
        const sim::RequestFrame alone = sim::frameRequest(stream.first(frame.length));
        FUZZ_CHECK(alone.state == frame.state && alone.length == frame.length &&
                   alone.lengthsAgree == frame.lengthsAgree);
        for (std::size_t shorter = 0; shorter < frame.length; ++shorter)
            FUZZ_CHECK(sim::frameRequest(stream.first(shorter)).state == sim::RequestFrame::State::Incomplete);
        stream = stream.subspan(frame.length);
    }
    return 0;
}
