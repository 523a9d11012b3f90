// The project files on a full file system and under a writer killed mid-save.

#include "core/common/Error.h"
#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"
#include "core/project/PargenFile.h"
#include "core/workspace/ProjectFolder.h"
#include "support/HostileDisk.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace cravent;
using cravent::test::readText;
using cravent::test::TempDir;
using cravent::test::writeText;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::vector<project::Frame> manyFrames(std::size_t count)
{
    std::vector<project::Frame> list;
    for (std::size_t i = 0; i < count; ++i)
        list.push_back({"0x" + std::to_string(100 + i), "8", "Frame " + std::to_string(i)});
    return list;
}

} // namespace

TEST(ProjectSaveSafety, EverySaveOntoAFullDiskFailsWithTheReasonAndKeepsTheOldFile)
{
    const struct {
        const char* name;
        const char* old;
        std::function<void(const fs::path&)> save;
    } cases[] = {
        {"pargen.xml", "<GeneralParameter><Port>502</Port></GeneralParameter>",
         [](const fs::path& f) { project::writePargen(f, project::PargenValues{}); }},
        {"RCobDef.xml", "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"Speed\"/></COBID>",
         [](const fs::path& f) { project::writeFrames(f, manyFrames(250)); }},
        {"TInfoCob.xml", "<TInfoCob><row Index=\"0\" NrPdo=\"1\" PosComp=\"33\"/></TInfoCob>",
         [](const fs::path& f) {
             project::writeMap(f, project::TransmitMapRootName, std::vector<project::MapRow>(2000, {"1", "2", "0x12"}));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path disk = dir / "P1";
        fs::create_directories(disk);
        const fs::path file = disk / c.name;
        const int result = test::inMountNamespace([&] {
            return test::saveOnFullDisk(
                disk, [&] { writeText(file, c.old); }, [&] { c.save(file); }, file);
        });
        if (result < 0)
            GTEST_SKIP() << "mount namespaces or tmpfs mounts are not allowed here";
        EXPECT_EQ(result, 0) << "1: reported success, 2: message, 3: old file changed, 4: leftover";
    }
}

TEST(ProjectSaveSafety, AKilledSaveLeavesTheOldOrTheNewFileAndNoReadableLeftover)
{
    TempDir dir;
    const fs::path frameFile = dir / names::ReceiveFrames;
    const auto oldList = manyFrames(3);
    const auto newList = manyFrames(250);
    const std::string oldBytes = project::serialiseFrames(oldList);
    const std::string newBytes = project::serialiseFrames(newList);

    test::killWhileWriting(
        60, 30ms, [&] { writeText(frameFile, oldBytes); },
        [&] { project::writeFrames(frameFile, newList); },
        [&](int round) {
            const std::string now = readText(frameFile);
            ASSERT_TRUE(now == oldBytes || now == newBytes) << "round " << round;
            // The reader finds the project file, never a leftover, and reads it whole.
            const fs::path found = findFileNoCase(dir.path(), "rcobdef.xml");
            EXPECT_EQ(found, frameFile);
            EXPECT_EQ(project::readFrames(found).rows.size(), now == oldBytes ? 3u : 250u);
            test::leftoversIn(dir.path(), {names::ReceiveFrames, "rcobdef.xml"});
        });
    project::writeFrames(frameFile, oldList);
    EXPECT_TRUE(test::leftoversIn(dir.path(), {}).empty()) << "the next save cleans up";
}
