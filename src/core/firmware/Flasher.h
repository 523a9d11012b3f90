#pragma once

#include <filesystem>
#include <string>

namespace cravent::firmware {

namespace text {
inline constexpr const char* FlasherNotFound = "VuvivOdori.exe Not Found, Procedure Aborted";
} // namespace text

inline constexpr int PortCount = 8; // "COM1" .. "COM8"

// The flashing program's one parameter: the new firmware's full path in double quotes, the
// byte 0xB6, then the port index 0..7 ("COM1" is 0) in decimal.
std::string flasherParameters(const std::filesystem::path& newFirmware, int portIndex);

// "COM1" .. "COM8" give 0 .. 7; anything else -1.
int portIndexOf(const std::string& portName);

// Starts "VuvivOdori.exe" where findFlasher() finds it, with flasherParameters() as its one
// argument, in `workingFolder`, and does not wait for it; the program outlives this process. On Linux the
// file is run directly, so it is a native program or a script of that name. Throws Error with
// "File *.Sx Not Found,Abort Procedure" when the new firmware is missing, with
// "VuvivOdori.exe Not Found, Procedure Aborted" when the program is, and with the system's
// reason when it cannot be started.
void launchFlasher(const std::filesystem::path& appDir, const std::filesystem::path& newFirmware,
                   int portIndex, const std::filesystem::path& workingFolder);

} // namespace cravent::firmware
