// The bit arithmetic on worked cases, each worked out by hand from the DBC's numbering.

#include "core/signals/SignalBits.h"
#include "core/signals/SignalCodec.h"
#include "core/signals/MakeSignal.h"

#include <gtest/gtest.h>

#include <random>

using namespace cravent;
using namespace cravent::signals;
using test::makeSignal;

namespace {

constexpr auto I = ByteOrder::Intel;
constexpr auto M = ByteOrder::Motorola;

std::array<std::uint8_t, 8> bytes(std::uint64_t bigEndian)
{
    std::array<std::uint8_t, 8> data{};
    for (std::size_t k = 0; k < 8; ++k)
        data[k] = static_cast<std::uint8_t>(bigEndian >> (56 - 8 * k));
    return data;
}

} // namespace

TEST(SignalBits, WorkedCasesReadTheBitsTheDatabaseMeans)
{
    const struct {
        const char* what;
        unsigned start, length;
        ByteOrder order;
        std::uint64_t data; // B1 first
        std::uint64_t raw;
        unsigned lowBit;
        std::vector<std::uint8_t> bytes; // least significant first
    } cases[] = {
        {"Intel 12 bits from bit 4", 4, 12, I, 0xABCD000000000000, 0xCDA, 4, {0, 1}},
        {"Intel flag at bit 13", 13, 1, I, 0x0020000000000000, 1, 5, {1}},
        {"Intel flag at bit 13, clear", 13, 1, I, 0xFFDFFFFFFFFFFFFF, 0, 5, {1}},
        {"Intel byte-aligned 16 bits in B3-B4", 16, 16, I, 0x0000341200000000, 0x1234, 0, {2, 3}},
        {"Intel 33 bits from bit 3", 3, 33, I, 0xF8FFFFFF0F000000, 0x1FFFFFFFF, 3, {0, 1, 2, 3, 4}},
        {"Intel 64 bits", 0, 64, I, 0x0123456789ABCDEF, 0xEFCDAB8967452301, 0, {0, 1, 2, 3, 4, 5, 6, 7}},
        {"Motorola 16 bits from bit 7", 7, 16, M, 0x1234000000000000, 0x1234, 0, {1, 0}},
        // MSB bit 4 of B2, then B2 bits 3-0 and B3 bits 7-3: bytes B3 (from bit 3), B2.
        {"Motorola 10 bits from bit 12", 12, 10, M, 0x0016A80000000000, (0x16 & 0x1F) << 5 | 0xA8 >> 3, 3, {2, 1}},
        {"Motorola 2 bits from bit 1", 1, 2, M, 0x0200000000000000, 2, 0, {0}},
        {"Motorola 33 bits from bit 24", 24, 33, M, 0x0000000189ABCDEF, 0x189ABCDEF, 0, {7, 6, 5, 4, 3}},
        {"Motorola 64 bits from bit 7", 7, 64, M, 0x0123456789ABCDEF, 0x0123456789ABCDEF, 0,
         {7, 6, 5, 4, 3, 2, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Signal s = makeSignal(0x181, "S", c.start, c.length, c.order);
        ASSERT_FALSE(signalFault(s)) << *signalFault(s);
        const auto data = bytes(c.data);
        EXPECT_EQ(FrameField(s).read(data), c.raw);
        const BytePlace place = bytePlace(s);
        EXPECT_EQ(place.lowBit, c.lowBit);
        EXPECT_EQ(std::vector<std::uint8_t>(place.bytes.begin(), place.bytes.begin() + place.byteCount), c.bytes);
        // Written into empty data, the field alone comes back, and nothing else is set.
        std::array<std::uint8_t, 8> written{};
        FrameField(s).write(c.raw, written);
        EXPECT_EQ(FrameField(s).read(written), c.raw);
        std::uint64_t set = 0;
        for (std::size_t k = 0; k < 8; ++k)
            for (unsigned b = 0; b < 8; ++b)
                if ((unsigned{written[k]} >> b) & 1u)
                    set |= std::uint64_t{1} << (8 * k + b);
        EXPECT_EQ(set & ~frameBitMask(s), 0u);
    }
}

TEST(SignalBits, SignedAndFloatSignalsTakeTheirBitsAsTwosComplementAndIeee754)
{
    Signal s12 = makeSignal(1, "T", 4, 12, I, ValueType::Signed);
    s12.factor = 0.5;
    s12.offset = 10;
    const SignalCodec c12(s12);
    EXPECT_EQ(c12.integerRaw(0xFFF), -1);
    EXPECT_EQ(c12.integerRaw(0x800), -2048);
    EXPECT_EQ(c12.integerRaw(0x7FF), 2047);
    EXPECT_DOUBLE_EQ(c12.physical(0xFFE), 9.0);
    EXPECT_EQ(c12.rawText(0x800), "-2048");

    const Signal float32 = makeSignal(1, "F", 32, 32, I, ValueType::Float32);
    const SignalCodec f32(float32);
    std::array<std::uint8_t, 8> data{};
    f32.frameField().write(std::bit_cast<std::uint32_t>(1.5f), data);
    EXPECT_EQ(data, (std::array<std::uint8_t, 8>{0, 0, 0, 0, 0x00, 0x00, 0xC0, 0x3F}));
    EXPECT_DOUBLE_EQ(f32.rawNumber(f32.frameField().read(data)), 1.5);
    EXPECT_EQ(f32.rawText(f32.frameField().read(data)), "1.5");

    const Signal float64 = makeSignal(1, "D", 7, 64, M, ValueType::Float64);
    const SignalCodec f64(float64);
    data = bytes(std::bit_cast<std::uint64_t>(-2.25));
    EXPECT_DOUBLE_EQ(f64.physical(f64.frameField().read(data)), -2.25);

    const Signal wide = makeSignal(1, "U", 0, 64);
    const SignalCodec u64(wide);
    EXPECT_EQ(u64.rawText(~std::uint64_t{0}), "18446744073709551615");
}

TEST(SignalBits, BitRangesJoinRunsAndNameBytes)
{
    EXPECT_EQ(bitRangesText({13, 4, 5, 6, 7, 8, 9, 10, 11}), "4-11, 13");
    EXPECT_EQ(bitRangesText({0}), "0");
    EXPECT_EQ(bitRangesText({}), "");
}

// Every layout there is: for random raw values, writing and reading the field gives them
// back, and the field is where frameBits() says it is.
TEST(SignalBits, EveryLayoutWritesAndReadsBackItsRawBits)
{
    std::mt19937_64 random(23);
    for (const ByteOrder order : {I, M}) {
        for (unsigned start = 0; start < 64; ++start) {
            for (unsigned length = 1; length <= 64; ++length) {
                const Signal s = makeSignal(1, "S", start, length, order);
                if (signalFault(s))
                    continue;
                SCOPED_TRACE(std::string(byteOrderName(order)) + " start " + std::to_string(start) +
                             " length " + std::to_string(length));
                const FrameField field(s);
                const std::vector<unsigned> bits = frameBits(s);
                for (int n = 0; n < 3; ++n) {
                    const std::uint64_t raw = random() & lowMask(length);
                    std::array<std::uint8_t, 8> data{};
                    for (auto& b : data)
                        b = static_cast<std::uint8_t>(random());
                    const auto before = data;
                    field.write(raw, data);
                    ASSERT_EQ(field.read(data), raw);
                    const auto bitOf = [](const std::array<std::uint8_t, 8>& bytes, unsigned b) {
                        return (static_cast<unsigned>(bytes[b / 8]) >> (b % 8)) & 1u;
                    };
                    for (unsigned i = 0; i < length; ++i)
                        ASSERT_EQ(bitOf(data, bits[i]), (raw >> i) & 1u) << "bit " << i;
                    const std::uint64_t mask = frameBitMask(s);
                    for (unsigned b = 0; b < 64; ++b) {
                        if (!((mask >> b) & 1u)) {
                            ASSERT_EQ(bitOf(data, b), bitOf(before, b));
                        }
                    }
                }
            }
        }
    }
}
