#include "ErrorText.h"
#include "core/frames/ByteSelection.h"
#include "core/frames/FrameMap.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>


using namespace cravent;
using namespace cravent::frames;
using cravent::test::errorText;
using cravent::test::readText;
using cravent::test::TempDir;
using cravent::test::writeText;

namespace {

std::vector<std::string> indexesOf(const TClPdo& frame)
{
    std::vector<std::string> texts;
    for (const TClIndMB& entry : frame.entries)
        texts.push_back(entry.index);
    return texts;
}

struct FrameMapFiles : ::testing::Test {
    TempDir dir;
    std::filesystem::path frameFile = dir / "RCobDef.xml";
    std::filesystem::path mapFile = dir / "RInfoCob.xml";
    FrameMap map;

    void twoFrames() { writeText(frameFile, "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"\"/>"
                                            "<row CobID=\"0x281\" Dimensin=\"8\" Mnemonic=\"\"/></COBID>"); }
};

} // namespace

TEST(ByteSelection, SixteenTimesHighPlusLowAndBack)
{
    const std::tuple<ByteChoices, int> forward[] = {
        {{2, 1}, 33}, {{0, 0}, 0}, {{8, 8}, 136}, {{1, 0}, 16}, {{0, 8}, 8}};
    for (const auto& [choices, selection] : forward) {
        EXPECT_EQ(byteSelection(choices), selection);
        EXPECT_EQ(choicesOf(selection), choices) << selection;
    }
    // Codes that name no data byte show as B8; only the low eight bits count.
    const std::tuple<std::int32_t, ByteChoices> shown[] = {
        {0x9A, {8, 8}}, {0x19, {1, 8}}, {0xF0, {8, 0}}, {0x123, {2, 3}}, {-1, {8, 8}}};
    for (const auto& [selection, choices] : shown)
        EXPECT_EQ(choicesOf(selection), choices) << selection;
}

TEST(CopyBuffer, CopyTakesTheTextsAndPasteConvertsTheSelection)
{
    const CopyBuffer copied = copyOf("0x10", {2, 1});
    EXPECT_EQ(copied.index, "0x10");
    EXPECT_EQ(copied.posComp, "33");
    EXPECT_EQ(pastedChoices(copied), (ByteChoices{2, 1}));
    EXPECT_EQ(pastedChoices({"", "255"}), (ByteChoices{8, 8}));
    EXPECT_EQ(errorText([] { pastedChoices(CopyBuffer{}); }), "'' is not a valid integer value");
}

TEST_F(FrameMapFiles, LoadSkipsRowsBeyondTheFramesAndOkWritesTheRestOrdered)
{
    twoFrames();
    writeText(mapFile, "<RInfoCob><row Index=\"5\" NrPdo=\"1\" PosComp=\"33\"/>"
                       "<row Index=\"9\" NrPdo=\"3\" PosComp=\"1\"/>"
                       "<row Index=\"0x5\" NrPdo=\"2\" PosComp=\"16\"/>"
                       "<row Index=\"2\" NrPdo=\"1\" PosComp=\"0\"/></RInfoCob>");
    EXPECT_TRUE(map.load(frameFile, mapFile).complete());
    ASSERT_EQ(map.frames().size(), 2u);
    EXPECT_EQ(map.frames()[0].cobId, "0x181");
    EXPECT_EQ(map.frames()[1].number, 2);
    EXPECT_EQ(indexesOf(map.frames()[0]), (std::vector<std::string>{"5", "2"}));
    EXPECT_EQ(indexesOf(map.frames()[1]), (std::vector<std::string>{"0x5"}));

    map.save(mapFile, Direction::Receive);
    EXPECT_EQ(readText(mapFile), "<RInfoCob><row Index=\"2\" NrPdo=\"1\" PosComp=\"0\"/>"
                                 "<row Index=\"0x5\" NrPdo=\"2\" PosComp=\"16\"/>"
                                 "<row Index=\"5\" NrPdo=\"1\" PosComp=\"33\"/></RInfoCob>");
}

