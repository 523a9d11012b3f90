#include "support/HostileDisk.h"
#include "support/TempDir.h"
#include "core/workspace/Workspace.h"
#include "core/workspace/ProjectFolder.h"

#include <gtest/gtest.h>

using namespace cravent;
namespace fs = std::filesystem;

TEST(SettingsSaveSafety, AFullDiskAtShutDownKeepsTheRememberedProject)
{
    test::TempDir dir;
    const fs::path appDir = dir / "app";
    fs::create_directories(appDir);
    const fs::path settings = appDir / names::SettingsFile;
    const int result = test::inMountNamespace([&] {
        return test::saveOnFullDisk(
            appDir,
            [&] {
                test::writeText(settings, "[lastproj]\r\nprojectname=\\P1\r\n");
                fs::create_directories(appDir / "PROJECTS" / "A much longer project name");
            },
            [&] {
                Workspace workspace(appDir);
                workspace.startUp();
                workspace.finishOpenProject(appDir / "PROJECTS" / "A much longer project name");
                workspace.shutDown();
            },
            settings);
    });
    if (result < 0)
        GTEST_SKIP() << "mount namespaces or tmpfs mounts are not allowed here";
    EXPECT_EQ(result, 0) << "1: reported success, 2: message, 3: old file changed, 4: leftover";
}
