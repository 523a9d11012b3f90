#include "core/sheets/Worksheet.h"

#include <algorithm>

namespace cravent::sheets {

const std::string& field(const Record& record, std::size_t position)
{
    static const std::string empty;
    return position < record.size() ? record[position] : empty;
}

bool holdsSomething(const Record& record)
{
    const std::size_t fields = std::min(record.size(), FieldsRead);
    return std::any_of(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(fields),
                       [](const std::string& text) { return !text.empty(); });
}

std::string cellName(std::size_t row, std::size_t column)
{
    std::string letters;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters + std::to_string(row + 1);
}

} // namespace cravent::sheets
