#pragma once

#include "cli/Cli.h"

#include <string>
#include <vector>

namespace cravent::cli {

// True when `import` was given a CAN database (FILE.dbc, any case) instead of a workbook.
bool isDbcImport(const std::vector<std::string>& args);

// cravent-cli import PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map FILE.dbc [--node NAME]
//     [--keep-first] [--first-register N]: the editor's DBC import followed by its "OK".
// Whatever is refused saves nothing.
int runDbcImport(const std::vector<std::string>& args, Context& context);

// cravent-cli dbc FILE.dbc [--json]: what the reader finds in a CAN database.
int runDbcShow(const std::vector<std::string>& args, Context& context);

inline constexpr Command DbcCommand{
    "dbc", "FILE.dbc [--json]",
    "show the nodes, messages and signals that import would read from a CAN database, and the "
    "statements it skipped",
    runDbcShow};

} // namespace cravent::cli
