#pragma once

#include "core/sheets/HelperProcess.h"
#include "core/sheets/Worksheet.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::sheets {

// The helper program that parses workbooks, installed beside cravent and cravent-cli.
inline constexpr const char* SheetReaderName = "cravent-sheet-reader";
// Names another helper program; tests use it to stand in a hanging or lying reader.
inline constexpr const char* SheetReaderVariable = "CRAVENT_SHEET_READER";

// $CRAVENT_SHEET_READER when set, else cravent-sheet-reader in the running program's folder.
std::filesystem::path defaultSheetReaderPath();

// The helper's limits, its answer capped at the most an import can use (SheetWire.h).
HelperLimits sheetReaderLimits();

struct SheetReaderOptions {
    std::filesystem::path helper = defaultSheetReaderPath();
    HelperLimits limits = sheetReaderLimits();
};

struct WorksheetRead {
    enum class Outcome { Read, SheetMissing, Unreadable };
    Outcome outcome = Outcome::Unreadable;
    std::vector<Record> records; // the rows below the header row, when read
    RecordsBeyond beyond;        // records holding something after the MaxRecordsRead read
    std::vector<std::string> unreadableCells; // formula cells without a stored result ("A3")
    std::string problem;         // for the other outcomes: the text for the user, naming the file
};

// Reads one worksheet of a workbook in the helper program, so that a workbook that crashes,
// hangs or floods the parser costs nothing but "nothing read" to the program holding the
// user's edits. The worksheet is the first whose name equals `sheetName` without regard to case.
WorksheetRead readWorksheet(const std::filesystem::path& workbook, std::string_view sheetName,
                            const SheetReaderOptions& options = {});

} // namespace cravent::sheets
