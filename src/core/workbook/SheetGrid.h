#pragma once

#include "core/sheets/Worksheet.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::sheets {

// The first worksheet, in workbook order, whose name equals `wanted` without regard to case.
std::optional<std::size_t> findSheet(const std::vector<std::string>& names,
                                     std::string_view wanted);

// Collects the cells of one worksheet by position, whatever order a format gives them in, and
// hands them back as the records below the header row. Empty cells are not stored; rows between
// filled ones stay as empty records, rows after the last filled one are dropped. A worksheet
// beyond the size of any spreadsheet program's sheet, or with more filled cells than a frame
// table ever needs by far, is refused rather than grown without bound.
class SheetGrid {
public:
    static constexpr std::size_t MaxRows = 1048576;
    static constexpr std::size_t MaxColumns = 16384;
    static constexpr std::size_t MaxCells = 2000000;

    // Throws Error when the cell lies outside the limits above.
    void put(std::size_t row, std::size_t column, std::string text);
    std::vector<Record> recordsBelowHeader() &&;

private:
    std::vector<Record> rows_;
    std::size_t cells_ = 0;
};

} // namespace cravent::sheets
