#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cravent {

// Every number in the project files is stored as the user typed it and read as "integer text":
// optional leading blanks, an optional sign, then decimal digits, or hexadecimal digits after
// "$", "x", "X", "0x" or "0X". Nothing may follow the last digit. Decimal values must fit a
// signed 32-bit integer; up to 32 bits of hexadecimal are a bit pattern, so 0xFFFFFFFF is -1.
std::optional<std::int32_t> parseIntegerText(std::string_view text);

// As parseIntegerText, but a text that is not integer text throws Error with the message
// "'<text>' is not a valid integer value".
std::int32_t toInteger(std::string_view text);

// The value of one hexadecimal digit, either case; -1 for any other character.
constexpr int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "'<text>' is not a valid integer value"
std::string invalidIntegerMessage(std::string_view text);

} // namespace cravent
