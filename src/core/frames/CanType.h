#pragma once

#include <filesystem>

namespace cravent::frames {

// The project's CAN identifier format, which sets the range of a COB-ID.
enum class CanType {
    A, // CAN 2.0A, 11-bit identifiers: 0 to 2047
    B, // CAN 2.0B, 29-bit identifiers: 0 to 0x1FFFFFFF
};

// The CAN type of "pargen.xml". A project without the file is 2.0A. A file whose "CANType" is
// missing or not integer text also counts as 2.0A, which is what the Set Communication dialog
// shows for it; any non-zero value is 2.0B. A file that cannot be read or parsed throws Error
// naming it: guessing the range there could refuse a valid 29-bit list with a misleading text.
CanType readProjectCanType(const std::filesystem::path& pargenFile);

} // namespace cravent::frames
