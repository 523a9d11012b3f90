#include "core/common/Error.h"
#include "core/firmware/Composition.h"
#include "core/firmware/Flasher.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cerrno>
#include <cstring>
#include <thread>

using namespace cravent;
using namespace cravent::firmware;
namespace fs = std::filesystem;

namespace {

// Waits for a file that a detached process writes; gives up after ten seconds.
std::string awaitFile(const fs::path& file)
{
    for (int i = 0; i < 1000 && !fs::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // let the writer finish
    return test::readText(file);
}

struct FlasherTest : ::testing::Test {
    test::TempDir app;
    fs::path firmware = app / "PROJECTS" / "P1" / "New_QF40231.sx";
    fs::path flasher = app / "VuvivOdori.exe";

    void SetUp() override
    {
        test::writeText(firmware, "S9030000FC\r\n");
        fs::create_directories(app / "MASTER");
    }

    // A stand-in flasher that waits for "go" (so the launch cannot be waiting for it), then
    // records its arguments and its working folder.
    void installRecordingFlasher()
    {
        test::writeText(flasher, "#!/bin/sh\n"
                                 "here=$(dirname \"$0\")\n"
                                 "i=0; while [ ! -e \"$here/go\" ] && [ $i -lt 500 ]; do sleep 0.02; i=$((i+1)); done\n"
                                 "printf '%s' \"$#\" > \"$here/count.tmp\"\n"
                                 "printf '%s' \"$1\" > \"$here/args.tmp\"\n"
                                 "pwd > \"$here/cwd.tmp\"\n"
                                 "mv \"$here/count.tmp\" \"$here/count\"; mv \"$here/cwd.tmp\" \"$here/cwd\"\n"
                                 "mv \"$here/args.tmp\" \"$here/args\"\n");
        fs::permissions(flasher, fs::perms::owner_all);
    }
};

} // namespace

TEST(FlasherParametersTest, QuotedPathThenPilcrowThenPortIndex)
{
    EXPECT_EQ(flasherParameters("/g/PROJECTS/P1/New_QF40231.sx", portIndexOf("COM3")),
              std::string("\"/g/PROJECTS/P1/New_QF40231.sx\"\xB6") + "2");
    for (int port = 1; port <= 8; ++port) {
        const int index = portIndexOf("COM" + std::to_string(port));
        EXPECT_EQ(index, port - 1);
        EXPECT_EQ(flasherParameters("/f", index), std::string("\"/f\"\xB6") + std::to_string(port - 1));
    }
    for (const char* wrong : {"COM0", "COM9", "com1", "", "COM10"})
        EXPECT_EQ(portIndexOf(wrong), -1) << wrong;
}

TEST_F(FlasherTest, StartsTheFlasherDetachedWithTheOneParameterInTheWorkingFolder)
{
    installRecordingFlasher();
    launchFlasher(app.path(), firmware, 7, app / "MASTER");
    // The launch has returned while the flasher still waits: it was not waited for.
    EXPECT_FALSE(fs::exists(app / "args"));
    test::writeText(app / "go", "");
    EXPECT_EQ(awaitFile(app / "args"), "\"" + firmware.string() + "\"\xB6" + "7");
    EXPECT_EQ(test::readText(app / "count"), "1");
    EXPECT_EQ(test::readText(app / "cwd"), (app / "MASTER").string() + "\n");
}

TEST_F(FlasherTest, ChecksTheFirmwareThenTheFlasher)
{
    installRecordingFlasher();
    fs::remove(firmware);
    auto message = [&] {
        try {
            launchFlasher(app.path(), firmware, 0, app / "MASTER");
        } catch (const Error& error) {
            return std::string(error.what());
        }
        return std::string("launched");
    };
    EXPECT_EQ(message(), text::SourceNotFound);
    fs::remove(flasher);
    EXPECT_EQ(message(), text::SourceNotFound);
    test::writeText(firmware, "S9030000FC\r\n");
    EXPECT_EQ(message(), text::FlasherNotFound);
    // A file that is there but cannot be looked at (a loop of links) is named with the reason.
    const auto loop = [](const fs::path& file) {
        fs::remove(file);
        fs::create_symlink(file.filename(), file);
        return "Cannot read file \"" + file.string() + "\". " + std::strerror(ELOOP);
    };
    const std::string flasherLoop = loop(flasher);
    EXPECT_EQ(message(), flasherLoop);
    EXPECT_EQ(message(), loop(firmware));
    EXPECT_FALSE(fs::exists(app / "args"));
}

TEST_F(FlasherTest, AFlasherThatCannotBeStartedIsReported)
{
    test::writeText(flasher, "MZ not a program for this system");
    fs::permissions(flasher, fs::perms::owner_read | fs::perms::owner_write);
    try {
        launchFlasher(app.path(), firmware, 0, app / "MASTER");
        FAIL() << "launched";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot start \"" + flasher.string() + "\". " +
                                                 std::strerror(EACCES));
    }
}
