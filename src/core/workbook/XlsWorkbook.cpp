#include "core/common/Error.h"
#include "core/workbook/CellText.h"
#include "core/workbook/SheetGrid.h"
#include "core/workbook/WorkbookFormats.h"

#include <freexl.h>
#include <string>

namespace cravent::sheets {

namespace {

// freexl_open can fail and still leave a handle that owns memory: close whatever it gave.
class XlsHandle {
public:
    explicit XlsHandle(const std::filesystem::path& file)
    {
        const int result = freexl_open(file.c_str(), &handle_);
        if (result != FREEXL_OK)
            throw Error(reason(result));
    }
    ~XlsHandle()
    {
        if (handle_ != nullptr)
            freexl_close(handle_);
    }
    XlsHandle(const XlsHandle&) = delete;
    XlsHandle& operator=(const XlsHandle&) = delete;

    const void* get() const { return handle_; }

    static std::string reason(int result)
    {
        switch (result) {
        case FREEXL_FILE_NOT_FOUND:
            return "the file cannot be opened";
        case FREEXL_INSUFFICIENT_MEMORY:
            return "not enough memory to read it";
        case FREEXL_INVALID_CHARACTER:
        case FREEXL_UNSUPPORTED_CHARSET:
            return "its text is in a character set that cannot be read";
        case FREEXL_CRAFTED_FILE:
            return "the .xls file is severely damaged";
        default:
            return "the .xls file is damaged or not a workbook (FreeXL error " +
                   std::to_string(result) + ")";
        }
    }

private:
    const void* handle_ = nullptr;
};

void check(int result)
{
    if (result != FREEXL_OK)
        throw Error(XlsHandle::reason(result));
}

unsigned int info(const XlsHandle& xls, unsigned short what)
{
    unsigned int value = 0;
    check(freexl_get_info(xls.get(), what, &value));
    return value;
}

std::string cellText(const FreeXL_CellValue& cell)
{
    switch (cell.type) {
    case FREEXL_CELL_INT: // RK integers
        return std::to_string(cell.value.int_value);
    case FREEXL_CELL_DOUBLE: // NUMBER records and RK fractions
        return numberText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE: // dates and times come already as text
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return cell.value.text_value != nullptr ? cell.value.text_value : "";
    default: // empty cells, and formula cells, whose results FreeXL does not keep
        return {};
    }
}

} // namespace

SheetLookup readXls(const std::filesystem::path& workbook, std::string_view wantedSheet)
{
    const XlsHandle xls(workbook);
    if (info(xls, FREEXL_BIFF_PASSWORD) == FREEXL_BIFF_OBFUSCATED)
        throw Error("the workbook is protected by a password");

    SheetLookup lookup;
    const unsigned int count = info(xls, FREEXL_BIFF_SHEET_COUNT);
    for (unsigned int i = 0; i < count && i <= 0xFFFF; ++i) {
        const char* name = nullptr;
        check(freexl_get_worksheet_name(xls.get(), static_cast<unsigned short>(i), &name));
        lookup.sheetNames.emplace_back(name != nullptr ? name : "");
    }
    const auto index = findSheet(lookup.sheetNames, wantedSheet);
    if (!index)
        return lookup;

    // Cells are read from the active worksheet only.
    check(freexl_select_active_worksheet(xls.get(), static_cast<unsigned short>(*index)));
    unsigned int rows = 0;
    unsigned short columns = 0;
    check(freexl_worksheet_dimensions(xls.get(), &rows, &columns));
    SheetGrid grid;
    for (unsigned int row = 0; row < rows; ++row) {
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue cell;
            check(freexl_get_cell_value(xls.get(), row, column, &cell));
            grid.put(row, column, cellText(cell));
        }
    }
    lookup.records = std::move(grid).recordsBelowHeader();
    return lookup;
}

} // namespace cravent::sheets
