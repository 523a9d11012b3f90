#include "core/firmware/FlasherLookup.h"

#include "core/common/Executable.h"
#include "core/common/FileLookup.h"
#include "core/workspace/ProjectFolder.h"

#include <cstdlib>
#include <unistd.h>

namespace cravent::firmware {

namespace fs = std::filesystem;

std::optional<fs::path> findFlasher(const fs::path& appDir, const fs::path& executableDir,
                                    std::string_view searchPath)
{
    for (const fs::path& folder : {appDir, executableDir}) {
        if (!folder.empty() && isFile(folder / names::Flasher))
            return folder / names::Flasher;
    }
    while (!searchPath.empty()) {
        const std::size_t colon = searchPath.find(':');
        const fs::path folder(searchPath.substr(0, colon));
        searchPath = colon == std::string_view::npos ? std::string_view() : searchPath.substr(colon + 1);
        const fs::path candidate = folder / names::Flasher;
        if (folder.is_absolute() && isFile(candidate) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

std::optional<fs::path> findFlasher(const fs::path& appDir)
{
    const char* path = std::getenv("PATH");
    return findFlasher(appDir, executableFolder(), path != nullptr ? path : "");
}

} // namespace cravent::firmware
