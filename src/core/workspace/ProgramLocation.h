#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace cravent {

// What the choice of the program folder reads from the environment of the process.
struct UserEnvironment {
    std::string dataHome; // $XDG_DATA_HOME; ignored unless it is an absolute path
    std::string home;     // $HOME, else the home folder of the user's account

    static UserEnvironment current();
};

// The program folder of one run and why it is that one.
struct ProgramLocation {
    enum class Kind {
        Chosen,    // --app-dir
        Portable,  // the executable's own folder, which the user may write
        Installed, // the user's data folder: $XDG_DATA_HOME/cravent
    };
    std::filesystem::path appDir;
    Kind kind;
};

// The program folder for an executable in `executableDir`. A folder given with --app-dir wins.
// The executable's folder serves when the user may write it, unless it is the bin folder of an
// install prefix (its parent holds the share/cravent folder that the package installs). An
// installed program keeps its folder in $XDG_DATA_HOME/cravent (~/.local/share/cravent).
// Throws Error when an installed program finds neither $XDG_DATA_HOME nor a home folder.
ProgramLocation locateProgramFolder(const std::filesystem::path& executableDir,
                                    const std::optional<std::filesystem::path>& appDirOption,
                                    const UserEnvironment& environment);

// locateProgramFolder(), and for an installed program the folder is created with MASTER and
// PROJECTS inside, as at a first start. A folder that cannot be created is left to the
// operations that use it, which report the file and the reason.
std::filesystem::path openProgramFolder(const std::filesystem::path& executableDir,
                                        const std::optional<std::filesystem::path>& appDirOption,
                                        const UserEnvironment& environment);

} // namespace cravent
