#include "core/workspace/ProgramLocation.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"
#include "core/workspace/ProjectFolder.h"

#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace cravent {

namespace fs = std::filesystem;

namespace {

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string accountHome()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr)
        return {};
    return found->pw_dir;
}

bool installedIn(const fs::path& executableDir)
{
    // Relative to the bin folder, as the install rules lay the prefix out.
    if (isFolder(executableDir / CRAVENT_DATA_FROM_BIN))
        return true;
    return ::access(executableDir.c_str(), W_OK) != 0;
}

fs::path userDataFolder(const UserEnvironment& environment)
{
    // A relative $XDG_DATA_HOME is invalid and is ignored, as the base directory rules say.
    if (!environment.dataHome.empty() && fs::path(environment.dataHome).is_absolute())
        return environment.dataHome;
    if (environment.home.empty())
        throw Error("Cannot find the folder for Cravent's files: neither XDG_DATA_HOME nor HOME "
                    "is set");
    return fs::path(environment.home) / ".local" / "share";
}

} // namespace

UserEnvironment UserEnvironment::current()
{
    UserEnvironment environment{variable("XDG_DATA_HOME"), variable("HOME")};
    if (environment.home.empty())
        environment.home = accountHome();
    return environment;
}

ProgramLocation locateProgramFolder(const fs::path& executableDir,
                                    const std::optional<fs::path>& appDirOption,
                                    const UserEnvironment& environment)
{
    if (appDirOption)
        return {*appDirOption, ProgramLocation::Kind::Chosen};
    const fs::path dir = executableDir.empty() ? fs::current_path() : executableDir;
    if (!installedIn(dir))
        return {dir, ProgramLocation::Kind::Portable};
    return {userDataFolder(environment) / names::UserProgramFolder,
            ProgramLocation::Kind::Installed};
}

fs::path openProgramFolder(const fs::path& executableDir,
                           const std::optional<fs::path>& appDirOption,
                           const UserEnvironment& environment)
{
    const ProgramLocation location = locateProgramFolder(executableDir, appDirOption, environment);
    if (location.kind == ProgramLocation::Kind::Installed) {
        const ProgramFolder folder(location.appDir);
        std::error_code ec;
        fs::create_directories(folder.dir(), ec);
        fs::create_directory(folder.masterDir(), ec);
        fs::create_directory(folder.projectsRoot(), ec);
    }
    return location.appDir;
}

} // namespace cravent
