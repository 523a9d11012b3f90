#pragma once

#include <filesystem>
#include <iosfwd>

namespace cravent::cli {

// Exit code of check when it found warnings and no error.
inline constexpr int WarningsFound = 3;

// Before build and update: prints the check's errors and warnings to `err`, except the build's
// own refusals, which the build reports when it stops. False when an error means the build must
// not go on.
bool checkBeforeBuild(const std::filesystem::path& projectDir, std::ostream& err);

} // namespace cravent::cli
