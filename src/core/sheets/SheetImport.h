#pragma once

#include "core/common/Direction.h"
#include "core/frames/TClPdo.h"
#include "core/project/FrameFile.h"
#include "core/sheets/Worksheet.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace cravent::sheets {

// The filters of the file-open dialog OpenExcel, in the chooser's "Name (*.ext)" form: the
// .xls filter first, as users of the Windows program know it, then the other formats we read.
inline constexpr std::array<const char*, 5> WorkbookFilters{
    "File EXCEL (*.xls)", "Excel workbook (*.xlsx)", "OpenDocument spreadsheet (*.ods)",
    "Comma-separated values (*.csv)", "Every workbook (*.xls *.xlsx *.ods *.csv)"};

// The worksheets the editors import from; the names are matched without regard to case.
inline constexpr const char* FrameListSheet = "rpdodef"; // both directions
const char* mapSheetName(Direction direction);   // "RInfoCob" / "TInfoCob"

// Frame list: record k fills data row k + 1 of the grid, its fields 0, 1 and 2 the COB-ID, data
// length and mnemonic, as they are; the check waits for "OK". The grid has 250 rows: the
// further records that hold something, including those the reader only counted (`beyond`),
// are left out and counted; empty ones are no loss.
struct FrameRowsImport {
    std::vector<project::Frame> rows; // rows[k] for data row k + 1
    std::size_t leftOut = 0;
    std::size_t firstLeftOutRow = 0; // the worksheet row of the first left out (1 is the header)
};
FrameRowsImport frameRowsFromRecords(const std::vector<Record>& records,
                                     const RecordsBeyond& beyond = {});

// The worksheet row of record k (row 1 holds the column names).
inline std::size_t worksheetRow(std::size_t record)
{
    return record + 2;
}

// "Cells A3 and B7 hold formulas whose results the workbook does not store, so they read as
// empty (...)" for cells the reader could not read, or nothing when there are none.
std::optional<std::string> unreadableCellsMessage(const std::vector<std::string>& cells);

// The note shown when records were left out, or nothing when none were.
std::optional<std::string> leftOutMessage(std::size_t leftOut);

// Map: empties every frame's register list, then appends each record to frame
// n = (integer value of field 1) AND 127 as the entry (field 0, field 2), skipping n = 0 and
// n beyond the frames. The first record whose field 1 is not integer text ends the import;
// what was appended before stays.
struct MapTake {
    std::optional<std::size_t> stoppedAt; // the 0-based record that ended the import
    std::size_t skipped = 0;              // records before it that named no frame of the list
    std::vector<std::size_t> skippedAt;   // those records, 0-based
    std::vector<std::size_t> takenAt;     // the records that became entries, in order
};
MapTake takeMapRecords(const std::vector<Record>& records, std::vector<frames::TClPdo>& frames);

} // namespace cravent::sheets
