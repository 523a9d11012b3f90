#include "core/signals/SignalBits.h"

#include <algorithm>

namespace cravent::signals {

namespace {

// A bit's place counted in the order of the bus, byte 0 first and bit 7 first in each byte:
// Motorola signals are contiguous there, from their most significant bit on.
constexpr unsigned busOrder(unsigned bit)
{
    return (bit / 8) * 8 + (7 - bit % 8);
}

// busOrder() is its own inverse.
constexpr unsigned fromBusOrder(unsigned place)
{
    return busOrder(place);
}

unsigned leastSignificantBit(const Signal& s)
{
    if (s.byteOrder == ByteOrder::Intel)
        return s.startBit;
    return fromBusOrder(busOrder(s.startBit) + s.length - 1);
}

} // namespace

unsigned BytePlace::highestByte() const
{
    return *std::max_element(bytes.begin(), bytes.begin() + byteCount);
}

BytePlace bytePlace(const Signal& s)
{
    BytePlace place;
    const unsigned lsb = leastSignificantBit(s);
    place.lowBit = lsb % 8;
    place.byteCount = (place.lowBit + s.length + 7) / 8;
    const int step = s.byteOrder == ByteOrder::Intel ? 1 : -1;
    for (unsigned q = 0; q < place.byteCount; ++q)
        place.bytes[q] = static_cast<std::uint8_t>(static_cast<int>(lsb / 8) + step * static_cast<int>(q));
    return place;
}

std::vector<unsigned> frameBits(const Signal& s)
{
    std::vector<unsigned> bits;
    bits.reserve(s.length);
    const BytePlace place = bytePlace(s);
    for (unsigned i = 0; i < s.length; ++i) {
        const unsigned q = (place.lowBit + i) / 8;
        bits.push_back(place.bytes[q] * 8u + (place.lowBit + i) % 8);
    }
    return bits;
}

std::uint64_t frameBitMask(const Signal& s)
{
    std::uint64_t mask = 0;
    for (const unsigned bit : frameBits(s))
        mask |= std::uint64_t{1} << bit;
    return mask;
}

std::string bitRangesText(std::vector<unsigned> bits)
{
    std::sort(bits.begin(), bits.end());
    bits.erase(std::unique(bits.begin(), bits.end()), bits.end());
    std::string text;
    for (std::size_t i = 0; i < bits.size();) {
        std::size_t j = i;
        while (j + 1 < bits.size() && bits[j + 1] == bits[j] + 1)
            ++j;
        if (!text.empty())
            text += ", ";
        text += std::to_string(bits[i]);
        if (j > i)
            text += "-" + std::to_string(bits[j]);
        i = j + 1;
    }
    return text;
}

FrameField::FrameField(const Signal& s)
    : motorola_(s.byteOrder == ByteOrder::Motorola), mask_(lowMask(s.length))
{
    // In the big-endian word, bus place p is bit 63 - p.
    shift_ = motorola_ ? 63 - (busOrder(s.startBit) + s.length - 1) : s.startBit;
}

std::uint64_t FrameField::read(std::span<const std::uint8_t> data) const
{
    std::uint64_t word = 0;
    const std::size_t n = std::min<std::size_t>(data.size(), 8);
    if (motorola_) {
        for (std::size_t k = 0; k < n; ++k)
            word |= std::uint64_t{data[k]} << (56 - 8 * k);
    } else {
        for (std::size_t k = 0; k < n; ++k)
            word |= std::uint64_t{data[k]} << (8 * k);
    }
    return (word >> shift_) & mask_;
}

void FrameField::write(std::uint64_t bits, std::array<std::uint8_t, 8>& data) const
{
    for (std::size_t k = 0; k < 8; ++k) {
        const unsigned at = motorola_ ? 56 - 8 * static_cast<unsigned>(k) : 8 * static_cast<unsigned>(k);
        // The part of the field in this byte, in the word's bit positions.
        const std::uint64_t fieldMask = (mask_ << shift_) >> at & 0xFFu;
        const std::uint64_t fieldBits = ((bits & mask_) << shift_) >> at & 0xFFu;
        data[k] = static_cast<std::uint8_t>((data[k] & ~fieldMask) | fieldBits);
    }
}

} // namespace cravent::signals
