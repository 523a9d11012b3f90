#pragma once

#include "cli/Cli.h"

namespace cravent::cli {

// cravent-cli read PROJECT_DIR [--host H] [--port N] [--json]: every mapped register of the
// project read once from a running gateway, real or virtual.
extern const Command ReadCommand;

} // namespace cravent::cli
