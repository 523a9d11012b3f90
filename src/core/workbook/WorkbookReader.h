#pragma once

#include "core/sheets/Worksheet.h"

#include <filesystem>
#include <string_view>

namespace cravent::workbook {

// Reads the worksheet `wantedSheet` of a workbook: .xls (BIFF8 over libgsf), .xlsx and .ods
// (zip and XML), or .csv as our export writes it. The format is told by the file's content;
// only a plain text file is taken by its ".csv" name.
//
// This parses untrusted files with libraries (libgsf, libzip, pugixml) and a record parser
// whose every fault would otherwise cost the user's edits, so only the sheet reader helper
// program calls it; the programs that hold the user's edits go through readWorksheet
// (core/sheets/SheetReaderClient.h) instead.
//
// Throws Error with the reason, not naming the file, when the workbook cannot be read.
sheets::SheetLookup readWorkbook(const std::filesystem::path& workbook, std::string_view wantedSheet);

} // namespace cravent::workbook
