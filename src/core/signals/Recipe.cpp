#include "core/signals/Recipe.h"

#include "core/signals/SignalBits.h"


namespace cravent::signals {

std::uint64_t Recipe::read(std::span<const std::uint16_t> run) const
{
    return joinedField(run.first(registerCount).data(), registerCount, shift, mask);
}

// The bits of register firstRegister + k that a field (a value in the signal's bit positions,
// least significant first) sets: register k holds bits 16 (n - 1 - k) to 16 (n - 1 - k) + 15 of
// the joined value, and the field starts at bit `shift` of it.
static std::uint16_t registerBits(const Recipe& r, std::uint64_t field, unsigned k)
{
    const unsigned base = 16 * (r.registerCount - 1 - k);
    std::uint16_t bits = 0;
    for (unsigned b = 0; b < 16; ++b) {
        const unsigned at = base + b;
        if (at >= r.shift && at - r.shift < 64 && ((field >> (at - r.shift)) & 1u))
            bits = static_cast<std::uint16_t>(bits | (1u << b));
    }
    return bits;
}

std::uint16_t Recipe::registerMask(unsigned k) const
{
    return registerBits(*this, mask, k);
}

void Recipe::write(std::uint64_t bits, std::span<std::uint16_t> run) const
{
    for (unsigned k = 0; k < registerCount; ++k) {
        const std::uint16_t keep = static_cast<std::uint16_t>(~registerMask(k));
        run[k] = static_cast<std::uint16_t>((run[k] & keep) | registerBits(*this, bits & mask, k));
    }
}

PlcType plcTypeOf(const Signal& s)
{
    switch (s.valueType) {
    case ValueType::Float32:
        return PlcType::Real;
    case ValueType::Float64:
        return PlcType::Lreal;
    case ValueType::Signed:
        return s.length <= 16 ? PlcType::Int16 : s.length <= 32 ? PlcType::Int32 : PlcType::Int64;
    case ValueType::Unsigned:
        break;
    }
    if (s.length == 1)
        return PlcType::Bool;
    return s.length <= 16 ? PlcType::Uint16 : s.length <= 32 ? PlcType::Uint32 : PlcType::Uint64;
}

const char* plcTypeName(PlcType type)
{
    switch (type) {
    case PlcType::Bool:
        return "BOOL";
    case PlcType::Uint16:
        return "UINT16";
    case PlcType::Int16:
        return "INT16";
    case PlcType::Uint32:
        return "UINT32";
    case PlcType::Int32:
        return "INT32";
    case PlcType::Uint64:
        return "UINT64";
    case PlcType::Int64:
        return "INT64";
    case PlcType::Real:
        return "REAL";
    case PlcType::Lreal:
        return "LREAL";
    }
    return "UINT16";
}

std::string holdingRegisterText(std::uint16_t index)
{
    return std::to_string(400001u + index);
}

std::string wordOrderText(unsigned registerCount)
{
    std::string order;
    for (unsigned k = 0; k < 2 * registerCount; ++k)
        order += static_cast<char>('A' + k);
    return order;
}

RecipeFinder::RecipeFinder(const DirectionLayout& layout) : layout_(layout)
{
    std::vector<MapRegister> rows;
    rows.swap(layout_.registers);
    for (const MapRegister& reg : rows)
        add(reg);
}

void RecipeFinder::add(const MapRegister& reg)
{
    layout_.registers.push_back(reg);
    const int uses = ++uses_[reg.index];
    if (uses == 1) {
        frameOfIndex_[reg.index] = reg.frame;
        framesRegisters_[reg.frame][reg.index] = Halves{reg.high, reg.low};
    } else if (uses == 2) {
        framesRegisters_[frameOfIndex_[reg.index]].erase(reg.index);
        frameOfIndex_.erase(reg.index);
    }
}

Recipe RecipeFinder::recipe(const Signal& signal) const
{
    Recipe recipe;
    recipe.mask = lowMask(signal.length);
    const ListedFrame* frame = layout_.frameOf(signal.cobId);
    if (!frame) {
        recipe.unreachedBits = frameBits(signal);
        return recipe;
    }
    recipe.frame = frame->number;
    const BytePlace place = bytePlace(signal);
    const auto found = framesRegisters_.find(frame->number);
    static const std::map<std::uint16_t, Halves> none;
    const auto& registers = found == framesRegisters_.end() ? none : found->second;

    // The joined value's byte q (0 the least significant) is the low (q even) or high (q odd)
    // byte of register last - q / 2. The signal's byte q of significance sits at byte t + q,
    // t being 0 (its lowest byte is a low byte) or 1 (a high byte).
    const auto codeAt = [&](long index, unsigned half) -> int {
        if (index < 0)
            return -1;
        const auto at = registers.find(static_cast<std::uint16_t>(index));
        if (at == registers.end())
            return -1;
        return half == 0 ? at->second.low : at->second.high;
    };
    std::optional<long> bestFirst;
    for (const auto& [index, halves] : registers) {
        for (unsigned t = 0; t < 2; ++t) {
            bool fits = true;
            for (unsigned q = 0; q < place.byteCount && fits; ++q) {
                const unsigned joinedByte = t + q;
                fits = codeAt(static_cast<long>(index) - joinedByte / 2, joinedByte % 2) ==
                       place.bytes[q] + 1;
            }
            if (!fits)
                continue;
            const unsigned count = (t + place.byteCount + 1) / 2;
            const long first = static_cast<long>(index) - static_cast<long>(count - 1);
            if (!bestFirst || first < *bestFirst) {
                bestFirst = first;
                recipe.firstRegister = static_cast<std::uint16_t>(first);
                recipe.registerCount = count;
                recipe.shift = 8 * t + place.lowBit;
            }
        }
    }
    recipe.carried = bestFirst.has_value();
    if (recipe.carried)
        return recipe;

    recipe.registerCount = 0;
    std::array<bool, 8> reached{};
    for (const auto& [index, halves] : registers)
        for (const int code : {halves.high, halves.low})
            if (code >= 1 && code <= 8)
                reached[static_cast<std::size_t>(code - 1)] = true;
    for (const unsigned bit : frameBits(signal))
        if (!reached[bit / 8])
            recipe.unreachedBits.push_back(bit);
    return recipe;
}

RecipeSet recipesOf(const SignalSet& signals, const std::array<DirectionLayout, 2>& layouts)
{
    RecipeSet recipes;
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        const auto at = static_cast<std::size_t>(d);
        const RecipeFinder finder(layouts[at]);
        for (const Signal& signal : signals.of(d))
            recipes[at].push_back(finder.recipe(signal));
    }
    return recipes;
}

} // namespace cravent::signals
