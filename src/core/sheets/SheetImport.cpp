#include "core/sheets/SheetImport.h"

#include "core/common/IntegerText.h"

namespace cravent::sheets {

const char* mapSheetName(frames::Direction direction)
{
    return direction == frames::Direction::Receive ? "RInfoCob" : "TInfoCob";
}

FrameRowsImport frameRowsFromRecords(const std::vector<Record>& records)
{
    FrameRowsImport result;
    const std::size_t taken = std::min(records.size(), frames::MaxFrames);
    result.leftOut = records.size() - taken;
    for (std::size_t k = 0; k < taken; ++k) {
        const Record& record = records[k];
        result.rows.push_back({field(record, 0), field(record, 1), field(record, 2)});
    }
    return result;
}

std::optional<std::string> leftOutMessage(std::size_t leftOut)
{
    if (leftOut == 0)
        return std::nullopt;
    return "The frame list holds " + std::to_string(frames::MaxFrames) + " frames: the first " +
           std::to_string(frames::MaxFrames) + " rows of the worksheet were imported and the " +
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
            continue;
        }
        frames[n - 1].entries.emplace_back(field(records[k], 0), field(records[k], 2));
    }
    return take;
}

} // namespace cravent::sheets
