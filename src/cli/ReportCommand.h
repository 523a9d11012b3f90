#pragma once

#include "cli/Cli.h"

namespace cravent::cli {

// cravent-cli report PROJECT_DIR [--format html|md|csv|json] [-o FILE]: the register map report
// for the PLC or SCADA programmer; markdown on stdout unless told otherwise.
int runReport(const std::vector<std::string>& args, Context& context);

inline constexpr Command ReportCommand{
    "report", "PROJECT_DIR [--format html|md|csv|json] [-o FILE]",
    "the register map report: settings, frames, registers by index and the check's findings\n"
    "      (default: markdown on stdout)",
    runReport};

} // namespace cravent::cli
