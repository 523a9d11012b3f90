// The project check on signals.xml: what each signal will read on the Modbus side.

#include "core/check/ProjectCheck.h"
#include "core/project/SignalFile.h"
#include "support/SmallProject.h"

#include <gtest/gtest.h>

using namespace cravent;
using check::Finding;
using check::Severity;
using test::SmallProject;
using namespace cravent::signals;

namespace {

// Receive frame 1 (0x181, 8 bytes) carries register 0 with B1 high and B2 low; frame 2 (0x182,
// 4 bytes) register 1 with B3 high and B4 low.
Signal rx(std::uint32_t cobId, const char* name, unsigned start, unsigned length,
          ByteOrder order = ByteOrder::Intel)
{
    Signal s;
    s.cobId = cobId;
    s.message = "Msg";
    s.name = name;
    s.startBit = start;
    s.length = length;
    s.byteOrder = order;
    return s;
}

std::vector<Finding> signalFindings(const std::vector<Finding>& findings)
{
    std::vector<Finding> only;
    for (const Finding& f : findings)
        if (f.file == "signals.xml")
            only.push_back(f);
    return only;
}

} // namespace

TEST(SignalCheck, CarriedSignalsAddNothingToTheFindings)
{
    test::TempDir dir;
    SmallProject().writeTo(dir.path());
    const auto without = check::checkProject(dir.path());
    SignalSet set;
    set.of(Direction::Receive) = {rx(0x181, "Word", 7, 16, ByteOrder::Motorola), rx(0x182, "Flag", 19, 1),
                                  rx(0x182, "Low", 24, 8)};
    write(dir / "signals.xml", set);
    EXPECT_EQ(check::checkProject(dir.path()), without);
}

TEST(SignalCheck, EachFindingNamesTheSignalAndItsRow)
{
    test::TempDir dir;
    SmallProject().writeTo(dir.path());
    SignalSet set;
    Signal a = rx(0x181, "MuxA", 16, 4);
    a.multiplexValue = 1;
    Signal b = rx(0x181, "MuxB", 16, 4);
    b.multiplexValue = 2;
    set.of(Direction::Receive) = {
        rx(0x999, "Nowhere", 0, 8),
        rx(0x182, "Beyond", 24, 16),
        rx(0x181, "Swapped", 4, 12),
        rx(0x181, "Third", 16, 8),
        a,
        b,
    };
    write(dir / "signals.xml", set);
    const auto findings = signalFindings(check::checkProject(dir.path()));
    const struct {
        const char* code;
        std::size_t row;
        const char* message;
    } expected[] = {
        {"signal-frame-missing", 1,
         "signal Msg.Nowhere: COB-ID 0x999 is in no frame of RCobDef.xml: its value reaches no register"},
        {"signal-beyond-length", 2,
         "signal Msg.Beyond reaches bits 32-39 (B5), but frame 2 (COB-ID 0x182) carries 4 data bytes: the "
         "gateway reads 0 there"},
        {"signal-not-carried", 2,
         "signal Msg.Beyond is not carried: bits 32-39 (B5) of frame 2 (COB-ID 0x182) reach no register of "
         "RInfoCob.xml"},
        {"signal-not-carried", 3,
         "signal Msg.Swapped is not carried: its bytes reach registers of RInfoCob.xml, but not as "
         "consecutive registers that join, most significant word first, into the signal"},
        {"signal-not-carried", 4,
         "signal Msg.Third is not carried: bits 16-23 (B3) of frame 1 (COB-ID 0x181) reach no register of "
         "RInfoCob.xml"},
        {"signal-not-carried", 5, ""},
        {"signal-overlap", 5, "signals Msg.Third and Msg.MuxA (COB-ID 0x181) share bits 16-19: a value written to one changes the other"},
        {"signal-not-carried", 6, ""},
        {"signal-overlap", 6, "signals Msg.Third and Msg.MuxB (COB-ID 0x181) share bits 16-19: a value written to one changes the other"},
    };
    ASSERT_EQ(findings.size(), std::size(expected));
    for (std::size_t i = 0; i < findings.size(); ++i) {
        SCOPED_TRACE(check::compilerLine(findings[i]));
        EXPECT_EQ(findings[i].severity, Severity::Warning);
        EXPECT_EQ(findings[i].code, expected[i].code);
        EXPECT_EQ(findings[i].row, expected[i].row);
        if (*expected[i].message) {
            EXPECT_EQ(findings[i].message, expected[i].message);
        }
    }
}

TEST(SignalCheck, AnUnreadableFileIsOneWarningWithTheReadersMessage)
{
    test::TempDir dir;
    SmallProject().writeTo(dir.path());
    test::writeText(dir / "Signals.xml", "<Signals Version=\"7\"/>");
    const auto all = check::checkProject(dir.path());
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.back().code, "signals-unreadable");
    EXPECT_EQ(all.back().severity, Severity::Warning);
    EXPECT_EQ(all.back().file, "Signals.xml");
    EXPECT_NE(all.back().message.find("format version \"7\""), std::string::npos);
}
