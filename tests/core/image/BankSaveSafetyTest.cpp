// The bank files and their listing on a full file system and under a build killed mid-save.

#include "core/image/BankFiles.h"
#include "core/image/ProjectBuild.h"
#include "core/project/FrameFile.h"
#include "core/project/PargenFile.h"
#include "support/HostileDisk.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace cravent;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::vector<std::string> BuiltFiles = {"bank1.bin", "bank2.bin", "bank3.bin",
                                             "bank4.bin", "bank5.bin", "bankg.c"};

void writeProject(const fs::path& project, int port, std::size_t frameCount)
{
    fs::create_directories(project / "bin");
    project::PargenValues values;
    values.port = std::to_string(port);
    project::writePargen(project / "pargen.xml", values);
    std::vector<project::Frame> list;
    for (std::size_t i = 0; i < frameCount; ++i)
        list.push_back({std::to_string(0x100 + i), "8", ""});
    project::writeFrames(project / "RCobDef.xml", list);
}

std::map<std::string, std::string> builtFiles(const fs::path& project)
{
    std::map<std::string, std::string> files;
    for (const std::string& name : BuiltFiles)
        files[name] = test::readText(project / "bin" / name);
    return files;
}

} // namespace

TEST(BankSaveSafety, ABuildOntoAFullDiskFailsNamingTheFilesAndKeepsTheEarlierBuild)
{
    test::TempDir dir;
    const fs::path project = dir / "P1";
    fs::create_directories(project);
    const int result = test::inMountNamespace([&] {
        return test::saveOnFullDisk(
            project,
            [&] {
                writeProject(project, 502, 1);
                image::buildProjectBanks(project);
                writeProject(project, 503, 40);
            },
            [&] { image::buildProjectBanks(project); }, project / "bin" / "bank1.bin");
    });
    if (result < 0)
        GTEST_SKIP() << "mount namespaces or tmpfs mounts are not allowed here";
    EXPECT_EQ(result, 0) << "1: reported success, 2: message, 3: old file changed, 4: leftover";
}

TEST(BankSaveSafety, AKilledBuildLeavesEachBankAndTheListingOldOrNewWhole)
{
    test::TempDir dir;
    const fs::path project = dir / "P1";
    ::setenv("SOURCE_DATE_EPOCH", "1765291072", 1);
    writeProject(project, 502, 1);
    image::buildProjectBanks(project);
    const auto oldFiles = builtFiles(project);
    writeProject(project, 503, 200);
    image::buildProjectBanks(project);
    const auto newFiles = builtFiles(project);

    test::killWhileWriting(
        40, 15ms,
        [&] {
            for (const auto& [name, bytes] : oldFiles)
                test::writeText(project / "bin" / name, bytes);
        },
        [&] { image::buildProjectBanks(project); },
        [&](int round) {
            for (const std::string& name : BuiltFiles) {
                const std::string now = test::readText(project / "bin" / name);
                ASSERT_TRUE(now == oldFiles.at(name) || now == newFiles.at(name))
                    << name << " in round " << round << ": " << now.size() << " bytes";
            }
            test::leftoversIn(project / "bin", BuiltFiles);
        });
    image::buildProjectBanks(project);
    EXPECT_TRUE(test::leftoversIn(project / "bin", {}).empty()) << "the next build cleans up";
    ::unsetenv("SOURCE_DATE_EPOCH");
}
