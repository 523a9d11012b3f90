// The register layout planner: the fixed layout, sharing, re-planning and the map's limits.

#include "core/signals/LayoutPlanner.h"
#include "core/signals/Recipe.h"
#include "core/signals/MakeSignal.h"

#include <gtest/gtest.h>

using namespace cravent;
using namespace cravent::signals;
using test::makeSignal;

namespace {

constexpr auto I = ByteOrder::Intel;
constexpr auto M = ByteOrder::Motorola;
constexpr auto Rx = Direction::Receive;

struct Project {
    std::array<DirectionLayout, 2> layouts;

    Project()
    {
        layouts[0].direction = Direction::Receive;
        layouts[1].direction = Direction::Transmit;
        layouts[0].frames = {{0x181, 1, 8}, {0x182, 2, 8}, {0x183, 3, 4}};
        layouts[1].frames = {{0x201, 1, 8}};
    }

    LayoutPlan plan(const std::vector<Signal>& signals, PlanStart start = {}, Direction d = Rx)
    {
        return planLayout(signals, layouts, d, start);
    }

    // The plan's rows taken into the map, as the import does on OK.
    void apply(const LayoutPlan& plan, Direction d = Rx)
    {
        for (const PlannedRow& row : plan.rows)
            layouts[static_cast<std::size_t>(d)].registers.push_back(
                {row.index, row.frame, row.choices.high, row.choices.low});
    }
};

std::vector<MapRegister> rowsOf(const LayoutPlan& plan)
{
    std::vector<MapRegister> rows;
    for (const PlannedRow& row : plan.rows)
        rows.push_back({row.index, row.frame, row.choices.high, row.choices.low});
    return rows;
}

} // namespace

