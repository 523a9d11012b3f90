#include "core/sim/CanFrame.h"

#include "Frames.h"

#include <gtest/gtest.h>

#include <vector>

namespace cravent::sim {
namespace {

TEST(CandumpLine, ReadsEveryFormOfADataFrame)
{
    const struct {
        const char* line;
        CanFrame expected;
    } cases[] = {
        {"(1702305120.000000) can0 181#0102030405060708", frame(0x181, false, {1, 2, 3, 4, 5, 6, 7, 8})},
        {"  can1 7FF#aB  ", frame(0x7FF, false, {0xAB})},
        {"181#", frame(0x181, false, {})},
        {"0181#01", frame(0x181, true, {1})}, // four digits mean an extended identifier
        {"1ABCDEF0#00FF", frame(0x1ABCDEF0, true, {0x00, 0xFF})},
        {"(1.5) vcan0 800#11", frame(0x800, true, {0x11})},
        {"123##1AABB", frame(0x123, false, {0xAA, 0xBB})},
        {"123#11.22.33\r\n", frame(0x123, false, {0x11, 0x22, 0x33})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const auto read = parseCandumpLine(c.line);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, c.expected);
    }
}

TEST(CandumpLine, RefusesWhatIsNoDataFrameAndSaysWhy)
{
    for (const char* line : {"", "garbage", "181#R", "181#123", "181#0102030405060708090A", "G81#00",
                             "123456789#00", "3FFFFFFF#00", "#00", "123##", "181#zz"}) {
        SCOPED_TRACE(line);
        std::string why;
        EXPECT_FALSE(parseCandumpLine(line, &why).has_value());
        EXPECT_FALSE(why.empty());
    }
}

TEST(CandumpLine, WritesStandardIdentifiersWithThreeDigitsAndExtendedWithEight)
{
    EXPECT_EQ(candumpLine(frame(0x81, false, {0x12, 0x34}), 1702305120.0, "can0"),
              "(1702305120.000000) can0 081#1234");
    EXPECT_EQ(candumpLine(frame(0x1ABCD, true, {}), 2.25, "can0"), "(2.250000) can0 0001ABCD#");
    // What we write reads back as the same frame.
    const CanFrame sent = frame(0x1FFFFFFF, true, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(parseCandumpLine(candumpLine(sent, 0, "can0")), sent);
}

} // namespace
} // namespace cravent::sim
