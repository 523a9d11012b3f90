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

std::string settingsOf(const fs::path& app)
{
    return readText(app / "Cravent_DUZ2OZIRu.ini");
}

std::string settingsOf(const TempDir& app)
{
    return settingsOf(app.path());
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

TEST(Workspace, ARememberedNameThatLeavesTheProjectsFolderIsNotRestoredButRememberedAgain)
{
    const struct {
        const char* what;
        std::string stored;
    } cases[] = {
        {"dot-dot", "\\..\\..\\OUT"},
        {"sibling of PROJECTS", "..\\OUT"},
        {"NUL byte", std::string("\\P1\0junk", 8)},
        {"link leading out", "\\Link"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const fs::path app = dir / "app";
        fs::create_directories(app / "PROJECTS" / "P1");
        fs::create_directories(dir / "OUT" / "bin");
        fs::create_directories(app / "OUT");
        fs::create_directory_symlink(dir / "OUT", app / "PROJECTS" / "Link");
        const std::string settings = "[lastproj]\r\nprojectname=" + c.stored + "\r\n";
        writeText(app / "Cravent_DUZ2OZIRu.ini", settings);

        Workspace ws(app);
        EXPECT_FALSE(ws.startUp());
        EXPECT_EQ(ws.ProjectDir(), app / "PROJECTS");
        ws.shutDown();
        EXPECT_EQ(settingsOf(app), settings) << "written back as it was read";
    }
}

TEST(Workspace, ANameWithBlanksOrQuotesAtItsEndsIsRestoredAsItWasCreated)
{
    for (const std::string name : {"P2 ", " P3", "P 4", "  T  ", "\"Q\"", "'R'"}) {
        SCOPED_TRACE("[" + name + "]");
        TempDir app;
        {
            Workspace ws(app.path());
            ws.startUp();
            ASSERT_EQ(ws.createProject(name), Outcome::Created);
            ws.shutDown();
        }
        Workspace again(app.path());
        EXPECT_TRUE(again.startUp());
        EXPECT_EQ(again.ProjectName(), "/" + name);
        EXPECT_EQ(again.ProjectDir(), app / "PROJECTS" / name);
    }
}

TEST(Workspace, ANameWithAControlCharacterIsRefusedAsTheSettingsFileCouldNotHoldIt)
{
    TempDir app;
    Workspace ws(app.path());
    ws.startUp();
    for (const std::string& name :
         {std::string("a\nb"), std::string("a\rb"), std::string("a\0b", 3), std::string("a\x7F")}) {
        EXPECT_EQ(ws.createProject(name), Outcome::UnsafeName);
        EXPECT_EQ(ws.ProjectDir(), app / "PROJECTS");
    }
}

namespace {

// ASCII or Latin-1 text as UTF-16 with a byte order mark.
std::string utf16(std::u16string_view text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

} // namespace

TEST(Workspace, AUtf16SettingsFileSavedOnWindowsIsReadAndWrittenBackInUtf16)
{
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        TempDir app;
        fs::create_directories(app / "PROJECTS" / "Prüfung");
        writeText(app / "Cravent_DUZ2OZIRu.ini",
                  utf16(u"[other]\r\nkey=Wert ä\r\n[lastproj]\r\nprojectname=\\Prüfung\r\n",
                        bigEndian));
        Workspace ws(app.path());
        ASSERT_TRUE(ws.startUp());
        EXPECT_EQ(ws.ProjectName(), "/Prüfung");
        ASSERT_EQ(ws.createProject("Größe"), Outcome::Created);
        ws.shutDown();
        EXPECT_EQ(settingsOf(app),
                  utf16(u"[other]\r\nkey=Wert ä\r\n[lastproj]\r\nprojectname=\\Größe\r\n",
                        bigEndian));
        Workspace again(app.path());
        EXPECT_TRUE(again.startUp());
        EXPECT_EQ(again.ProjectDir(), app / "PROJECTS" / "Größe");
    }
}

TEST(Workspace, AUtf16SettingsFileThatDoesNotDecodeIsLeftUntouchedWithAReason)
{
    TempDir app;
    fs::create_directories(app / "PROJECTS" / "P1");
    // An odd byte count: the last character is cut in half.
    const std::string damaged = utf16(u"[lastproj]\r\nprojectname=\\P1\r\n", false) + "\x41";
    writeText(app / "Cravent_DUZ2OZIRu.ini", damaged);
    Workspace ws(app.path());
    EXPECT_FALSE(ws.startUp());
    try {
        ws.shutDown();
        ADD_FAILURE() << "the write must be refused";
    } catch (const cravent::Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create file \"" + (app / "Cravent_DUZ2OZIRu.ini").string() +
                      "\". It is UTF-16 text that does not decode; it was left as it is");
    }
    EXPECT_EQ(settingsOf(app), damaged);
}
