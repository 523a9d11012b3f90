#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cravent::sheets {

// One row of a worksheet below its header row: the cells by position (0 for the first column),
// each as text. Cells after the last non-empty one are left out, so a missing field reads as
// an empty text.
using Record = std::vector<std::string>;

// What a workbook holds for one wanted worksheet: the names of all its worksheets in workbook
// order and, when one of them matched, that worksheet's records.
struct SheetLookup {
    std::vector<std::string> sheetNames;
    std::optional<std::vector<Record>> records;
};

// The field at `position`, or the empty text when the record is shorter.
const std::string& field(const Record& record, std::size_t position);

} // namespace cravent::sheets
