#include "core/common/FileIo.h"
#include "core/common/IntegerText.h"
#include "core/common/Windows1252.h"
#include "core/workbook/SheetGrid.h"
#include "core/workbook/WorkbookFormats.h"

namespace cravent::workbook {

namespace {

// Comma-separated lines ended by CR LF or LF; a field in double quotes may hold commas, line
// ends and doubled quotes. Our own exports never quote.
std::vector<sheets::Record> parseLines(std::string_view text)
{
    std::vector<sheets::Record> rows;
    sheets::Record row;
    std::string cell;
    bool quoted = false;
    bool rowStarted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"')
                cell += c;
            else if (i + 1 < text.size() && text[i + 1] == '"')
                cell += text[++i];
            else
                quoted = false;
            continue;
        }
        rowStarted = true;
        if (c == '"' && cell.empty()) {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(cell));
            cell.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            row.push_back(std::move(cell));
            cell.clear();
            rows.push_back(std::move(row));
            row.clear();
            rowStarted = false;
        } else {
            cell += c;
        }
    }
    if (rowStarted || quoted) {
        row.push_back(std::move(cell));
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

// A CSV file holds one worksheet, named after the file ("rpdodef.csv" holds "rpdodef"), as a
// spreadsheet program opens it. The frame list export starts with a header line and the map
// export has none, so the first line is a header only when it does not start with a number.
sheets::SheetLookup readCsv(const std::filesystem::path& workbook, std::string_view wantedSheet)
{
    sheets::SheetLookup lookup;
    lookup.sheetNames.push_back(workbook.stem().string());
    if (!findSheet(lookup.sheetNames, wantedSheet))
        return lookup;

    std::string text = readFile(workbook);
    if (text.starts_with("\xEF\xBB\xBF"))
        text.erase(0, 3);
    if (!isValidUtf8(text)) // written by a Windows program in its ANSI code page
        text = windows1252ToUtf8(text);

    std::vector<sheets::Record> rows = parseLines(text);
    const bool hasHeader =
        rows.empty() || rows.front().empty() || !parseIntegerText(rows.front().front()).has_value();
    SheetGrid grid;
    const std::size_t first = hasHeader ? 0 : 1; // a line of numbers moves down below a header
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            grid.put(r + first, c, std::move(rows[r][c]));
    }
    std::move(grid).handTo(lookup);
    return lookup;
}

} // namespace cravent::workbook
