#pragma once

#include "core/dbc/DbcFile.h"
#include "core/frames/CanType.h"

#include <optional>
#include <string>

namespace cravent::dbc {

// Why a message cannot be a frame of a project of this CAN type, as one line that names the
// message and its identifier in hexadecimal; nothing when it fits. A 2.0A project takes 11-bit
// identifiers up to 0x7FF; a 2.0B project's gateway takes extended frames only, so 29-bit ones.
// No project takes an identifier that sets bits 29-30 (a 29-bit identifier has them clear), nor
// a DLC of 0 or above 8.
std::optional<std::string> misfit(const Message& m, frames::CanType canType);

} // namespace cravent::dbc
