#pragma once

#include "cli/Cli.h"

namespace cravent::cli {

// cravent-cli compose PROJECT_DIR [--master FILE]: the new firmware of a project from its bank
// files and the master firmware, as "Execute update firmware" composes it.
extern const Command ComposeCommand;

// cravent-cli update PROJECT_DIR [--master FILE] [--flash COMn]: build, compose and, with
// --flash, start the flashing program on the port: the whole of "Up date Device".
extern const Command UpdateCommand;

} // namespace cravent::cli
