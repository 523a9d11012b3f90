#pragma once

// The readers of the single workbook formats, behind readWorkbook.

#include "core/sheets/Worksheet.h"

#include <filesystem>
#include <string_view>

namespace cravent::sheets {

class ZipArchive;

SheetLookup readXls(const std::filesystem::path& workbook, std::string_view wantedSheet);
SheetLookup readXlsx(const ZipArchive& archive, std::string_view wantedSheet);
SheetLookup readOds(const ZipArchive& archive, std::string_view wantedSheet);
SheetLookup readCsv(const std::filesystem::path& workbook, std::string_view wantedSheet);

} // namespace cravent::sheets
