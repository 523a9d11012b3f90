#include "core/image/BankFiles.h"

#include "core/common/Error.h"
#include "core/image/BuildMark.h"
#include "core/image/ImageBuilder.h"
#include "ImageTestSupport.h"
#include "core/image/ProjectBuild.h"
#include "core/workspace/ProjectFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace cravent;
using namespace cravent::image;
using cravent::test::bankText;
using cravent::test::ImageProject;
using cravent::test::readText;
using cravent::test::writeText;
namespace fs = std::filesystem;

namespace {

const BuildMoment Moment{2025, 12, 9, 14, 37, 52};

std::vector<std::string> crlfLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

std::string repeat(const std::string& item, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i)
        s += item;
    return s;
}

const std::string Indent(17, ' ');

std::string buildError(const fs::path& projectDir)
{
    try {
        buildProjectBanks(projectDir);
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

void makeReadOnly(const fs::path& file)
{
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
}

} // namespace

TEST(BankListing, WorkedExampleOfAProjectWithoutFiles)
{
    ImageProject project;
    const std::string listing = bankListing(BuildConfigImage(project.path(), Moment));
    EXPECT_EQ(listing.size(), 235593u);
    EXPECT_EQ(listing.size(), ListingSize);
    const auto lines = crlfLines(listing);
    ASSERT_EQ(lines.size(), 2052u);
    EXPECT_EQ(listing.find('\n'), listing.find("\r\n") + 1);
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 2052);
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\r'), 2052);

    EXPECT_EQ(lines[0], "#pragma CONST_SEG SEGMENT0");
    EXPECT_EQ(lines[1], "const char Bank1 [] = {" + repeat(" 0xFF,", 16));
    EXPECT_EQ(lines[2], Indent + repeat(" 0xFF,", 16));
    EXPECT_EQ(lines[1024], Indent + repeat(" 0x00,", 15) + " 0x00};");
    EXPECT_EQ(lines[1025], "");
    EXPECT_EQ(lines[1026], "const char Bank2 [] = {" + repeat(" 0x00,", 16));
    EXPECT_EQ(lines[2049], Indent + repeat(" 0x00,", 15) + " 0x00};");
    EXPECT_EQ(lines[2050], "");
    EXPECT_EQ(lines[2051], "#pragma CONST_SEG DEFAULT");
    // Bank 1 bytes 16016 to 16031 hold the last counts (none without settings) and the stamp.
    EXPECT_EQ(lines[1 + 1001],
              Indent + repeat(" 0x00,", 4) + " 0x19, 0x4E, 0xAE, 0xD4," + repeat(" 0x00,", 8));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t inBank = (i - 1) % 1025;
        if (i == 0 || i == 2051 || inBank == 1024)
            continue;
        const std::size_t expected = inBank == 0 ? 119 : inBank == 1023 ? 114 : 113;
        ASSERT_EQ(lines[i].size(), expected) << "line " << i + 1;
    }
}

TEST(BankListing, ListsEveryByteAsTwoUpperCaseDigits)
{
    ImageProject project;
    project.receive({{"0", "10"}, {"0xAB", "0x7F"}});
    const auto lines = crlfLines(bankListing(BuildConfigImage(project.path(), Moment)));
    // COB-ID 0 at position 0, no frame with COB-ID 1.
    EXPECT_EQ(lines[1].substr(0, 23 + 3 * 6), "const char Bank1 [] = { 0x00, 0x00, 0xFF,");
    EXPECT_EQ(lines[1026].substr(0, 23 + 6 * 6),
              "const char Bank2 [] = { 0x00, 0x00, 0x0A, 0xAB, 0x00, 0x7F,");
    // COB-ID 0xAB: index entry at offset 342 (line 21, item 6) holds position 1.
    EXPECT_EQ(lines[1 + 21], Indent + repeat(" 0xFF,", 6) + " 0x01, 0x00," + repeat(" 0xFF,", 8));
}

TEST(BankFiles, WritesFiveBanksAndReplacesThemOnTheNextBuild)
{
    ImageProject project;
    project.settings();
    project.receive({{"0x181", "8"}});
    project.transmit({{"0x201", "8"}, {"0x202", "8"}});
    const ConfigImage first = BuildConfigImage(project.path(), Moment);
    EXPECT_TRUE(WriteBankFiles(first, project.path()).empty());
    WriteBankListing(first, project.path());

    project.transmit({{"0x203", "8"}});
    const ConfigImage second = BuildConfigImage(project.path(), Moment);
    EXPECT_TRUE(WriteBankFiles(second, project.path()).empty());
    WriteBankListing(second, project.path());

    for (int n = 1; n <= BankCount; ++n)
        EXPECT_EQ(readText(project.bin(names::bankFile(n))), bankText(second, n)) << n;
    for (int n = 3; n <= BankCount; ++n)
        EXPECT_EQ(readText(project.bin(names::bankFile(n))), std::string(BankSize, '\0')) << n;
    EXPECT_EQ(readText(project.bin("bankg.c")), bankListing(second));
    EXPECT_EQ(readText(project.bin("banks.mark")), buildMarkText(second));
    // The five banks, the listing and the build mark.
    EXPECT_EQ(std::distance(fs::directory_iterator(project.dir / "bin"), fs::directory_iterator()),
              7);
}

