// Physical values to raw bits and back: rounding, ranges and what the bits can hold.

#include "core/signals/SignalCodec.h"
#include "core/signals/MakeSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace cravent;
using namespace cravent::signals;
using test::makeSignal;

namespace {

Signal speed()
{
    Signal s = makeSignal(0x181, "Speed", 4, 12);
    s.message = "Wheel";
    s.factor = 0.1;
    s.offset = -10;
    s.unit = "km/h";
    s.range = Range{-10, 250};
    return s;
}

} // namespace

TEST(SignalCodec, PhysicalValuesRoundToTheNearestRawValue)
{
    const Signal s = speed();
    const SignalCodec codec(s);
    const struct {
        double physical;
        std::uint64_t raw;
    } cases[] = {
        {-10, 0}, {0, 100}, {12.34, 223}, {12.35, 224}, {12.36, 224}, {250, 2600}, {-9.96, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.physical);
        const auto encoded = codec.encode(c.physical);
        ASSERT_FALSE(encoded.refusal) << *encoded.refusal;
        EXPECT_EQ(encoded.bits, c.raw);
        EXPECT_NEAR(codec.physical(encoded.bits), c.physical, 0.05 + 1e-9);
    }
}

TEST(SignalCodec, ValuesOutsideTheRangeOrTheBitsAreRefusedNamingTheSignal)
{
    const Signal ranged = speed();
    const SignalCodec withRange(ranged);
    EXPECT_EQ(withRange.encode(250.01).refusal.value_or(""),
              "Wheel.Speed: 250.01 km/h is outside its range -10 to 250 km/h");
    EXPECT_EQ(withRange.encode(-11).refusal.value_or(""),
              "Wheel.Speed: -11 km/h is outside its range -10 to 250 km/h");
    EXPECT_TRUE(withRange.encode(std::nan("")).refusal);
    EXPECT_TRUE(withRange.encode(std::numeric_limits<double>::infinity()).refusal);

    Signal open = speed();
    open.range.reset();
    const SignalCodec noRange(open);
    EXPECT_EQ(noRange.encode(400).refusal.value_or(""),
              "Wheel.Speed: 400 km/h needs raw value 4100, beyond what its 12 bits hold (0 to 4095)");
    EXPECT_FALSE(noRange.encode(399.5).refusal);
    EXPECT_TRUE(noRange.encode(-10.1).refusal);

    Signal flag = makeSignal(1, "Flag", 0, 1);
    EXPECT_EQ(SignalCodec(flag).encode(2).refusal.value_or(""),
              "M1.Flag: 2 needs raw value 2, beyond what its 1 bit hold (0 to 1)");
    Signal temperature = makeSignal(1, "T", 0, 8, ByteOrder::Intel, ValueType::Signed);
    const SignalCodec signedCodec(temperature);
    EXPECT_EQ(signedCodec.encode(-128).bits, 0x80u);
    EXPECT_EQ(signedCodec.encode(127).bits, 0x7Fu);
    EXPECT_EQ(signedCodec.encode(128).refusal.value_or(""),
              "M1.T: 128 needs raw value 128, beyond what its 8 bits hold (-128 to 127)");
    EXPECT_EQ(signedCodec.encode(-0.4).bits, 0u);
    EXPECT_EQ(signedCodec.encode(-0.5).bits, 0xFFu); // halves away from zero

    const Signal float32 = makeSignal(1, "F", 0, 32, ByteOrder::Intel, ValueType::Float32);
    const SignalCodec f32(float32);
    EXPECT_EQ(f32.encode(1.5).bits, std::bit_cast<std::uint32_t>(1.5f));
    EXPECT_TRUE(f32.encode(1e39).refusal);
    const Signal float64 = makeSignal(1, "D", 0, 64, ByteOrder::Intel, ValueType::Float64);
    const SignalCodec f64(float64);
    EXPECT_EQ(f64.encode(0.1).bits, std::bit_cast<std::uint64_t>(0.1));

    const Signal wide = makeSignal(1, "U", 0, 64);
    const SignalCodec u64(wide);
    EXPECT_EQ(u64.encode(std::ldexp(1.0, 63)).bits, std::uint64_t{1} << 63);
    EXPECT_TRUE(u64.encode(std::ldexp(1.0, 64)).refusal);
}

TEST(SignalCodec, ValueNamesFollowTheRawValue)
{
    Signal gear = makeSignal(1, "Gear", 0, 4, ByteOrder::Intel, ValueType::Signed);
    gear.valueNames = {{-1, "Reverse"}, {0, "Neutral"}, {7, "Invalid"}};
    const SignalCodec codec(gear);
    ASSERT_TRUE(codec.valueName(0xF));
    EXPECT_EQ(*codec.valueName(0xF), "Reverse");
    EXPECT_EQ(*codec.valueName(0x7), "Invalid");
    EXPECT_EQ(codec.valueName(0x3), nullptr);
}

// Encode then decode gives the raw value back, for every layout and type.
TEST(SignalCodec, EncodingThenDecodingGivesTheRawValueBack)
{
    std::mt19937_64 random(26);
    for (const ValueType type : {ValueType::Unsigned, ValueType::Signed}) {
        for (unsigned length = 1; length <= 64; ++length) {
            Signal s = makeSignal(1, "S", 0, length, ByteOrder::Intel, type);
            s.factor = 0.25;
            s.offset = -3;
            const SignalCodec codec(s);
            for (int n = 0; n < 20; ++n) {
                // Values a double holds exactly, so the physical value names one raw value.
                const std::uint64_t raw = random() & lowMask(std::min(length, 50u));
                const std::uint64_t bits = raw & lowMask(length);
                const auto encoded = codec.encode(codec.physical(bits));
                ASSERT_FALSE(encoded.refusal) << *encoded.refusal;
                ASSERT_EQ(encoded.bits, bits) << "length " << length;
            }
        }
    }
    for (const auto& [type, length] : {std::pair{ValueType::Float32, 32u}, std::pair{ValueType::Float64, 64u}}) {
        const Signal s = makeSignal(1, "F", 0, length, ByteOrder::Intel, type);
        const SignalCodec codec(s);
        for (int n = 0; n < 200; ++n) {
            std::uint64_t bits = random() & lowMask(length);
            if (!std::isfinite(codec.rawNumber(bits)))
                continue;
            const auto encoded = codec.encode(codec.physical(bits));
            ASSERT_FALSE(encoded.refusal);
            // -0 and +0 are one physical value.
            if (codec.rawNumber(bits) == 0)
                bits = 0;
            EXPECT_EQ(encoded.bits, bits);
        }
    }
}
