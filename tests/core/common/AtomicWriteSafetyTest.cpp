#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/FileLookup.h"
#include "support/HostileDisk.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/file.h>

using namespace cravent;
using cravent::test::readText;
using cravent::test::TempDir;
using cravent::test::writeText;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(AtomicWriteSafety, FullDiskReportsTheReasonAndKeepsTheOldFileExactly)
{
    TempDir dir;
    const fs::path disk = dir / "disk";
    fs::create_directories(disk);
    const fs::path file = disk / "RCobDef.xml";
    const int result = test::inMountNamespace([&] {
        return test::saveOnFullDisk(
            disk, [&] { writeText(file, "<COBID/>"); },
            [&] { writeFileAtomically(file, std::string(1 << 20, 'x')); }, file);
    });
    if (result < 0)
        GTEST_SKIP() << "mount namespaces or tmpfs mounts are not allowed here";
    EXPECT_EQ(result, 0) << "1: reported success, 2: message, 3: old file changed, 4: leftover";
}

TEST(AtomicWriteSafety, KilledWriterLeavesTheOldOrTheNewFileWhole)
{
    TempDir dir;
    const fs::path file = dir / "bank1.bin";
    const std::string oldBytes(1 << 20, 'o');
    const std::string newBytes((1 << 20) + 7, 'n');
    test::killWhileWriting(
        40, 20ms, [&] { writeText(file, oldBytes); },
        [&] { writeFileAtomically(file, newBytes); },
        [&](int round) {
            const std::string now = readText(file);
            ASSERT_TRUE(now == oldBytes || now == newBytes) << "round " << round << ": " << now.size();
            test::leftoversIn(dir.path(), {"BANK1.BIN"});
        });
    writeFileAtomically(file, oldBytes);
    EXPECT_TRUE(test::leftoversIn(dir.path(), {"BANK1.BIN"}).empty());
}

TEST(AtomicWriteSafety, NextSaveOfTheSameFileRemovesWhatAKilledWriterLeft)
{
    TempDir dir;
    const fs::path file = dir / "pargen.xml";
    const fs::path crashed = dir / ".pargen.xml.cravent-tmp-AbC123";
    const fs::path otherFile = dir / ".bankg.c.cravent-tmp-XyZ789";
    const fs::path writing = dir / ".pargen.xml.cravent-tmp-LiVe00";
    writeText(crashed, "<GeneralPar");
    writeText(otherFile, "const char");
    writeText(writing, "<General");
    // A writer at work holds the lock on its temporary file until the rename.
    const int live = ::open(writing.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);

    writeFileAtomically(file, "<GeneralParameter/>");

    EXPECT_FALSE(fs::exists(crashed));
    EXPECT_TRUE(fs::exists(writing)) << "the temporary file of a live writer must stay";
    EXPECT_TRUE(fs::exists(otherFile)) << "only leftovers of the saved file go";
    EXPECT_EQ(readText(file), "<GeneralParameter/>");
    ::close(live);
}
