#include "core/sim/ModbusRequestFrame.h"

#include <optional>

namespace cravent::sim {

namespace {

// The length of a request's function code and data as its function defines it, where the
// function is one the server knows; nothing for the others (answered "illegal function" whatever
// their length). `pdu` may be shorter than the request claims.
std::optional<std::size_t> functionLength(std::span<const std::uint8_t> pdu)
{
    switch (pdu[0]) {
    case 1: case 2: case 3: case 4: // read coils, inputs, holding or input registers
    case 5: case 6:                 // write one coil or register
        return 5;
    case 7: case 17: // read exception status, report server id
        return 1;
    case 15: case 16: // write coils or registers: address, count, byte count, bytes
        return pdu.size() > 5 ? std::optional<std::size_t>(6 + pdu[5]) : std::nullopt;
    case 22: // mask write register
        return 7;
    case 23: // read and write registers: two addresses and counts, byte count, bytes
        return pdu.size() > 9 ? std::optional<std::size_t>(10 + pdu[9]) : std::nullopt;
    default:
        return std::nullopt;
    }
}

bool knownFunction(std::uint8_t function)
{
    return (function >= 1 && function <= 7) || function == 15 || function == 16 || function == 17 ||
           function == 22 || function == 23;
}

} // namespace

RequestFrame frameRequest(std::span<const std::uint8_t> bytes)
{
    RequestFrame frame;
    // Each field is judged as soon as it has arrived, so a stream that is no Modbus is refused
    // at its first bytes rather than after a length of garbage.
    if (bytes.size() >= 4 && (bytes[2] != 0 || bytes[3] != 0)) {
        frame.state = RequestFrame::State::Broken;
        frame.why = "protocol identifier " + std::to_string(bytes[2] << 8 | bytes[3]) + ", not 0 (Modbus)";
        return frame;
    }
    if (bytes.size() < 6)
        return frame;
    const std::size_t following = static_cast<std::size_t>(bytes[4] << 8 | bytes[5]);
    // The unit id and a function code at least; a whole request fits 260 bytes.
    if (following < 2 || following > MaxAduLength - 6) {
        frame.state = RequestFrame::State::Broken;
        frame.why = "length field " + std::to_string(following) + ", outside 2.." +
                    std::to_string(MaxAduLength - 6);
        return frame;
    }
    const std::size_t whole = 6 + following;
    if (bytes.size() < whole)
        return frame;
    frame.state = RequestFrame::State::Complete;
    frame.length = whole;
    const auto pdu = bytes.subspan(MbapHeaderLength, whole - MbapHeaderLength);
    if (!knownFunction(pdu[0])) {
        frame.lengthsAgree = true;
        return frame;
    }
    const auto wanted = functionLength(pdu);
    frame.lengthsAgree = wanted && *wanted == pdu.size();
    if (!frame.lengthsAgree)
        frame.why = "function " + std::to_string(pdu[0]) + " with " + std::to_string(pdu.size()) +
                    " bytes, which its own fields " +
                    (wanted ? "make " + std::to_string(*wanted) : std::string("cannot even state"));
    return frame;
}

} // namespace cravent::sim
