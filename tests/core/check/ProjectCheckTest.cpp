#include "core/check/ProjectCheck.h"
#include "core/common/Error.h"
#include "core/image/ImageBuilder.h"
#include "core/image/ProjectBuild.h"
#include "support/SmallProject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>

using namespace cravent;
using check::Finding;
using check::Severity;
using test::SmallProject;

namespace {

// What a finding is, without its wording; the wording is checked by a fragment.
struct Expected {
    Severity severity;
    std::string code;
    std::string file;
    std::optional<std::size_t> row;
    std::string fragment; // must stand in the message
};

std::string describe(const std::vector<Finding>& findings)
{
    std::ostringstream out;
    for (const Finding& f : findings)
        out << "\n  " << check::compilerLine(f);
    return out.str();
}

struct Case {
    const char* name;
    std::function<void(SmallProject&)> change;
    std::vector<Expected> expected;
};

constexpr auto E = Severity::Error;
constexpr auto W = Severity::Warning;
constexpr auto N = Severity::Note;

std::vector<Case> cases()
{
    return {
        {"a clean project", [](SmallProject&) {}, {}},
        // Refusals of the build, in its own words.
        {"a COB-ID that is not integer text",
         [](SmallProject& p) { p.rx[1].cobId = "abc"; },
         {{E, "build-refused", "RCobDef.xml", 2, "row 2, attribute \"CobID\": 'abc' is not a valid integer value"}}},
        {"a frame without its data length",
         [](SmallProject& p) { p.rxText = "<COBID><row CobID=\"0x181\" Mnemonic=\"\"/><row CobID=\"0x182\" Dimensin=\"4\" Mnemonic=\"\"/></COBID>"; },
         {{E, "build-refused", "RCobDef.xml", 1, "attribute \"Dimensin\" is missing"}}},
        {"settings without a port",
         [](SmallProject& p) { p.pargenText = "<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType><ADD_IP IPB1=\"192\" IPB2=\"168\" IPB3=\"0\" IPB4=\"30\"/><SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"255\" SMB4=\"0\"/></GeneralParameter>"; },
         {{E, "build-refused", "pargen.xml", std::nullopt, "element \"Port\" is missing"}}},
        {"a frame list that is not XML",
         [](SmallProject& p) { p.txText = "<COBID><row"; },
         {{E, "build-refused", "TCobDef.xml", std::nullopt, "Cannot read file"}}},
        {"a 2.0A COB-ID above 2047",
         [](SmallProject& p) { p.rx[0].cobId = "0x800"; },
         {{E, "cobid-range", "RCobDef.xml", 1, "COB-ID 0x800 is outside 0 to 2047"}}},
        {"a 2.0B COB-ID above 0x1FFFFFFF",
         [](SmallProject& p) { p.canType = "1"; p.tx[0].cobId = "0x20000000"; },
         {{E, "cobid-range", "TCobDef.xml", 1, "outside 0 to 0x1FFFFFFF"}}},
        {"more map rows than the transmit register map holds",
         [](SmallProject& p) {
             p.txMap.clear();
             for (int i = 0; i < 3722; ++i)
                 p.txMap.push_back({std::to_string(1000 + i), "1", "18"});
         },
         {{E, "too-many-rows", "TInfoCob.xml", 3722, "3722 rows, more than the 3721"}}},
        // What the device will misread.
        {"a COB-ID received twice",
         [](SmallProject& p) { p.rx.push_back({"0x181", "8", "Again"}); },
         {{W, "duplicate-rx-cobid", "RCobDef.xml", 1, "the device uses row 3, the last one, and row 1 never receives data"},
          {N, "unmapped-frame", "RCobDef.xml", 3, "frame 3 (COB-ID 0x181)"}}},
        {"a COB-ID transmitted twice, written two ways",
         [](SmallProject& p) { p.tx.push_back({"513", "2", ""}); p.txMap.push_back({"101", "2", "18"}); },
         {{W, "duplicate-tx-cobid", "TCobDef.xml", 2, "COB-ID 0x201 is also transmitted in row 1"}}},
        {"a data length of 9",
         [](SmallProject& p) { p.rx[1].length = "9"; },
         {{W, "data-length", "RCobDef.xml", 2, "data length 9 is outside 1 to 8"}}},
        {"a data length of 0",
         [](SmallProject& p) { p.tx[0].length = "0"; },
         {{W, "data-length", "TCobDef.xml", 1, "the device is given 0 data bytes"}}},
        {"a map row on frame 0",
         [](SmallProject& p) { p.rxMap[1].nrPdo = "0"; },
         {{N, "unmapped-frame", "RCobDef.xml", 2, "frame 2 (COB-ID 0x182)"},
          {W, "frame-number", "RInfoCob.xml", 2, "NrPdo 0 names no frame"}}},
        {"a map row beyond the frame list",
         [](SmallProject& p) { p.rxMap[1].nrPdo = "3"; },
         {{N, "unmapped-frame", "RCobDef.xml", 2, ""},
          {W, "frame-number", "RInfoCob.xml", 2, "NrPdo 3 lies beyond the 2 received frames"}}},
        {"a map row on frame 257",
         [](SmallProject& p) { p.rxMap[1].nrPdo = "257"; },
         {{N, "unmapped-frame", "RCobDef.xml", 2, ""},
          {W, "frame-number", "RInfoCob.xml", 2, "keeps its low 8 bits, frame 1, a different frame"}}},
        {"a register index above 65535",
         [](SmallProject& p) { p.rxMap[1].index = "0x10005"; },
         {{W, "register-range", "RInfoCob.xml", 2, "serves it as register 5 (0x0005)"}}},
        {"two rows on register 0 after the 16-bit cut",
         [](SmallProject& p) { p.rxMap[1].index = "0x10000"; },
         {{W, "register-range", "RInfoCob.xml", 2, "register 0 (0x0000)"},
          {W, "duplicate-register", "RInfoCob.xml", 2, "register 0 (0x0000) is also mapped in row 1 (after its cut to 16 bits)"}}},
        {"one register written two ways",
         [](SmallProject& p) { p.txMap.push_back({"0x64", "1", "33"}); },
         {{W, "duplicate-register", "TInfoCob.xml", 2, "register 100 (0x0064) is also mapped in row 1"}}},
        {"a byte selection of byte 9",
         [](SmallProject& p) { p.rxMap[0].posComp = "0x91"; },
         {{W, "byte-selection", "RInfoCob.xml", 1, "takes the high byte from byte 9"}}},
        {"a byte selection above 255",
         [](SmallProject& p) { p.rxMap[0].posComp = "274"; },
         {{W, "byte-selection", "RInfoCob.xml", 1, "keeps its low 8 bits, 18"}}},
        {"bytes B7 and B8 of a 4-byte frame",
         [](SmallProject& p) { p.rxMap[1].posComp = "0x78"; },
         {{W, "byte-beyond-length", "RInfoCob.xml", 2, "the high byte from B7 and the low byte from B8, but frame 2 (COB-ID 0x182) carries 4 data bytes"}}},
        {"a register fed by no byte",
         [](SmallProject& p) { p.txMap[0].posComp = "0"; },
         {{W, "empty-byte-selection", "TInfoCob.xml", 1, "register 100 (0x0064) carries nothing"}}},
        {"port 70000",
         [](SmallProject& p) { p.port = "70000"; },
         {{W, "port-range", "pargen.xml", std::nullopt, "the device stores 4464"}}},
        {"port 0",
         [](SmallProject& p) { p.port = "0"; },
         {{W, "port-range", "pargen.xml", std::nullopt, "no Modbus TCP client can reach it"}}},
        {"an octet of 300",
         [](SmallProject& p) { p.ip[3] = "300"; },
         {{W, "octet-range", "pargen.xml", std::nullopt, "IPB4 is 300, outside 0 to 255: the device stores 44"}}},
        {"a mask octet of 256",
         [](SmallProject& p) { p.mask[2] = "256"; },
         {{W, "octet-range", "pargen.xml", std::nullopt, "subnet mask octet SMB3 is 256, outside 0 to 255: the device stores 0"}}},
        {"a mask with a hole",
         [](SmallProject& p) { p.mask = {"255", "0", "255", "0"}; },
         {{W, "subnet-mask", "pargen.xml", std::nullopt, "255.0.255.0 is not contiguous"}}},
        {"IP address 0.0.0.0",
         [](SmallProject& p) { p.ip = {"0", "0", "0", "0"}; },
         {{W, "ip-address", "pargen.xml", std::nullopt, "IP address 0.0.0.0"}}},
        {"the network address",
         [](SmallProject& p) { p.ip[3] = "0"; },
         {{W, "ip-address", "pargen.xml", std::nullopt, "192.168.0.0 is the network address"}}},
        {"the broadcast address",
         [](SmallProject& p) { p.ip[3] = "255"; },
         {{W, "ip-address", "pargen.xml", std::nullopt, "192.168.0.255 is the broadcast address"}}},
        {"no bit rate selected",
         [](SmallProject& p) { p.baudRate = "-1"; },
         {{W, "bit-rate", "pargen.xml", std::nullopt, "bit-rate code 0"}}},
        {"a bit rate outside the list",
         [](SmallProject& p) { p.baudRate = "9"; },
         {{W, "bit-rate", "pargen.xml", std::nullopt, "bit-rate code 10, which names no bit rate"}}},
        {"CAN type 2",
         [](SmallProject& p) { p.canType = "2"; },
         {{W, "can-type", "pargen.xml", std::nullopt, "its low 8 bits (2) select the CAN 2.0B layout"}}},
        {"CAN type 256",
         [](SmallProject& p) { p.canType = "256"; },
         {{W, "can-type", "pargen.xml", std::nullopt, "its low 8 bits (0) select the CAN 2.0A layout"}}},
        {"frames without settings",
         [](SmallProject& p) { p.pargenText = ""; },
         {{W, "missing-settings", "pargen.xml", std::nullopt, "no pargen.xml"}}},
        {"a frame without a register",
         [](SmallProject& p) { p.txMapText = ""; },
         {{N, "unmapped-frame", "TCobDef.xml", 1, "frame 1 (COB-ID 0x201) has no register in TInfoCob.xml"}}},
        {"one register on both sides",
         [](SmallProject& p) { p.txMap[0].index = "1"; },
         {{N, "register-both-directions", "RInfoCob.xml", 2, "register 1 (0x0001) is used on both sides: here for received data and in TInfoCob.xml row 1"}}},
    };
}

} // namespace

