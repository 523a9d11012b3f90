// Workbook import plans: what the editor and the project take from a worksheet, what they are
// told, and what refuses the import, as fields.

#include "core/sheets/WorkbookPlans.h"

#include <gtest/gtest.h>

using namespace cravent;
using frames::ImportRemedy;
using frames::ImportTarget;

namespace {

sheets::WorksheetRead worksheet(std::vector<sheets::Record> records)
{
    sheets::WorksheetRead read;
    read.outcome = sheets::WorksheetRead::Outcome::Read;
    read.records = std::move(records);
    return read;
}

const frames::ImportOptions Editor{ImportTarget::Editor, false, false};
const frames::ImportOptions Project{ImportTarget::Project, false, false};

TEST(FrameListPlan, RefusalsCarryTheirCodeRowAndRemedy)
{
    sheets::WorksheetRead missing;
    missing.outcome = sheets::WorksheetRead::Outcome::SheetMissing;
    missing.problem = "Workbook \"w.xlsx\" has no worksheet \"rpdodef\" (its worksheets: \"Frames\")";
    sheets::WorksheetRead formulas = worksheet({{"385", "8"}});
    formulas.unreadableCells = {"C2"};
    const auto gap = worksheet({{"385", "8"}, {"", ""}, {"387", "8"}});
    const auto empty = worksheet({});
    const auto wide = worksheet({{"385", "8"}, {"0x800", "8"}});
    const struct {
        const char* name;
        sheets::WorksheetRead read;
        frames::ImportOptions options;
        std::size_t replaced;
        std::string code; // "" when the plan is taken
        std::size_t row;
        ImportRemedy remedy;
        std::size_t kept;
    } cases[] = {
        {"missing worksheet, editor", missing, Editor, 2, "sheet-missing", 0, ImportRemedy::None, 0},
        {"missing worksheet, project", missing, Project, 0, "sheet-missing", 0, ImportRemedy::None, 0},
        {"unstored formula results, project", formulas, Project, 0, "unreadable-cells", 0, ImportRemedy::None, 0},
        {"unstored formula results, editor", formulas, Editor, 0, "", 0, ImportRemedy::None, 0},
        // Row 3 of the worksheet has no COB-ID; the frame before it can be kept.
        {"gap, project", gap, Project, 0, "gap", 3, ImportRemedy::KeepFirst, 1},
        {"gap, project, keep first", gap, {ImportTarget::Project, true, false}, 0, "", 0, ImportRemedy::None, 0},
        {"gap, editor: OK asks", gap, Editor, 0, "", 0, ImportRemedy::None, 0},
        {"empty over a list, editor", empty, Editor, 2, "would-empty", 0, ImportRemedy::AllowEmpty, 0},
        {"empty over a list, allowed", empty, {ImportTarget::Project, false, true}, 2, "", 0, ImportRemedy::None, 0},
        {"empty over nothing", empty, Project, 0, "", 0, ImportRemedy::None, 0},
        // 0x800 is the second frame, on worksheet row 3; the editor checks at "OK".
        {"check, project", wide, Project, 0, "check", 3, ImportRemedy::None, 0},
        {"check, editor", wide, Editor, 0, "", 0, ImportRemedy::None, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const frames::FrameListPlan plan = sheets::planFrameList(
            "w.xlsx", c.read, {[&] { return c.replaced; }, "P/RCobDef.xml"}, frames::CanType::A,
            c.options);
        ASSERT_EQ(plan.refused(), !c.code.empty());
        if (!plan.refusal)
            continue;
        EXPECT_EQ(plan.refusal->code, c.code);
        EXPECT_EQ(plan.refusal->row, c.row);
        EXPECT_EQ(plan.refusal->remedy, c.remedy);
        EXPECT_EQ(plan.refusal->kept, c.kept);
    }
}

TEST(FrameListPlan, TheEditorGetsEveryRowAndTheProjectTheListUpToTheGap)
{
    const auto read = worksheet({{"385", "8", "Speed"}, {"", "", ""}, {"387", "2"}});
    const auto editor = sheets::planFrameList("w.csv", read, {}, frames::CanType::A, Editor);
    ASSERT_FALSE(editor.refused());
    EXPECT_EQ(editor.rows.size(), 3u);
    EXPECT_EQ(editor.list, (std::vector<project::Frame>{{"385", "8", "Speed"}}));
    EXPECT_TRUE(editor.notes.empty());

    const auto kept = sheets::planFrameList("w.csv", read, {}, frames::CanType::A,
                                            {ImportTarget::Project, true, false});
    ASSERT_EQ(kept.notes.size(), 1u);
    EXPECT_EQ(kept.notes[0].code, "gap");
    EXPECT_EQ(kept.notes[0].count, 1u);
    EXPECT_EQ(kept.notes[0].row, 3u);
    EXPECT_EQ(kept.source.located(kept.notes[0].row, "x"),
              "Workbook \"w.csv\", worksheet \"rpdodef\", row 3: x");
    EXPECT_EQ(frames::takenText(kept),
              "1 frame taken.\nno COB-ID, so the frame list ends here; 1 record after it holds "
              "something and was left out, the first at row 4");
}

TEST(FrameListPlan, RecordsBeyondTheListAreCountedFromTheirFirstRow)
{
    std::vector<sheets::Record> records;
    for (int i = 1; i <= 253; ++i)
        records.push_back({std::to_string(i), "8"});
    for (const auto& options : {Editor, Project}) {
        const auto plan =
            sheets::planFrameList("w.csv", worksheet(records), {}, frames::CanType::A, options);
        ASSERT_FALSE(plan.refused());
        EXPECT_EQ(plan.list.size(), project::MaxFrames);
        ASSERT_EQ(plan.notes.size(), 1u);
        EXPECT_EQ(plan.notes[0].code, "rows-beyond-list");
        EXPECT_EQ(plan.notes[0].count, 3u);
        EXPECT_EQ(plan.notes[0].row, 252u);
    }
}

std::vector<frames::TClPdo> twoFramesWithOneEntry()
{
    std::vector<frames::TClPdo> frames{{"0x181", 1}, {"0x182", 2}};
    frames[0].entries.emplace_back("40", "1");
    return frames;
}

TEST(MapPlan, RefusalsCarryTheirCodeAndWorksheetRow)
{
    const auto frames = twoFramesWithOneEntry();
    sheets::WorksheetRead beyond = worksheet({{"1", "1", "1"}});
    beyond.beyond = {2, 3723};
    const struct {
        const char* name;
        sheets::WorksheetRead read;
        frames::ImportOptions options;
        std::string code;
        std::size_t row;
    } cases[] = {
        // The map would end at a frame number that is no integer and lose the rows after it.
        {"frame number, editor", worksheet({{"0", "1", "33"}, {"1", "x", "16"}, {"2", "2", "17"}}), Editor, "frame-number", 3},
        {"frame number, project", worksheet({{"0", "1", "33"}, {"1", "x", "16"}}), Project, "frame-number", 3},
        {"register index, project", worksheet({{"0", "1", "33"}, {"abc", "2", "16"}}), Project, "register-index", 3},
        {"register index, editor", worksheet({{"abc", "2", "16"}}), Editor, "", 0},
        {"only rows of frames not in the list", worksheet({{"0", "5", "33"}}), Editor, "would-empty", 0},
        {"beyond the largest map, project", beyond, Project, "records-beyond-map", 3723},
        {"beyond the largest map, editor", beyond, Editor, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const frames::MapPlan plan = sheets::planMap("m.xlsx", Direction::Receive, c.read,
                                                     frames, "P/RInfoCob.xml", c.options);
        ASSERT_EQ(plan.refused(), !c.code.empty());
        if (plan.refusal) {
            EXPECT_EQ(plan.refusal->code, c.code);
            EXPECT_EQ(plan.refusal->row, c.row);
        }
    }
}

TEST(MapPlan, RowsForFramesThatDoNotExistAreCountedAndTheRestTaken)
{
    const auto frames = twoFramesWithOneEntry();
    // Frame 129 is frame 1 (the low seven bits); frames 3 and 0 are not in the list.
    const auto read = worksheet({{"10", "129", "18"}, {"11", "3", "18"}, {"12", "2", "52"},
                                 {"13", "0", "1"}, {"14", "3", "1"}});
    const frames::MapPlan plan = sheets::planMap("m.csv", Direction::Transmit, read,
                                                 frames, {}, Editor);
    ASSERT_FALSE(plan.refused());
    EXPECT_EQ(plan.registers, 2u);
    ASSERT_EQ(plan.entries.size(), 2u);
    EXPECT_EQ(plan.entries[0], (std::vector<frames::TClIndMB>{{"10", "18"}}));
    EXPECT_EQ(plan.entries[1], (std::vector<frames::TClIndMB>{{"12", "52"}}));
    ASSERT_EQ(plan.notes.size(), 1u);
    EXPECT_EQ(plan.notes[0].code, "map-rows-without-frame");
    EXPECT_EQ(plan.notes[0].count, 3u);
    EXPECT_EQ(plan.notes[0].text,
              "3 rows (rows 3 and 5-6) named no frame of the list (2 frames) and were skipped");
    EXPECT_EQ(plan.source.sheet, "TInfoCob");

    auto applied = frames;
    frames::applyMap(plan, applied);
    EXPECT_EQ(applied[0].entries, plan.entries[0]);
    EXPECT_EQ(applied[1].entries, plan.entries[1]);
}

} // namespace
