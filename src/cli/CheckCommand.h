#pragma once

#include "core/check/BuildGate.h"

#include <iosfwd>

namespace cravent::cli {

// Exit code of check when it found warnings and no error.
inline constexpr int WarningsFound = 3;

// Before build, update and batch: prints the gate's errors and warnings to `err`, once each, and
// answers whether the build goes on (no error, whatever its code).
bool passBuildGate(const check::BuildGate& gate, std::ostream& err);

} // namespace cravent::cli
