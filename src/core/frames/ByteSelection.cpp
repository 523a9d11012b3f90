#include "core/frames/ByteSelection.h"

#include <algorithm>

namespace cravent::frames {

int byteSelection(ByteChoices choices)
{
    return 16 * choices.high + choices.low;
}

std::string byteSelectionText(ByteChoices choices)
{
    return std::to_string(byteSelection(choices));
}

ByteChoices choicesOf(std::int32_t selection)
{
    const auto bits = static_cast<std::uint32_t>(selection);
    const auto shown = [](std::uint32_t code) { return std::min(static_cast<int>(code & 15u), LastByte); };
    return {shown(bits >> 4), shown(bits)};
}

} // namespace cravent::frames