TEST_F(FrameMapFiles, MissingFilesAndReadFailures)
{
    EXPECT_TRUE(map.load(frameFile, mapFile).complete());
    EXPECT_TRUE(map.frames().empty());
    writeText(mapFile, "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/></RInfoCob>");
    EXPECT_TRUE(map.load(frameFile, mapFile).complete()) << "no frames: every row is skipped";
    map.save(dir / "TInfoCob.xml", Direction::Transmit);
    EXPECT_EQ(readText(dir / "TInfoCob.xml"), "<TInfoCob/>");

    twoFrames();
    const std::string rows = "<row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/>";
    const std::pair<std::string, std::string> failures[] = {
        {rows + "<row Index=\"2\" NrPdo=\"0\" PosComp=\"0\"/>", "Row 2: NrPdo 0 names no frame."},
        {rows + "<row Index=\"2\" NrPdo=\"-3\" PosComp=\"0\"/>", "Row 2: NrPdo -3 names no frame."},
        {rows + "<row Index=\"2\" NrPdo=\"1\"/>", "Row 2: no attribute \"PosComp\"."},
        {rows + "<row NrPdo=\"9\" PosComp=\"0\"/>", "Row 2: no attribute \"Index\"."},
        {rows + "<row Index=\"2\" NrPdo=\"one\" PosComp=\"0\"/>",
         "Row 2: 'one' is not a valid integer value."},
    };
    for (const auto& [content, reason] : failures) {
        writeText(mapFile, "<X>" + content + "<row Index=\"3\" NrPdo=\"2\" PosComp=\"0\"/></X>");
        const MapLoadReport report = map.load(frameFile, mapFile);
        EXPECT_EQ(report.mapFileError, "Error in reading file SDOPDO XML\nCannot read file \"" +
                                           mapFile.string() + "\". " + reason);
        EXPECT_EQ(indexesOf(map.frames()[0]), std::vector<std::string>{"1"}) << "read before stays";
        EXPECT_TRUE(map.frames()[1].entries.empty()) << "rows after the failure are not read";
    }

    writeText(mapFile, "<RInfoCob><row");
    auto report = map.load(frameFile, mapFile);
    EXPECT_EQ(report.mapFileError->rfind("Error in reading file SDOPDO XML\nCannot read file \"" +
                                          mapFile.string(), 0), 0u);

    writeText(frameFile, "<Frames><row CobID=\"1\"/></Frames>");
    writeText(mapFile, "<RInfoCob>" + rows + "</RInfoCob>");
    report = map.load(frameFile, mapFile);
    EXPECT_EQ(report.frameFileError, "Error in reading file PDO XML\nCannot read file \"" +
                                         frameFile.string() +
                                         "\". Its root element is \"Frames\", not \"COBID\".");
    EXPECT_FALSE(report.mapFileError);
    EXPECT_TRUE(map.frames().empty());
}

