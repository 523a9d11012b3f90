// Where a signal lives in the registers, on maps written by hand.

#include "core/signals/Recipe.h"
#include "core/signals/SignalBits.h"
#include "core/signals/MakeSignal.h"

#include <gtest/gtest.h>

using namespace cravent;
using namespace cravent::signals;
using test::makeSignal;

namespace {

constexpr auto I = ByteOrder::Intel;
constexpr auto M = ByteOrder::Motorola;

// One received frame, COB-ID 0x181, 8 bytes, with the given registers (index, high, low).
DirectionLayout frameWith(std::vector<std::array<int, 3>> registers)
{
    DirectionLayout layout;
    layout.frames.push_back({0x181, 1, 8});
    for (const auto& [index, high, low] : registers)
        layout.registers.push_back({static_cast<std::uint16_t>(index), 1, high, low});
    return layout;
}

} // namespace

TEST(Recipe, WorkedCasesFollowTheReadingConvention)
{
    const struct {
        const char* what;
        unsigned start, length;
        ByteOrder order;
        std::vector<std::array<int, 3>> registers;
        unsigned first, count, shift;
    } cases[] = {
        {"flag at bit 13 in the low byte", 13, 1, I, {{7, 0, 2}}, 7, 1, 5},
        {"flag at bit 13 in a high byte", 13, 1, I, {{7, 2, 1}}, 7, 1, 13},
        {"12 bits from bit 4", 4, 12, I, {{10, 2, 1}}, 10, 1, 4},
        {"byte-aligned 8 bits", 8, 8, I, {{3, 0, 2}}, 3, 1, 0},
        {"byte-aligned 16 bits Intel", 16, 16, I, {{4, 4, 3}}, 4, 1, 0},
        {"byte-aligned 16 bits Motorola", 23, 16, M, {{4, 3, 4}}, 4, 1, 0},
        {"32 bits Intel as an ABCD pair", 0, 32, I, {{20, 4, 3}, {21, 2, 1}}, 20, 2, 0},
        {"32 bits Motorola as an ABCD pair", 7, 32, M, {{20, 1, 2}, {21, 3, 4}}, 20, 2, 0},
        {"20 bits: the first register's high byte empty", 0, 20, I, {{5, 0, 3}, {6, 2, 1}}, 5, 2, 0},
        {"33 bits from bit 3", 3, 33, I, {{0, 0, 5}, {1, 4, 3}, {2, 2, 1}}, 0, 3, 3},
        {"64 bits", 0, 64, I, {{8, 8, 7}, {9, 6, 5}, {10, 4, 3}, {11, 2, 1}}, 8, 4, 0},
        // The lowest byte as a high byte: five registers, the signal shifted past a whole byte.
        {"64 bits from a high byte", 0, 64, I, {{8, 0, 8}, {9, 7, 6}, {10, 5, 4}, {11, 3, 2}, {12, 1, 0}}, 8, 5, 8},
        {"Motorola 10 bits from bit 12", 12, 10, M, {{30, 2, 3}}, 30, 1, 3},
        {"the lowest of two carriers", 8, 8, I, {{40, 0, 2}, {12, 0, 2}, {13, 2, 1}}, 12, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Signal s = makeSignal(0x181, "S", c.start, c.length, c.order);
        ASSERT_FALSE(signalFault(s));
        const Recipe r = RecipeFinder(frameWith(c.registers)).recipe(s);
        ASSERT_TRUE(r.carried);
        EXPECT_EQ(r.frame, 1);
        EXPECT_EQ(r.firstRegister, c.first);
        EXPECT_EQ(r.registerCount, c.count);
        EXPECT_EQ(r.shift, c.shift);
        EXPECT_EQ(r.mask, lowMask(c.length));

        // The registers a gateway fills from a frame read back the frame's field.
        std::array<std::uint8_t, 8> data{0x9C, 0x35, 0xE2, 0x4B, 0x71, 0xD8, 0x06, 0xAF};
        std::vector<std::uint16_t> run(r.registerCount);
        for (const auto& [index, high, low] : c.registers) {
            const long k = index - static_cast<long>(r.firstRegister);
            if (k >= 0 && k < static_cast<long>(run.size()))
                run[static_cast<std::size_t>(k)] = static_cast<std::uint16_t>(
                    (high ? data[static_cast<std::size_t>(high - 1)] << 8 : 0) |
                    (low ? data[static_cast<std::size_t>(low - 1)] : 0));
        }
        EXPECT_EQ(r.read(run), FrameField(s).read(data));
    }
}

TEST(Recipe, NotCarriedNamesTheBitsThatReachNoRegister)
{
    const Signal s = makeSignal(0x181, "S", 4, 12);
    const Recipe lowOnly = RecipeFinder(frameWith({{0, 0, 1}})).recipe(s);
    EXPECT_FALSE(lowOnly.carried);
    EXPECT_EQ(bitRangesText(lowOnly.unreachedBits), "8-15");

    // Both bytes reach registers, but the high byte is not above the low one.
    const Recipe swapped = RecipeFinder(frameWith({{0, 1, 2}})).recipe(s);
    EXPECT_FALSE(swapped.carried);
    EXPECT_TRUE(swapped.unreachedBits.empty());

    // The register of another frame does not count.
    DirectionLayout other = frameWith({});
    other.frames.push_back({0x182, 2, 8});
    other.registers.push_back({0, 2, 2, 1});
    EXPECT_FALSE(RecipeFinder(other).recipe(s).carried);

    // A register that two rows use is served for only one of them: no recipe relies on it.
    EXPECT_FALSE(RecipeFinder(frameWith({{0, 2, 1}, {0, 2, 1}})).recipe(s).carried);

    const Recipe noFrame = RecipeFinder(frameWith({{0, 2, 1}})).recipe(makeSignal(0x999, "S", 4, 12));
    EXPECT_FALSE(noFrame.carried);
    EXPECT_FALSE(noFrame.frame);
}

TEST(Recipe, WritingChangesOnlyTheSignalsBits)
{
    const Signal s = makeSignal(0x181, "S", 3, 33);
    const Recipe r = RecipeFinder(frameWith({{0, 0, 5}, {1, 4, 3}, {2, 2, 1}})).recipe(s);
    ASSERT_TRUE(r.carried);
    std::vector<std::uint16_t> run{0xFFFF, 0xFFFF, 0xFFFF};
    r.write(0, run);
    EXPECT_EQ(run, (std::vector<std::uint16_t>{0xFFF0, 0x0000, 0x0007}));
    EXPECT_EQ(r.registerMask(0), 0x000F);
    EXPECT_EQ(r.registerMask(1), 0xFFFF);
    EXPECT_EQ(r.registerMask(2), 0xFFF8);
    r.write(0x155555555, run);
    EXPECT_EQ(r.read(run), 0x155555555u);
}

TEST(Recipe, TextsAPlcProgrammerCopies)
{
    EXPECT_EQ(holdingRegisterText(0), "400001");
    EXPECT_EQ(holdingRegisterText(65535), "465536");
    EXPECT_EQ(wordOrderText(1), "AB");
    EXPECT_EQ(wordOrderText(2), "ABCD");
    EXPECT_EQ(wordOrderText(4), "ABCDEFGH");

    const struct {
        unsigned length;
        ValueType type;
        const char* name;
    } types[] = {
        {1, ValueType::Unsigned, "BOOL"},   {1, ValueType::Signed, "INT16"},
        {12, ValueType::Unsigned, "UINT16"}, {16, ValueType::Signed, "INT16"},
        {17, ValueType::Unsigned, "UINT32"}, {32, ValueType::Signed, "INT32"},
        {33, ValueType::Unsigned, "UINT64"}, {64, ValueType::Signed, "INT64"},
        {32, ValueType::Float32, "REAL"},    {64, ValueType::Float64, "LREAL"},
    };
    for (const auto& t : types) {
        SCOPED_TRACE(t.name);
        EXPECT_STREQ(plcTypeName(plcTypeOf(makeSignal(1, "S", 0, t.length, I, t.type))), t.name);
    }
}
