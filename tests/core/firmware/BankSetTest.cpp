// The bank files a composition merges must come from one build: a build killed half-way, or a
// bank file copied from another build, must not reach a device.

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/firmware/Composition.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/image/ProjectBuild.h"
#include "core/project/FrameFile.h"
#include "core/workspace/ProjectFolder.h"
#include "support/HostileDisk.h"
#include "support/SyntheticMaster.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>

using namespace cravent;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr const char* MixedMessage =
    "come from different builds. Build the banks again.";

// A project whose receive list is one of two, built with a fixed stamp.
struct TwoBuilds : ::testing::Test {
    test::TempDir dir;
    fs::path project = dir / "P1";
    fs::path master = dir / "QF40231.sx";
    std::map<std::string, std::string> first;  // bin folder after a build of list A
    std::map<std::string, std::string> second; // ... of list B

    static std::vector<project::Frame> list(bool second)
    {
        std::vector<project::Frame> frames;
        for (std::size_t i = 0; i < (second ? 120u : 3u); ++i)
            frames.push_back({std::to_string(0x100 + i), second ? "4" : "8", ""});
        return frames;
    }

    void build(bool secondList)
    {
        project::writeFrames(ProjectFolder(project).frameFile(Direction::Receive), list(secondList));
        image::buildProjectBanks(project);
    }

    std::map<std::string, std::string> binFiles() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(project / "bin"))
            if (!isAtomicWriteLeftover(entry.path()))
                files[entry.path().filename().string()] = readFile(entry.path());
        return files;
    }

    void put(const std::map<std::string, std::string>& files)
    {
        for (const auto& [name, bytes] : files)
            test::writeText(project / "bin" / name, bytes);
    }

    // The composition's message, or nothing when it composed.
    std::optional<std::string> compose() const
    {
        try {
            firmware::composeFirmware(firmware::projectComposition(
                ProjectFolder(project), master, firmware::banksOfGatewayModel(3)));
        } catch (const Error& error) {
            return std::string(error.what());
        }
        return std::nullopt;
    }

    void SetUp() override
    {
        ::setenv("SOURCE_DATE_EPOCH", "1765291072", 1);
        fs::create_directories(project / "bin");
        test::writeText(master, test::syntheticMaster(10));
        build(false);
        first = binFiles();
        build(true);
        second = binFiles();
        ASSERT_NE(first.at("bank1.bin"), second.at("bank1.bin"));
        ASSERT_NE(first.at("bank2.bin"), second.at("bank2.bin"));
    }
    void TearDown() override { ::unsetenv("SOURCE_DATE_EPOCH"); }
};

} // namespace

