#include "core/check/DeviceValues.h"

#include <array>
#include <cstdio>

namespace cravent::check {

std::string hexText(std::uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string registerText(std::uint32_t reg)
{
    return std::to_string(reg) + " (" + hexText(reg, 4) + ")";
}

std::string byteSourceName(int code)
{
    if (code == 0)
        return "\u2014";
    return "B" + std::to_string(code);
}

std::optional<int> bitRateKbits(std::int32_t listIndex)
{
    static constexpr std::array<int, 9> Rates{10, 20, 50, 100, 125, 250, 500, 800, 1000};
    if (listIndex < 0 || listIndex >= static_cast<std::int32_t>(Rates.size()))
        return std::nullopt;
    return Rates[static_cast<std::size_t>(listIndex)];
}

std::string canTypeName(std::int32_t canType)
{
    return (static_cast<std::uint32_t>(canType) & 0xFFu) == 0 ? "CAN 2.0A (11-bit COB-IDs)"
                                                              : "CAN 2.0B (29-bit COB-IDs)";
}

std::string dottedText(std::uint32_t address)
{
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

} // namespace cravent::check
