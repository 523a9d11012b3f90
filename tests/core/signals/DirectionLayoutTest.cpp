// The frame list and map as recipes see them, from the files and from a map editor.

#include "core/signals/DirectionLayout.h"

#include <gtest/gtest.h>

using namespace cravent;
using namespace cravent::signals;

TEST(DirectionLayout, FilesAreTakenAsTheDeviceTakesThem)
{
    project::StoredFrameFile list{"COBID", {{"0x181", "8", "A"}, {"abc", "8", "Bad"}, {"$182", "x", "B"}, {"0x181", "2", "Again"}}};
    project::StoredMapFile map{"RInfoCob",
                         {{"0x10005", "1", "33"}, {"7", "258", "0x1F2"}, {"8", "3", "bad"}, {std::nullopt, "1", "1"}}};
    const DirectionLayout rx = layoutOf(Direction::Receive, &list, &map);
    // A COB-ID that is not integer text still takes its frame number.
    ASSERT_EQ(rx.frames.size(), 3u);
    EXPECT_EQ(rx.frames[1].cobId, 0x182u);
    EXPECT_EQ(rx.frames[1].number, 3);
    EXPECT_FALSE(rx.frames[1].dataLength);
    // Index cut to 16 bits, frame number to 8, byte selection to 8.
    EXPECT_EQ(rx.registers, (std::vector<MapRegister>{{5, 1, 2, 1}, {7, 2, 15, 2}}));
    // A COB-ID listed twice: received into the last row, transmitted from the first.
    EXPECT_EQ(rx.frameOf(0x181)->number, 4);
    DirectionLayout tx = rx;
    tx.direction = Direction::Transmit;
    EXPECT_EQ(tx.frameOf(0x181)->number, 1);
    EXPECT_EQ(rx.frameOf(0x999), nullptr);
    EXPECT_TRUE(layoutOf(Direction::Receive, nullptr, nullptr).frames.empty());
}

TEST(DirectionLayout, AMapEditorsEntriesAreTakenWithTheirFrames)
{
    std::vector<frames::TClPdo> pdos{{"0x181", 1}, {"0x182", 2}};
    pdos[0].entries = {{"10", "33"}, {"x", "1"}};
    pdos[1].entries = {{"0x0B", "18"}};
    const std::vector<project::Frame> list{{"0x181", "8", ""}, {"0x182", "4", ""}};
    const DirectionLayout layout = layoutOf(Direction::Transmit, pdos, &list);
    EXPECT_EQ(layout.registers, (std::vector<MapRegister>{{10, 1, 2, 1}, {11, 2, 1, 2}}));
    ASSERT_EQ(layout.frames.size(), 2u);
    EXPECT_EQ(layout.frames[1].dataLength, 4);
    EXPECT_FALSE(layoutOf(Direction::Transmit, pdos).frames[0].dataLength);
}
