#pragma once

#include "cli/Cli.h"

namespace cravent::cli {

// cravent-cli import PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map WORKBOOK|FILE.dbc [options]: the editor's Import followed by its "OK". Nothing is saved when the workbook cannot
// be read or lacks the worksheet, when a cell of it cannot be read, when records after a frame
// without COB-ID would be lost (unless --keep-first), or when an empty list or map would replace
// one that holds something (unless --allow-empty).
int runImport(const std::vector<std::string>& args, Context& context);

// cravent-cli export PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map: the editor's Export of the
// saved project files.
int runExport(const std::vector<std::string>& args, Context& context);

inline constexpr Command ImportCommand{
    "import",
    "PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map WORKBOOK|FILE.dbc [--keep-first] [--allow-empty] "
    "[--node NAME] [--first-register N]",
    "save a frame list (worksheet rpdodef) or map (RInfoCob, TInfoCob) from an .xls, .xlsx, .ods "
    "or .csv workbook, or from the messages and signals of a CAN database",
    runImport};

inline constexpr Command ExportCommand{
    "export", "PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map",
    "write a frame list or map into the project folder as rpdodef.csv, RInfoCob.csv or "
    "TInfoCob.csv",
    runExport};

} // namespace cravent::cli
