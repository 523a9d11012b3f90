// decode writes a whole project or nothing: on a full disk and when killed, the target folder
// ends as it was, whether it was missing, empty or held files of the user's.

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/image/DeviceConfiguration.h"
#include "core/image/ImageBuilder.h"
#include "core/image/ProjectRecovery.h"
#include "ImageTestSupport.h"
#include "support/HostileDisk.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <set>

using namespace cravent;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::set<std::string> ProjectEntries = {"pargen.xml", "RCobDef.xml", "TCobDef.xml",
                                              "RInfoCob.xml", "TInfoCob.xml", "bin"};

image::DeviceConfiguration someConfiguration()
{
    test::ImageProject project;
    project.settings();
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 0; i < 200; ++i)
        rows.push_back({std::to_string(0x100 + i), "8"});
    project.receive(rows);
    project.transmit(rows);
    return image::readConfiguration(image::BuildConfigImage(project.path(), {2026, 12, 10, 10, 42, 18}));
}

// The names in `folder`, the atomic writer's leftovers apart.
std::set<std::string> entriesOf(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (!isAtomicWriteLeftover(entry.path()))
            names.insert(entry.path().filename().string());
    return names;
}

// Every entry of `folder`, leftovers included.
std::set<std::string> allEntriesOf(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

const struct Target {
    const char* what;
    const char* folder;              // below the mount point
    std::vector<const char*> before; // files the folder holds; nullptr folder: none, missing
    bool exists;
} Targets[] = {
    {"a missing folder", "P", {}, false},
    {"a missing folder below a missing one", "new/P", {}, false},
    {"an empty folder", "P", {}, true},
    {"a folder of the user's files", "P", {"notes.txt", "old.sx"}, true},
};

} // namespace

TEST(DecodeSafety, ADecodeOntoAFullDiskLeavesTheFolderAsItWas)
{
    const image::DeviceConfiguration config = someConfiguration();
    for (const Target& t : Targets) {
        SCOPED_TRACE(t.what);
        test::TempDir dir;
        const fs::path mount = dir / "disk";
        fs::create_directories(mount);
        const fs::path target = mount / t.folder;
        const int result = test::inMountNamespace([&] {
            std::set<std::string> before;
            const int outcome = test::saveOnFullDisk(
                mount,
                [&] {
                    if (t.exists)
                        fs::create_directories(target);
                    for (const char* name : t.before)
                        test::writeText(target / name, name);
                },
                [&] {
                    before = allEntriesOf(mount);
                    image::writeRecoveredProject(config, target);
                },
                target / "pargen.xml");
            if (outcome != 0)
                return outcome;
            if (allEntriesOf(mount) != before) {
                fprintf(stderr, "an entry was added or removed beside the target\n");
                return 5;
            }
            if (t.exists && allEntriesOf(target).size() != t.before.size()) {
                fprintf(stderr, "an entry was left in the target folder\n");
                return 6;
            }
            return 0;
        });
        if (result < 0)
            GTEST_SKIP() << "no mount namespace for a small file system (the kernel does not allow it here)";
        EXPECT_EQ(result, 0);
    }
}

// Killed at any moment, decode leaves the folder as it was or the whole project; what a kill
// in an existing folder leaves besides are the atomic writer's hidden temporary files, which no
// lookup takes for a project file and the next decode removes.
TEST(DecodeSafety, AKilledDecodeLeavesTheFolderAsItWasOrTheWholeProject)
{
    const image::DeviceConfiguration config = someConfiguration();
    for (const Target& t : Targets) {
        SCOPED_TRACE(t.what);
        test::TempDir dir;
        const fs::path target = dir / t.folder;
        const auto reset = [&] {
            fs::remove_all(dir / "new");
            fs::remove_all(target);
            if (t.exists)
                fs::create_directories(target);
            for (const char* name : t.before)
                test::writeText(target / name, name);
        };
        std::set<std::string> user;
        for (const char* name : t.before)
            user.insert(name);
        std::set<std::string> whole = user;
        whole.insert(ProjectEntries.begin(), ProjectEntries.end());
        const auto start = std::chrono::steady_clock::now();
        reset();
        image::writeRecoveredProject(config, target);
        const auto oneDecode = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start);
        int complete = 0;
        // Kills spread well past one decode, so that a loaded machine, whose forked decode and
        // its flushes take several times the one measured here, still lets some finish.
        test::killWhileWriting(
            40, std::max<std::chrono::microseconds>(6 * oneDecode, 20ms), reset,
            [&] {
                image::writeRecoveredProject(config, target);
                for (;;)
                    ::pause(); // done: the kill finds the whole project
            },
            [&](int round) {
                if (!fs::exists(target)) {
                    EXPECT_FALSE(t.exists) << "round " << round << ": the folder vanished";
                    return;
                }
                const std::set<std::string> now = entriesOf(target);
                EXPECT_TRUE(now == user || now == whole)
                    << "round " << round << ": a part of the project was left";
                if (now == whole) {
                    ++complete;
                    for (const auto& entry : fs::directory_iterator(target))
                        EXPECT_FALSE(isAtomicWriteLeftover(entry.path())) << entry.path();
                }
                if (!t.exists) {
                    EXPECT_EQ(allEntriesOf(target), now) << "round " << round;
                }
            });
        EXPECT_GT(complete, 0) << "no decode finished before its kill: the test showed little";
        // The next decode removes what a killed one left in the folder.
        reset();
        if (t.exists)
            test::writeText(target / ".RCobDef.xml.cravent-tmp-Ab12Cd", "<COBID>");
        image::writeRecoveredProject(config, target);
        EXPECT_EQ(allEntriesOf(target), whole);
    }
}