TEST_F(TwoBuilds, BankFilesOfTwoBuildsAreRefusedAndUnmarkedOnesTakenAsTheyAre)
{
    const struct {
        const char* what;
        std::vector<std::pair<const char*, bool>> fromFirst; // file, taken from the first build
        bool removeMark;
        const char* refusal; // nullptr: composes
    } cases[] = {
        {"one build", {}, false, nullptr},
        {"bank 2 of the earlier build", {{"bank2.bin", true}}, false, MixedMessage},
        {"bank 1 of the earlier build", {{"bank1.bin", true}}, false, MixedMessage},
        {"the earlier mark", {{"banks.mark", true}}, false, MixedMessage},
        {"no mark, one build", {}, true, nullptr},
        {"no mark, mixed by hand", {{"bank2.bin", true}}, true, nullptr},
        {"a bank that is not merged differs", {{"bank3.bin", false}}, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        put(second);
        for (const auto& [name, earlier] : c.fromFirst)
            test::writeText(project / "bin" / name,
                            earlier ? first.at(name) : std::string(image::BankSize, '\x7F'));
        if (c.removeMark)
            fs::remove(project / "bin" / "banks.mark");
        fs::remove(project / "New_QF40231.sx");
        const auto message = compose();
        if (c.refusal) {
            ASSERT_TRUE(message);
            EXPECT_NE(message->find(c.refusal), std::string::npos) << *message;
            EXPECT_EQ(message->rfind("File New Sx Not Create,Abort Procedure\nFile \"", 0), 0u)
                << *message;
            EXPECT_FALSE(fs::exists(project / "New_QF40231.sx"));
        } else {
            EXPECT_EQ(message, std::nullopt) << *message;
        }
    }
    // The mark lies beside the banks; the bank files are the image's bytes alone.
    for (int n = 1; n <= image::BankCount; ++n)
        EXPECT_EQ(second.at(names::bankFile(n)).size(), image::BankSize) << n;
}

TEST_F(TwoBuilds, AMarkThatIsNoBuildMarkIsRefused)
{
    put(second);
    test::writeText(project / "bin" / "banks.mark", "cravent build mark\r\nbank1.bin 12\r\n");
    const auto message = compose();
    ASSERT_TRUE(message);
    EXPECT_NE(message->find("is no build mark"), std::string::npos) << *message;
}

// The real build, killed at random points while it alternates two frame lists, then compose:
// whatever the kill left either composes from banks of one build or is refused. The kills fall
// within twice the time one build takes here, so that they meet every step of a build however
// fast the disk syncs.
TEST_F(TwoBuilds, AKilledBuildNeverLeavesBanksOfTwoBuildsThatCompose)
{
    const auto start = std::chrono::steady_clock::now();
    build(true);
    const auto oneBuild = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    constexpr int Rounds = 60;
    int mixed = 0;
    int refused = 0;
    test::killWhileWriting(
        Rounds, std::max<std::chrono::microseconds>(2 * oneBuild, 6ms),
        [&] {
            put(first);
            project::writeFrames(ProjectFolder(project).frameFile(Direction::Receive), list(false));
        },
        [&] {
            build(true);
            build(false);
        },
        [&](int round) {
            const auto now = binFiles();
            const auto originOf = [&](const char* name) {
                const std::string& bytes = now.at(name);
                EXPECT_TRUE(bytes == first.at(name) || bytes == second.at(name))
                    << name << " in round " << round << " is neither build's";
                return bytes == second.at(name);
            };
            const bool mixedSet = originOf("bank1.bin") != originOf("bank2.bin");
            mixed += mixedSet ? 1 : 0;
            const auto message = compose();
            if (message) {
                ++refused;
                EXPECT_NE(message->find(MixedMessage), std::string::npos)
                    << "round " << round << ": " << *message;
            } else {
                EXPECT_FALSE(mixedSet) << "round " << round << " composed banks of two builds";
            }
        });
    std::printf("one build %lld us; %d of %d kills left banks of two builds, %d compositions "
                "were refused\n",
                static_cast<long long>(oneBuild.count()), mixed, Rounds, refused);
    EXPECT_GT(mixed, 0) << "no kill fell between two bank files: the test showed nothing";
}

// Every reader of a bin folder checks the mark as the composition does: a mixed set is never
// shown, decoded, compared or served as if it were one build's.
TEST_F(TwoBuilds, EveryReaderOfABinFolderRefusesBankFilesOfTwoBuilds)
{
    const fs::path bin = project / "bin";
    const struct {
        const char* reader;
        std::function<void()> read;
    } readers[] = {
        {"inspect, decode", [&] { firmware::readConfigurationOf(bin, false); }},
        {"diff", [&] { firmware::readConfigurationOf(bin, true); }},
        {"cravent-sim", [&] { firmware::readConfigurationBanks(bin); }},
        {"the bank files", [&] { firmware::readBankFiles(bin, firmware::banksOfGatewayModel(3)); }},
    };
    const struct {
        const char* what;
        const char* fromFirst;
        const char* refusal; // nullptr: read
    } sets[] = {
        {"one build", nullptr, nullptr},
        {"bank 1 of the earlier build", "bank1.bin", "bank1.bin\" is not the one the last build wrote"},
        {"bank 2 of the earlier build", "bank2.bin", "bank2.bin\" is not the one the last build wrote"},
    };
    for (const auto& set : sets) {
        put(second);
        if (set.fromFirst)
            test::writeText(bin / set.fromFirst, first.at(set.fromFirst));
        for (const auto& r : readers) {
            SCOPED_TRACE(std::string(set.what) + " read by " + r.reader);
            try {
                r.read();
                EXPECT_EQ(set.refusal, nullptr) << "a mixed set was read";
            } catch (const Error& error) {
                ASSERT_NE(set.refusal, nullptr) << error.what();
                const std::string message = error.what();
                EXPECT_NE(message.find(set.refusal), std::string::npos) << message;
                EXPECT_NE(message.find(MixedMessage), std::string::npos) << message;
            }
        }
    }
    put(second);
    test::writeText(bin / "banks.mark", "not a mark\r\n");
    try {
        firmware::readConfigurationOf(bin, false);
        ADD_FAILURE() << "a spoilt mark was taken";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("banks.mark\" is no build mark"), std::string::npos)
            << error.what();
    }
}
