#include "core/image/DeviceConfiguration.h"
#include "core/image/ImageBuilder.h"
#include "core/sim/GatewayModel.h"
#include "support/TempDir.h"

#include "Frames.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace cravent::sim {
namespace {

// A project with the given frames and maps, built as an update would build it.
class Project {
public:
    Project(int canType, const std::string& rxFrames, const std::string& rxMap,
            const std::string& txFrames = "", const std::string& txMap = "")
    {
        test::writeText(dir_ / "pargen.xml",
                        "<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>" +
                            std::to_string(canType) +
                            "</CANType><ADD_IP IPB1=\"127\" IPB2=\"0\" IPB3=\"0\" IPB4=\"1\"/>"
                            "<SUBNET SMB1=\"255\" SMB2=\"0\" SMB3=\"0\" SMB4=\"0\"/><Port>502</Port>"
                            "</GeneralParameter>");
        test::writeText(dir_ / "RCobDef.xml", "<COBID>" + rxFrames + "</COBID>");
        test::writeText(dir_ / "RInfoCob.xml", "<RInfoCob>" + rxMap + "</RInfoCob>");
        test::writeText(dir_ / "TCobDef.xml", "<COBID>" + txFrames + "</COBID>");
        test::writeText(dir_ / "TInfoCob.xml", "<TInfoCob>" + txMap + "</TInfoCob>");
        image_ = image::BuildConfigImage(dir_.path(), image::BuildMoment{});
        model_ = std::make_unique<GatewayModel>(image::readConfiguration(image_), image_.bank(1));
    }
    GatewayModel& model() { return *model_; }

private:
    test::TempDir dir_;
    image::ConfigImage image_;
    std::unique_ptr<GatewayModel> model_;
};

std::string frameRow(const char* cobId, int length)
{
    return "<row CobID=\"" + std::string(cobId) + "\" Dimensin=\"" + std::to_string(length) +
           "\" Mnemonic=\"\"/>";
}

std::string mapRow(int index, int nrPdo, int posComp)
{
    return "<row Index=\"" + std::to_string(index) + "\" NrPdo=\"" + std::to_string(nrPdo) +
           "\" PosComp=\"" + std::to_string(posComp) + "\"/>";
}

TEST(GatewayModel, AReceivedFrameSetsEachRegisterOfItsFrameFromTheSelectedBytes)
{
    for (const int canType : {0, 1}) {
        SCOPED_TRACE(canType);
        const bool extended = canType != 0;
        Project p(canType, frameRow("0x181", 8) + frameRow("0x182", 4),
                  mapRow(10, 1, 0x12) + mapRow(11, 1, 0x80) + mapRow(12, 2, 0x03) +
                      mapRow(13, 2, 0x78) + mapRow(14, 2, 0x00) + mapRow(15, 2, 0x9A));
        GatewayModel& m = p.model();
        m.registers()[14] = 0xBEEF;
        EXPECT_TRUE(m.receive(frame(0x181, extended, {1, 2, 3, 4, 5, 6, 7, 8})));
        EXPECT_EQ(m.registers()[10], 0x0102);
        EXPECT_EQ(m.registers()[11], 0x0800); // high byte B8, no low byte
        EXPECT_TRUE(m.receive(frame(0x182, extended, {0xA, 0xB, 0xC, 0xD})));
        EXPECT_EQ(m.registers()[12], 0x000C);
        EXPECT_EQ(m.registers()[13], 0) << "B7 and B8 lie beyond the 4 bytes received";
        EXPECT_EQ(m.registers()[14], 0) << "a row that selects nothing carries 0";
        EXPECT_EQ(m.registers()[15], 0) << "selections above 8 read nothing";
        // A frame shorter than configured still reads the bytes it carries.
        EXPECT_TRUE(m.receive(frame(0x181, extended, {0x55})));
        EXPECT_EQ(m.registers()[10], 0x5500);
    }
}

TEST(GatewayModel, UnknownIdentifiersAndTheOtherFrameFormatAreNotReceived)
{
    Project a(0, frameRow("0x181", 8), mapRow(1, 1, 0x01));
    EXPECT_FALSE(a.model().receive(frame(0x182, false, {1})));
    EXPECT_FALSE(a.model().receive(frame(0x181, true, {1}))) << "2.0A takes standard frames only";
    EXPECT_EQ(a.model().registers()[1], 0);

    Project b(1, frameRow("0x1ABCDEF", 8), mapRow(1, 1, 0x01));
    EXPECT_FALSE(b.model().receive(frame(0x1ABCDEE, true, {1})));
    EXPECT_FALSE(b.model().receive(frame(0x181, false, {1}))) << "2.0B takes extended frames only";
    EXPECT_TRUE(b.model().receive(frame(0x1ABCDEF, true, {7})));
    EXPECT_EQ(b.model().registers()[1], 7);
}

TEST(GatewayModel, OfTwoReceivedFramesWithOneIdentifierTheLaterOneWins)
{
    for (const int canType : {0, 1}) {
        SCOPED_TRACE(canType);
        Project p(canType, frameRow("0x181", 8) + frameRow("0x181", 8),
                  mapRow(1, 1, 0x01) + mapRow(2, 2, 0x01));
        EXPECT_TRUE(p.model().receive(frame(0x181, canType != 0, {9})));
        EXPECT_EQ(p.model().registers()[1], 0) << "the first frame can never be received";
        EXPECT_EQ(p.model().registers()[2], 9);
    }
}

TEST(GatewayModel, AWriteSendsEachTouchedTransmitFrameOnceWithItsLength)
{
    for (const int canType : {0, 1}) {
        SCOPED_TRACE(canType);
        Project p(canType, "", "", frameRow("0x201", 4) + frameRow("0x202", 2) + frameRow("0x203", 8),
                  mapRow(100, 1, 0x12) + mapRow(101, 1, 0x34) + mapRow(100, 3, 0x80) +
                      mapRow(102, 2, 0x21) + mapRow(103, 9, 0x12));
        GatewayModel& m = p.model();
        m.registers()[100] = 0xA1B2;
        m.registers()[101] = 0xC3D4;
        const std::vector<CanFrame> sent = m.registersWritten(100, 2);
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[0], frame(0x201, canType != 0, {0xA1, 0xB2, 0xC3, 0xD4}));
        CanFrame third = frame(0x203, canType != 0, {0, 0, 0, 0, 0, 0, 0, 0xA1});
        EXPECT_EQ(sent[1], third);

        // Bytes keep their values between writes; a later write changes only its own bytes.
        m.registers()[101] = 0x0001;
        const std::vector<CanFrame> again = m.registersWritten(101, 1);
        ASSERT_EQ(again.size(), 1u);
        EXPECT_EQ(again[0], frame(0x201, canType != 0, {0xA1, 0xB2, 0x00, 0x01}));

        // Register 102 swaps its bytes into frame 2; a row naming frame 9 does nothing.
        m.registers()[102] = 0x1122;
        m.registers()[103] = 0xFFFF;
        const std::vector<CanFrame> swapped = m.registersWritten(102, 2);
        ASSERT_EQ(swapped.size(), 1u);
        EXPECT_EQ(swapped[0], frame(0x202, canType != 0, {0x22, 0x11}));
        EXPECT_TRUE(m.registersWritten(200, 1).empty());
    }
}

} // namespace
} // namespace cravent::sim
