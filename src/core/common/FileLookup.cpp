#include "core/common/FileLookup.h"

#include <algorithm>
#include <system_error>

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
    std::error_code ec;
    if (std::filesystem::exists(exact, ec))
        return exact;

    std::filesystem::path best;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (equalsNoCase(entry, name) && (best.empty() || entry < best.filename().string()))
            best = it->path();
    }
    return best.empty() ? exact : best;
}

} // namespace cravent
