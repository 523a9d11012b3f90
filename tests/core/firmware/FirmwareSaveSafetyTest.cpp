// The new firmware on a full file system and under a composition killed mid-save.

#include "core/common/Error.h"
#include "support/SyntheticMaster.h"
#include "core/firmware/BankWindow.h"
#include "core/firmware/Composition.h"
#include "support/HostileDisk.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace cravent;
using namespace cravent::firmware;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct FirmwareProject {
    test::TempDir dir;
    fs::path master = dir / "MASTER" / "QF40231.sx";
    fs::path project = dir / "PROJECTS" / "P1";
    fs::path newFirmware = project / "New_QF40231.sx";
    CompositionInputs inputs{master, project / "bin", "New_QF40231.sx", project,
                             banksOfGatewayModel(3)};

    void banks(char fill)
    {
        test::writeText(project / "bin" / "bank1.bin", std::string(BankSize, fill));
        test::writeText(project / "bin" / "bank2.bin", std::string(BankSize, fill + 1));
    }
};

} // namespace

TEST(FirmwareSaveSafety, ACompositionOntoAFullDiskKeepsTheEarlierFirmware)
{
    FirmwareProject p;
    test::writeText(p.master, test::syntheticMaster(18));
    fs::create_directories(p.project);
    const int result = test::inMountNamespace([&] {
        return test::saveOnFullDisk(
            p.project,
            [&] {
                p.banks('a');
                test::writeText(p.newFirmware, "S0030000FC\r\nS9030000FC\r\n");
            },
            [&] { composeFirmware(p.inputs); }, p.newFirmware);
    });
    if (result < 0)
        GTEST_SKIP() << "mount namespaces or tmpfs mounts are not allowed here";
    EXPECT_EQ(result, 0) << "1: reported success, 2: message, 3: old file changed, 4: leftover";
}

TEST(FirmwareSaveSafety, AKilledCompositionOfALargeMasterLeavesTheOldOrTheNewFirmwareWhole)
{
    FirmwareProject p;
    test::writeText(p.master, test::syntheticMaster(120)); // about 4.8 MB
    p.banks('a');
    composeFirmware(p.inputs);
    const std::string oldFirmware = test::readText(p.newFirmware);
    p.banks('x');
    const auto start = std::chrono::steady_clock::now();
    composeFirmware(p.inputs);
    const auto oneRun = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    const std::string newFirmware = test::readText(p.newFirmware);
    ASSERT_NE(oldFirmware, newFirmware);

    // Kills spread over the first compositions of the child (slower than ours, as it starts
    // cold): reading, merging, writing, and the rewrite of an equal file.
    test::killWhileWriting(
        24, 4 * oneRun + 5ms, [&] { test::writeText(p.newFirmware, oldFirmware); },
        [&] { composeFirmware(p.inputs); },
        [&](int round) {
            const std::string now = test::readText(p.newFirmware);
            ASSERT_TRUE(now == oldFirmware || now == newFirmware)
                << "round " << round << ": " << now.size() << " bytes";
            test::leftoversIn(p.project, {"New_QF40231.sx", "new_qf40231.sx"});
            // The bank lookup of the next composition never takes a leftover for a bank.
            test::leftoversIn(p.project / "bin", {"bank1.bin", "bank2.bin"});
        });
    composeFirmware(p.inputs);
    EXPECT_TRUE(test::leftoversIn(p.project, {}).empty()) << "the next composition cleans up";
}
