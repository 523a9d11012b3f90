#pragma once

// The readers of the single workbook formats, behind readWorkbook.

#include "core/sheets/Worksheet.h"

#include <filesystem>
#include <string_view>

namespace cravent::workbook {

class ZipArchive;

sheets::SheetLookup readXls(const std::filesystem::path& workbook, std::string_view wantedSheet);
sheets::SheetLookup readXlsx(const ZipArchive& archive, std::string_view wantedSheet);
sheets::SheetLookup readOds(const ZipArchive& archive, std::string_view wantedSheet);
sheets::SheetLookup readCsv(const std::filesystem::path& workbook, std::string_view wantedSheet);

} // namespace cravent::workbook
