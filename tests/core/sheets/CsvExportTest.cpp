#include "core/sheets/CsvExport.h"

#include "core/common/Error.h"
#include "core/sheets/SheetImport.h"
#include "core/workbook/WorkbookReader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace cravent::sheets {
namespace {

using project::Frame;
using frames::TClPdo;
using test::readText;
using test::TempDir;
using test::writeText;

const std::string Header = "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n";

std::size_t lines(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(FrameListExport, HeaderThenOneLinePerFrameUpToTheFirstEmptyCobId)
{
    EXPECT_EQ(FrameListHeader.size(), 42u);
    EXPECT_EQ(frameListCsv({{"0x181", "8", "Speed"},
                            {"641", "2", ""},
                            {"$1", "x", "m"},
                            {"", "8", "gone"},
                            {"900", "8", ""}}),
              Header + "0x181,8,0,0,0\r\n641,2,0,0,0\r\n$1,x,0,0,0\r\n");
    EXPECT_EQ(frameListCsv({}), Header);
    EXPECT_EQ(frameListCsv({{"", "8", "a"}}), Header);

    std::vector<Frame> full;
    for (int i = 0; i < 250; ++i)
        full.push_back({std::to_string(i), "8", ""});
    const std::string all = frameListCsv(full);
    EXPECT_EQ(lines(all), 251u);
    EXPECT_TRUE(all.ends_with("\r\n249,8,0,0,0\r\n"));
}

TEST(MapExport, EntriesInEditorOrderEveryLineEndingInAComma)
{
    std::vector<TClPdo> frames{{"0x181", 1}, {"0x281", 2}, {"0x381", 3}};
    frames[0].entries.emplace_back("0", "33");
    frames[0].entries.emplace_back("1", "16");
    frames[2].entries.emplace_back("0x10", "0"); // not sorted: the editor's order
    frames[2].entries.emplace_back("2", "136");
    EXPECT_EQ(mapCsv(frames), "0,1,33,\r\n1,1,16,\r\n0x10,3,0,\r\n2,3,136,\r\n");
    EXPECT_EQ(mapCsv({{"0x181", 1}}), "");
    EXPECT_EQ(mapCsv({}), "");
    EXPECT_STREQ(mapExportName(Direction::Receive), "RInfoCob.csv");
    EXPECT_STREQ(mapExportName(Direction::Transmit), "TInfoCob.csv");
}

TEST(ExportFile, ReplacesTheFileOfAnyCaseAndKeepsTheOldOneOnFailure)
{
    TempDir dir;
    // Receive, then transmit: one file, the transmit frames.
    writeExportFile(dir.path(), FrameListExportName, frameListCsv({{"0x181", "8", ""}}));
    const auto file =
        writeExportFile(dir.path(), FrameListExportName, frameListCsv({{"0x201", "4", ""}}));
    EXPECT_EQ(readText(file), Header + "0x201,4,0,0,0\r\n");

    // A project written on Windows keeps its file name.
    TempDir windows;
    writeText(windows / "RPDODEF.CSV", "old");
    EXPECT_EQ(writeExportFile(windows.path(), FrameListExportName, Header),
              windows / "RPDODEF.CSV");
    EXPECT_EQ(readText(windows / "RPDODEF.CSV"), Header);
    EXPECT_FALSE(std::filesystem::exists(windows / FrameListExportName));

    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    try {
        writeExportFile(dir.path(), FrameListExportName, Header);
        ADD_FAILURE() << "written";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).find("Cannot create file \"" + file.string() + "\". "), 0u)
            << e.what();
    }
    EXPECT_EQ(readText(file), Header + "0x201,4,0,0,0\r\n");
    EXPECT_THROW(writeExportFile(dir / "missing", "RInfoCob.csv", ""), Error);
}

// An export read back as a workbook gives the editor back what it exported.
TEST(ExportFile, ExportsImportAgain)
{
    TempDir dir;
    writeExportFile(dir.path(), FrameListExportName,
                    frameListCsv({{"0x181", "8", "Speed"}, {"641", "2", ""}}));
    const SheetLookup framesBack = workbook::readWorkbook(dir / FrameListExportName, FrameListSheet);
    ASSERT_TRUE(framesBack.records);
    // The mnemonic comes back as 0: the "en_bypass" column stands in its place.
    EXPECT_EQ(frameRowsFromRecords(*framesBack.records).rows,
              (std::vector<Frame>{{"0x181", "8", "0"}, {"641", "2", "0"}}));

    std::vector<TClPdo> frames{{"0x181", 1}, {"641", 2}};
    frames[0].entries.emplace_back("0", "33");
    frames[1].entries.emplace_back("1", "16");
    const auto name = mapExportName(Direction::Receive);
    writeExportFile(dir.path(), name, mapCsv(frames));
    const SheetLookup mapBack = workbook::readWorkbook(dir / name, mapSheetName(Direction::Receive));
    ASSERT_TRUE(mapBack.records);
    std::vector<TClPdo> again{{"0x181", 1}, {"641", 2}};
    EXPECT_FALSE(takeMapRecords(*mapBack.records, again).stoppedAt);
    EXPECT_EQ(again[0].entries, frames[0].entries);
    EXPECT_EQ(again[1].entries, frames[1].entries);
}

} // namespace
} // namespace cravent::sheets