TEST(ProjectCheckTest, EachProjectGetsExactlyItsFindings)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        SmallProject project;
        c.change(project);
        project.writeTo(dir.path());
        const std::vector<Finding> found = check::checkProject(dir.path());
        ASSERT_EQ(found.size(), c.expected.size()) << describe(found);
        for (std::size_t k = 0; k < found.size(); ++k) {
            const Expected& e = c.expected[k];
            EXPECT_EQ(found[k].severity, e.severity) << describe(found);
            EXPECT_EQ(found[k].code, e.code) << describe(found);
            EXPECT_EQ(found[k].file, e.file) << describe(found);
            EXPECT_EQ(found[k].row, e.row) << describe(found);
            EXPECT_NE(found[k].message.find(e.fragment), std::string::npos) << describe(found);
        }
    }
}

// The check says the build will stop exactly when it does, with the build's own words.
TEST(ProjectCheckTest, ErrorsAreThoseOfTheBuild)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        SmallProject project;
        c.change(project);
        project.writeTo(dir.path());
        const auto found = check::checkProject(dir.path());
        std::optional<std::string> buildError;
        try {
            (void)image::BuildConfigImage(dir.path(), image::BuildMoment{});
        } catch (const Error& error) {
            buildError = error.what();
        }
        // A 2.0B COB-ID beyond 29 bits is built, but no bus carries it: an error of the check alone.
        const bool refusals = std::any_of(found.begin(), found.end(), [](const Finding& f) {
            return f.severity == Severity::Error && f.code != "cobid-range";
        }) || std::any_of(found.begin(), found.end(), [](const Finding& f) {
            return f.code == "cobid-range" && f.message.find("2.0A") != std::string::npos;
        });
        EXPECT_EQ(refusals, buildError.has_value()) << describe(found);
        const auto refused = std::find_if(found.begin(), found.end(), [](const Finding& f) {
            return f.code == "build-refused";
        });
        if (refused != found.end()) {
            EXPECT_EQ(refused->message, buildError.value_or("")) << describe(found);
        }
    }
}

