#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace cravent::firmware {

// Where "VuvivOdori.exe" is: a file of that name in the program folder, else beside the
// executable, else the first executable file of that name in a folder of `searchPath` (a PATH
// value: absolute folders separated by ':'; empty and relative entries are skipped so that the
// current folder never supplies the flashing program). Nothing when none holds it.
std::optional<std::filesystem::path> findFlasher(const std::filesystem::path& appDir,
                                                 const std::filesystem::path& executableDir,
                                                 std::string_view searchPath);

// findFlasher() for this process: its executable's folder and its PATH.
std::optional<std::filesystem::path> findFlasher(const std::filesystem::path& appDir);

} // namespace cravent::firmware
