#include "ErrorText.h"
#include "core/frames/CanType.h"
#include "core/common/Direction.h"
#include "core/frames/FrameList.h"
#include "core/frames/FrameMap.h"
#include "core/workspace/ProjectFolder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace cravent;
using namespace cravent::frames;
using cravent::project::Frame;
using cravent::test::errorText;
using cravent::test::readText;
using cravent::test::TempDir;
using cravent::test::writeText;

namespace {

const std::string RangeA = "!! The CobID in CAN 2.0A must between 0 and 2047";
const std::string RangeB = "!! The CobID in CAN 2.0B 29bit";
const std::string Length = "!! The Dimension of CAN frame must between 1 and 8";

} // namespace

TEST(FrameListCheck, OneFrameAgainstEachRangeAndLength)
{
    struct Case {
        CanType type;
        const char* cobId;
        const char* dimension;
        std::string failure; // empty: passes
    };
    const Case cases[] = {
        {CanType::A, "2047", "8", ""},
        {CanType::A, "0x7FF", "8", ""},
        {CanType::A, "$7ff", "1", ""},
        {CanType::A, "0", "1", ""},
        {CanType::A, "2048", "8", RangeA},
        {CanType::A, "0x800", "8", RangeA},
        {CanType::A, "-1", "8", RangeA},
        {CanType::A, "abc", "8", RangeA},
        {CanType::A, "385 ", "8", RangeA},
        {CanType::A, " 385", "8", ""},
        {CanType::B, "536870911", "8", ""},
        {CanType::B, "0x1FFFFFFF", "8", ""},
        {CanType::B, "2048", "8", ""},
        {CanType::B, "536870912", "8", RangeB},
        {CanType::B, "0xFFFFFFFF", "8", RangeB}, // the bit pattern of -1
        {CanType::B, "abc", "8", RangeB},
        {CanType::A, "1", "0", Length},
        {CanType::A, "1", "9", Length},
        {CanType::A, "1", "8", ""},
        {CanType::A, "1", "0x8", ""},
        {CanType::A, "1", "", Length},
        {CanType::A, "1", "eight", Length},
        {CanType::A, "2048", "9", RangeA}, // both wrong: the COB-ID is reported
    };
    for (const Case& c : cases) {
        const auto result = checkList({{c.cobId, c.dimension, "m"}}, c.type);
        if (c.failure.empty())
            EXPECT_EQ(result, std::nullopt) << c.cobId << " / " << c.dimension;
        else
            EXPECT_EQ(result, (ListFailure{1, c.failure})) << c.cobId << " / " << c.dimension;
    }
}