TEST(ProjectCheckTest, AnEmptyProjectHasNothingToSay)
{
    test::TempDir dir;
    EXPECT_EQ(check::checkProject(dir.path()), std::vector<Finding>{});
}

TEST(ProjectCheckTest, SettingsFoundWhateverTheCaseOfTheirName)
{
    test::TempDir dir;
    SmallProject project;
    project.pargenText = "";
    project.port = "70000";
    project.writeTo(dir.path());
    test::writeText(dir / "Pargen.xml", project.settings());
    const auto found = check::checkProject(dir.path());
    ASSERT_EQ(found.size(), 1u) << describe(found);
    EXPECT_EQ(found[0].file, "Pargen.xml");
    EXPECT_EQ(found[0].code, "port-range");
}

TEST(ProjectCheckTest, CompilerLines)
{
    EXPECT_EQ(check::compilerLine({W, "duplicate-register", "RInfoCob.xml", 12, "two rows"}),
              "RInfoCob.xml:12: warning: two rows  [duplicate-register]");
    EXPECT_EQ(check::compilerLine({E, "build-refused", "pargen.xml", std::nullopt, "no port"}),
              "pargen.xml: error: no port  [build-refused]");
    // A refusal the build could not place in a file.
    EXPECT_EQ(check::compilerLine({E, "build-refused", "", std::nullopt, "gone"}),
              "error: gone  [build-refused]");
    EXPECT_EQ(check::summaryText({1, 2, 0}), "1 error, 2 warnings, 0 notes");
    EXPECT_EQ(check::summaryText({0, 1, 1}), "0 errors, 1 warning, 1 note");
}
