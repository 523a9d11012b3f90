#include "support/TempDir.h"
#include "core/workspace/ProjectFolder.h"

#include <gtest/gtest.h>

using namespace cravent;
using cravent::test::TempDir;
using cravent::test::writeText;
namespace fs = std::filesystem;

TEST(ProjectFolder, FindsEachEntryWhateverItsCaseElseNamesWhereItWouldBe)
{
    TempDir dir;
    const ProjectFolder project(dir.path());
    EXPECT_EQ(project.pargen(), dir / "pargen.xml");
    EXPECT_EQ(project.bin(), dir / "bin");
    EXPECT_EQ(project.binFolder(), std::nullopt);
    EXPECT_EQ(project.bankFile(3), dir / "bin" / "bank3.bin");

    writeText(dir / "Pargen.XML", "");
    writeText(dir / "rinfocob.xml", "");
    writeText(dir / "BIN" / "BANK1.BIN", "");
    writeText(dir / "BIN" / "BankG.c", "");
    EXPECT_EQ(project.pargen(), dir / "Pargen.XML");
    EXPECT_EQ(project.mapFile(Direction::Receive), dir / "rinfocob.xml");
    EXPECT_EQ(project.frameFile(Direction::Transmit), dir / "TCobDef.xml");
    EXPECT_EQ(project.binFolder(), dir / "BIN");
    EXPECT_EQ(project.bankFile(1), dir / "BIN" / "BANK1.BIN");
    EXPECT_EQ(project.bankFile(2), dir / "BIN" / "bank2.bin");
    EXPECT_EQ(project.listing(), dir / "BIN" / "BankG.c");
    EXPECT_EQ(project.buildMark(), dir / "BIN" / "banks.mark");
    EXPECT_EQ(project.newFirmware("/elsewhere/MASTER/QF40231.sx"), dir / "New_QF40231.sx");
}

TEST(ProjectFolder, ABinThatIsNoFolderIsNoBinFolder)
{
    TempDir dir;
    writeText(dir / "Bin", "a file");
    EXPECT_EQ(ProjectFolder(dir.path()).binFolder(), std::nullopt);
}

TEST(ProjectFolder, WithoutAProjectNoEntryIsNamed)
{
    const ProjectFolder none{fs::path()};
    for (const fs::path& entry : {none.pargen(), none.frameFile(Direction::Receive), none.bin(),
                                  none.bankFile(1), none.listing(), none.buildMark(),
                                  none.newFirmware("QF40231.sx")})
        EXPECT_EQ(entry, fs::path());
    EXPECT_EQ(none.binFolder(), std::nullopt);
}

TEST(ProgramFolder, NamesItsFoldersAndHoldsOnlyWhatLiesBelowTheProjects)
{
    TempDir dir;
    const ProgramFolder program(dir / "app");
    EXPECT_EQ(program.masterFirmware(), dir / "app" / "MASTER" / "QF40231.sx");
    EXPECT_EQ(program.settingsFile(), dir / "app" / "Cravent_DUZ2OZIRu.ini");
    const fs::path root = program.projectsRoot();
    EXPECT_EQ(root, dir / "app" / "PROJECTS");
    fs::create_directories(root / "P1");
    fs::create_directories(dir / "OUT");
    fs::create_directory_symlink(dir / "OUT", root / "Out");
    const struct {
        fs::path folder;
        bool held;
    } cases[] = {
        {root, true},
        {root / "P1", true},
        {root / "P1" / "sub" / "missing", true},
        {root / "P1" / ".." / "P1", true},
        {root / ".." / ".." / "OUT", false},
        {root / "Out", false},
        {dir / "app" / "PROJECTSX", false},
        {dir / "app", false},
        {fs::path(root.string() + std::string("/P1\0x", 5)), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder.string());
        EXPECT_EQ(program.holdsProject(c.folder), c.held);
    }
}
