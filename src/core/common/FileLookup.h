#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace cravent {

// Project folders come from a file system that ignores case: the settings file is written as
// "pargen.xml" and looked up as "Pargen.xml". Returns the entry of `folder` whose name equals
// `name` without regard to ASCII case (an exact match first, else the first in name order), or
// folder / name when there is none, so that the caller's "missing file" path stays natural.
std::filesystem::path findFileNoCase(const std::filesystem::path& folder, std::string_view name);

bool equalsNoCase(std::string_view a, std::string_view b);

// What a path names, symbolic links followed. Missing stands only for "no such file": any other
// failure to look (a loop of links, a name too long, no permission) is Unknown, so that a file
// that is there but cannot be seen is never taken for an absent one.
enum class PathKind { Missing, File, Folder, Other, Unknown };

// The kind of `path`; for Unknown, `why` (when given) receives the system's reason.
PathKind pathKind(const std::filesystem::path& path, std::string* why = nullptr);

inline bool isFile(const std::filesystem::path& path)
{
    return pathKind(path) == PathKind::File;
}

inline bool isFolder(const std::filesystem::path& path)
{
    return pathKind(path) == PathKind::Folder;
}

// Whether something is at `file`. Throws Error `Cannot read file "<file>". <reason>` when the
// system cannot tell.
bool isPresent(const std::filesystem::path& file);

} // namespace cravent
