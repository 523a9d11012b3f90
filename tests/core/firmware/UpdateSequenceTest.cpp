// "Up date Device" as the command line and the window both walk it: the check and its review,
// the banks, then the composition, its summary and the flasher.

#include "core/common/FileLookup.h"
#include "core/firmware/Flasher.h"
#include "core/firmware/UpdateSequence.h"
#include "support/SmallProject.h"
#include "support/SyntheticMaster.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace cravent;
namespace fs = std::filesystem;

namespace {

struct UpdateSequence : ::testing::Test {
    test::TempDir dir;
    fs::path master = dir / "MASTER" / "QF40231.sx";
    fs::path project = dir / "P1";
    int reviews = 0;

    void SetUp() override { test::writeText(master, test::syntheticMaster(18)); }

    firmware::PreparedUpdate prepare(const test::SmallProject& content, bool answer)
    {
        content.writeTo(project);
        fs::create_directories(project / "bin"); // as New project makes it
        return firmware::prepareUpdate(ProjectFolder(project), master,
                                       [&](const check::BuildGate&) {
                                           ++reviews;
                                           return answer;
                                       });
    }
};

TEST_F(UpdateSequence, TheReviewIsAskedOnlyWhenTheCheckShowsSomethingAndErrorsAlwaysStop)
{
    test::SmallProject sound;
    test::SmallProject warned;
    warned.port = "70000"; // stored as 4464
    test::SmallProject wrong;
    wrong.rx[0].cobId = "0x800"; // beyond 11 bits in a 2.0A project
    const struct {
        const char* name;
        const test::SmallProject* content;
        bool answer;
        int reviews;
        bool built;
    } cases[] = {
        {"nothing found", &sound, false, 0, true},
        {"a warning, built anyway", &warned, true, 1, true},
        {"a warning, cancelled", &warned, false, 1, false},
        {"an error, whatever the answer", &wrong, true, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(project);
        reviews = 0;
        const firmware::PreparedUpdate prepared = prepare(*c.content, c.answer);
        EXPECT_EQ(reviews, c.reviews);
        EXPECT_EQ(prepared.built, c.built);
        EXPECT_EQ(isPresent(project / "bin" / "bank1.bin"), c.built);
        if (c.built) {
            EXPECT_EQ(prepared.composition.newFirmwarePath(), project / "New_QF40231.sx");
        }
    }
}

TEST_F(UpdateSequence, TheSecondStepComposesSumsUpAndSaysWhenTheFlasherCannotStart)
{
    const firmware::PreparedUpdate prepared = prepare(test::SmallProject{}, true);
    ASSERT_TRUE(prepared.built);
    firmware::FinishOptions options;
    options.appDir = dir / "no-flasher-here";
    const firmware::FinishedUpdate composed = firmware::finishUpdate(prepared.composition, options);
    EXPECT_EQ(composed.newFirmware, project / "New_QF40231.sx");
    EXPECT_NE(composed.summary.find("192.168.0.30"), std::string::npos) << composed.summary;
    EXPECT_FALSE(composed.flasherFailure);

    options.port = 2;
    const firmware::FinishedUpdate flashed = firmware::finishUpdate(prepared.composition, options);
    EXPECT_EQ(flashed.flasherFailure, std::string(firmware::text::FlasherNotFound));
    EXPECT_TRUE(isFile(flashed.newFirmware)) << "the firmware stands when the flasher does not";
    EXPECT_EQ(flashed.summary, composed.summary);
}

} // namespace
