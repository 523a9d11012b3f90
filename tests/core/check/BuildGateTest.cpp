// The one rule by which a build goes on after the check, for the command line, the window and
// the production batch alike.

#include "core/check/BuildGate.h"
#include "support/SmallProject.h"

#include <gtest/gtest.h>

using namespace cravent;
using check::Finding;
using check::Severity;

namespace {

TEST(BuildGate, AnErrorOfAnyCodeStopsTheBuildAndNotesAreNotShown)
{
    const Finding note{Severity::Note, "unmapped-frame", "RCobDef.xml", 1, "n"};
    const Finding warning{Severity::Warning, "port-range", "pargen.xml", std::nullopt, "w"};
    const Finding range{Severity::Error, "cobid-range", "RCobDef.xml", 2, "e"};
    const Finding refused{Severity::Error, "build-refused", "TCobDef.xml", 1, "r"};
    const struct {
        const char* name;
        std::vector<Finding> findings;
        bool goesOn;
        std::vector<Finding> shown;
        bool warnings;
    } cases[] = {
        {"nothing found", {}, true, {}, false},
        {"notes only", {note}, true, {}, false},
        {"a warning", {note, warning}, true, {warning}, true},
        {"an error of the check", {warning, range, note}, false, {warning, range}, true},
        // The builder's own refusal stops the build as well: it is an error like any other.
        {"the builder's refusal", {refused}, false, {refused}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const check::BuildGate gate = check::buildGate(c.findings);
        EXPECT_EQ(gate.goesOn, c.goesOn);
        EXPECT_EQ(gate.shown, c.shown);
        EXPECT_EQ(gate.findings, c.findings);
        EXPECT_EQ(gate.hasWarnings(), c.warnings);
    }
    EXPECT_EQ(check::buildGate({range, warning, refused}).errorLines(),
              "RCobDef.xml:2: error: e  [cobid-range]\nTCobDef.xml:1: error: r  [build-refused]");
}

// A 2.0B project with a COB-ID that has the bits above 29 set: the check stops the build.
TEST(BuildGate, ACobIdBeyond29BitsInA2_0BProjectStopsTheBuild)
{
    test::TempDir dir;
    test::SmallProject project;
    project.canType = "1";
    project.rx[0].cobId = "0x3FFFFFFF";
    project.writeTo(dir / "P");
    const check::BuildGate gate = check::buildGate(dir / "P");
    EXPECT_FALSE(gate.goesOn);
    ASSERT_FALSE(gate.shown.empty());
    EXPECT_EQ(gate.shown.front().code, "cobid-range");
    EXPECT_EQ(gate.shown.front().row, 1u);

    test::SmallProject sound;
    sound.writeTo(dir / "Q");
    EXPECT_TRUE(check::buildGate(dir / "Q").goesOn);
    EXPECT_TRUE(check::buildGate(dir / "Q").shown.empty());
}

} // namespace