TEST(LayoutPlanner, NewSignalsGetTheFixedLayoutAboveTheHighestRegisterOfEitherMap)
{
    Project p;
    p.layouts[0].registers = {{4, 3, 0, 1}};
    p.layouts[1].registers = {{9, 1, 0, 1}};
    const std::vector<Signal> signals{
        makeSignal(0x181, "Byte", 8, 8),     // B2: the low byte of Word's register carries it
        makeSignal(0x181, "Word", 7, 16, M), // one register, high B1, low B2
        makeSignal(0x182, "Long", 0, 32),    // ABCD: (B4, B3) then (B2, B1)
        makeSignal(0x182, "Twenty", 36, 20), // B5 from bit 4 to B7: (none, B7) then (B6, B5)
    };
    const LayoutPlan plan = p.plan(signals);
    EXPECT_TRUE(plan.leftOut.empty());
    EXPECT_EQ(plan.carried, (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_EQ(rowsOf(plan), (std::vector<MapRegister>{
                                {10, 1, 1, 2}, // Word, by its start bit first in its frame
                                {11, 2, 4, 3},
                                {12, 2, 2, 1},
                                {13, 2, 0, 7},
                                {14, 2, 6, 5},
                            }));
    EXPECT_EQ(plan.rowsWithoutSignal, (std::vector<std::size_t>{0}));

    p.apply(plan);
    const RecipeFinder finder(p.layouts[0]);
    const Recipe twenty = finder.recipe(signals[3]);
    EXPECT_TRUE(twenty.carried);
    EXPECT_EQ(twenty.firstRegister, 13);
    EXPECT_EQ(twenty.registerCount, 2u);
    EXPECT_EQ(twenty.shift, 4u);
    const Recipe byte = finder.recipe(signals[0]);
    EXPECT_EQ(byte.firstRegister, 10);
    EXPECT_EQ(byte.shift, 0u);
    EXPECT_EQ(byte.mask, 0xFFu);
}

TEST(LayoutPlanner, RegistersThatCarryTheSameBytesAreShared)
{
    Project p;
    std::vector<Signal> flags;
    for (unsigned bit = 0; bit < 8; ++bit)
        flags.push_back(makeSignal(0x181, "Flag" + std::to_string(bit), 16 + bit, 1));
    flags.push_back(makeSignal(0x181, "Nibble", 20, 4));
    // Bits of B3 and B4 together: the register made for them also carries B4's flags.
    flags.push_back(makeSignal(0x181, "Across", 20, 8));
    flags.push_back(makeSignal(0x181, "HighFlag", 30, 1));

    const LayoutPlan plan = p.plan(flags);
    EXPECT_TRUE(plan.leftOut.empty());
    EXPECT_EQ(rowsOf(plan), (std::vector<MapRegister>{{0, 1, 0, 3}, {1, 1, 4, 3}}));
    p.apply(plan);
    const Recipe high = RecipeFinder(p.layouts[0]).recipe(flags.back());
    EXPECT_EQ(high.firstRegister, 1);
    EXPECT_EQ(high.shift, 14u);
}

TEST(LayoutPlanner, PlanningTheSameSignalsAgainChangesNothing)
{
    Project p;
    std::vector<Signal> signals{makeSignal(0x181, "A", 4, 12), makeSignal(0x181, "B", 23, 33, M),
                                makeSignal(0x182, "C", 0, 64), makeSignal(0x183, "D", 0, 1)};
    const LayoutPlan first = p.plan(signals);
    ASSERT_TRUE(first.leftOut.empty());
    p.apply(first);
    const auto before = recipesOf(SignalSet{{signals, {}}}, p.layouts);

    const LayoutPlan again = p.plan(signals);
    EXPECT_TRUE(again.rows.empty());
    EXPECT_EQ(again.carried, first.carried);
    EXPECT_TRUE(again.rowsWithoutSignal.empty());

    // A signal gone from the database leaves its rows, listed; a new one goes above them all.
    signals.erase(signals.begin());
    signals.push_back(makeSignal(0x183, "E", 8, 8));
    const LayoutPlan third = p.plan(signals);
    EXPECT_EQ(third.rowsWithoutSignal, (std::vector<std::size_t>{0}));
    ASSERT_EQ(third.rows.size(), 1u);
    EXPECT_EQ(third.rows[0].index, p.layouts[0].registers.size());
    p.apply(third);
    const auto after = recipesOf(SignalSet{{signals, {}}}, p.layouts);
    for (std::size_t i = 0; i + 1 < signals.size(); ++i) {
        EXPECT_EQ(after[0][i].firstRegister, before[0][i + 1].firstRegister);
        EXPECT_EQ(after[0][i].shift, before[0][i + 1].shift);
    }
}

TEST(LayoutPlanner, AGivenFirstRegisterSkipsRegistersInUse)
{
    Project p;
    p.layouts[1].registers = {{101, 1, 0, 1}};
    const LayoutPlan plan = p.plan({makeSignal(0x181, "L", 0, 32), makeSignal(0x181, "F", 32, 1)},
                                   PlanStart{std::uint16_t{100}});
    EXPECT_EQ(rowsOf(plan), (std::vector<MapRegister>{{102, 1, 4, 3}, {103, 1, 2, 1}, {104, 1, 0, 5}}));
}

TEST(LayoutPlanner, SignalsThatCannotBeCarriedAreLeftOutWithTheirReason)
{
    Project p;
    Signal multiplexed = makeSignal(0x181, "Muxed", 8, 8);
    multiplexed.multiplexValue = 1;
    Signal orphan = makeSignal(0x182, "Orphan", 8, 8);
    orphan.multiplexValue = 2;
    Signal muxer = makeSignal(0x181, "Muxer", 0, 8);
    muxer.multiplexor = true;
    const std::vector<Signal> signals{
        multiplexed,
        makeSignal(0x999, "NoFrame", 0, 8),
        makeSignal(0x183, "Beyond", 24, 16), // frame 3 has 4 data bytes
        orphan,
        muxer,
    };
    const LayoutPlan plan = p.plan(signals);
    EXPECT_EQ(plan.carried, (std::vector<std::size_t>{0, 4}));
    ASSERT_EQ(plan.leftOut.size(), 3u);
    EXPECT_EQ(plan.leftOut[0].reason, "COB-ID 0x999 is not in the receive frame list");
    EXPECT_EQ(plan.leftOut[1].reason, "it reaches data byte B5, past the 4 data bytes of frame 3");
    EXPECT_EQ(plan.leftOut[2].reason, "it is multiplexed, but its frame has no multiplexor");
    // The multiplexor first, although it comes last.
    EXPECT_EQ(rowsOf(plan), (std::vector<MapRegister>{{0, 1, 0, 1}, {1, 1, 0, 2}}));
}

TEST(LayoutPlanner, StaysWithinTheMapsCapacityAndSaysWhatDidNotFit)
{
    Project p;
    EXPECT_EQ(mapCapacity(Direction::Receive), 2912u);
    EXPECT_EQ(mapCapacity(Direction::Transmit), 3721u);
    // The map is full but for three rows.
    for (int i = 0; i < 2909; ++i)
        p.layouts[0].registers.push_back({static_cast<std::uint16_t>(i), 3, 0, 1});
    const LayoutPlan plan = p.plan({makeSignal(0x181, "Long", 0, 32), makeSignal(0x181, "Other", 32, 32),
                                    makeSignal(0x182, "Short", 0, 8)});
    EXPECT_EQ(plan.carried, (std::vector<std::size_t>{0, 2}));
    ASSERT_EQ(plan.leftOut.size(), 1u);
    EXPECT_EQ(plan.leftOut[0].signal, 1u);
    EXPECT_EQ(plan.leftOut[0].reason, "its 2 registers would pass the 2912 rows the receive map holds");
    EXPECT_EQ(plan.rows.size(), 3u);

    // Register 65535 is the last there is.
    Project top;
    top.layouts[0].registers = {{65534, 3, 0, 1}};
    const LayoutPlan last = top.plan({makeSignal(0x181, "A", 0, 8), makeSignal(0x181, "B", 8, 8)});
    EXPECT_EQ(last.carried, (std::vector<std::size_t>{0}));
    ASSERT_EQ(last.leftOut.size(), 1u);
    EXPECT_EQ(last.leftOut[0].reason, "no free register left at or above 65536 (the last is 65535)");
}

TEST(LayoutPlanner, APlanGoesIntoAMapEditorAsItsNewWould)
{
    Project p;
    std::vector<frames::TClPdo> pdos{{"0x181", 1}, {"0x182", 2}, {"0x183", 3}};
    pdos[0].entries = {{"0x20", "1"}};
    p.layouts[0] = layoutOf(Direction::Receive, pdos);
    const std::vector<Signal> signals{makeSignal(0x182, "Long", 0, 32), makeSignal(0x181, "B2", 8, 8)};
    applyPlan(p.plan(signals), pdos);
    EXPECT_EQ(pdos[0].entries, (std::vector<frames::TClIndMB>{{"0x20", "1"}, {"33", "2"}}));
    EXPECT_EQ(pdos[1].entries, (std::vector<frames::TClIndMB>{{"34", "67"}, {"35", "33"}}));
    // Taken back from the editor, the plan has nothing left to add.
    p.layouts[0] = layoutOf(Direction::Receive, pdos);
    EXPECT_TRUE(p.plan(signals).rows.empty());
}
