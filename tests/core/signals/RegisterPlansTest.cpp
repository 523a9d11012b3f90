// Reading each register once, and writing signals without touching anything else.

#include "core/common/Error.h"
#include "core/signals/RegisterPlans.h"
#include "core/signals/MakeSignal.h"

#include <gtest/gtest.h>

using namespace cravent;
using namespace cravent::signals;
using test::makeSignal;

namespace {

constexpr auto Rx = Direction::Receive;
constexpr auto Tx = Direction::Transmit;

// Transmit frame 0x201 mapped as register 10 (B2, B1), 11 (none, B3), 12 (B5, B4); receive frame
// 0x181 as register 0 (B2, B1) and 1 (B4, B3).
struct Fixture {
    SignalSet set;
    std::array<DirectionLayout, 2> layouts;

    Fixture()
    {
        layouts[0] = {Rx, {{0x181, 1, 8}}, {{0, 1, 2, 1}, {1, 1, 4, 3}}};
        layouts[1] = {Tx, {{0x201, 1, 8}}, {{10, 1, 2, 1}, {11, 1, 0, 3}, {12, 1, 5, 4}}};
        Signal muxer = makeSignal(0x181, "Mux", 0, 2);
        muxer.multiplexor = true;
        Signal a = makeSignal(0x181, "A", 2, 14);
        a.multiplexValue = 1;
        Signal b = makeSignal(0x181, "B", 16, 16);
        b.multiplexValue = 2;
        Signal both = makeSignal(0x181, "Both", 8, 16); // B2 and B3: in no register pair
        set.of(Rx) = {muxer, a, b, both};
        set.of(Tx) = {makeSignal(0x201, "Low", 0, 4), makeSignal(0x201, "High", 4, 12),
                      makeSignal(0x201, "Third", 16, 8), makeSignal(0x201, "Pair", 24, 16)};
    }
    RecipeSet recipes() const { return recipesOf(set, layouts); }
};

} // namespace

TEST(ReadPlan, ReadsEachRegisterOnceAndDecidesWhichMultiplexedSignalsAreActive)
{
    const Fixture f;
    const ReadPlan plan(f.set, f.recipes());
    EXPECT_EQ(plan.registers(), (std::vector<std::uint16_t>{0, 1, 10, 11, 12}));

    // Frame 0x181 = 0x05 0x34 0xCD 0xAB: Mux 1, A = 0x340 | 0x05 >> 2, B 0xABCD.
    const std::vector<std::uint16_t> values{0x3405, 0xABCD, 0x2211, 0x0033, 0x5544};
    const auto readings = plan.decode(values);
    ASSERT_EQ(readings.size(), 8u);
    EXPECT_EQ(readings[0].bits, 1u);
    EXPECT_TRUE(readings[1].active);
    EXPECT_EQ(readings[1].bits, 0x3405u >> 2);
    EXPECT_FALSE(readings[2].active);
    EXPECT_EQ(readings[2].bits, 0xABCDu);
    EXPECT_FALSE(readings[3].carried);
    EXPECT_FALSE(readings[3].active);
    EXPECT_EQ(readings[4].signal, (SignalRef{Tx, 0}));
    EXPECT_EQ(readings[4].bits, 0x1u);
    EXPECT_EQ(readings[5].bits, 0x221u);
    EXPECT_EQ(readings[6].bits, 0x33u);
    EXPECT_EQ(readings[7].bits, 0x5544u);
    EXPECT_THROW(plan.decode(std::vector<std::uint16_t>{1, 2}), Error);
}

TEST(WritePlan, WritesOnlyTheNamedSignalsBitsInRunsOfAdjacentRegisters)
{
    const Fixture f;
    const RecipeSet recipes = f.recipes();
    ASSERT_EQ(findSignal(f.set, Tx, "M513.High"), (SignalRef{Tx, 1}));
    EXPECT_FALSE(findSignal(f.set, Rx, "M513.High"));
    EXPECT_FALSE(findSignal(f.set, Tx, "High"));

    // High shares register 10 with Low: read it first and keep Low's bits.
    const WritePlan high(f.set, recipes, {{SignalRef{Tx, 1}, 0xABC}});
    EXPECT_EQ(high.mustRead(), (std::vector<std::uint16_t>{10}));
    EXPECT_EQ(high.runs(std::vector<std::uint16_t>{0x1237}),
              (std::vector<RegisterRun>{{10, {0xABC7}}}));

    // Low and High together fill register 10: nothing to read. Pair fills register 12; Third
    // fills only the low byte of 11, whose high byte no frame byte feeds: read it, keep it.
    const WritePlan all(f.set, recipes,
                        {{SignalRef{Tx, 3}, 0xBEEF}, {SignalRef{Tx, 0}, 0x5}, {SignalRef{Tx, 1}, 0x123},
                         {SignalRef{Tx, 2}, 0x77}});
    EXPECT_EQ(all.mustRead(), (std::vector<std::uint16_t>{11}));
    EXPECT_EQ(all.runs(std::vector<std::uint16_t>{0x9900}),
              (std::vector<RegisterRun>{{10, {0x1235, 0x9977, 0xBEEF}}}));

    // Registers apart are separate requests, and nothing between them is written.
    const WritePlan apart(f.set, recipes, {{SignalRef{Tx, 3}, 1}, {SignalRef{Tx, 0}, 2}});
    EXPECT_EQ(apart.mustRead(), (std::vector<std::uint16_t>{10}));
    const auto runs = apart.runs(std::vector<std::uint16_t>{0xFFF0});
    EXPECT_EQ(runs, (std::vector<RegisterRun>{{10, {0xFFF2}}, {12, {0x0001}}}));
}

TEST(WritePlan, RefusesSignalsItCannotWriteAndLongRunsAreSplit)
{
    const Fixture f;
    const RecipeSet recipes = f.recipes();
    try {
        WritePlan(f.set, recipes, {{SignalRef{Rx, 3}, 1}});
        ADD_FAILURE() << "no refusal";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "M385.Both is not carried by any register: nothing was written");
    }
    try {
        WritePlan(f.set, recipes, {{SignalRef{Tx, 1}, 1}, {SignalRef{Tx, 1}, 2}});
        ADD_FAILURE() << "no refusal";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "M513.High is given twice: nothing was written");
    }

    // 130 adjacent registers of 16-bit signals: one request of 123, then one of 7.
    Fixture wide;
    wide.layouts[1].registers.clear();
    wide.set.of(Tx).clear();
    for (std::uint16_t k = 0; k < 130; ++k) {
        const std::uint32_t cobId = 0x300u + k;
        wide.layouts[1].frames.push_back({cobId, k + 2, 8});
        wide.layouts[1].registers.push_back({static_cast<std::uint16_t>(1000 + k), k + 2, 2, 1});
        wide.set.of(Tx).push_back(makeSignal(cobId, "W", 0, 16));
    }
    std::vector<Assignment> assignments;
    for (std::size_t k = 0; k < 130; ++k)
        assignments.push_back({SignalRef{Tx, k}, k});
    const WritePlan plan(wide.set, wide.recipes(), assignments);
    EXPECT_TRUE(plan.mustRead().empty());
    const auto runs = plan.runs({});
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].first, 1000);
    EXPECT_EQ(runs[0].values.size(), WritePlan::MaxRun);
    EXPECT_EQ(runs[1].first, 1123);
    EXPECT_EQ(runs[1].values.size(), 7u);
}
