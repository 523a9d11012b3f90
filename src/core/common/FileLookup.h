#pragma once

#include <filesystem>
#include <string_view>

namespace cravent {

// Project folders come from a file system that ignores case: the settings file is written as
// "pargen.xml" and looked up as "Pargen.xml". Returns the entry of `folder` whose name equals
// `name` without regard to ASCII case (an exact match first, else the first in name order), or
// folder / name when there is none, so that the caller's "missing file" path stays natural.
std::filesystem::path findFileNoCase(const std::filesystem::path& folder, std::string_view name);

bool equalsNoCase(std::string_view a, std::string_view b);

} // namespace cravent
