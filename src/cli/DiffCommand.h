#pragma once

#include "cli/Cli.h"

namespace cravent::cli {

// cravent-cli diff A B [--json]: how two configurations differ, each a project folder, a bank
// folder or a firmware file; exit 0 when equal, 1 when they differ, 2 for wrong use or an
// unreadable input.
extern const Command DiffCommand;

} // namespace cravent::cli
