#pragma once

#include "cli/Cli.h"

namespace cravent::cli {

// cravent-cli batch PROJECT_DIR UNITS.csv --out DIR [--master FILE]: one verified firmware per
// unit, each with the unit's own address, and a manifest of their SHA-256 sums.
extern const Command BatchCommand;

} // namespace cravent::cli
