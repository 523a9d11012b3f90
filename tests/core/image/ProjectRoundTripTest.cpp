#include "core/workspace/ProjectFolder.h"
#include "core/image/DeviceConfiguration.h"
#include "core/image/ImageBuilder.h"
#include "core/image/ProjectRecovery.h"
#include "core/common/Error.h"
#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

namespace cravent::image {
namespace {

using test::ImageProject;
using test::bankText;

const BuildMoment Moment{2026, 12, 10, 10, 42, 18};

std::string hexText(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

// The sizes of a random project; each list either random or at its table's limit.
struct Shape {
    const char* name;
    int canType;
    std::size_t rxFrames, txFrames, rxRegisters, txRegisters;
};

// A project written through the editors' own writers, with values the editors would refuse
// too (octets above 255, a port above 65535, lengths above 8), which the device takes cut to
// their field widths.
void fillRandomProject(ImageProject& project, const Shape& shape, std::mt19937& random)
{
    const auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    project::PargenValues values;
    values.baudRateIndex = pick(-1, 8);
    values.canType = shape.canType;
    for (auto& octet : values.ip)
        octet = pick(0, 300);
    for (auto& octet : values.mask)
        octet = pick(0, 255);
    values.port = std::to_string(pick(0, 70000));
    project.settings(values);

    const bool can20A = (shape.canType & 0xFF) == 0;
    const auto frameList = [&](const char* file, std::size_t count) {
        std::vector<std::pair<std::string, std::string>> rows;
        for (std::size_t i = 0; i < count; ++i) {
            // A few repeated 2.0A COB-IDs: the later frame wins the index entry.
            const std::uint32_t cobId = can20A ? static_cast<std::uint32_t>(pick(0, 2047))
                                               : static_cast<std::uint32_t>(random());
            const bool asHex = pick(0, 1) == 1;
            rows.emplace_back(asHex ? hexText(cobId) : std::to_string(can20A ? cobId : cobId & 0x7FFFFFFF),
                              std::to_string(pick(0, 300)));
        }
        project.frameList(file, rows);
    };
    frameList(names::ReceiveFrames, shape.rxFrames);
    frameList(names::TransmitFrames, shape.txFrames);
    const auto registers = [&](const char* file, const char* root, std::size_t count) {
        std::vector<project::MapRow> rows;
        for (std::size_t i = 0; i < count; ++i)
            rows.push_back({std::to_string(pick(0, 70000)), std::to_string(pick(0, 300)),
                            pick(0, 1) ? hexText(static_cast<std::uint32_t>(pick(0, 255)))
                                       : std::to_string(pick(0, 255))});
        project.map(file, root, rows);
    };
    registers(names::ReceiveMap, project::ReceiveMapRootName, shape.rxRegisters);
    registers(names::TransmitMap, project::TransmitMapRootName, shape.txRegisters);
}

TEST(ProjectRoundTripTest, ADecodedProjectBuildsToTheSameBanks)
{
    const Shape shapes[] = {
        {"2.0A small", 0, 12, 4, 40, 10},
        {"2.0A empty lists", 0, 0, 0, 0, 0},
        {"2.0A at every limit", 0, 250, 250, 2912, 3721},
        {"2.0B small", 1, 7, 3, 20, 5},
        {"2.0B at every limit", 1, 725, 300, 2912, 3721},
        {"CAN type 256 is 2.0A", 256, 30, 30, 30, 30},
        {"CAN type 7 is 2.0B", 7, 300, 10, 1, 1},
    };
    std::mt19937 random(20261210);
    for (const Shape& shape : shapes) {
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(std::string(shape.name) + ", round " + std::to_string(round));
            ImageProject original;
            fillRandomProject(original, shape, random);
            const ConfigImage built = BuildConfigImage(original.path(), Moment);
            const DeviceConfiguration config = readConfiguration(built);
            EXPECT_TRUE(config.hasSettings);
            EXPECT_EQ(config.inconsistencies, std::vector<std::string>{});
            EXPECT_EQ(config.rxFrames.size(), shape.rxFrames);
            EXPECT_EQ(config.txRegisters.size(), shape.txRegisters);

            test::TempDir decoded;
            writeRecoveredProject(config, decoded / "P");
            EXPECT_TRUE(std::filesystem::is_directory(decoded / "P" / "bin"));
            const ConfigImage rebuilt = BuildConfigImage(decoded / "P", Moment);
            for (int bank = 1; bank <= BankCount; ++bank)
                EXPECT_TRUE(bankText(built, bank) == bankText(rebuilt, bank)) << "bank " << bank;
        }
    }
}

TEST(ProjectRoundTripTest, TheDecoderReadsTheFieldsWhereTheDeviceKeepsThem)
{
    ImageProject project;
    project::PargenValues values;
    values.baudRateIndex = 6;
    values.canType = 1;
    values.ip = {192, 168, 1, 20};
    values.mask = {255, 255, 255, 0};
    values.port = "502";
    project.settings(values);
    project.receive({{"0x1ABCD", "4"}, {"0x1FFFFFFF", "8"}});
    project.transmit({{"0x100", "2"}});
    project.map(names::ReceiveMap, project::ReceiveMapRootName, {{"300", "3", "18"}});

    const DeviceConfiguration config = readConfiguration(BuildConfigImage(project.path(), Moment));
    EXPECT_EQ(config.settings.bitRateCode, 7);
    EXPECT_EQ(config.settings.kbitPerSecond(), 500);
    EXPECT_FALSE(config.settings.can20A());
    EXPECT_EQ(config.settings.ip, (std::array<std::uint8_t, 4>{192, 168, 1, 20}));
    EXPECT_EQ(config.settings.port, 502);
    EXPECT_EQ(config.counts, (DeviceCounts{2, 1, 1, 0}));
    EXPECT_EQ(config.rxFrames, (std::vector<DeviceFrame>{{0x1ABCD, 4}, {0x1FFFFFFF, 8}}));
    EXPECT_EQ(config.txFrames, (std::vector<DeviceFrame>{{0x100, 2}}));
    EXPECT_EQ(config.rxRegisters, (std::vector<DeviceRegister>{{300, 3, 0x12}}));
    EXPECT_EQ(config.built.year, 2026);
    EXPECT_EQ(config.built.month, 12);
    EXPECT_EQ(config.built.day, 10);
    EXPECT_EQ(config.built.hour, 10);
    EXPECT_EQ(config.built.minute, 42);
    EXPECT_EQ(config.built.second, 18);
}

TEST(ProjectRoundTripTest, TheStampWordsReadBackAsDateAndTime)
{
    struct Case {
        std::uint16_t date, time;
        BuildMoment moment;
    };
    const Case cases[] = {
        {0x4E19, 0xD4AE, {2025, 12, 9, 14, 37, 52}},
        {0x0880, 0x0000, {2000, 1, 1, 0, 0, 0}},
        {0x0880, 0xEF77, {2000, 1, 1, 23, 59, 58}}, // seconds are kept halved
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date);
        const BuildMoment m = unpackBuildStamp(c.date, c.time);
        EXPECT_EQ(m.year, c.moment.year);
        EXPECT_EQ(m.month, c.moment.month);
        EXPECT_EQ(m.day, c.moment.day);
        EXPECT_EQ(m.hour, c.moment.hour);
        EXPECT_EQ(m.minute, c.moment.minute);
        EXPECT_EQ(m.second, c.moment.second);
        EXPECT_EQ(PackBuildDate(m), c.date);
        EXPECT_EQ(PackBuildTime(m), c.time);
    }
}

TEST(ProjectRoundTripTest, WithoutSettingsNothingIsWrittenAndTheReasonIsGiven)
{
    ImageProject project;
    project.receive({{"0x181", "8"}});
    const DeviceConfiguration config = readConfiguration(BuildConfigImage(project.path(), Moment));
    EXPECT_FALSE(config.hasSettings);
    EXPECT_TRUE(config.rxFrames.empty());
    EXPECT_TRUE(config.inconsistencies.empty()); // the tables cannot be judged without counts

    test::TempDir target;
    try {
        writeRecoveredProject(config, target / "P");
        FAIL() << "a project without counts was written";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("cannot be recovered"), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(target / "P"));
}

TEST(ProjectRoundTripTest, AFolderThatHoldsAnyProjectFileIsRefusedUntouched)
{
    ImageProject source;
    source.settings();
    const DeviceConfiguration config = readConfiguration(BuildConfigImage(source.path(), Moment));
    const char* const existing[] = {"Pargen.xml", "RCobDef.xml", "TCOBDEF.xml", "RInfoCob.xml",
                                    "TInfoCob.xml", "bin/bank3.bin", "bin/bankg.c"};
    for (const char* name : existing) {
        SCOPED_TRACE(name);
        test::TempDir target;
        test::writeText(target / name, "keep");
        EXPECT_THROW(writeRecoveredProject(config, target.path()), Error);
        EXPECT_EQ(test::readText(target / name), "keep");
        if (std::string(name) != "Pargen.xml") {
            EXPECT_FALSE(std::filesystem::exists(target / "pargen.xml"));
        }
    }
}

} // namespace
} // namespace cravent::image
