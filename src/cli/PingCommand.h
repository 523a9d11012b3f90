#pragma once

#include "cli/Cli.h"

namespace cravent::cli {

// cravent-cli ping HOST [--timeout MS]: one ICMP echo; exits 0 found, 1 not found, 2 error.
extern const Command PingCommand;

} // namespace cravent::cli