TEST(FrameMapEdit, IndexTestOfNewAndModifyAcrossAllFrames)
{
    FrameMap map;
    map.addFrame("0x181").entries.emplace_back("16", "0");
    map.addFrame("0x281").entries.emplace_back("3", "0");
    map.addFrame("0x381");

    struct Case {
        const char* text;
        std::optional<EntryRef> modified;
        std::string failure; // empty: passes
    };
    const Case cases[] = {
        {"0x10", std::nullopt, "Index or Subindex Not Valid"},
        {"$10", std::nullopt, "Index or Subindex Not Valid"},
        {"16", EntryRef{0, 0}, ""},   // Modify keeping its own index
        {"3", EntryRef{0, 0}, "Index or Subindex Not Valid"},
        {"17", std::nullopt, ""},
        {"", std::nullopt, "'' is not a valid integer value"},
        {"abc", std::nullopt, "'abc' is not a valid integer value"},
        {"16 ", std::nullopt, "'16 ' is not a valid integer value"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorText([&] { map.checkIndex(c.text, c.modified); }),
                  c.failure.empty() ? "(no error)" : c.failure)
            << c.text;

    EXPECT_EQ(errorText([&] { FrameMap().checkIndex("abc"); }), "'abc' is not a valid integer value");

    // An entry taken from a file as it was is reported when the test reaches it.
    map.frames()[1].entries.emplace_back("one", "0");
    EXPECT_EQ(errorText([&] { map.checkIndex("99"); }), "'one' is not a valid integer value");
}

TEST(FrameMapEdit, NewModifyDelete)
{
    FrameMap map;
    map.addFrame("1");
    map.addFrame("2");
    EXPECT_EQ(map.addEntry(1, "7", {0, 0}), 0u);
    EXPECT_EQ(map.addEntry(1, "0x8", {2, 1}), 1u);
    EXPECT_EQ(map.addEntry(1, "9", {8, 8}), 2u);
    EXPECT_EQ(map.frames()[1].entries[0], TClIndMB("7", "0"));
    EXPECT_EQ(map.frames()[1].entries[1], TClIndMB("0x8", "33"));
    EXPECT_EQ(errorText([&] { map.addEntry(0, "8", {1, 1}); }), "Index or Subindex Not Valid");
    EXPECT_TRUE(map.frames()[0].entries.empty());

    map.modifyEntry({1, 1}, "0x8", {0, 1});
    EXPECT_EQ(map.frames()[1].entries[1], TClIndMB("0x8", "1"));
    EXPECT_EQ(errorText([&] { map.modifyEntry({1, 1}, "9", {0, 0}); }), "Index or Subindex Not Valid");
    EXPECT_EQ(map.frames()[1].entries[1], TClIndMB("0x8", "1")) << "a refused Modify changes nothing";

    map.deleteEntry({1, 0});
    EXPECT_EQ(indexesOf(map.frames()[1]), (std::vector<std::string>{"0x8", "9"}));
}

TEST(FrameMapEdit, OkOrdersEveryValueAndPutsLaterEqualEntriesFirst)
{
    FrameMap map;
    auto& one = map.addFrame("1");
    for (const char* index : {"0x7FFFFFFF", "5", "0x999999", "-2"})
        one.entries.emplace_back(index, index);
    auto& two = map.addFrame("2");
    for (const char* index : {"0x99999A", "5", "$5", "0"})
        two.entries.emplace_back(index, index);

    std::vector<std::string> order;
    for (const project::MapRow& row : map.orderedRows())
        order.push_back(row.index + "@" + row.nrPdo);
    EXPECT_EQ(order, (std::vector<std::string>{"-2@1", "0@2", "$5@2", "5@2", "5@1", "0x999999@1",
                                               "0x99999A@2", "0x7FFFFFFF@1"}));

    two.entries.emplace_back("five", "0");
    TempDir dir;
    EXPECT_EQ(errorText([&] { map.save(dir / "RInfoCob.xml", Direction::Receive); }),
              "'five' is not a valid integer value");
    EXPECT_FALSE(std::filesystem::exists(dir / "RInfoCob.xml"));
}

TEST(FrameMapEdit, ABytesSelectionAnXmlFileCannotHoldIsRefusedNamingTheRegister)
{
    FrameMap map;
    map.addFrame("0x181").entries.emplace_back("7", "\x1B");
    TempDir dir;
    EXPECT_EQ(errorText([&] { map.save(dir / "RInfoCob.xml", Direction::Receive); }),
              "Register 7 of frame 1: its byte selection holds U+001B, a character that XML files cannot hold");
    EXPECT_FALSE(std::filesystem::exists(dir / "RInfoCob.xml"));
}

TEST(FrameMapEdit, WritesTheExampleDocument)
{
    FrameMap map;
    map.addFrame("0x181").entries.emplace_back("0", "33");
    map.addFrame("641").entries.emplace_back("1", "16");
    TempDir dir;
    map.save(dir / "RInfoCob.xml", Direction::Receive);
    EXPECT_EQ(readText(dir / "RInfoCob.xml"),
              "<RInfoCob><row Index=\"0\" NrPdo=\"1\" PosComp=\"33\"/>"
              "<row Index=\"1\" NrPdo=\"2\" PosComp=\"16\"/></RInfoCob>");
}
