#include "core/signals/RegisterPlans.h"

#include "core/common/Error.h"

#include <algorithm>

namespace cravent::signals {

std::optional<SignalRef> findSignal(const SignalSet& signals, Direction direction,
                                    std::string_view fullName)
{
    const auto dot = fullName.find('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    const std::string_view message = fullName.substr(0, dot);
    const std::string_view name = fullName.substr(dot + 1);
    const auto& list = signals.of(direction);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].message == message && list[i].name == name)
            return SignalRef{direction, i};
    return std::nullopt;
}

ReadPlan::ReadPlan(const SignalSet& signals, const RecipeSet& recipes)
{
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        const auto at = static_cast<std::size_t>(d);
        firstOf_[at] = entries_.size();
        const auto& list = signals.of(d);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Recipe& recipe = recipes[at].at(i);
            Entry entry{SignalRef{d, i}, SignalCodec(list[i]), recipe.carried, 0, recipe.registerCount,
                        recipe.shift, recipe.mask, list[i].multiplexValue, std::nullopt};
            if (recipe.carried)
                for (unsigned k = 0; k < recipe.registerCount; ++k)
                    registers_.push_back(static_cast<std::uint16_t>(recipe.firstRegister + k));
            entries_.push_back(std::move(entry));
        }
        // Each multiplexed signal finds the multiplexor of its frame once, here.
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!list[i].multiplexValue)
                continue;
            for (std::size_t j = 0; j < list.size(); ++j) {
                if (list[j].multiplexor && list[j].cobId == list[i].cobId) {
                    entries_[firstOf_[at] + i].multiplexor = firstOf_[at] + j;
                    break;
                }
            }
        }
    }
    std::sort(registers_.begin(), registers_.end());
    registers_.erase(std::unique(registers_.begin(), registers_.end()), registers_.end());
    // A signal's registers are consecutive, and so are their places in registers().
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        if (!entries_[e].carried)
            continue;
        const Recipe& recipe = recipes[static_cast<std::size_t>(entries_[e].ref.direction)][entries_[e].ref.position];
        entries_[e].at = static_cast<std::size_t>(
            std::lower_bound(registers_.begin(), registers_.end(), recipe.firstRegister) - registers_.begin());
    }
}

void ReadPlan::decode(std::span<const std::uint16_t> values, std::vector<SignalReading>& readings) const
{
    if (values.size() != registers_.size())
        throw Error("A reading holds " + std::to_string(values.size()) + " register values, not the " +
                    std::to_string(registers_.size()) + " that were asked for");
    readings.resize(entries_.size());
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        const Entry& entry = entries_[e];
        SignalReading& r = readings[e];
        r.signal = entry.ref;
        r.carried = entry.carried;
        r.active = entry.carried;
        if (!entry.carried) {
            r.bits = 0;
            r.physical = 0;
            continue;
        }
        r.bits = joinedField(values.data() + entry.at, entry.count, entry.shift, entry.mask);
        r.physical = entry.codec.physical(r.bits);
    }
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        const Entry& entry = entries_[e];
        if (!entry.selector || !entry.carried)
            continue;
        const auto m = entry.multiplexor;
        readings[e].active = m && readings[*m].carried && readings[*m].bits == *entry.selector;
    }
}

std::vector<SignalReading> ReadPlan::decode(std::span<const std::uint16_t> values) const
{
    std::vector<SignalReading> readings;
    decode(values, readings);
    return readings;
}

const SignalCodec& ReadPlan::codec(SignalRef ref) const
{
    return entries_.at(firstOf_[static_cast<std::size_t>(ref.direction)] + ref.position).codec;
}

WritePlan::WritePlan(const SignalSet& signals, const RecipeSet& recipes,
                     const std::vector<Assignment>& assignments)
{
    const auto signalOf = [&](const Assignment& a) -> const Signal& {
        return signals.of(a.signal.direction).at(a.signal.position);
    };
    for (std::size_t n = 0; n < assignments.size(); ++n) {
        const Assignment& a = assignments[n];
        const Recipe& recipe = recipes[static_cast<std::size_t>(a.signal.direction)].at(a.signal.position);
        if (!recipe.carried)
            throw Error(signalOf(a).fullName() + " is not carried by any register: nothing was written");
        std::vector<std::uint16_t> run(recipe.registerCount, 0);
        recipe.write(a.bits, run);
        for (unsigned k = 0; k < recipe.registerCount; ++k) {
            const std::uint16_t mask = recipe.registerMask(k);
            Change& change = changes_[static_cast<std::uint16_t>(recipe.firstRegister + k)];
            if (change.mask & mask) {
                const std::string first = signalOf(assignments[change.owner]).fullName();
                const std::string second = signalOf(a).fullName();
                throw Error(first == second ? first + " is given twice: nothing was written"
                                            : first + " and " + second +
                                                  " share bits, so they cannot both be set: nothing "
                                                  "was written");
            }
            if (change.mask == 0)
                change.owner = n;
            change.mask = static_cast<std::uint16_t>(change.mask | mask);
            change.value = static_cast<std::uint16_t>(change.value | (run[k] & mask));
        }
    }
    for (const auto& [index, change] : changes_)
        if (change.mask != 0xFFFF)
            mustRead_.push_back(index);
}

std::vector<RegisterRun> WritePlan::runs(std::span<const std::uint16_t> current) const
{
    if (current.size() != mustRead_.size())
        throw Error("The registers to keep were read as " + std::to_string(current.size()) +
                    " values, not " + std::to_string(mustRead_.size()));
    std::vector<RegisterRun> runs;
    std::size_t read = 0;
    for (const auto& [index, change] : changes_) {
        std::uint16_t value = change.value;
        if (change.mask != 0xFFFF)
            value = static_cast<std::uint16_t>((current[read++] & ~change.mask) | change.value);
        const bool extends = !runs.empty() && runs.back().values.size() < MaxRun &&
                             runs.back().first + runs.back().values.size() == index;
        if (!extends)
            runs.push_back({index, {}});
        runs.back().values.push_back(value);
    }
    return runs;
}

} // namespace cravent::signals
