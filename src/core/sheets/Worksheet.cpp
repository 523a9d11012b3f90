#include "core/sheets/Worksheet.h"

namespace cravent::sheets {

const std::string& field(const Record& record, std::size_t position)
{
    static const std::string empty;
    return position < record.size() ? record[position] : empty;
}

} // namespace cravent::sheets