TEST(BankFiles, ABankFileThatCannotBeWrittenDoesNotStopTheOthers)
{
    ImageProject project;
    const ConfigImage image = BuildConfigImage(project.path(), Moment);
    writeText(project.bin("bank2.bin"), "old");
    makeReadOnly(project.bin("bank2.bin"));
    fs::create_directories(project.bin("bank4.bin"));

    const auto failures = WriteBankFiles(image, project.path());
    EXPECT_EQ(
        failures,
        (std::vector<std::string>{
            "Cannot create file \"" + project.bin("bank2.bin").string() + "\". Permission denied",
            "Cannot create file \"" + project.bin("bank4.bin").string() + "\". Is a directory"}));
    EXPECT_EQ(readText(project.bin("bank2.bin")), "old");
    for (int n : {1, 3, 5})
        EXPECT_EQ(readText(project.bin(names::bankFile(n))), bankText(image, n)) << n;

    // The build as a whole does not pass a stale bank off as this one's.
    EXPECT_EQ(buildError(project.path()), failures[0] + "\n" + failures[1]);
    EXPECT_EQ(readText(project.bin("bankg.c")).size(), ListingSize);
}

TEST(ProjectBuild, WritesBanksAndListingOfTheProject)
{
    ImageProject project;
    project.settingsCanType(1);
    project.receive({{"0x1ABCD", "4"}});
    ASSERT_EQ(::setenv("SOURCE_DATE_EPOCH", "1765291072", 1), 0);
    buildProjectBanks(project.path());
    ::unsetenv("SOURCE_DATE_EPOCH");
    const ConfigImage expected = BuildConfigImage(project.path(), Moment);
    for (int n = 1; n <= BankCount; ++n)
        EXPECT_EQ(readText(project.bin(names::bankFile(n))), bankText(expected, n)) << n;
    EXPECT_EQ(readText(project.bin("bankg.c")), bankListing(expected));
}

TEST(ProjectBuild, ReadOnlyListingStopsAfterTheBankFiles)
{
    ImageProject project;
    writeText(project.bin("bankg.c"), "kept");
    makeReadOnly(project.bin("bankg.c"));
    EXPECT_EQ(buildError(project.path()),
              "Cannot create file \"" + project.bin("bankg.c").string() + "\". Permission denied");
    for (int n = 1; n <= BankCount; ++n)
        EXPECT_EQ(fs::file_size(project.bin(names::bankFile(n))), BankSize) << n;
    EXPECT_EQ(readText(project.bin("bankg.c")), "kept");
}

TEST(ProjectBuild, FailedBuildWritesNothing)
{
    ImageProject project;
    project::PargenValues values;
    values.port = "";
    project.settings(values);
    project.receive({{"0x181", "8"}});
    EXPECT_EQ(buildError(project.path()),
              "File \"" + (project.dir / "pargen.xml").string() +
                  "\", element \"Port\": '' is not a valid integer value");
    EXPECT_TRUE(fs::is_empty(project.dir / "bin"));
}

TEST(ProjectBuild, MissingBinFolderNamesEveryFile)
{
    ImageProject project;
    fs::remove(project.dir / "bin");
    const std::string message = buildError(project.path());
    std::string expected;
    for (const char* name : {"banks.mark", "bank1.bin", "bank2.bin", "bank3.bin", "bank4.bin",
                             "bank5.bin", "bankg.c"})
        expected += (expected.empty() ? "" : "\n") +
                    ("Cannot create file \"" + (project.dir / "bin" / name).string() +
                     "\". No such file or directory");
    EXPECT_EQ(message, expected);
    EXPECT_FALSE(fs::exists(project.dir / "bin"));
}

// The listing is C: the system's compiler must read it as two arrays holding the banks' bytes.
TEST(BankListing, CompilesToArraysHoldingTheBankBytes)
{
    ASSERT_EQ(std::system("cc --version >/dev/null 2>&1"), 0)
        << "no C compiler (build-essential, which scripts/install-deps.sh installs)";
    ImageProject project;
    project.settings();
    project.manyFrames(names::ReceiveFrames, 250);
    project.manyFrames(names::TransmitFrames, 250);
    project.manyRegisters(names::ReceiveMap, project::ReceiveMapRootName, 2912);
    project.manyRegisters(names::TransmitMap, project::TransmitMapRootName, 3721);
    buildProjectBanks(project.path());

    const fs::path dump = project.dir / "dump.c";
    writeText(dump,
              "#include <stdio.h>\n"
              "#include \"bin/bankg.c\"\n"
              "_Static_assert(sizeof Bank1 == 16384 && sizeof Bank2 == 16384, \"bank size\");\n"
              "static int put(const char* name, const char* bytes) {\n"
              "    FILE* f = fopen(name, \"wb\");\n"
              "    return f && fwrite(bytes, 1, 16384, f) == 16384 && fclose(f) == 0;\n"
              "}\n"
              "int main(int argc, char** argv) {\n"
              "    (void)argc;\n"
              "    return put(argv[1], Bank1) && put(argv[2], Bank2) ? 0 : 1;\n"
              "}\n");
    const std::string dir = project.dir.path().string();
    const std::string compile = "cd '" + dir + "' && cc -std=c11 -o dump dump.c 2>compile.log";
    ASSERT_EQ(std::system(compile.c_str()), 0) << readText(project.dir / "compile.log");
    ASSERT_EQ(std::system(("cd '" + dir + "' && ./dump one.bin two.bin").c_str()), 0);
    EXPECT_EQ(readText(project.dir / "one.bin"), readText(project.bin("bank1.bin")));
    EXPECT_EQ(readText(project.dir / "two.bin"), readText(project.bin("bank2.bin")));
    EXPECT_NE(readText(project.bin("bank2.bin")), std::string(BankSize, '\0'));
}
