#include "core/settings/RangeValue.h"

#include "core/settings/DecimalText.h"

#include <algorithm>
#include <optional>

namespace cravent::settings {

namespace {

std::optional<int> inRange(std::string_view text, int minimum, int maximum)
{
    const auto number = parseDecimalText(text);
    if (!number)
        return std::nullopt;
    const auto rounded = roundToInteger(*number);
    if (!rounded || *rounded < minimum || *rounded > maximum)
        return std::nullopt;
    return static_cast<int>(*rounded);
}

bool contains(std::string_view text, std::string_view characters)
{
    return text.find_first_of(characters) != std::string_view::npos;
}

} // namespace

RangeValue::RangeValue(int minimum, int maximum, std::string text)
    : minimum_(minimum)
    , maximum_(maximum)
{
    setText(std::move(text));
}

void RangeValue::setText(std::string text)
{
    text_ = std::move(text);
    if (const auto value = inRange(text_, minimum_, maximum_))
        lastValidValue_ = *value;
}

int RangeValue::value()
{
    if (text_.empty())
        setText("0");
    return inRange(text_, minimum_, maximum_).value_or(lastValidValue_);
}

void RangeValue::leave()
{
    if (text_.empty())
        setText("0");
    else if (const auto number = parseDecimalText(text_))
        setText(shortestForm(*number));
}

void RangeValue::step(int amount)
{
    const auto number = parseDecimalText(text_);
    const std::int64_t from = number ? toThousandths(*number) : std::int64_t{value()} * 1000;
    const std::int64_t to = std::clamp(from + std::int64_t{amount} * 1000,
                                       std::int64_t{minimum_} * 1000, std::int64_t{maximum_} * 1000);
    setText(shortestForm(to));
}

int stepAmount(bool alt, bool ctrl)
{
    if (ctrl && alt)
        return 1000;
    if (ctrl)
        return 100;
    return alt ? 10 : 1;
}

bool acceptsKey(std::string_view typed, std::string_view before, std::string_view after)
{
    if (typed.empty() || std::all_of(typed.begin(), typed.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        }))
        return true;
    if (typed.size() != 1)
        return false;
    const char c = typed.front();
    if (c >= '0' && c <= '9')
        return true;
    if (c == '.' || c == ',')
        return !contains(before, ".,") && !contains(after, ".,");
    if (c == '-')
        return before.empty() && !contains(after, "-");
    return false;
}

} // namespace cravent::settings
