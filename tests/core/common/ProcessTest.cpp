// The one launcher: what a started program inherits, what its caller chooses for it and what a
// detached start leaves behind. How a collected run ends is shown through its callers.

#include "core/common/Process.h"

#include "core/common/Descriptor.h"
#include "support/TempDir.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace cravent::process {
namespace {

using namespace std::chrono_literals;
using test::TempDir;
using test::writeText;

std::filesystem::path script(const TempDir& dir, const std::string& name, const std::string& body)
{
    return test::writeScript(dir / name, body);
}

// A folder for the started program, and a descriptor of ours that is deliberately not
// close-on-exec, with the shell line that tells whether the program was given it.
struct StartedProgram : ::testing::Test {
    TempDir dir;
    Descriptor ours{::open(dir.path().c_str(), O_RDONLY)};

    void SetUp() override { ASSERT_TRUE(ours.valid()); }
    std::string inheritanceCheck() const
    {
        return "[ -e /proc/self/fd/" + std::to_string(ours.get()) +
               " ] && echo leaked || echo closed";
    }
};

TEST_F(StartedProgram, RunsWithLimitsNoInputAndNoneOfOurDescriptors)
{
    const auto helper = script(dir, "limits",
                               "ulimit -v; ulimit -c; ulimit -t\n"
                               "if read line; then echo input; else echo no input; fi\n" +
                                   inheritanceCheck() + "\necho \"$1|$2\"");
    RunLimits limits;
    limits.memoryBytes = 256u << 20;
    limits.timeout = 4s;
    const RunResult run =
        runAndCollect({helper, {"first arg", "$HOME;x"}, std::nullopt, {}}, limits);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "262144\n0\n5\nno input\nclosed\nfirst arg|$HOME;x\n");
}

TEST(CollectedRun, FolderEnvironmentAndStandardErrorAreTheCallersChoice)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "work");
    // A bare name is found in PATH; the environment given is the whole environment.
    const Command command{"sh",
                          {"-c", "pwd; echo \"[$CHOSEN][$HOME]\"; echo oops >&2"},
                          std::vector<std::string>{"CHOSEN=yes"},
                          dir / "work"};
    const RunResult discarded = runAndCollect(command, {});
    EXPECT_EQ(discarded.exitCode, 0);
    EXPECT_EQ(discarded.output, (dir / "work").string() + "\n[yes][]\n");
    const RunResult collected = runAndCollect(command, {}, ErrorOutput::Collected);
    EXPECT_EQ(collected.output, (dir / "work").string() + "\n[yes][]\noops\n");
    EXPECT_EQ(runAndCollect({"sh", {"-c", "true"}, std::nullopt, dir / "gone"}, {}).startError,
              ENOENT);
    EXPECT_EQ(runAndCollect({"no-such-program-anywhere", {}, std::nullopt, {}}, {}).startError,
              ENOENT);
}

TEST_F(StartedProgram, DetachedOutlivesTheCallInASessionOfItsOwnWithOnlyTheStandardStreams)
{
    const auto program = script(dir, "detached",
                                "while [ ! -e go ]; do sleep 0.02; done\n"
                                "argument=$1; set -- $(cat /proc/$$/stat)\n" // 6th: the session
                                "{ " +
                                    inheritanceCheck() +
                                    "; [ \"$6\" = $$ ] && echo leader; echo \"$argument\"; }"
                                    " > report.tmp\nmv report.tmp report");
    EXPECT_EQ(startDetached({program, {"one argument"}, std::nullopt, dir.path()}), 0);
    ours.close();
    // The call has returned while the program still waits: it was not waited for.
    EXPECT_FALSE(std::filesystem::exists(dir / "report"));
    writeText(dir / "go", "");
    for (int i = 0; i < 1000 && !std::filesystem::exists(dir / "report"); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(test::readText(dir / "report"), "closed\nleader\none argument\n");

    EXPECT_EQ(startDetached({dir / "missing", {}, std::nullopt, dir.path()}), ENOENT);
    EXPECT_EQ(startDetached({program, {}, std::nullopt, dir / "gone"}), ENOENT);
}

TEST(Descriptor, ClosesOnceAndHandsOverOnMove)
{
    PipeEnds ends;
    ASSERT_EQ(openPipe(ends), 0);
    const int fd = ends.write.get();
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    Descriptor moved(std::move(ends.write));
    EXPECT_FALSE(ends.write.valid());
    EXPECT_EQ(moved.get(), fd);
    EXPECT_EQ(moved.close(), 0);
    EXPECT_EQ(moved.close(), 0); // nothing left to close
    EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
    char byte = 0;
    EXPECT_EQ(::read(ends.read.get(), &byte, 1), 0); // the only writer is gone
}

} // namespace
} // namespace cravent::process
