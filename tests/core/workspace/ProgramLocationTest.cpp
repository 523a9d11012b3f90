#include "core/common/Error.h"
#include "core/workspace/ProgramLocation.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace cravent;
namespace fs = std::filesystem;

namespace {

struct ProgramLocationTest : ::testing::Test {
    test::TempDir root;
    fs::path portable = root / "Cravent";      // a folder the user unpacked
    fs::path prefix = root / "usr";            // an install prefix
    fs::path installedBin = prefix / "bin";
    UserEnvironment environment{(root / "data").string(), (root / "home").string()};

    void SetUp() override
    {
        fs::create_directories(portable);
        fs::create_directories(installedBin);
        fs::create_directories(prefix / "share" / "cravent");
    }
};

TEST_F(ProgramLocationTest, FolderFollowsTheExecutableOptionAndEnvironment)
{
    struct Case {
        const char* name;
        fs::path executableDir;
        std::optional<fs::path> option;
        UserEnvironment environment;
        fs::path expected;
        ProgramLocation::Kind kind;
    };
    const fs::path home = root / "home";
    const Case cases[] = {
        {"a writable folder of its own is the program folder", portable, {}, environment,
         portable, ProgramLocation::Kind::Portable},
        {"the bin folder of a prefix with share/cravent is installed", installedBin, {},
         environment, root / "data" / "cravent", ProgramLocation::Kind::Installed},
        {"--app-dir wins over a portable folder", portable, root / "chosen", environment,
         root / "chosen", ProgramLocation::Kind::Chosen},
        {"--app-dir wins over an installed program", installedBin, root / "chosen", environment,
         root / "chosen", ProgramLocation::Kind::Chosen},
        {"without XDG_DATA_HOME the data folder is ~/.local/share", installedBin, {},
         {"", home.string()}, home / ".local" / "share" / "cravent",
         ProgramLocation::Kind::Installed},
        {"a relative XDG_DATA_HOME is ignored", installedBin, {}, {"data", home.string()},
         home / ".local" / "share" / "cravent", ProgramLocation::Kind::Installed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramLocation location = locateProgramFolder(c.executableDir, c.option,
                                                             c.environment);
        EXPECT_EQ(location.appDir, c.expected);
        EXPECT_EQ(location.kind, c.kind);
    }
}

TEST_F(ProgramLocationTest, InstalledProgramWithoutAnyHomeFolderIsAnError)
{
    EXPECT_THROW(locateProgramFolder(installedBin, {}, {"", ""}), Error);
    // A portable folder needs no home folder.
    EXPECT_EQ(locateProgramFolder(portable, {}, {"", ""}).appDir, portable);
}

TEST_F(ProgramLocationTest, FolderTheUserMayNotWriteIsTakenAsInstalled)
{
    const fs::path system = root / "opt-bin";
    fs::create_directories(system);
    fs::permissions(root.path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(system, fs::perms::owner_read | fs::perms::owner_exec |
                                fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    // The superuser may write anywhere: judge the folder as an ordinary account would.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        const ProgramLocation location = locateProgramFolder(system, {}, environment);
        ::_exit(location.kind == ProgramLocation::Kind::Installed &&
                        location.appDir == root / "data" / "cravent"
                    ? 0
                    : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not taken as installed, 3: cannot drop privileges";
}

TEST_F(ProgramLocationTest, InstalledProgramFolderIsCreatedWithMasterAndProjects)
{
    const fs::path appDir = openProgramFolder(installedBin, {}, environment);
    EXPECT_EQ(appDir, root / "data" / "cravent");
    EXPECT_TRUE(fs::is_directory(appDir / "MASTER"));
    EXPECT_TRUE(fs::is_directory(appDir / "PROJECTS"));
    // A second start finds them and changes nothing.
    EXPECT_EQ(openProgramFolder(installedBin, {}, environment), appDir);
}

TEST_F(ProgramLocationTest, PortableAndChosenFoldersAreLeftAsTheyAre)
{
    EXPECT_EQ(openProgramFolder(portable, {}, environment), portable);
    EXPECT_EQ(openProgramFolder(installedBin, root / "chosen", environment), root / "chosen");
    EXPECT_TRUE(fs::is_empty(portable));
    EXPECT_FALSE(fs::exists(root / "chosen"));
    EXPECT_FALSE(fs::exists(root / "data"));
}

} // namespace
