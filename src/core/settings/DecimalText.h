#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cravent::settings {

// A decimal number as a numeric field holds it, kept as digits so that rounding is exact:
// "12.5" is exactly half, whatever binary floating point would make of it.
struct DecimalText {
    bool negative = false;
    std::string integerDigits;  // no leading zeros; empty for 0
    std::string fractionDigits; // no trailing zeros
};

// Optional blanks around, an optional sign, then digits with at most one decimal separator,
// "." or ","; at least one digit. Anything else is not a number.
std::optional<DecimalText> parseDecimalText(std::string_view text);

// The nearest integer: an exact half goes down for a positive number and away from zero for a
// negative one (12.5 -> 12, -12.5 -> -13). Nothing when the number is too large to hold.
std::optional<std::int64_t> roundToInteger(const DecimalText& number);

// The number in thousandths, its fraction rounded half away from zero to three decimals;
// magnitudes beyond 10^15 are held at 10^15 (far outside any field's range).
std::int64_t toThousandths(const DecimalText& number);

// The shortest form with at most three decimals and "." as separator: "012.50" -> "12.5",
// "1,23456" -> "1.235", "-0.0001" -> "0".
std::string shortestForm(const DecimalText& number);
std::string shortestForm(std::int64_t thousandths);

} // namespace cravent::settings
