#include "core/workbook/SheetGrid.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"

#include <string>

namespace cravent::workbook {

std::optional<std::size_t> findSheet(const std::vector<std::string>& names, std::string_view wanted)
{
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (equalsNoCase(names[i], wanted))
            return i;
    }
    return std::nullopt;
}

void SheetGrid::checkPosition(std::size_t row, std::size_t column)
{
    if (row >= MaxRows || column >= MaxColumns)
        throw Error("the worksheet reaches beyond row " + std::to_string(MaxRows) + " or column " +
                    std::to_string(MaxColumns));
    // Every filled cell counts, read or not, so that the work stays bounded.
    if (++cells_ > MaxCells)
        throw Error("the worksheet holds more than " + std::to_string(MaxCells) + " cells");
}

void SheetGrid::countBeyond(std::size_t row)
{
    const std::size_t at = row - sheets::MaxRecordsRead - 1;
    if (beyondRows_.size() <= at)
        beyondRows_.resize(at + 1);
    if (beyondRows_[at])
        return;
    beyondRows_[at] = true;
    if (beyond_.count == 0 || row + 1 < beyond_.firstRow)
        beyond_.firstRow = row + 1;
    ++beyond_.count;
}

void SheetGrid::put(std::size_t row, std::size_t column, std::string text)
{
    if (text.empty())
        return;
    checkPosition(row, column);
    if (row == 0 || column >= sheets::FieldsRead) // the header row, and fields the import never reads
        return;
    if (row > sheets::MaxRecordsRead) {
        countBeyond(row);
        return;
    }
    if (text.size() > sheets::MaxFieldBytes)
        throw Error("cell " + sheets::cellName(row, column) + " holds " + std::to_string(text.size()) +
                    " bytes of text, more than the " + std::to_string(sheets::MaxFieldBytes) +
                    " a field of the import can hold");
    if (records_.size() < row)
        records_.resize(row);
    sheets::Record& record = records_[row - 1];
    if (record.size() <= column)
        record.resize(column + 1);
    record[column] = std::move(text);
}

void SheetGrid::putUnreadable(std::size_t row, std::size_t column)
{
    checkPosition(row, column);
    if (row == 0 || column >= sheets::FieldsRead)
        return;
    if (row > sheets::MaxRecordsRead)
        countBeyond(row);
    else if (unreadable_.size() < sheets::FieldsRead * sheets::MaxRecordsRead)
        unreadable_.push_back(sheets::cellName(row, column));
}

void SheetGrid::handTo(sheets::SheetLookup& lookup) &&
{
    lookup.records = std::move(records_);
    lookup.beyond = beyond_;
    lookup.unreadableCells = std::move(unreadable_);
}

} // namespace cravent::workbook
