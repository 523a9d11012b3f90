#include "core/workspace/ProjectFolder.h"
#include "core/image/DeviceConfiguration.h"
#include "core/image/ImageBuilder.h"
#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace cravent::image {
namespace {

using test::ImageProject;

const BuildMoment Moment{2026, 12, 10, 10, 42, 18};

// A sound image of the given CAN type: received frames 0x181, 0x182 and 0x181 again (the
// third wins the index entry), one transmitted frame, a register row in each map.
ConfigImage soundImage(int canType)
{
    ImageProject project;
    project.settingsCanType(canType);
    project.receive({{"0x181", "8"}, {"0x182", "4"}, {"0x181", "2"}});
    project.transmit({{"0x201", "8"}});
    project.map(names::ReceiveMap, project::ReceiveMapRootName, {{"1", "1", "18"}});
    project.map(names::TransmitMap, project::TransmitMapRootName, {{"2", "1", "33"}});
    return BuildConfigImage(project.path(), Moment);
}

TEST(ImageInconsistencyTest, SoundImagesOfBothLayoutsHaveNone)
{
    for (int canType : {0, 1}) {
        SCOPED_TRACE(canType);
        const DeviceConfiguration config = readConfiguration(soundImage(canType));
        EXPECT_EQ(config.inconsistencies, std::vector<std::string>{});
        EXPECT_EQ(config.rxFrames.size(), 3u);
    }
}

TEST(ImageInconsistencyTest, EachCorruptionIsReportedInWords)
{
    struct Case {
        const char* name;
        int canType;
        std::function<void(ConfigImage&)> corrupt;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"index entry names the wrong frame", 0,
         [](ConfigImage& i) { i.put16(RxIndexTable, 0x181 * 2, 0); },
         {"The index table entry of COB-ID 0x181 holds frame 0, but the receive frame table has "
          "it at position 2."}},
        {"index entry for a COB-ID no frame has", 0,
         [](ConfigImage& i) { i.put16(RxIndexTable, 0x7FF * 2, 1); },
         {"The index table entry of COB-ID 0x7FF holds frame 1, but no receive frame has this "
          "COB-ID."}},
        {"index entry lost", 0, [](ConfigImage& i) { i.put16(RxIndexTable, 0x182 * 2, 0xFFFF); },
         {"The index table entry of COB-ID 0x182 holds no frame, but the receive frame table has "
          "it at position 1."}},
        {"presence bit without a frame", 0, [](ConfigImage& i) { i.setBit(RxPresenceMap, 0); },
         {"The presence bit of COB-ID 0x0 is set, but no receive frame has this COB-ID."}},
        {"presence bit of a frame cleared", 0,
         [](ConfigImage& i) { i.put8(RxPresenceMap, 0x182 / 8, 0x02); },
         {"The presence bit of COB-ID 0x182 is clear, but the receive frame table holds it."}},
        {"2.0A frame beyond 11 bits", 0,
         [](ConfigImage& i) { i.put16(RxFrameTable20A, 3, 0x900); },
         {"Receive frame 1 has the COB-ID 0x900, beyond 0x7FF, the highest CAN 2.0A identifier.",
          "The index table entry of COB-ID 0x182 holds frame 1, but no receive frame has this "
          "COB-ID.",
          "The presence bit of COB-ID 0x182 is set, but no receive frame has this COB-ID."}},
        {"2.0B position byte not its index", 1,
         [](ConfigImage& i) { i.put8(RxFrameTable20B, 6 * 2 + 5, 7); },
         {"Receive frame 2 holds the position 7, not its own index 2."}},
        {"2.0A receive count beyond 250", 0,
         [](ConfigImage& i) { i.put16(CommBlock, comm::RxFrameCount, 251); },
         {"The received frame count 251 is beyond the table's capacity of 250."}},
        {"2.0A transmit count beyond 250", 0,
         [](ConfigImage& i) { i.put16(CommBlock, comm::TxFrameCount, 300); },
         {"The transmitted frame count 300 is beyond the table's capacity of 250."}},
        {"2.0B transmit count beyond 300", 1,
         [](ConfigImage& i) { i.put16(CommBlock, comm::TxFrameCount, 301); },
         {"The transmitted frame count 301 is beyond the table's capacity of 300."}},
        {"receive map count beyond 2912", 1,
         [](ConfigImage& i) { i.put16(CommBlock, comm::RxRegisterCount, 2913); },
         {"The receive register count 2913 is beyond the table's capacity of 2912."}},
        {"transmit map count beyond 3721", 0,
         [](ConfigImage& i) { i.put16(CommBlock, comm::TxRegisterCount, 0xFFFF); },
         {"The transmit register count 65535 is beyond the table's capacity of 3721."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigImage image = soundImage(c.canType);
        c.corrupt(image);
        const DeviceConfiguration config = readConfiguration(image);
        EXPECT_EQ(config.inconsistencies, c.expected);
    }
}

TEST(ImageInconsistencyTest, A2_0BReceiveCountBeyond725ReadsOnlyTheTable)
{
    ConfigImage image = soundImage(1);
    image.put16(CommBlock, comm::RxFrameCount, 726);
    const DeviceConfiguration config = readConfiguration(image);
    EXPECT_EQ(config.rxFrames.size(), 725u);
    ASSERT_FALSE(config.inconsistencies.empty());
    EXPECT_EQ(config.inconsistencies.front(),
              "The received frame count 726 is beyond the table's capacity of 725.");
}

} // namespace
} // namespace cravent::image
