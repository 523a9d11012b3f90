#include "core/sheets/WorkbookPlans.h"

#include "core/common/IntegerText.h"
#include "core/frames/FrameList.h"
#include "core/sheets/SheetImport.h"

namespace cravent::sheets {

namespace {

using frames::counted;
using frames::ImportNote;
using frames::ImportRefusal;
using frames::ImportRemedy;
using frames::ImportTarget;

// A workbook that gave no worksheet: the reader's text names the file and, when the worksheet
// is missing, the worksheets the workbook has.
std::optional<ImportRefusal> unread(const WorksheetRead& read)
{
    if (read.outcome == WorksheetRead::Outcome::Read)
        return std::nullopt;
    return ImportRefusal{read.outcome == WorksheetRead::Outcome::SheetMissing ? "sheet-missing"
                                                                               : "unreadable",
                         0, read.problem};
}

// The start every workbook plan shares: the worksheet read, and the cells that read as empty only
// because no result was stored, which the project refuses (a script cannot look at them) and the
// editor shows and names. False when the plan is refused.
template <class Plan>
bool begin(Plan& plan, const WorksheetRead& read, frames::ImportSource source,
           const frames::ImportOptions& options)
{
    if ((plan.refusal = unread(read)))
        return false;
    plan.source = std::move(source);
    if (const auto text = unreadableCellsMessage(read.unreadableCells)) {
        if (options.target == ImportTarget::Project) {
            plan.refusal = ImportRefusal{"unreadable-cells", 0, *text};
            return false;
        }
        plan.notes.push_back({"unreadable-cells", read.unreadableCells.size(), 0, *text});
    }
    return true;
}

std::string inFile(const std::filesystem::path& file)
{
    return file.empty() ? std::string() : " in \"" + file.string() + "\"";
}

} // namespace

frames::FrameListPlan planFrameList(const std::filesystem::path& workbook,
                                    const WorksheetRead& read, const Replaced& replaced,
                                    frames::CanType canType, const frames::ImportOptions& options)
{
    frames::FrameListPlan plan;
    if (!begin(plan, read, {workbook.string(), FrameListSheet}, options))
        return plan;
    const bool project = options.target == ImportTarget::Project;
    const FrameRowsImport imported = frameRowsFromRecords(read.records, read.beyond);
    plan.rows = imported.rows;
    plan.list = frames::listUpToFirstEmptyCobId(imported.rows);
    // The list ends at the first record without a COB-ID, within the 250 rows; what follows it
    // would be lost, the records after those rows too. The editor shows them and "OK" asks.
    const auto gap = frames::rowsAfterGap(imported.rows);
    if (project && (gap || (plan.list.size() < project::MaxFrames && imported.leftOut > 0))) {
        const std::size_t dropped = (gap ? gap->dropped.size() : 0) + imported.leftOut;
        const std::size_t first =
            gap ? worksheetRow(gap->dropped.front() - 1) : imported.firstLeftOutRow;
        const std::size_t row = worksheetRow(plan.list.size());
        const std::string text =
            "no COB-ID, so the frame list ends here; " +
            counted(dropped, "record after it holds", "records after it hold") + " something and " +
            (dropped == 1 ? "was" : "were") + " left out, the first at row " + std::to_string(first);
        if (!options.keepFirst) {
            plan.refusal =
                ImportRefusal{"gap", row, text, ImportRemedy::KeepFirst, plan.list.size()};
            return plan;
        }
        plan.notes.push_back({"gap", dropped, row, text});
    } else if (const auto note = leftOutMessage(imported.leftOut)) {
        plan.notes.push_back({"rows-beyond-list", imported.leftOut, imported.firstLeftOutRow, *note});
    }
    if (plan.list.empty() && !options.allowEmpty && replaced.count) {
        if (const std::size_t count = replaced.count(); count > 0) {
            plan.refusal = ImportRefusal{"would-empty", 0,
                                         "no frames to import, and saving would empty the list of " +
                                             counted(count, "frame", "frames") + inFile(replaced.file),
                                         ImportRemedy::AllowEmpty, 0};
            return plan;
        }
    }
    if (project) {
        if (const auto failure = frames::checkList(plan.list, canType))
            // The check counts grid rows; the worksheet has its header above them.
            plan.refusal =
                ImportRefusal{"check", worksheetRow(failure->row - 1), failure->message()};
    }
    return plan;
}

frames::MapPlan planMap(const std::filesystem::path& workbook, Direction direction,
                        const WorksheetRead& read, const std::vector<frames::TClPdo>& frames,
                        const std::filesystem::path& mapFile, const frames::ImportOptions& options)
{
    frames::MapPlan plan;
    if (!begin(plan, read, {workbook.string(), mapSheetName(direction)}, options))
        return plan;
    const bool project = options.target == ImportTarget::Project;
    const std::vector<Record>& records = read.records;
    if (read.beyond.count > 0) {
        if (project) {
            plan.refusal = ImportRefusal{"records-beyond-map", read.beyond.firstRow,
                                         "the worksheet holds more records than a map can hold (" +
                                             std::to_string(MaxRecordsRead) + ")"};
            return plan;
        }
        plan.notes.push_back({"records-beyond-map", read.beyond.count, read.beyond.firstRow,
                              "A map holds at most " + std::to_string(MaxRecordsRead) +
                                  " entries: the " + std::to_string(read.beyond.count) +
                                  " records from row " + std::to_string(read.beyond.firstRow) +
                                  " of the worksheet on were left out."});
    }
    std::size_t oldEntries = 0;
    for (const frames::TClPdo& frame : frames)
        oldEntries += frame.entries.size();
    std::vector<frames::TClPdo> taken = frames;
    const MapTake take = takeMapRecords(records, taken);
    if (take.stoppedAt) {
        // The map would end here and lose the rows after it.
        const std::string& text = field(records[*take.stoppedAt], 1);
        plan.refusal = ImportRefusal{"frame-number", worksheetRow(*take.stoppedAt),
                                     invalidIntegerMessage(text) + " (the frame number)"};
        return plan;
    }
    // Saving orders the entries by their register index, which must therefore be integer text;
    // the editor lets the user mend it before "OK".
    if (project) {
        for (const std::size_t k : take.takenAt) {
            const std::string& index = field(records[k], 0);
            if (!parseIntegerText(index)) {
                plan.refusal = ImportRefusal{"register-index", worksheetRow(k),
                                             invalidIntegerMessage(index) + " (the register index)"};
                return plan;
            }
        }
    }
    if (take.takenAt.empty() && oldEntries > 0 && !options.allowEmpty) {
        plan.refusal = ImportRefusal{
            "would-empty", 0,
            "no register entries to import, and saving would empty the map of " +
                counted(oldEntries, "entry", "entries") + inFile(mapFile),
            ImportRemedy::AllowEmpty, 0};
        return plan;
    }
    // A map imported before its frame list would otherwise come out short without a word.
    if (take.skipped > 0) {
        std::vector<std::size_t> rows;
        for (const std::size_t k : take.skippedAt)
            rows.push_back(worksheetRow(k));
        // The rows are listed in the text, so the note stands for the worksheet as a whole.
        plan.notes.push_back({"map-rows-without-frame", take.skipped, 0,
                              counted(take.skipped, "row", "rows") + " (" +
                                  (rows.size() == 1 ? "row " : "rows ") + frames::rowRanges(rows) +
                                  ") named no frame of the list (" +
                                  counted(frames.size(), "frame", "frames") + ") and " +
                                  (take.skipped == 1 ? "was" : "were") + " skipped"});
    }
    for (const frames::TClPdo& frame : taken)
        plan.entries.push_back(frame.entries);
    plan.registers = take.takenAt.size();
    return plan;
}

} // namespace cravent::sheets
