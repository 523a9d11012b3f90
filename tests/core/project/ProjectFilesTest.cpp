#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"
#include "core/project/PargenFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace cravent;
using cravent::test::readText;
using cravent::test::TempDir;
using cravent::test::writeText;

TEST(PargenFile, WritesTheExactDocumentAndReadsItBack)
{
    TempDir dir;
    project::PargenValues values;
    values.baudRateIndex = 8;
    values.canType = 1;
    values.ip = {192, 168, 0, 30};
    values.port = "502 ";
    project::writePargen(dir / "pargen.xml", values);
    EXPECT_EQ(readText(dir / "pargen.xml"),
              "<GeneralParameter><BaudRateCAN>8</BaudRateCAN><CANType>1</CANType>"
              "<ADD_IP IPB1=\"192\" IPB2=\"168\" IPB3=\"0\" IPB4=\"30\"/>"
              "<SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"255\" SMB4=\"0\"/>"
              "<Port>502 </Port></GeneralParameter>");
    const auto stored = project::readPargen(dir / "pargen.xml");
    EXPECT_EQ(stored.rootName, "GeneralParameter");
    EXPECT_EQ(stored.baudRateCan, "8");
    EXPECT_EQ(stored.canType, "1");
    EXPECT_EQ(stored.ip[3], "30");
    EXPECT_EQ(stored.mask[0], "255");
    EXPECT_EQ(stored.port, "502 ");
}

TEST(PargenFile, MissingPartsReadAsNothing)
{
    TempDir dir;
    writeText(dir / "pargen.xml",
              "<GeneralParameter><CANType/><ADD_IP IPB1=\"1\" IPB2=\"2\" IPB4=\"4\"/></GeneralParameter>");
    const auto stored = project::readPargen(dir / "pargen.xml");
    EXPECT_EQ(stored.baudRateCan, std::nullopt);
    EXPECT_EQ(stored.canType, "");
    EXPECT_EQ(stored.ip[1], "2");
    EXPECT_EQ(stored.ip[2], std::nullopt);
    EXPECT_EQ(stored.mask[0], std::nullopt);
    EXPECT_EQ(stored.port, std::nullopt);
}

TEST(FrameFile, RoundTripKeepsTextsAsTyped)
{
    TempDir dir;
    const std::vector<project::Frame> list = {{"0x181", "8", "Speed"}, {"641", "2", ""}};
    project::writeFrames(dir / "RCobDef.xml", list);
    EXPECT_EQ(readText(dir / "RCobDef.xml"),
              "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"Speed\"/>"
              "<row CobID=\"641\" Dimensin=\"2\" Mnemonic=\"\"/></COBID>");
    project::writeFrames(dir / "TCobDef.xml", {});
    EXPECT_EQ(readText(dir / "TCobDef.xml"), "<COBID/>");

    writeText(dir / "x.xml", "<Other>\n  <row CobID=\"1\"/>\n  <!-- c -->\n  <line Dimensin=\"3\"/>\n</Other>");
    const auto stored = project::readFrames(dir / "x.xml");
    EXPECT_EQ(stored.rootName, "Other");
    ASSERT_EQ(stored.rows.size(), 2u);
    EXPECT_EQ(stored.rows[0].cobId, "1");
    EXPECT_EQ(stored.rows[0].dimension, std::nullopt);
    EXPECT_EQ(stored.rows[1].dimension, "3");
}

TEST(MapFile, RoundTripWithTheRootNamedAfterTheFile)
{
    TempDir dir;
    project::writeMap(dir / "RInfoCob.xml", project::ReceiveMapRootName, {{"0", "1", "33"}, {"1", "2", "16"}});
    EXPECT_EQ(readText(dir / "RInfoCob.xml"),
              "<RInfoCob><row Index=\"0\" NrPdo=\"1\" PosComp=\"33\"/>"
              "<row Index=\"1\" NrPdo=\"2\" PosComp=\"16\"/></RInfoCob>");
    project::writeMap(dir / "TInfoCob.xml", project::TransmitMapRootName, {});
    EXPECT_EQ(readText(dir / "TInfoCob.xml"), "<TInfoCob/>");
    const auto stored = project::readMap(dir / "RInfoCob.xml");
    ASSERT_EQ(stored.rows.size(), 2u);
    EXPECT_EQ(stored.rows[1].nrPdo, "2");
    EXPECT_EQ(stored.rows[1].posComp, "16");
}
