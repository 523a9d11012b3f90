#pragma once

#include "core/frames/CanType.h"
#include "core/common/Direction.h"
#include "core/frames/ImportPlan.h"
#include "core/sheets/SheetReaderClient.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace cravent::sheets {

// What a frame list import replaces: how many frames, asked only when the import would empty
// the list (so that a project file that cannot be read stands in the way of nothing else), and
// the project file when the import goes straight into the project (named in the refusal).
struct Replaced {
    std::function<std::size_t()> count;
    std::filesystem::path file;
};

// The plan of a frame list import from worksheet "rpdodef". Refused, whatever the target: a
// workbook that cannot be read or lacks the worksheet (the workbook's worksheets named), and an
// empty worksheet that would empty a list that holds something (unless allowEmpty). Into the
// project also: cells that read as empty only because no result was stored, filled records
// after the first without a COB-ID (unless keepFirst), and a list that fails the check, with the
// worksheet row. An editor shows the rows as read, gap included, for "OK" to ask about.
frames::FrameListPlan planFrameList(const std::filesystem::path& workbook,
                                    const WorksheetRead& read, const Replaced& replaced,
                                    frames::CanType canType, const frames::ImportOptions& options);

// The plan of a map import from worksheet RInfoCob or TInfoCob into `frames` (their entries are
// what the import replaces). Refused, whatever the target: a workbook that cannot be read or
// lacks the worksheet, a frame number that is not integer text (the map would end there), and
// an import without entries that would empty a map that holds something (unless allowEmpty).
// Into the project also: unreadable cells, a register index that is not integer text, and more
// records than a map holds. Rows whose frame is not in the list are counted in a note.
frames::MapPlan planMap(const std::filesystem::path& workbook, Direction direction,
                        const WorksheetRead& read, const std::vector<frames::TClPdo>& frames,
                        const std::filesystem::path& mapFile, const frames::ImportOptions& options);

} // namespace cravent::sheets
