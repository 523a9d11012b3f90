#include "core/common/FileLookup.h"

#include "core/common/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace cravent {

namespace {

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

std::filesystem::path findFileNoCase(const std::filesystem::path& folder, std::string_view name)
{
    const std::filesystem::path exact = folder / name;
    if (pathKind(exact) != PathKind::Missing)
        return exact;

    std::error_code ec;
    std::filesystem::path best;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (equalsNoCase(entry, name) && (best.empty() || entry < best.filename().string()))
            best = it->path();
    }
    return best.empty() ? exact : best;
}

PathKind pathKind(const std::filesystem::path& path, std::string* why)
{
    // stat(2) itself: std::filesystem::exists answers false for every failure to look.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return PathKind::Missing;
        if (why)
            *why = std::strerror(errno);
        return PathKind::Unknown;
    }
    if (S_ISREG(info.st_mode))
        return PathKind::File;
    if (S_ISDIR(info.st_mode))
        return PathKind::Folder;
    return PathKind::Other;
}

bool isPresent(const std::filesystem::path& file)
{
    std::string why;
    switch (pathKind(file, &why)) {
    case PathKind::Missing:
        return false;
    case PathKind::Unknown:
        throw Error("Cannot read file \"" + file.string() + "\". " + why);
    default:
        return true;
    }
}

} // namespace cravent
