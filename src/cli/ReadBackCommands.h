#pragma once

#include "cli/Cli.h"

namespace cravent::cli {

// cravent-cli inspect FILE_OR_BIN_DIR [--json]: the configuration a firmware or a set of bank
// files holds, in words or as JSON.
extern const Command InspectCommand;

// cravent-cli decode FILE_OR_BIN_DIR PROJECT_DIR: the project back from a firmware or a set of
// bank files.
extern const Command DecodeCommand;

} // namespace cravent::cli
