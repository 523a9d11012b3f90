#include "common/Error.h"
#include "common/FileIo.h"
#include "common/FileLookup.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

using namespace cravent;
using cravent::test::readText;
using cravent::test::TempDir;
using cravent::test::writeText;
namespace fs = std::filesystem;

namespace {

// Runs `body` in a child process with its own mount namespace and returns its exit code, or -1
// when the system does not allow the namespace (the caller skips the test then).
template <typename Body>
int inMountNamespace(Body body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            ::_exit(77);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            ::_exit(77);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return 100;
    return WEXITSTATUS(status) == 77 ? -1 : WEXITSTATUS(status);
}

} // namespace

TEST(AtomicWriteSafety, FullDiskReportsTheReasonAndKeepsTheOldFileExactly)
{
    TempDir dir;
    const fs::path disk = dir / "disk";
    fs::create_directories(disk);
    const int result = inMountNamespace([&] {
        if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
            return 77;
        const fs::path file = disk / "RCobDef.xml";
        writeText(file, "<COBID/>");
        try {
            writeFileAtomically(file, std::string(1 << 20, 'x'));
            return 1; // a full disk must not look like success
        } catch (const Error& error) {
            const std::string message = error.what();
            if (message.find("No space left on device") == std::string::npos ||
                message.find(file.string()) == std::string::npos)
                return 2;
        }
        if (readText(file) != "<COBID/>")
            return 3;
        int entries = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(disk))
            ++entries;
        return entries == 1 ? 0 : 4; // no temporary file left behind
    });
    if (result < 0)
        GTEST_SKIP() << "mount namespaces are not allowed here";
    EXPECT_EQ(result, 0) << "1: reported success, 2: message, 3: old file changed, 4: leftover";
}

TEST(AtomicWriteSafety, KilledWriterLeavesTheOldOrTheNewFileWhole)
{
    TempDir dir;
    const fs::path file = dir / "bank1.bin";
    const std::string oldBytes(1 << 20, 'o');
    const std::string newBytes((1 << 20) + 7, 'n');
    std::mt19937 random(12345);

    for (int round = 0; round < 40; ++round) {
        writeText(file, oldBytes);
        const pid_t child = ::fork();
        if (child == 0) {
            for (;;)
                writeFileAtomically(file, newBytes);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        const std::string now = readText(file);
        ASSERT_TRUE(now == oldBytes || now == newBytes) << "round " << round << ": " << now.size();
        // What a kill leaves behind is never taken for a project file.
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            if (entry.path() != file) {
                EXPECT_TRUE(isAtomicWriteLeftover(entry.path())) << entry.path();
                EXPECT_EQ(findFileNoCase(dir.path(), "BANK1.BIN"), file);
                fs::remove(entry.path());
            }
        }
    }
}