// What the list leaves out although it holds something: every filled row after the first one
// without a COB-ID, that row itself too when it holds a length or mnemonic.
TEST(FrameListGap, FilledRowsAfterTheFirstEmptyCobIdAreNamed)
{
    const Frame empty{"", "", ""};
    const struct {
        const char* name;
        std::vector<Frame> rows;
        std::optional<std::size_t> gapRow;
        std::vector<std::size_t> dropped;
    } cases[] = {
        {"no gap", {{"1", "8", ""}, {"2", "8", ""}}, std::nullopt, {}},
        {"only empty rows after", {{"1", "8", ""}, empty, empty}, std::nullopt, {}},
        {"frames after", {{"1", "8", ""}, empty, {"3", "8", ""}, empty, {"", "", "m"}}, 2, {3, 5}},
        {"the gap row holds a length", {{"1", "8", ""}, {"", "8", ""}}, 2, {2}},
        {"nothing before", {empty, {"2", "8", ""}}, 1, {2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto gap = rowsAfterGap(c.rows);
        ASSERT_EQ(gap.has_value(), c.gapRow.has_value());
        if (gap) {
            EXPECT_EQ(gap->gapRow, *c.gapRow);
            EXPECT_EQ(gap->dropped, c.dropped);
        }
    }
    EXPECT_EQ(rowRanges({4}), "4");
    EXPECT_EQ(rowRanges({3, 5}), "3 and 5");
    EXPECT_EQ(rowRanges({3, 4, 5, 6, 7, 9, 12, 13}), "3-7, 9 and 12-13");
}

TEST(FrameListCheck, FirstFailingRowEndsTheCheckAndRowsStopAtTheFirstEmptyCobId)
{
    const std::vector<Frame> grid = {
        {"0x181", "8", "Speed"}, {"385", "2", ""}, {"", "9", "gap"}, {"9999", "0", "after gap"}};
    const auto list = listUpToFirstEmptyCobId(grid);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(checkList(list, CanType::A), std::nullopt) << "0x181 and 385: the same COB-ID twice is fine";
    EXPECT_TRUE(listUpToFirstEmptyCobId({{"", "8", "x"}, {"1", "8", ""}}).empty());

    std::vector<Frame> bad(12, Frame{"1", "8", ""});
    bad[9] = {"1", "", ""};
    bad[10] = {"5000", "8", ""};
    EXPECT_EQ(checkList(bad, CanType::A), (ListFailure{10, Length}));
    EXPECT_EQ(checkList(bad, CanType::A)->message(), "Error in row 10" + Length);
    bad[9] = {"5000", "0", ""};
    EXPECT_EQ(checkList(bad, CanType::A), (ListFailure{10, RangeA}));
    EXPECT_EQ(checkList(bad, CanType::B), (ListFailure{10, Length}));
}

TEST(FrameListCheck, AMnemonicThatAnXmlFileCannotHoldIsRefusedNamingRowAndCharacter)
{
    const struct {
        const char* mnemonic;
        const char* character;
    } cases[] = {{"bell\a", "U+0007"}, {"\x1B[31m", "U+001B"}, {"tab\vvertical", "U+000B"},
                 {"\x01start", "U+0001"}, {"max\xEF\xBF\xBF", "U+FFFF"}, {"cut\xC3", "the byte 0xC3, which is not UTF-8"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.character);
        const std::vector<Frame> list = {{"0x181", "8", "fine \t\u00e9\u20ac"}, {"0x182", "8", c.mnemonic}};
        const auto failure = checkList(list, CanType::A);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->row, 2u);
        EXPECT_EQ(failure->message(), std::string("Error in row 2!! The Mnemonic holds ") + c.character +
                                          ", a character that XML files cannot hold");
    }
    // The ranges come first.
    EXPECT_EQ(checkList({{"5000", "8", "\a"}}, CanType::A), (ListFailure{1, RangeA}));
}

TEST(ProjectCanType, ReadFromTheSettingsFile)
{
    TempDir dir;
    const auto file = dir / "pargen.xml";
    EXPECT_EQ(readProjectCanType(file), CanType::A) << "no file";

    const std::pair<const char*, CanType> cases[] = {
        {"<GeneralParameter><CANType>0</CANType></GeneralParameter>", CanType::A},
        {"<GeneralParameter><CANType>1</CANType></GeneralParameter>", CanType::B},
        {"<GeneralParameter><CANType>0x2</CANType></GeneralParameter>", CanType::B},
        {"<GeneralParameter><CANType>-1</CANType></GeneralParameter>", CanType::B},
        {"<GeneralParameter><CANType></CANType></GeneralParameter>", CanType::A},
        {"<GeneralParameter><CANType>B</CANType></GeneralParameter>", CanType::A},
        {"<GeneralParameter><BaudRateCAN>2</BaudRateCAN></GeneralParameter>", CanType::A},
        {"<Other><CANType>1</CANType></Other>", CanType::A},
    };
    for (const auto& [content, expected] : cases) {
        writeText(file, content);
        EXPECT_EQ(readProjectCanType(file), expected) << content;
    }
    writeText(file, "<GeneralParameter><CANType>1</CANType>");
    EXPECT_NE(errorText([&] { readProjectCanType(file); }).find(file.string()), std::string::npos);
}

TEST(FrameFileLoad, KeepsTextsAndRefusesWhatCannotBeShownWhole)
{
    TempDir dir;
    const auto file = dir / "RCobDef.xml";
    EXPECT_TRUE(loadList(file).empty()) << "a new project has no frame file";

    project::writeFrames(file, {{"0x181", "8", "Speed"}, {"641", "2", ""}});
    EXPECT_EQ(readText(file), "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"Speed\"/>"
                              "<row CobID=\"641\" Dimensin=\"2\" Mnemonic=\"\"/></COBID>");
    EXPECT_EQ(loadList(file), (std::vector<Frame>{{"0x181", "8", "Speed"}, {"641", "2", ""}}));

    writeText(file, "<COBID><row CobID=\"1\"/><row CobID=\"2\" Dimensin=\"3\"/></COBID>");
    EXPECT_EQ(loadList(file), (std::vector<Frame>{{"1", "", ""}, {"2", "3", ""}}));

    std::string full = "<COBID>";
    for (int i = 0; i < 250; ++i)
        full += "<row CobID=\"" + std::to_string(i) + "\" Dimensin=\"8\" Mnemonic=\"\"/>";
    writeText(file, full + "</COBID>");
    EXPECT_EQ(loadList(file).size(), 250u);

    const std::string prefix = "Cannot read file \"" + file.string() + "\". ";
    const std::pair<std::string, std::string> refused[] = {
        {full + "<row CobID=\"250\" Dimensin=\"8\" Mnemonic=\"\"/></COBID>",
         "It holds 251 frames; a list holds at most 250."},
        {"<RInfoCob><row CobID=\"1\" Dimensin=\"8\" Mnemonic=\"\"/></RInfoCob>",
         "Its root element is \"RInfoCob\", not \"COBID\"."},
        {"<COBID><row CobID=\"1\" Dimensin=\"8\"/><row Dimensin=\"8\"/><row CobID=\"3\"/></COBID>",
         "Row 2 has no CobID."},
        {"<COBID><row CobID=\"\" Dimensin=\"8\"/><row CobID=\"3\"/></COBID>", "Row 1 has no CobID."},
    };
    for (const auto& [content, reason] : refused) {
        writeText(file, content);
        EXPECT_EQ(errorText([&] { loadList(file); }), prefix + reason);
    }
    writeText(file, "<COBID><row CobID=\"1\"></COBID>");
    EXPECT_EQ(errorText([&] { loadList(file); }).rfind(prefix, 0), 0u);
}

TEST(FrameFilePaths, FollowTheModeAndIgnoreCase)
{
    TempDir dir;
    EXPECT_EQ(directionOfMode(1), Direction::Receive);
    for (int mode : {2, 0, 3, 255})
        EXPECT_EQ(directionOfMode(mode), Direction::Transmit) << mode;
    const cravent::ProjectFolder project(dir.path());
    EXPECT_EQ(project.frameFile(Direction::Receive), dir / "RCobDef.xml");
    EXPECT_EQ(project.mapFile(Direction::Transmit), dir / "TInfoCob.xml");
    writeText(dir / "tcobdef.XML", "<COBID/>");
    writeText(dir / "Pargen.xml", "<GeneralParameter><CANType>1</CANType></GeneralParameter>");
    EXPECT_EQ(project.frameFile(Direction::Transmit), dir / "tcobdef.XML");
    EXPECT_EQ(readProjectCanType(project.pargen()), CanType::B);
}

TEST(FrameGrid, ColumnWidthSharesTheGridRoundingHalvesToEven)
{
    const std::tuple<int, int, int> cases[] = {
        {400, 4, 90}, {401, 4, 90}, {402, 4, 90}, {403, 4, 91}, {406, 4, 92}, {405, 4, 91}, {10, 4, -8},
    };
    for (const auto& [width, columns, expected] : cases)
        EXPECT_EQ(gridColumnWidth(width, columns), expected) << width;
}

// The editors, like the build, take only a file that does not exist for a new, empty one.
TEST(FrameFileLoad, AFileThatCannotBeLookedAtIsRefusedRatherThanTakenForANewOne)
{
    TempDir dir;
    const cravent::ProjectFolder project(dir.path());
    const auto loop = [&](const std::filesystem::path& file) {
        std::filesystem::create_symlink(file.filename(), file);
        return "Cannot read file \"" + file.string() + "\". Too many levels of symbolic links";
    };
    const auto frameFile = project.frameFile(Direction::Receive);
    const std::string frameReason = loop(frameFile);
    EXPECT_EQ(errorText([&] { loadList(frameFile); }), frameReason);
    const auto pargenFile = project.pargen();
    const std::string pargenReason = loop(pargenFile);
    EXPECT_EQ(errorText([&] { readProjectCanType(pargenFile); }), pargenReason);

    const auto mapFile = project.mapFile(Direction::Receive);
    const std::string mapReason = loop(mapFile);
    FrameMap map;
    const MapLoadReport report = map.load(project.frameFile(Direction::Transmit), mapFile);
    EXPECT_EQ(report.mapFileError, "Error in reading file SDOPDO XML\n" + mapReason);
}
