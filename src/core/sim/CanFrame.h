#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cravent::sim {

// One classic CAN data frame as the virtual gateway sees it on its bus.
struct CanFrame {
    std::uint32_t id = 0;
    bool extended = false; // 29-bit identifier
    std::uint8_t length = 0;
    std::array<std::uint8_t, 8> data{};

    bool operator==(const CanFrame&) const = default;
};

// A line of candump's log form: "(1702305120.000000) can0 181#0102030405060708". The time and
// interface are optional; "##" (CAN FD with a flags digit) is read up to 8 data bytes. An
// identifier of more than 3 digits, or above 0x7FF, is extended. Nothing, with the reason in
// `why`, for a line that is not a data frame (remote frames, error frames, garbage).
std::optional<CanFrame> parseCandumpLine(std::string_view line, std::string* why = nullptr);

// The frame as candump logs it, with the identifier in 3 hexadecimal digits (standard) or 8
// (extended): "(1702305120.000000) can0 181#0102".
std::string candumpLine(const CanFrame& frame, double seconds, std::string_view iface);

} // namespace cravent::sim
