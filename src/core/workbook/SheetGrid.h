#pragma once

#include "core/sheets/Worksheet.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::workbook {

// The first worksheet, in workbook order, whose name equals `wanted` without regard to case.
std::optional<std::size_t> findSheet(const std::vector<std::string>& names,
                                     std::string_view wanted);

// Collects the cells of one worksheet by position, whatever order a format gives them in, and
// hands them over as the records below the header row. Only the fields the import reads
// (FieldsRead) of the first MaxRecordsRead records are kept; later records holding something
// there are counted. Empty cells are not stored; rows between filled ones stay as empty
// records, rows after the last filled one are dropped. A worksheet beyond the size of any
// spreadsheet program's sheet, or with more filled cells than a frame table ever needs by far,
// is refused rather than walked without bound; so is a field longer than MaxFieldBytes.
class SheetGrid {
public:
    static constexpr std::size_t MaxRows = 1048576;
    static constexpr std::size_t MaxColumns = 16384;
    static constexpr std::size_t MaxCells = 2000000;

    // Throws Error when the cell lies outside the limits above.
    void put(std::size_t row, std::size_t column, std::string text);
    // A cell holding a formula whose result the workbook does not store.
    void putUnreadable(std::size_t row, std::size_t column);
    // Fills the records, the count of those beyond and the unreadable cells.
    void handTo(sheets::SheetLookup& lookup) &&;

private:
    void checkPosition(std::size_t row, std::size_t column);
    void countBeyond(std::size_t row);

    std::vector<sheets::Record> records_; // records_[k] is worksheet row k + 2
    std::size_t cells_ = 0;
    std::vector<bool> beyondRows_;
    sheets::RecordsBeyond beyond_;
    std::vector<std::string> unreadable_;
};

} // namespace cravent::workbook
