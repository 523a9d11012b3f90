#pragma once

#include <filesystem>

namespace cravent {

// The folder of the running program's executable file, symbolic links resolved; empty when
// the system does not tell.
std::filesystem::path executableFolder();

} // namespace cravent
