#include "core/workbook/CellText.h"

#include <array>
#include <charconv>
#include <cmath>

namespace cravent::workbook {

std::string numberText(double value)
{
    if (value == 0.0)
        return "0"; // also for -0.0, which no user typed
    std::array<char, 400> buffer{};
    const bool whole = std::isfinite(value) && std::trunc(value) == value;
    const auto result = whole ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                              std::chars_format::fixed)
                              : std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

} // namespace cravent::workbook
