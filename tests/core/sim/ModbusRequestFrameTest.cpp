#include "core/sim/ModbusRequestFrame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace cravent::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using State = RequestFrame::State;

// A request with the MBAP header of transaction 0x0102 and unit 1 around `pdu`; `extra` bytes
// follow it (the next request's start).
Bytes request(const Bytes& pdu, const Bytes& extra = {})
{
    const auto following = pdu.size() + 1;
    Bytes bytes{0x01, 0x02, 0, 0, static_cast<std::uint8_t>(following >> 8), static_cast<std::uint8_t>(following), 1};
    bytes.insert(bytes.end(), pdu.begin(), pdu.end());
    bytes.insert(bytes.end(), extra.begin(), extra.end());
    return bytes;
}

TEST(ModbusRequestFrame, CutsRequestsByTheHeaderLengthAndChecksItAgainstTheFunction)
{
    const Bytes readTen{3, 0, 0, 0, 10};
    Bytes oneShort = request(readTen);
    oneShort.pop_back();
    const struct {
        const char* what;
        Bytes bytes;
        State state;
        std::size_t length;
        bool agree;
    } cases[] = {
        {"nothing yet", {}, State::Incomplete, 0, false},
        {"half a header", {0x01, 0x02, 0, 0, 0}, State::Incomplete, 0, false},
        {"header only", {0x01, 0x02, 0, 0, 0, 6, 1}, State::Incomplete, 0, false},
        {"read registers", request(readTen), State::Complete, 12, true},
        {"read registers, the next one begun", request(readTen, {0x00, 0x03}), State::Complete, 12, true},
        {"one byte short", oneShort, State::Incomplete, 0, false},
        {"write one register", request({6, 0, 100, 0x12, 0x34}), State::Complete, 12, true},
        {"write two registers", request({16, 0, 100, 0, 2, 4, 1, 2, 3, 4}), State::Complete, 17, true},
        {"write two registers, bytes missing", request({16, 0, 100, 0, 2, 4, 1, 2}), State::Complete, 15, false},
        {"write registers, no byte count", request({16, 0, 100, 0, 2}), State::Complete, 12, false},
        {"byte count says more than the header", request({16, 0, 0, 0, 123, 246}), State::Complete, 13, false},
        {"read and write registers", request({23, 0, 0, 0, 1, 0, 5, 0, 1, 2, 0xAB, 0xCD}), State::Complete, 19, true},
        {"read registers with a byte too many", request({3, 0, 0, 0, 10, 0}), State::Complete, 13, false},
        {"report server id", request({17}), State::Complete, 8, true},
        {"an unknown function, any length", request({0x2B, 14, 1, 0}), State::Complete, 11, true},
        {"the largest request", request(Bytes(253, 0x41)), State::Complete, 260, true},
        {"protocol 1, seen at its fourth byte", {0x01, 0x02, 0, 1}, State::Broken, 0, false},
        {"length 0", {0x01, 0x02, 0, 0, 0, 0}, State::Broken, 0, false},
        {"length 1 (no function code)", {0x01, 0x02, 0, 0, 0, 1, 1}, State::Broken, 0, false},
        {"length 255 (more than 260 bytes)", {0x01, 0x02, 0, 0, 0, 255}, State::Broken, 0, false},
        {"HTTP on the Modbus port", {'G', 'E', 'T', ' ', '/', ' '}, State::Broken, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RequestFrame frame = frameRequest(c.bytes);
        EXPECT_EQ(frame.state, c.state);
        EXPECT_EQ(frame.length, c.length);
        EXPECT_EQ(frame.lengthsAgree, c.agree);
        // Whatever is refused or answered with an exception says why.
        EXPECT_EQ(frame.why.empty(), frame.state == State::Incomplete || frame.lengthsAgree) << frame.why;
    }
}

TEST(ModbusRequestFrame, ARequestArrivingByteByByteIsCompleteOnlyAtItsLastByte)
{
    const Bytes whole = request({16, 0, 100, 0, 2, 4, 1, 2, 3, 4});
    for (std::size_t size = 0; size < whole.size(); ++size) {
        SCOPED_TRACE(size);
        EXPECT_EQ(frameRequest(std::span(whole).first(size)).state, State::Incomplete);
    }
    EXPECT_EQ(frameRequest(whole).state, State::Complete);
}

} // namespace
} // namespace cravent::sim
