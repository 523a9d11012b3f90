#pragma once

#include "core/project/SignalFile.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace cravent::signals {

// Where a signal's bits lie in the frame's data. Bits are numbered as the DBC numbers them:
// bit b of data byte k (0-based) is bit 8 k + b, bit 0 the least significant of its byte.
//
// Whatever its byte order, a signal then fills a run of data bytes in order of significance:
// its least significant bit is bit `lowBit` of byte `bytes[0]`, the bits above it fill that
// byte and go on at bit 0 of `bytes[1]`, and so on. For Intel the bytes ascend, for Motorola
// they descend. This is what lets a whole byte of the frame become a register's high or low
// byte without losing a signal's bit order.
struct BytePlace {
    unsigned lowBit = 0;                  // 0..7
    std::array<std::uint8_t, 8> bytes{}; // 0-based data bytes, least significant first
    unsigned byteCount = 0;               // 1..8

    // The highest data byte the signal touches (0-based): with a data length of at most this,
    // the signal reaches past the frame's data.
    unsigned highestByte() const;
};

// The signal must be sound (signalFault() gives nothing).
BytePlace bytePlace(const Signal& signal);

// The DBC bit number of each of the signal's bits, least significant first.
std::vector<unsigned> frameBits(const Signal& signal);
// The same as a set: bit 8 k + b of the result for each bit of the signal.
std::uint64_t frameBitMask(const Signal& signal);

// "4-11, 13": bit numbers in ascending order, runs joined.
std::string bitRangesText(std::vector<unsigned> bits);

// The signal's bits in a frame's data, precomputed so that reading one costs a load, a shift
// and a mask. Intel signals are read from the data taken little-endian, Motorola signals from
// the data taken big-endian; in either word the signal is one contiguous field.
class FrameField {
public:
    explicit FrameField(const Signal& signal);

    // The signal's raw bits, least significant first. Bytes beyond `data` read 0, as a gateway
    // reads bytes beyond a frame's length.
    std::uint64_t read(std::span<const std::uint8_t> data) const;
    // Puts `bits` (only the low `length` of them are taken) into the data, leaving other bits.
    void write(std::uint64_t bits, std::array<std::uint8_t, 8>& data) const;

private:
    bool motorola_ = false;
    unsigned shift_ = 0;
    std::uint64_t mask_ = 0;
};

// All ones in the low `length` bits (1 to 64).
constexpr std::uint64_t lowMask(unsigned length)
{
    return length >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << length) - 1;
}

} // namespace cravent::signals
