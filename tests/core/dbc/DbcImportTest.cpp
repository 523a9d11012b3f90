// Frame lists and register maps proposed from a CAN database: which messages are taken, what is
// refused, and the byte selection of every kind of signal, byte by byte.

#include "core/common/Error.h"
#include "core/dbc/DbcImport.h"
#include "core/dbc/MessageFit.h"
#include "core/frames/ByteSelection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace cravent;
using namespace cravent::dbc;
using frames::CanType;

namespace {

const std::filesystem::path Fixtures = std::filesystem::path(CRAVENT_FIXTURES) / "dbc";

std::vector<std::string> namesOf(const std::vector<const Message*>& messages)
{
    std::vector<std::string> names;
    for (const Message* m : messages)
        names.push_back(m->name);
    return names;
}

std::vector<frames::TClPdo> frameList(const std::vector<std::string>& cobIds)
{
    std::vector<frames::TClPdo> list;
    for (const std::string& cobId : cobIds)
        list.emplace_back(cobId, static_cast<int>(list.size()) + 1);
    return list;
}

std::string errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

TEST(DbcSelection, TheNodeChoosesWhatItReceivesAndDoesNotSendOrWhatItSends)
{
    const Database db = readDbcFile(Fixtures / "gateway.dbc");
    const struct {
        Direction direction;
        std::optional<std::string> node;
        std::vector<std::string> names;
    } cases[] = {
        // Loopback is sent by GW and received by it: transmitted, not received.
        {Direction::Receive, "GW", {"EngineStatus", "Dashboard"}},
        {Direction::Transmit, "GW", {"GatewayCmd", "GatewayStatus", "Loopback"}},
        {Direction::Receive, "DASH", {"EngineStatus", "GatewayStatus"}},
        {Direction::Transmit, "DASH", {"Dashboard", "Diag"}},
        // Diag is sent by DASH and, by BO_TX_BU_, by ECU too.
        {Direction::Receive, "ECU", {"Dashboard", "GatewayCmd"}},
        {Direction::Transmit, "ECU", {"EngineStatus", "Diag"}},
        {Direction::Receive, std::nullopt,
         {"EngineStatus", "Dashboard", "GatewayCmd", "GatewayStatus", "Diag", "Loopback"}},
        {Direction::Transmit, std::nullopt,
         {"EngineStatus", "Dashboard", "GatewayCmd", "GatewayStatus", "Diag", "Loopback"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.node.value_or("(no node)") + (c.direction == Direction::Receive ? " rx" : " tx"));
        EXPECT_EQ(namesOf(selectMessages(db, c.direction, c.node)), c.names);
    }
    EXPECT_EQ(errorOf([&] { selectMessages(db, Direction::Receive, std::string("gw")); }),
              "Node \"gw\" is not among the nodes of the CAN database (GW, ECU, DASH)");
}

TEST(DbcFrameImport, EachMessageBecomesAFrameWithHexadecimalCobIdDlcAndName)
{
    const Database gateway = readDbcFile(Fixtures / "gateway.dbc");
    const FrameImport rx = importFrames(gateway, Direction::Receive, std::string("GW"), CanType::A);
    EXPECT_EQ(rx.frames, (std::vector<project::Frame>{{"0x181", "8", "EngineStatus"}, {"0x281", "4", "Dashboard"}}));
    EXPECT_EQ(rx.leftOut, 0u);

    const Database extended = readDbcFile(Fixtures / "extended.dbc");
    const FrameImport b = importFrames(extended, Direction::Receive, std::string("GW"), CanType::B);
    EXPECT_EQ(b.frames, (std::vector<project::Frame>{{"0x18FEF1FE", "8", "CruiseControl"},
                                                    {"0x101", "4", "PackVoltage"}}));
    EXPECT_EQ(b.misfits, (std::vector<std::string>{
                             "StandardStatus (0x100): an 11-bit identifier in a CAN 2.0B project, whose "
                             "gateway takes extended frames"}));
}

TEST(DbcFrameImport, MessagesThatDoNotFitTheProjectAreLeftOutWithTheirReason)
{
    const Database db = parseDbc("BU_: GW\n"
                                 "BO_ 4294967295 AllBits: 8 GW\n"
                                 "BO_ 3221225473 Bit30: 8 GW\n"
                                 "BO_ 2566844926 Extended: 8 GW\n"
                                 "BO_ 2147483648 ExtendedZero: 1 GW\n"
                                 "BO_ 385 Standard: 8 GW\n"
                                 "BO_ 2047 HighestStandard: 8 GW\n"
                                 "BO_ 2048 Beyond11Bits: 8 GW\n"
                                 "BO_ 386 Fd: 64 GW\n"
                                 "BO_ 387 Empty: 0 GW\n"
                                 "BO_ 388 Odd\xEF\xBF\xBFName: 8 GW\n");
    const struct {
        const char* name;
        std::optional<std::string> a, b; // the reason in a 2.0A and a 2.0B project
    } cases[] = {
        {"AllBits", "AllBits (0x7FFFFFFF, 29-bit): the written identifier 0xFFFFFFFF sets bits 29-30, which a 29-bit identifier has clear",
         "AllBits (0x7FFFFFFF, 29-bit): the written identifier 0xFFFFFFFF sets bits 29-30, which a 29-bit identifier has clear"},
        {"Bit30", "Bit30 (0x40000001, 29-bit): the written identifier 0xC0000001 sets bits 29-30, which a 29-bit identifier has clear",
         "Bit30 (0x40000001, 29-bit): the written identifier 0xC0000001 sets bits 29-30, which a 29-bit identifier has clear"},
        {"Extended", "Extended (0x18FEF1FE, 29-bit): a 29-bit identifier in a CAN 2.0A project", std::nullopt},
        {"ExtendedZero", "ExtendedZero (0x0, 29-bit): a 29-bit identifier in a CAN 2.0A project", std::nullopt},
        {"Standard", std::nullopt,
         "Standard (0x181): an 11-bit identifier in a CAN 2.0B project, whose gateway takes extended frames"},
        {"HighestStandard", std::nullopt,
         "HighestStandard (0x7FF): an 11-bit identifier in a CAN 2.0B project, whose gateway takes extended frames"},
        {"Beyond11Bits", "Beyond11Bits (0x800): identifier 0x800 does not fit 11 bits",
         "Beyond11Bits (0x800): identifier 0x800 does not fit 11 bits"},
        {"Fd", "Fd (0x182): DLC 64 is above 8 (a CAN FD frame)",
         "Fd (0x182): an 11-bit identifier in a CAN 2.0B project, whose gateway takes extended frames"},
        {"Empty", "Empty (0x183): DLC 0: a frame carries 1 to 8 bytes",
         "Empty (0x183): an 11-bit identifier in a CAN 2.0B project, whose gateway takes extended frames"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto it = std::find_if(db.messages.begin(), db.messages.end(),
                                     [&](const Message& m) { return m.name == c.name; });
        ASSERT_NE(it, db.messages.end());
        EXPECT_EQ(misfit(*it, CanType::A), c.a);
        EXPECT_EQ(misfit(*it, CanType::B), c.b);
    }

    // The frame import takes what fits and lists the rest, a name XML cannot hold among them.
    const FrameImport a = importFrames(db, Direction::Transmit, std::string("GW"), CanType::A);
    EXPECT_EQ(a.frames, (std::vector<project::Frame>{{"0x181", "8", "Standard"}, {"0x7FF", "8", "HighestStandard"}}));
    ASSERT_EQ(a.misfits.size(), 8u);
    EXPECT_EQ(a.misfits[0], *cases[0].a);
    EXPECT_EQ(a.misfits[7], "Odd\xEF\xBF\xBFName (0x184), line 11: its name holds U+FFFF, a character that "
                            "XML files cannot hold");
    const std::optional<std::string> note = misfitsMessage(a.misfits);
    EXPECT_EQ(note->rfind("8 messages do not fit this project and were left out:\n  AllBits (0x7FFFFFFF", 0), 0u) << *note;
    const FrameImport b = importFrames(db, Direction::Transmit, std::string("GW"), CanType::B);
    EXPECT_EQ(b.frames, (std::vector<project::Frame>{{"0x18FEF1FE", "8", "Extended"}, {"0x0", "1", "ExtendedZero"}}));
    EXPECT_EQ(b.misfits.size(), 8u);
}

TEST(DbcFrameImport, RefusesNamingEachMessageAndTakesNothingWhenNoneFits)
{
    const Database extended = readDbcFile(Fixtures / "extended.dbc");
    const Database fd = readDbcFile(Fixtures / "canfd.dbc");
    const Database gateway = readDbcFile(Fixtures / "gateway.dbc");
    const struct {
        const char* what;
        const Database* db;
        Direction direction;
        std::optional<std::string> node;
        CanType canType;
        std::string message;
    } cases[] = {
        {"a 29-bit identifier in a 2.0A project", &extended, Direction::Transmit, "GW", CanType::A,
         "1 message cannot be a frame of this project, so no message was taken:\n"
         "  GatewayAck (0x200, 29-bit): a 29-bit identifier in a CAN 2.0A project"},
        {"CAN FD and 11-bit identifiers in a 2.0B project", &fd, Direction::Receive, "GW", CanType::B,
         "3 messages cannot be frames of this project, so no message was taken:\n"
         "  FdBulk (0x123): an 11-bit identifier in a CAN 2.0B project, whose gateway takes extended frames\n"
         "  Classic (0x124): an 11-bit identifier in a CAN 2.0B project, whose gateway takes extended frames\n"
         "  FdShort (0x125): an 11-bit identifier in a CAN 2.0B project, whose gateway takes extended frames"},
        {"CAN FD in a 2.0A project", &fd, Direction::Receive, "GW", CanType::A, ""},
        {"a node that receives nothing", &gateway, Direction::Receive, "GW2", CanType::A,
         "Node \"GW2\" is not among the nodes of the CAN database (GW, ECU, DASH)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(errorOf([&] { importFrames(*c.db, c.direction, c.node, c.canType); }), c.message);
        if (c.message.empty()) {
            const FrameImport some = importFrames(*c.db, c.direction, c.node, c.canType);
            EXPECT_EQ(some.frames, (std::vector<project::Frame>{{"0x124", "8", "Classic"}}));
            EXPECT_EQ(some.misfits, (std::vector<std::string>{"FdBulk (0x123): DLC 64 is above 8 (a CAN FD frame)",
                                                              "FdShort (0x125): DLC 12 is above 8 (a CAN FD frame)"}));
        }
    }
    EXPECT_EQ(errorOf([] { importFrames(parseDbc("BU_: A B\n"), Direction::Transmit, std::string("B"), CanType::A); }),
              "Node \"B\" transmits no message");
    EXPECT_EQ(errorOf([] { importFrames(parseDbc("garbage\n"), Direction::Receive, std::nullopt, CanType::A); }),
              "The CAN database holds no message");
}

TEST(DbcFrameImport, MoreThan250MessagesKeepTheFirst250AndCountTheRest)
{
    std::string text = "BU_: GW\n";
    for (int i = 0; i < 260; ++i)
        text += "BO_ " + std::to_string(i + 1) + " M" + std::to_string(i) + ": 8 GW\n";
    const FrameImport imported = importFrames(parseDbc(text), Direction::Transmit, std::string("GW"), CanType::A);
    ASSERT_EQ(imported.frames.size(), 250u);
    EXPECT_EQ(imported.frames.back(), (project::Frame{"0xFA", "8", "M249"}));
    EXPECT_EQ(imported.leftOut, 10u);
    EXPECT_EQ(beyondListMessage(imported.leftOut),
              "The frame list holds 250 frames: the first 250 messages of the CAN database that fit it "
              "were imported and the 10 messages after them were left out.");
    // Nothing left out, no note.
    EXPECT_TRUE(planFrames(parseDbc("BU_: GW\nBO_ 1 M: 8 GW\n"), "db.dbc", Direction::Transmit,
                           std::string("GW"), CanType::A, {})
                    .notes.empty());
}

// One signal in an 8-byte message 0x100; what register it becomes.
TEST(DbcMapImport, ByteSelectionOfEverySignalShapeByteByByte)
{
    const struct {
        const char* signal;   // after "SG_ S "
        std::optional<int> posComp; // 16 x high + low, or left out
        const char* reason;
    } cases[] = {
        {": 0|8@1+", 0 * 16 + 1, ""},    // byte 0: low B1
        {": 24|8@1-", 0 * 16 + 4, ""},   // byte 3: low B4
        {": 56|8@1+", 0 * 16 + 8, ""},   // byte 7: low B8
        {": 7|8@0+", 0 * 16 + 1, ""},    // big-endian byte 0 (MSB bit 7): low B1
        {": 63|8@0+", 0 * 16 + 8, ""},   // big-endian byte 7: low B8
        {": 0|16@1+", 2 * 16 + 1, ""},   // little-endian from byte 0: low B1, high B2
        {": 16|16@1-", 4 * 16 + 3, ""},  // from byte 2: low B3, high B4
        {": 48|16@1+", 8 * 16 + 7, ""},  // from byte 6: low B7, high B8
        {": 7|16@0+", 1 * 16 + 2, ""},   // big-endian MSB in byte 0: high B1, low B2
        {": 23|16@0-", 3 * 16 + 4, ""},  // MSB in byte 2: high B3, low B4
        {": 55|16@0+", 7 * 16 + 8, ""},  // MSB in byte 6: high B7, low B8
        {"M : 8|8@1+", 0 * 16 + 2, ""},  // the multiplexor itself is an ordinary byte
        {"m3 : 8|8@1+", std::nullopt, "multiplexed (m3)"},
        {": 56|16@1+", std::nullopt, "lies beyond the 8 data bytes"},
        {": 63|16@0+", std::nullopt, "lies beyond the 8 data bytes"},
        {": 4|8@1+", std::nullopt, "not byte-aligned (start bit 4, little-endian)"},
        {": 0|8@0+", std::nullopt, "not byte-aligned (start bit 0, big-endian)"},
        {": 8|16@0+", std::nullopt, "not byte-aligned (start bit 8, big-endian)"},
        {": 0|1@1+", std::nullopt, "1 bit: shorter than a byte"},
        {": 0|7@1+", std::nullopt, "7 bits: shorter than a byte"},
        {": 0|12@1+", std::nullopt, "12 bits: not a whole number of bytes"},
        {": 0|32@1+", std::nullopt, "32 bits: longer than one register"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        const Database db = parseDbc(std::string("BU_: ECU GW\nBO_ 256 M: 8 ECU\n SG_ S ") + c.signal +
                                     " (1,0) [0|1] \"\" GW\n");
        ASSERT_EQ(db.warningCount, 0u);
        const MapImport proposal =
            importMap(db, Direction::Receive, std::nullopt, frameList({"0x100"}), CanType::A, 0);
        if (c.posComp) {
            ASSERT_EQ(proposal.entries[0].size(), 1u);
            EXPECT_EQ(proposal.entries[0][0].index, "0");
            EXPECT_EQ(proposal.entries[0][0].posComp, std::to_string(*c.posComp));
            EXPECT_TRUE(proposal.leftOut.empty());
        } else {
            EXPECT_TRUE(proposal.entries[0].empty());
            ASSERT_EQ(proposal.leftOut.size(), 1u);
            EXPECT_EQ(proposal.leftOut[0].rfind("M.S: ", 0), 0u) << proposal.leftOut[0];
            EXPECT_NE(proposal.leftOut[0].find(c.reason), std::string::npos) << proposal.leftOut[0];
        }
    }
    // A message of two bytes has no B3.
    const Database shortFrame = parseDbc("BO_ 256 M: 2 ECU\n SG_ S : 16|8@1+ (1,0) [0|1] \"\" GW\n");
    const MapImport proposal =
        importMap(shortFrame, Direction::Receive, std::nullopt, frameList({"0x100"}), CanType::A, 0);
    ASSERT_EQ(proposal.leftOut.size(), 1u);
    EXPECT_EQ(proposal.leftOut[0], "M.S: lies beyond the 2 data bytes of the message");
}

TEST(DbcMapImport, RegistersFollowTheFrameListByCobIdThenTheStartBits)
{
    const Database db = readDbcFile(Fixtures / "gateway.dbc");
    // The list in another order than the file, one frame the database lacks, COB-IDs typed in
    // decimal and hexadecimal.
    const auto list = frameList({"641", "0x7FF", "0x181"});
    const MapImport proposal = importMap(db, Direction::Receive, std::string("GW"), list, CanType::A, 10);
    using E = frames::TClIndMB;
    EXPECT_EQ(proposal.entries[0], (std::vector<E>{{"10", "18"}, {"11", "3"}})); // Speed, Fuel
    EXPECT_TRUE(proposal.entries[1].empty());
    // Rpm 0|16 LE, CoolantTemp 16|8, OilPressure 31|16 BE, Load 63|8 BE
    EXPECT_EQ(proposal.entries[2], (std::vector<E>{{"12", "33"}, {"13", "3"}, {"14", "69"}, {"15", "8"}}));
    EXPECT_EQ(proposal.registers, 6u);
    EXPECT_EQ(proposal.leftOut,
              (std::vector<std::string>{"Dashboard.Lamp: 1 bit: shorter than a byte",
                                        "Dashboard.Bright: 7 bits: shorter than a byte",
                                        "EngineStatus.Flags: 4 bits: shorter than a byte",
                                        "EngineStatus.Throttle: 12 bits: not a whole number of bytes"}));

    // Transmit side: multiplexed and 32-bit signals are left out; a message the list lacks is
    // listed with every signal.
    const MapImport tx =
        importMap(db, Direction::Transmit, std::string("GW"), frameList({"0x400"}), CanType::A, 0);
    EXPECT_EQ(tx.entries[0], (std::vector<E>{{"0", "1"}, {"1", "8"}})); // Mode, Counter
    EXPECT_EQ(tx.leftOut,
              (std::vector<std::string>{
                  "GatewayCmd.SetpointA: multiplexed (m0): the frame carries it only with that multiplexor value",
                  "GatewayCmd.SetpointB: multiplexed (m1): the frame carries it only with that multiplexor value",
                  "GatewayCmd.Total: 32 bits: longer than one register (16 bits)",
                  "GatewayStatus.State: its message is not in the frame list",
                  "GatewayStatus.Error: its message is not in the frame list",
                  "Loopback.LoopValue: its message is not in the frame list"}));
    const std::string note = mapNote(tx, 100);
    EXPECT_NE(note.find("2 registers were proposed, 0 to 1."), std::string::npos) << note;
    EXPECT_NE(note.find("6 signals were left out:\n  GatewayCmd.SetpointA"), std::string::npos) << note;
    EXPECT_NE(note.find("A 32-bit signal can be carried in two registers by hand"), std::string::npos);
    EXPECT_NE(mapNote(tx, 2).find("\n  ... and 4 more"), std::string::npos);
}

TEST(DbcMapImport, RepeatedCobIdsExtendedFramesAndTheFirstRegister)
{
    const Database db = readDbcFile(Fixtures / "extended.dbc");
    // 2.0B: the 29-bit frames are matched by their identifier; a repeated COB-ID gets nothing.
    const MapImport b = importMap(db, Direction::Receive, std::string("GW"),
                                  frameList({"0x18FEF1FE", "0x101", "0x18FEF1FE"}), CanType::B, 0);
    using E = frames::TClIndMB;
    EXPECT_EQ(b.entries[0], (std::vector<E>{{"0", "50"}}));               // WheelSpeed 8|16 LE: H B3, L B2
    EXPECT_EQ(b.entries[1], (std::vector<E>{{"1", "18"}, {"2", "52"}}));  // Voltage 7|16 BE, Current 23|16 BE
    EXPECT_TRUE(b.entries[2].empty());
    ASSERT_EQ(b.remarks.size(), 1u);
    EXPECT_EQ(b.remarks[0], "Frame 3 repeats COB-ID 0x18FEF1FE of frame 1: the signals of CruiseControl went to frame 1");
    // 2.0A: a 29-bit message never matches, even where its number would fit 11 bits.
    const MapImport a =
        importMap(db, Direction::Receive, std::string("GW"), frameList({"0x101", "0x100"}), CanType::A, 0);
    EXPECT_TRUE(a.entries[0].empty());
    EXPECT_EQ(a.entries[1], (std::vector<E>{{"0", "1"}}));
    EXPECT_NE(std::find(a.leftOut.begin(), a.leftOut.end(),
                        "PackVoltage.Voltage: a 29-bit identifier in a CAN 2.0A project"),
              a.leftOut.end());

    auto existing = frameList({"0x100", "0x200"});
    EXPECT_EQ(nextFreeRegister(existing), 0);
    existing[0].entries = {{"7", "1"}, {"abc", "1"}};
    existing[1].entries = {{"0x10", "1"}};
    EXPECT_EQ(nextFreeRegister(existing), 17);
    applyMap(a, existing);
    EXPECT_TRUE(existing[0].entries.empty()); // replaced whole, as a workbook import does
    EXPECT_EQ(existing[1].entries, (std::vector<E>{{"0", "1"}}));

    EXPECT_EQ(errorOf([&] { importMap(db, Direction::Receive, std::nullopt, frameList({"0x100"}), CanType::A, 65535); }),
              ""); // the last register index is still one
    EXPECT_EQ(errorOf([&] {
                  importMap(db, Direction::Receive, std::nullopt, frameList({"0x100", "0x200"}), CanType::B, 65535);
              }),
              "The registers from 65535 on would pass 65535, the highest register index");
    EXPECT_EQ(errorOf([&] { importMap(db, Direction::Receive, std::nullopt, frameList({}), CanType::A, -1); }),
              "The first register -1 is not a register index (0 to 65535)");
}

} // namespace

namespace {

// The DBC rules every import of a CAN database follows, as plan fields: the command line and the
// editors only show and apply them.
TEST(DbcImportPlans, FramePlansRefuseWithTheirCodeAndKeepFirstOnlyIntoTheProject)
{
    std::string many = "BU_: GW\n";
    for (int i = 0; i < 252; ++i)
        many += "BO_ " + std::to_string(i + 1) + " M" + std::to_string(i) + ": 8 GW\n";
    const frames::ImportOptions editor{};
    const frames::ImportOptions project{frames::ImportTarget::Project, false, false};
    const frames::ImportOptions keepFirst{frames::ImportTarget::Project, true, false};
    const struct {
        const char* name;
        std::string text;
        std::optional<std::string> node;
        frames::ImportOptions options;
        CanType canType;
        std::string code; // "" when the plan is taken
        std::size_t frames;
        std::size_t leftOut;
    } cases[] = {
        {"no message", "garbage\n", std::nullopt, editor, CanType::A, "no-messages", 0, 0},
        {"a node that sends nothing", "BU_: GW ECU\nBO_ 1 M: 8 ECU\n", "GW", {frames::ImportTarget::Editor, false, false}, CanType::A, "messages", 0, 0},
        {"29-bit into 2.0A", "BO_ 2147483905 X: 8 GW\n", std::nullopt, editor, CanType::A, "messages", 0, 0},
        {"252 messages, editor", many, "GW", editor, CanType::A, "", 250, 2},
        {"252 messages, project", many, "GW", project, CanType::A, "messages-beyond-list", 0, 0},
        {"252 messages, keep first", many, "GW", keepFirst, CanType::A, "", 250, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const frames::FrameListPlan plan =
            planFrames(parseDbc(c.text), "db.dbc", Direction::Transmit, c.node, c.canType, c.options);
        ASSERT_EQ(plan.refused(), !c.code.empty()) << (plan.refusal ? plan.refusal->text : "");
        if (plan.refusal) {
            EXPECT_EQ(plan.refusal->code, c.code);
            continue;
        }
        EXPECT_EQ(plan.list.size(), c.frames);
        EXPECT_EQ(plan.rows, plan.list);
        ASSERT_EQ(plan.notes.size(), c.leftOut > 0 ? 1u : 0u);
        if (c.leftOut > 0) {
            EXPECT_EQ(plan.notes[0].code, "messages-beyond-list");
            EXPECT_EQ(plan.notes[0].count, c.leftOut);
        }
    }
    const auto refused = planFrames(parseDbc(many), "db.dbc", Direction::Transmit,
                                    std::string("GW"), CanType::A, project);
    ASSERT_TRUE(refused.refusal);
    EXPECT_EQ(refused.refusal->remedy, frames::ImportRemedy::KeepFirst);
    EXPECT_EQ(refused.refusal->kept, 250u);
    EXPECT_EQ(planFrames(parseDbc("garbage\n"), "db.dbc", Direction::Receive, std::nullopt,
                         CanType::A, editor)
                  .refusal->text,
              "\"db.dbc\" holds no CAN message");
}

TEST(DbcImportPlans, AMapPlanWithoutRegistersIsRefusedAndItsNoteSaysWhy)
{
    const Database db = readDbcFile(Fixtures / "gateway.dbc");
    const auto none = planMap(db, "g.dbc", Direction::Receive, std::string("GW"),
                              frameList({"0x7FF"}), CanType::A, std::nullopt, 5);
    ASSERT_TRUE(none.refusal);
    EXPECT_EQ(none.refusal->code, "no-registers");
    ASSERT_EQ(none.notes.size(), 1u);
    EXPECT_EQ(none.notes[0].code, "proposal");

    auto list = frameList({"0x181", "0x281"});
    list[0].entries.emplace_back("99", "1");
    const auto plan = planMap(db, "g.dbc", Direction::Receive, std::string("GW"), list,
                              CanType::A, std::nullopt, 5);
    ASSERT_FALSE(plan.refused());
    EXPECT_GT(plan.registers, 0u);
    // From one above the highest register the frames hold.
    ASSERT_FALSE(plan.entries[0].empty());
    EXPECT_EQ(plan.entries[0].front().index, "100");
    EXPECT_EQ(planMap(db, "g.dbc", Direction::Receive, std::string("GW"), list, CanType::A, 7, 5)
                  .entries[0]
                  .front()
                  .index,
              "7");
}

TEST(DbcImportPlans, ADatabaseIsKnownByItsExtensionInAnyCase)
{
    for (const char* name : {"a.dbc", "A.DBC", "dir.x/b.Dbc"})
        EXPECT_TRUE(isDbcFile(name)) << name;
    for (const char* name : {"a.dbc.xlsx", "dbc", "a.csv", "a.dbcx"})
        EXPECT_FALSE(isDbcFile(name)) << name;
}

} // namespace
