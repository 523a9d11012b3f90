// A production batch writes one firmware per unit and a manifest; it must never replace what it
// reads, never leave a manifest beside files it does not describe, and stay linear in the files
// the output folder already holds.

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/Sha256.h"
#include "core/firmware/ProductionBatch.h"
#include "support/HostileDisk.h"
#include "support/SmallProject.h"
#include "support/SyntheticMaster.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <sstream>
#include <unistd.h>

using namespace cravent;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

struct Batch : ::testing::Test {
    test::TempDir dir;
    fs::path project = dir / "P1";
    fs::path masterDir = dir / "M";
    fs::path master = masterDir / "QF40231.sx";
    fs::path unitsFile = dir / "units.csv";

    void SetUp() override
    {
        test::SmallProject().writeTo(project);
        test::writeText(master, test::syntheticMaster(18));
    }

    std::vector<firmware::Unit> units(const std::string& csv) const
    {
        return firmware::readUnits(csv, unitsFile.string());
    }

    std::vector<firmware::BatchOutput> run(const std::string& csv, const fs::path& out,
                                           const fs::path& from = {}) const
    {
        return firmware::runBatch(project, units(csv), from.empty() ? master : from, out,
                                  image::BuildMoment{}, unitsFile);
    }
};

} // namespace

TEST_F(Batch, AUnitsFileSavedByASpreadsheetAsUtf8CsvIsRead)
{
    // A byte order mark, CR LF line ends and a last line without one, as Excel writes them.
    const std::vector<firmware::Unit> read =
        units("\xEF\xBB\xBFname,ip\r\nU1,10.0.0.1\r\nU2,10.0.0.2");
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].name, "U1");
    EXPECT_EQ(read[1].name, "U2");
    // Only at the start: a mark inside the file is no header.
    EXPECT_THROW(units("\xEF\xBB\xBF\xEF\xBB\xBFname,ip\nU1,10.0.0.1\n"), Error);
}

TEST_F(Batch, AUnitFileThatWouldReplaceAnInputIsRefusedBeforeAnythingIsWritten)
{
    fs::create_directories(dir / "links");
    fs::create_directory_symlink(masterDir, dir / "links" / "master-folder");
    fs::create_symlink(master, dir / "master-link.sx");
    test::writeText(project / "New_QF40231.sx", "the project's own firmware\r\n");
    test::writeText(dir / "units.sx", "name,ip\r\nunits,10.0.0.2\r\n");
    const struct {
        const char* what;
        std::string csv;
        fs::path out;
        fs::path masterGiven; // empty: the master itself
        fs::path units;       // empty: units.csv
        std::string refusal;
    } cases[] = {
        {"the master", "name,ip\nA,10.0.0.1\nQF40231,10.0.0.2\n", masterDir, {}, {},
         "line 3: the firmware of unit 'QF40231' would be written as \"" +
             (masterDir / "QF40231.sx").string() + "\" over the master firmware \"" +
             master.string() + "\". Give --out another folder or the unit another name."},
        {"the master, in another case", "name,ip\nqf40231,10.0.0.2\n", masterDir, {}, {},
         "over the master firmware"},
        {"the master through a linked folder", "name,ip\nQF40231,10.0.0.2\n",
         dir / "links" / "master-folder", {}, {}, "over the master firmware"},
        {"the master through \"..\"", "name,ip\nQF40231,10.0.0.2\n", project / ".." / "M", {}, {},
         "over the master firmware"},
        {"the master given as a link", "name,ip\nQF40231,10.0.0.2\n", masterDir,
         dir / "master-link.sx", {}, "over the master firmware"},
        {"the project's firmware", "name,ip\nnew_qf40231,10.0.0.2\n", project, {}, {},
         "over the project's file"},
        {"the units file", "name,ip\nunits,10.0.0.2\n", dir.path(), {}, dir / "units.sx",
         "over the units file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        unitsFile = c.units.empty() ? dir / "units.csv" : c.units;
        const auto before = test::filesBelow(dir.path());
        try {
            run(c.csv, c.out, c.masterGiven);
            ADD_FAILURE() << "the batch replaced an input";
        } catch (const Error& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.rfind("File \"" + unitsFile.string() + "\", line ", 0), 0u) << message;
            EXPECT_NE(message.find(c.refusal), std::string::npos) << message;
        }
        EXPECT_EQ(test::filesBelow(dir.path()), before) << "a file was written";
    }
    // The manifest may not replace the units file either.
    unitsFile = dir / "out" / "manifest.csv";
    test::writeText(unitsFile, "name,ip\nA,10.0.0.1\n");
    EXPECT_THROW(
        {
            try {
                run("name,ip\nA,10.0.0.1\n", dir / "out");
            } catch (const Error& error) {
                EXPECT_NE(std::string(error.what()).find("would be written over the units file"),
                          std::string::npos)
                    << error.what();
                throw;
            }
        },
        Error);
    EXPECT_FALSE(fs::exists(dir / "out" / "A.sx"));
}

// A second batch into the same folder, killed at any point, never leaves the first batch's
// manifest beside files it no longer describes: a manifest that is there vouches for every
// file it names.
TEST_F(Batch, AKilledBatchNeverLeavesAManifestThatDoesNotMatchItsFiles)
{
    const fs::path out = dir / "out";
    std::string first = "name,ip\n";
    std::string second = "name,ip\n";
    for (int k = 1; k <= 6; ++k) {
        first += "U" + std::to_string(k) + ",10.0.0." + std::to_string(k) + "\n";
        second += "U" + std::to_string(k) + ",10.0.1." + std::to_string(k) + "\n";
    }
    const auto start = std::chrono::steady_clock::now();
    run(first, out);
    const auto oneBatch = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    int withoutManifest = 0;
    test::killWhileWriting(
        30, std::max<std::chrono::microseconds>(oneBatch * 3 / 2, 5ms), [&] { run(first, out); },
        [&] {
            run(second, out);
            for (;;)
                ::pause(); // done: the kill finds the second batch whole
        },
        [&](int round) {
            if (!fs::exists(out / firmware::ManifestName)) {
                ++withoutManifest;
                return;
            }
            std::istringstream manifest(readFile(out / firmware::ManifestName));
            std::string line;
            std::getline(manifest, line);
            while (std::getline(manifest, line)) {
                const std::string name = line.substr(0, line.find(','));
                const std::string sum = line.substr(line.rfind(',') + 1);
                EXPECT_EQ(sha256Hex(readFile(out / (name + ".sx"))), sum)
                    << "round " << round << ": the manifest does not describe " << name;
            }
        });
    std::printf("%d of 30 kills left no manifest\n", withoutManifest);
    EXPECT_GT(withoutManifest, 0) << "no kill fell within the second batch: the test showed nothing";
}

// Leftovers of a killed batch are removed by the next batch, once, whatever the folder holds.
TEST_F(Batch, LeftoversOfAKilledWriterAreRemovedAndOtherFilesKept)
{
    const fs::path out = dir / "out";
    test::writeText(out / ".A.sx.cravent-tmp-abc123", "half a firmware");
    test::writeText(out / "notes.txt", "kept");
    run("name,ip\nA,10.0.0.1\n", out);
    EXPECT_FALSE(fs::exists(out / ".A.sx.cravent-tmp-abc123"));
    EXPECT_EQ(readFile(out / "notes.txt"), "kept");
    EXPECT_TRUE(fs::exists(out / "A.sx"));
}
