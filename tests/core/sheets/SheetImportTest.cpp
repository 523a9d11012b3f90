#include "core/sheets/SheetImport.h"

#include <gtest/gtest.h>

namespace cravent::sheets {
namespace {

using project::Frame;
using frames::TClIndMB;
using frames::TClPdo;

TEST(FrameImport, RecordKFillsRowKPlusOneWithItsFirstThreeFields)
{
    const FrameRowsImport imported =
        frameRowsFromRecords({{"0x181", "8", "Speed", "0", "0"}, {"641"}, {}, {"x", "", "m"}});
    EXPECT_EQ(imported.rows,
              (std::vector<Frame>{
                  {"0x181", "8", "Speed"}, {"641", "", ""}, {"", "", ""}, {"x", "", "m"}}));
    EXPECT_EQ(imported.leftOut, 0u);
    EXPECT_FALSE(leftOutMessage(imported.leftOut));
}

TEST(FrameImport, MoreThan250RecordsKeepTheFirst250AndCountTheRest)
{
    std::vector<Record> records;
    for (int i = 1; i <= 262; ++i)
        records.push_back({std::to_string(i), "8"});
    const FrameRowsImport imported = frameRowsFromRecords(records);
    ASSERT_EQ(imported.rows.size(), 250u);
    EXPECT_EQ(imported.rows.back().cobId, "250");
    EXPECT_EQ(imported.leftOut, 12u);
    EXPECT_EQ(leftOutMessage(12),
              "The frame list holds 250 frames: the first 250 rows of the "
              "worksheet were imported and the 12 rows after them were left out.");
    EXPECT_EQ(leftOutMessage(1), "The frame list holds 250 frames: the first 250 rows of the "
                                 "worksheet were imported and the 1 row after them was left out.");
}

// Only records that hold something in the fields read count as left out: a sheet whose used
// range reaches row 1048576 through one stray cell loses nothing but that cell's record.
TEST(FrameImport, OnlyRecordsThatHoldSomethingCountAsLeftOut)
{
    std::vector<Record> records(MaxRecordsRead);
    for (std::size_t k = 0; k < project::MaxFrames; ++k)
        records[k] = {std::to_string(k + 1), "8"};
    records[300] = {"", "", "late"};
    FrameRowsImport imported = frameRowsFromRecords(records);
    EXPECT_EQ(imported.leftOut, 1u);
    EXPECT_EQ(imported.firstLeftOutRow, 302u);

    imported = frameRowsFromRecords(records, RecordsBeyond{3, 1048576});
    EXPECT_EQ(imported.leftOut, 4u);
    EXPECT_EQ(imported.firstLeftOutRow, 302u);

    records.resize(project::MaxFrames);
    imported = frameRowsFromRecords(records, RecordsBeyond{1, 1048576});
    EXPECT_EQ(imported.leftOut, 1u);
    EXPECT_EQ(imported.firstLeftOutRow, 1048576u);
    EXPECT_EQ(frameRowsFromRecords(records).leftOut, 0u);
}

TEST(FrameImport, UnreadableCellsAreNamedAFewAtATime)
{
    EXPECT_FALSE(unreadableCellsMessage({}));
    EXPECT_EQ(unreadableCellsMessage({"A3"}),
              "Cell A3 holds a formula whose result the workbook does not store, so it reads as "
              "empty (a spreadsheet program stores the results when it saves the workbook)");
    std::vector<std::string> many;
    for (int row = 2; row <= 13; ++row)
        many.push_back("A" + std::to_string(row));
    const auto text = unreadableCellsMessage(many);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->starts_with("Cells A2, A3, A4, A5, A6, A7, A8, A9, A10, A11 and 2 more hold "
                                  "formulas whose results"))
        << *text;
}

std::vector<TClPdo> twoFrames()
{
    std::vector<TClPdo> frames{{"0x181", 1}, {"0x281", 2}};
    frames[0].entries.emplace_back("99", "1"); // replaced by the import
    frames[1].entries.emplace_back("98", "2");
    return frames;
}

TEST(MapImport, FrameNumberIsTheLowSevenBitsAndUnknownFramesAreSkipped)
{
    std::vector<TClPdo> frames = twoFrames();
    const MapTake take = takeMapRecords({{"0", "1", "33"},
                                         {"7", "3", "17"},  // frame 3 of two: skipped
                                         {"5", "130", "0"}, // 130 AND 127 = 2
                                         {"6", "0", "1"},   // frame 0: skipped
                                         {"8", "128", "1"}, // 128 AND 127 = 0: skipped
                                         {"9", "-1", "1"},  // AND 127 = 127: skipped
                                         {"0x10", "0x81", "18", "ignored"},
                                         {"1", "1"}}, // no byte selection: empty
                                        frames);
    EXPECT_FALSE(take.stoppedAt);
    EXPECT_EQ(take.skipped, 4u);
    EXPECT_EQ(frames[0].entries, (std::vector<TClIndMB>{{"0", "33"}, {"0x10", "18"}, {"1", ""}}));
    EXPECT_EQ(frames[1].entries, (std::vector<TClIndMB>{{"5", "0"}}));
}

TEST(MapImport, AFrameNumberThatIsNoIntegerEndsTheImportKeepingWhatWasDone)
{
    for (const char* bad : {"", "two", "1.5", "3 "}) {
        std::vector<TClPdo> frames = twoFrames();
        const MapTake take =
            takeMapRecords({{"0", "1", "33"}, {"1", bad, "16"}, {"2", "2", "17"}}, frames);
        EXPECT_EQ(take.stoppedAt, 1u) << bad;
        EXPECT_EQ(frames[0].entries, (std::vector<TClIndMB>{{"0", "33"}})) << bad;
        EXPECT_TRUE(frames[1].entries.empty()) << bad;
    }
}

TEST(MapImport, NoRecordsOrNoFramesEmptyEveryList)
{
    std::vector<TClPdo> frames = twoFrames();
    EXPECT_FALSE(takeMapRecords({}, frames).stoppedAt);
    EXPECT_TRUE(frames[0].entries.empty() && frames[1].entries.empty());

    std::vector<TClPdo> none;
    const MapTake take = takeMapRecords({{"0", "1", "33"}}, none);
    EXPECT_FALSE(take.stoppedAt);
    EXPECT_EQ(take.skipped, 1u);
}

TEST(MapImport, SheetNamesFollowTheDirection)
{
    EXPECT_STREQ(mapSheetName(Direction::Receive), "RInfoCob");
    EXPECT_STREQ(mapSheetName(Direction::Transmit), "TInfoCob");
}

} // namespace
} // namespace cravent::sheets
