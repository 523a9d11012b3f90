#include "core/common/IntegerText.h"

#include "core/common/Error.h"

namespace cravent {

std::optional<std::int32_t> parseIntegerText(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }

    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }

    if (i == text.size())
        return std::nullopt; // no digit at all

    if (hex) {
        std::uint32_t pattern = 0;
        for (; i < text.size(); ++i) {
            const int digit = hexDigitValue(text[i]);
            if (digit < 0 || pattern > 0x0FFFFFFFu)
                return std::nullopt;
            pattern = (pattern << 4) | static_cast<std::uint32_t>(digit);
        }
        if (negative)
            pattern = 0u - pattern;
        return static_cast<std::int32_t>(pattern);
    }

    // Accumulate the magnitude in 64 bits so that -2147483648 is accepted and one more refused.
    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
        if (magnitude > limit)
            return std::nullopt;
    }
    const auto value = static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::string invalidIntegerMessage(std::string_view text)
{
    return "'" + std::string(text) + "' is not a valid integer value";
}

std::int32_t toInteger(std::string_view text)
{
    if (auto value = parseIntegerText(text))
        return *value;
    throw Error(invalidIntegerMessage(text));
}

} // namespace cravent
