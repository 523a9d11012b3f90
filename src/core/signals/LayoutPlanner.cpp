#include "core/signals/LayoutPlanner.h"

#include "core/image/ConfigImage.h"
#include "core/signals/Recipe.h"
#include "core/signals/SignalBits.h"

#include <algorithm>
#include <climits>
#include <set>

namespace cravent::signals {

namespace {

constexpr unsigned RegisterLimit = 65536;

const char* side(Direction d)
{
    return d == Direction::Receive ? "receive" : "transmit";
}

} // namespace

std::size_t mapCapacity(Direction direction)
{
    const image::Region& region = direction == Direction::Receive ? image::RxRegisterMap : image::TxRegisterMap;
    return region.capacity(image::RegisterEntrySize);
}

void applyPlan(const LayoutPlan& plan, std::vector<frames::TClPdo>& frames)
{
    for (const PlannedRow& row : plan.rows)
        frames.at(static_cast<std::size_t>(row.frame - 1))
            .entries.emplace_back(std::to_string(row.index), frames::byteSelectionText(row.choices));
}

LayoutPlan planLayout(const std::vector<Signal>& signals, const std::array<DirectionLayout, 2>& layouts,
                      Direction direction, PlanStart start)
{
    const DirectionLayout& layout = layouts[static_cast<std::size_t>(direction)];
    RecipeFinder finder(layout);
    LayoutPlan plan;

    std::vector<bool> taken(RegisterLimit, false);
    unsigned cursor = 0;
    for (const DirectionLayout& each : layouts) {
        for (const MapRegister& reg : each.registers) {
            taken[reg.index] = true;
            cursor = std::max(cursor, reg.index + 1u);
        }
    }
    if (start.firstRegister)
        cursor = *start.firstRegister;
    std::size_t rows = layout.registers.size();
    const std::size_t capacity = mapCapacity(direction);

    std::vector<std::size_t> order(signals.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    const auto frameNumber = [&](const Signal& s) {
        const ListedFrame* frame = layout.frameOf(s.cobId);
        return frame ? frame->number : INT_MAX;
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const Signal& x = signals[a];
        const Signal& y = signals[b];
        return std::tuple(frameNumber(x), !x.multiplexor, x.startBit) <
               std::tuple(frameNumber(y), !y.multiplexor, y.startBit);
    });

    std::vector<bool> carried(signals.size(), false);
    const auto leaveOut = [&](std::size_t i, std::string reason) {
        plan.leftOut.push_back({i, std::move(reason)});
    };
    for (const std::size_t i : order) {
        const Signal& s = signals[i];
        if (const auto fault = signalFault(s)) {
            leaveOut(i, *fault);
            continue;
        }
        const ListedFrame* frame = layout.frameOf(s.cobId);
        if (!frame) {
            leaveOut(i, "COB-ID " + cobIdText(s.cobId) + " is not in the " + side(direction) + " frame list");
            continue;
        }
        const BytePlace place = bytePlace(s);
        if (frame->dataLength && *frame->dataLength >= 1 && *frame->dataLength <= 8 &&
            place.highestByte() >= static_cast<unsigned>(*frame->dataLength)) {
            leaveOut(i, "it reaches data byte B" + std::to_string(place.highestByte() + 1) + ", past the " +
                            std::to_string(*frame->dataLength) + " data bytes of frame " +
                            std::to_string(frame->number));
            continue;
        }
        if (s.multiplexValue) {
            const auto m = std::find_if(signals.begin(), signals.end(), [&](const Signal& other) {
                return other.multiplexor && other.cobId == s.cobId;
            });
            if (m == signals.end()) {
                leaveOut(i, "it is multiplexed, but its frame has no multiplexor");
                continue;
            }
            if (!carried[static_cast<std::size_t>(m - signals.begin())]) {
                leaveOut(i, "its multiplexor " + m->name + " is not carried");
                continue;
            }
        }
        if (finder.recipe(s).carried) {
            carried[i] = true;
            continue;
        }

        const unsigned count = (place.byteCount + 1) / 2;
        if (rows + count > capacity) {
            leaveOut(i, "its " + std::to_string(count) + " register" + (count == 1 ? "" : "s") +
                            " would pass the " + std::to_string(capacity) + " rows the " + side(direction) +
                            " map holds");
            continue;
        }
        unsigned first = cursor;
        while (first + count <= RegisterLimit &&
               std::any_of(taken.begin() + first, taken.begin() + first + count, [](bool t) { return t; }))
            ++first;
        if (first + count > RegisterLimit) {
            leaveOut(i, std::string(count == 1 ? "no free register" : "no " + std::to_string(count) + " consecutive free registers") +
                            " left at or above " + std::to_string(cursor) + " (the last is 65535)");
            continue;
        }
        // Register first + count - 1 - j takes the signal's bytes 2 j (low) and 2 j + 1 (high).
        for (unsigned j = 0; j < count; ++j) {
            const unsigned index = first + count - 1 - j;
            const int low = place.bytes[2 * j] + 1;
            const int high = 2 * j + 1 < place.byteCount ? place.bytes[2 * j + 1] + 1 : frames::NoByte;
            const MapRegister reg{static_cast<std::uint16_t>(index), frame->number, high, low};
            finder.add(reg);
            taken[index] = true;
            plan.rows.push_back({frame->number, reg.index, frames::ByteChoices{high, low}});
        }
        cursor = first + count;
        rows += count;
        carried[i] = true;
    }

    std::set<std::uint16_t> used;
    for (std::size_t i = 0; i < signals.size(); ++i) {
        if (!carried[i])
            continue;
        plan.carried.push_back(i);
        const Recipe recipe = finder.recipe(signals[i]);
        for (unsigned k = 0; k < recipe.registerCount; ++k)
            used.insert(static_cast<std::uint16_t>(recipe.firstRegister + k));
    }
    for (std::size_t p = 0; p < layout.registers.size(); ++p)
        if (!used.count(layout.registers[p].index))
            plan.rowsWithoutSignal.push_back(p);
    std::sort(plan.rows.begin(), plan.rows.end(),
              [](const PlannedRow& a, const PlannedRow& b) { return a.index < b.index; });
    std::sort(plan.leftOut.begin(), plan.leftOut.end(),
              [](const LeftOutSignal& a, const LeftOutSignal& b) { return a.signal < b.signal; });
    return plan;
}

} // namespace cravent::signals
