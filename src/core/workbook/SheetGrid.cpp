#include "core/workbook/SheetGrid.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"

#include <string>

namespace cravent::sheets {

std::optional<std::size_t> findSheet(const std::vector<std::string>& names, std::string_view wanted)
{
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (equalsNoCase(names[i], wanted))
            return i;
    }
    return std::nullopt;
}

void SheetGrid::put(std::size_t row, std::size_t column, std::string text)
{
    if (text.empty())
        return;
    if (row >= MaxRows || column >= MaxColumns)
        throw Error("the worksheet reaches beyond row " + std::to_string(MaxRows) + " or column " +
                    std::to_string(MaxColumns));
    if (++cells_ > MaxCells)
        throw Error("the worksheet holds more than " + std::to_string(MaxCells) + " cells");
    if (rows_.size() <= row)
        rows_.resize(row + 1);
    Record& record = rows_[row];
    if (record.size() <= column)
        record.resize(column + 1);
    record[column] = std::move(text);
}

std::vector<Record> SheetGrid::recordsBelowHeader() &&
{
    if (rows_.size() <= 1)
        return {};
    rows_.erase(rows_.begin());
    return std::move(rows_);
}

} // namespace cravent::sheets
