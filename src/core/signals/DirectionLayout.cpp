#include "core/signals/DirectionLayout.h"

#include "core/common/IntegerText.h"

namespace cravent::signals {

namespace {

std::optional<std::int32_t> valueOf(const std::optional<std::string>& text)
{
    return text ? parseIntegerText(*text) : std::nullopt;
}

std::optional<MapRegister> registerOf(int frame, const std::optional<std::string>& index,
                                      const std::optional<std::string>& posComp)
{
    const auto i = valueOf(index);
    const auto p = valueOf(posComp);
    if (!i || !p || frame <= 0)
        return std::nullopt;
    // The device keeps the low 16 bits of an index and the low 8 of a byte selection.
    const auto selection = static_cast<std::uint32_t>(*p) & 0xFFu;
    return MapRegister{static_cast<std::uint16_t>(static_cast<std::uint32_t>(*i) & 0xFFFFu), frame,
                       static_cast<int>(selection >> 4), static_cast<int>(selection & 15u)};
}

std::optional<int> lengthOf(const std::optional<std::string>& text)
{
    const auto value = valueOf(text);
    return value ? std::optional<int>(*value) : std::nullopt;
}

} // namespace

const ListedFrame* DirectionLayout::frameOf(std::uint32_t cobId) const
{
    const ListedFrame* found = nullptr;
    for (const ListedFrame& frame : frames) {
        if (frame.cobId != cobId)
            continue;
        found = &frame;
        if (direction == Direction::Transmit)
            break;
    }
    return found;
}

DirectionLayout layoutOf(Direction direction, const project::StoredFrameFile* frameList,
                         const project::StoredMapFile* map)
{
    DirectionLayout layout;
    layout.direction = direction;
    if (frameList) {
        int number = 0;
        for (const project::StoredFrameRow& row : frameList->rows) {
            ++number;
            if (const auto cobId = valueOf(row.cobId))
                layout.frames.push_back({static_cast<std::uint32_t>(*cobId), number, lengthOf(row.dimension)});
        }
    }
    if (map) {
        for (const project::StoredMapRow& row : map->rows) {
            const auto frame = valueOf(row.nrPdo);
            if (!frame)
                continue;
            // The device keeps the frame number's low 8 bits.
            const int number = static_cast<int>(static_cast<std::uint32_t>(*frame) & 0xFFu);
            if (const auto reg = registerOf(number, row.index, row.posComp))
                layout.registers.push_back(*reg);
        }
    }
    return layout;
}

DirectionLayout layoutOf(Direction direction, const std::vector<frames::TClPdo>& frames,
                         const std::vector<project::Frame>* frameList)
{
    DirectionLayout layout;
    layout.direction = direction;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const frames::TClPdo& pdo = frames[f];
        if (const auto cobId = parseIntegerText(pdo.cobId)) {
            std::optional<int> length;
            if (frameList && f < frameList->size())
                length = lengthOf((*frameList)[f].dimension);
            layout.frames.push_back({static_cast<std::uint32_t>(*cobId), pdo.number, length});
        }
        for (const frames::TClIndMB& entry : pdo.entries)
            if (const auto reg = registerOf(pdo.number, entry.index, entry.posComp))
                layout.registers.push_back(*reg);
    }
    return layout;
}

} // namespace cravent::signals
