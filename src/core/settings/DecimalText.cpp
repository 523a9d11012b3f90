#include "core/settings/DecimalText.h"

#include <algorithm>

namespace cravent::settings {

namespace {

constexpr std::int64_t ThousandthsLimit = 1'000'000'000'000'000'000; // 10^18 = 10^15 units
constexpr std::size_t LargestIntegerDigits = 15;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::int64_t digitsValue(std::string_view digits)
{
    std::int64_t value = 0;
    for (const char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

} // namespace

std::optional<DecimalText> parseDecimalText(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);

    DecimalText number;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        number.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    bool separatorSeen = false;
    bool digitSeen = false;
    for (const char c : text) {
        if (isDigit(c)) {
            digitSeen = true;
            (separatorSeen ? number.fractionDigits : number.integerDigits).push_back(c);
        } else if ((c == '.' || c == ',') && !separatorSeen) {
            separatorSeen = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digitSeen)
        return std::nullopt;

    number.integerDigits.erase(0, number.integerDigits.find_first_not_of('0'));
    if (number.integerDigits.find_first_not_of('0') == std::string::npos)
        number.integerDigits.clear();
    const auto lastSignificant = number.fractionDigits.find_last_not_of('0');
    number.fractionDigits.erase(lastSignificant == std::string::npos ? 0 : lastSignificant + 1);
    return number;
}

std::optional<std::int64_t> roundToInteger(const DecimalText& number)
{
    if (number.integerDigits.size() > LargestIntegerDigits)
        return std::nullopt;
    const std::int64_t magnitude = digitsValue(number.integerDigits);
    const std::string& fraction = number.fractionDigits; // no trailing zeros
    const bool zero = fraction.empty();
    const bool exactHalf = fraction == "5";
    const bool aboveHalf = !zero && !exactHalf && fraction.front() >= '5';
    if (!number.negative)
        return aboveHalf ? magnitude + 1 : magnitude;
    return (aboveHalf || exactHalf) ? -(magnitude + 1) : -magnitude;
}

std::int64_t toThousandths(const DecimalText& number)
{
    if (number.integerDigits.size() > LargestIntegerDigits)
        return number.negative ? -ThousandthsLimit : ThousandthsLimit;
    std::string fraction = number.fractionDigits;
    fraction.resize(std::max<std::size_t>(fraction.size(), 4), '0');
    std::int64_t magnitude = digitsValue(number.integerDigits) * 1000 + digitsValue(fraction.substr(0, 3));
    if (fraction[3] >= '5')
        ++magnitude;
    return number.negative ? -magnitude : magnitude;
}

std::string shortestForm(std::int64_t thousandths)
{
    const bool negative = thousandths < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(thousandths) : static_cast<std::uint64_t>(thousandths);
    std::string text = std::to_string(magnitude / 1000);
    std::string fraction = std::to_string(1000 + magnitude % 1000).substr(1);
    fraction.erase(fraction.find_last_not_of('0') + 1);
    if (!fraction.empty())
        text += "." + fraction;
    return (negative ? "-" : "") + text;
}

std::string shortestForm(const DecimalText& number)
{
    // Rounded on the digits themselves, so that any length of number keeps its digits.
    std::string fraction = number.fractionDigits;
    fraction.resize(std::max<std::size_t>(fraction.size(), 4), '0');
    std::string digits = "0" + number.integerDigits + fraction.substr(0, 3);
    if (fraction[3] >= '5') {
        auto at = digits.rbegin();
        for (; *at == '9'; ++at)
            *at = '0';
        ++*at;
    }
    std::string decimals = digits.substr(digits.size() - 3);
    decimals.erase(decimals.find_last_not_of('0') + 1);
    digits.erase(digits.size() - 3);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    const bool zero = digits == "0" && decimals.empty();
    return (number.negative && !zero ? "-" : "") + digits + (decimals.empty() ? "" : "." + decimals);
}

} // namespace cravent::settings
