#include "core/common/Error.h"
#include "support/TempDir.h"
#include "core/workspace/Workspace.h"

#include <gtest/gtest.h>

using cravent::Workspace;
using cravent::test::readText;
using cravent::test::TempDir;
using cravent::test::writeText;
using Outcome = Workspace::NewProjectOutcome;
namespace fs = std::filesystem;

namespace {

std::string settingsOf(const TempDir& app)
{
    return readText(app / "Cravent_DUZ2OZIRu.ini");
}

} // namespace

TEST(Workspace, FirstStartUsesTheProjectsFolderAndRemembersAnEmptyName)
{
    TempDir app;
    Workspace ws(app.path());
    EXPECT_FALSE(ws.startUp());
    EXPECT_TRUE(fs::is_directory(app / "MASTER"));
    EXPECT_TRUE(fs::is_directory(app / "PROJECTS"));
    EXPECT_EQ(ws.MasterDir(), app / "MASTER");
    EXPECT_EQ(ws.ProjectDir(), app / "PROJECTS");
    EXPECT_EQ(ws.ProjectName(), "");
    EXPECT_EQ(ws.PargenPath(), app / "PROJECTS" / "pargen.xml");
    EXPECT_TRUE(ws.hasValidProject());
    ws.shutDown();
    EXPECT_EQ(settingsOf(app), "[lastproj]\r\nprojectname=\r\n");
}

TEST(Workspace, CreatedProjectIsRestoredAtTheNextStart)
{
    TempDir app;
    {
        Workspace ws(app.path());
        ws.startUp();
        ASSERT_EQ(ws.createProject("P1"), Outcome::Created);
        EXPECT_TRUE(fs::is_directory(app / "PROJECTS" / "P1" / "bin"));
        EXPECT_EQ(ws.ProjectName(), "/P1");
        EXPECT_EQ(ws.ProjectDir(), app / "PROJECTS" / "P1");
        EXPECT_EQ(ws.RCobDefPath(), app / "PROJECTS" / "P1" / "RCobDef.xml");
        EXPECT_EQ(ws.TCobDefPath(), app / "PROJECTS" / "P1" / "TCobDef.xml");
        ws.shutDown();
    }
    // Stored as the Windows program stores it, so one settings file serves both.
    EXPECT_EQ(settingsOf(app), "[lastproj]\r\nprojectname=\\P1\r\n");
    Workspace again(app.path());
    EXPECT_TRUE(again.startUp());
    EXPECT_EQ(again.ProjectDir(), app / "PROJECTS" / "P1");
    EXPECT_EQ(again.ProjectName(), "/P1");
}

TEST(Workspace, SettingsFileWrittenOnWindowsIsRead)
{
    TempDir app;
    fs::create_directories(app / "PROJECTS" / "P1" / "sub");
    writeText(app / "Cravent_DUZ2OZIRu.ini", "[lastproj]\r\nprojectname=\\P1\\sub\r\n");
    Workspace ws(app.path());
    EXPECT_TRUE(ws.startUp());
    EXPECT_EQ(ws.ProjectName(), "/P1/sub");
    EXPECT_EQ(ws.ProjectDir(), app / "PROJECTS" / "P1" / "sub");
}

TEST(Workspace, StaleProjectIsNotRestoredButRememberedAgain)
{
    TempDir app;
    writeText(app / "Cravent_DUZ2OZIRu.ini", "[lastproj]\r\nprojectname=\\Gone\r\n");
    Workspace ws(app.path());
    EXPECT_FALSE(ws.startUp());
    EXPECT_EQ(ws.ProjectDir(), app / "PROJECTS");
    EXPECT_EQ(ws.ProjectName(), "/Gone");
    ws.shutDown();
    EXPECT_EQ(settingsOf(app), "[lastproj]\r\nprojectname=\\Gone\r\n");
}

TEST(Workspace, NewProjectRefusesEmptyExistingAndUnsafeNames)
{
    TempDir app;
    Workspace ws(app.path());
    ws.startUp();
    fs::create_directories(app / "PROJECTS" / "Old");
    writeText(app / "PROJECTS" / "AFile", "x");
    const struct {
        const char* name;
        Outcome outcome;
        std::optional<std::string> message;
    } cases[] = {
        {"", Outcome::EmptyName, "Name project not valid"},
        {"Old", Outcome::AlreadyExists, "Name project not valid because directory already exists"},
        {"..", Outcome::UnsafeName, "Name project not valid"},
        {".", Outcome::UnsafeName, "Name project not valid"},
        {"a/b", Outcome::UnsafeName, "Name project not valid"},
        {"a\\b", Outcome::UnsafeName, "Name project not valid"},
        {"/tmp/x", Outcome::UnsafeName, "Name project not valid"},
        {"AFile", Outcome::CreateFailed, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ws.createProject(c.name), c.outcome);
        EXPECT_EQ(cravent::newProjectMessage(c.outcome), c.message);
        EXPECT_EQ(ws.ProjectDir(), app / "PROJECTS"); // the current project never changes
    }
}

TEST(Workspace, OpenProjectCases)
{
    TempDir app;
    Workspace ws(app.path());
    ws.startUp();
    const fs::path root = app / "PROJECTS";
    fs::create_directories(root / "A" / "B");

    // The projects folder itself: an empty name, files directly in it.
    EXPECT_EQ(ws.beginOpenProject(), root);
    ws.finishOpenProject(root);
    EXPECT_EQ(ws.ProjectName(), "");
    EXPECT_EQ(ws.PargenPath(), root / "pargen.xml");

    // Two levels down.
    ws.beginOpenProject();
    ws.finishOpenProject(root / "A" / "B" / "");
    EXPECT_EQ(ws.ProjectName(), "/A/B");
    EXPECT_EQ(ws.ProjectDir(), root / "A" / "B");

    // Cancelled while the folder exists: it stays, pre-selected.
    EXPECT_EQ(ws.beginOpenProject(), root / "A" / "B");
    ws.finishOpenProject(std::nullopt);
    EXPECT_EQ(ws.ProjectDir(), root / "A" / "B");
    EXPECT_EQ(ws.ProjectName(), "/A/B");
    ws.shutDown();
    Workspace next(app.path());
    EXPECT_TRUE(next.startUp());
    EXPECT_EQ(next.ProjectDir(), root / "A" / "B");

    // Cancelled after the folder was deleted: no valid project until another is chosen.
    fs::remove_all(root / "A");
    EXPECT_EQ(ws.beginOpenProject(), std::nullopt);
    ws.finishOpenProject(std::nullopt);
    EXPECT_FALSE(ws.hasValidProject());
    EXPECT_EQ(ws.ProjectName(), "");
    EXPECT_EQ(ws.PargenPath(), fs::path()); // never a path in the file-system root
    EXPECT_EQ(ws.createProject("New"), Outcome::Created);
    EXPECT_TRUE(ws.hasValidProject());
}
