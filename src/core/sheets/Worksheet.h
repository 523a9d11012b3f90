#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace cravent::sheets {

// One row of a worksheet below its header row: the cells by position (0 for the first column),
// each as text. Cells after the last non-empty one are left out, so a missing field reads as
// an empty text.
using Record = std::vector<std::string>;

// The import reads three fields of a record (COB-ID, data length, mnemonic; or register index,
// frame number, byte selection); later columns are never looked at, so they are not kept.
inline constexpr std::size_t FieldsRead = 3;
// Records kept of a worksheet: the largest register map (the transmit map, 3721 entries), which
// is more than the 250 frames of a frame list. Records after these are only counted.
inline constexpr std::size_t MaxRecordsRead = 3721;
// A field longer than this is no COB-ID, length, mnemonic, index or byte selection.
inline constexpr std::size_t MaxFieldBytes = 1024;

// The records after the first MaxRecordsRead that hold something in the fields read.
struct RecordsBeyond {
    std::size_t count = 0;
    std::size_t firstRow = 0; // its worksheet row (1 is the header row), when count > 0
};

// What a workbook holds for one wanted worksheet: the names of all its worksheets in workbook
// order and, when one of them matched, that worksheet's records.
struct SheetLookup {
    std::vector<std::string> sheetNames;
    std::optional<std::vector<Record>> records;
    RecordsBeyond beyond;
    // Cells of the fields read ("A3") that hold a formula whose result the workbook does not
    // store; they read as empty.
    std::vector<std::string> unreadableCells;
};

// The field at `position`, or the empty text when the record is shorter.
const std::string& field(const Record& record, std::size_t position);

// Whether any field the import reads holds something.
bool holdsSomething(const Record& record);

// "A1" for row 0, column 0.
std::string cellName(std::size_t row, std::size_t column);

} // namespace cravent::sheets
