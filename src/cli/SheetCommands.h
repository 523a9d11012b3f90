#pragma once

#include "cli/Cli.h"

namespace cravent::cli {

// cravent-cli import PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map WORKBOOK: the editor's Import
// followed by its "OK". A workbook that cannot be read or lacks the worksheet saves nothing.
int runImport(const std::vector<std::string>& args, Context& context);

// cravent-cli export PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map: the editor's Export of the
// saved project files.
int runExport(const std::vector<std::string>& args, Context& context);

inline constexpr Command ImportCommand{
    "import",
    "PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map WORKBOOK|FILE.dbc [--node NAME] [--keep-first] "
    "[--first-register N]",
    "save a frame list (worksheet rpdodef) or map (RInfoCob, TInfoCob) from an .xls, .xlsx, .ods "
    "or .csv workbook, or from the messages and signals of a CAN database",
    runImport};

inline constexpr Command ExportCommand{
    "export", "PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map",
    "write a frame list or map into the project folder as rpdodef.csv, RInfoCob.csv or "
    "TInfoCob.csv",
    runExport};

} // namespace cravent::cli
