#include "core/sheets/SheetImport.h"

#include "core/common/IntegerText.h"

namespace cravent::sheets {

const char* mapSheetName(Direction direction)
{
    return direction == Direction::Receive ? "RInfoCob" : "TInfoCob";
}

FrameRowsImport frameRowsFromRecords(const std::vector<Record>& records,
                                     const RecordsBeyond& beyond)
{
    FrameRowsImport result;
    const std::size_t taken = std::min(records.size(), project::MaxFrames);
    for (std::size_t k = 0; k < taken; ++k) {
        const Record& record = records[k];
        result.rows.push_back({field(record, 0), field(record, 1), field(record, 2)});
    }
    for (std::size_t k = taken; k < records.size(); ++k) {
        if (!holdsSomething(records[k]))
            continue;
        if (result.leftOut++ == 0)
            result.firstLeftOutRow = worksheetRow(k);
    }
    if (beyond.count > 0 && result.leftOut == 0)
        result.firstLeftOutRow = beyond.firstRow;
    result.leftOut += beyond.count;
    return result;
}

std::optional<std::string> unreadableCellsMessage(const std::vector<std::string>& cells)
{
    if (cells.empty())
        return std::nullopt;
    constexpr std::size_t Named = 10;
    std::string names;
    for (std::size_t i = 0; i < cells.size() && i < Named; ++i)
        names += (i == 0 ? "" : (i + 1 == cells.size() ? " and " : ", ")) + cells[i];
    if (cells.size() > Named)
        names += " and " + std::to_string(cells.size() - Named) + " more";
    const bool one = cells.size() == 1;
    return std::string(one ? "Cell " : "Cells ") + names +
           (one ? " holds a formula whose result" : " hold formulas whose results") +
           " the workbook does not store, so " + (one ? "it reads" : "they read") +
           " as empty (a spreadsheet program stores the results when it saves the workbook)";
}

std::optional<std::string> leftOutMessage(std::size_t leftOut)
{
    if (leftOut == 0)
        return std::nullopt;
    return "The frame list holds " + std::to_string(project::MaxFrames) + " frames: the first " +
           std::to_string(project::MaxFrames) + " rows of the worksheet were imported and the " +
           std::to_string(leftOut) +
           (leftOut == 1 ? " row after them was" : " rows after them were") + " left out.";
}

MapTake takeMapRecords(const std::vector<Record>& records, std::vector<frames::TClPdo>& frames)
{
    MapTake take;
    for (frames::TClPdo& frame : frames)
        frame.entries.clear();
    for (std::size_t k = 0; k < records.size(); ++k) {
        const auto value = parseIntegerText(field(records[k], 1));
        if (!value) {
            take.stoppedAt = k;
            break;
        }
        // The low seven bits: 129 counts as frame 1.
        const auto n = static_cast<std::size_t>(static_cast<std::uint32_t>(*value) & 127u);
        if (n == 0 || n > frames.size()) {
            ++take.skipped;
            take.skippedAt.push_back(k);
            continue;
        }
        frames[n - 1].entries.emplace_back(field(records[k], 0), field(records[k], 2));
        take.takenAt.push_back(k);
    }
    return take;
}

} // namespace cravent::sheets
