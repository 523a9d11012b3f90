// signals.xml: what it writes reads back the same, and a hostile file is refused whole, naming
// the file, the signal element and the reason.

#include "core/common/FileError.h"
#include "core/project/SignalFile.h"
#include "core/workspace/ProjectFolder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace cravent;
using namespace cravent::signals;
using cravent::test::TempDir;
using cravent::test::writeText;
using cravent::test::readText;
namespace fs = std::filesystem;

namespace {

SignalSet sample()
{
    SignalSet set;
    Signal speed;
    speed.cobId = 0x181;
    speed.message = "Wheel";
    speed.name = "Speed";
    speed.startBit = 4;
    speed.length = 12;
    speed.factor = 0.01;
    speed.offset = -0.1;
    speed.unit = "km/h";
    speed.range = Range{0, 40.95};
    speed.comment = "Front left <&> \"wheel\"\nsecond line";
    speed.valueNames = {{4095, "Invalid"}, {0, "Stopped"}};
    Signal mux = speed;
    mux.name = "Mode";
    mux.startBit = 0;
    mux.length = 4;
    mux.factor = 1;
    mux.offset = 0;
    mux.unit.clear();
    mux.range.reset();
    mux.comment.clear();
    mux.valueNames.clear();
    mux.multiplexor = true;
    Signal temperature = speed;
    temperature.name = "Temperatur°";
    temperature.byteOrder = ByteOrder::Motorola;
    temperature.startBit = 23;
    temperature.length = 16;
    temperature.valueType = ValueType::Signed;
    temperature.multiplexValue = 3;
    temperature.unit = "°C";
    Signal real = speed;
    real.cobId = 0x1FFFFFFF;
    real.message = "Extended";
    real.name = "Ratio";
    real.startBit = 0;
    real.length = 64;
    real.valueType = ValueType::Float64;
    real.factor = 1.0 / 3.0;
    real.valueNames = {{-5, "Negative"}};
    set.of(Direction::Receive) = {mux, speed, temperature};
    set.of(Direction::Transmit) = {real};
    return set;
}

} // namespace

TEST(SignalFile, WhatIsWrittenReadsBackTheSameAndWritesTheSameBytes)
{
    TempDir dir;
    const fs::path file = dir / "signals.xml";
    const SignalSet set = sample();
    write(file, set);
    const StoredFile stored = read(file);
    EXPECT_EQ(stored.signals, set);
    EXPECT_EQ(stored.rows[0], (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(stored.rows[1], (std::vector<std::size_t>{4}));
    EXPECT_EQ(serialise(stored.signals), readText(file));
    // Numbers as short as they can be and still read back the same.
    EXPECT_NE(readText(file).find("Factor=\"0.01\" Offset=\"-0.1\""), std::string::npos);
    EXPECT_NE(readText(file).find("<Frame CobID=\"0x1FFFFFFF\" Message=\"Extended\">"), std::string::npos);
    EXPECT_EQ(serialise({}), "<Signals Version=\"1\"><Receive/><Transmit/></Signals>");
}

TEST(SignalFile, TheProjectFolderFindsItWhateverItsCase)
{
    TempDir dir;
    writeText(dir / "Signals.XML", "<Signals Version=\"1\"/>");
    EXPECT_EQ(ProjectFolder(dir.path()).signalFile(), dir / "Signals.XML");
    EXPECT_TRUE(read(ProjectFolder(dir.path()).signalFile()).signals.empty());
    EXPECT_EQ(ProjectFolder(dir.path() / "other").signalFile(), dir.path() / "other" / "signals.xml");
}

TEST(SignalFile, AHostileFileIsRefusedWholeNamingTheFileTheSignalAndTheReason)
{
    const std::string head = "<Signals Version=\"1\"><Receive><Frame CobID=\"0x181\" Message=\"Wheel\">"
                             "<Signal Name=\"Good\" StartBit=\"0\" Length=\"8\" ByteOrder=\"Intel\" "
                             "Type=\"Unsigned\" Factor=\"1\" Offset=\"0\"/>";
    const std::string tail = "</Frame></Receive></Signals>";
    const auto second = [&](const std::string& attributes) {
        return head + "<Signal Name=\"Bad\" " + attributes + "/>" + tail;
    };
    const std::string sound = "ByteOrder=\"Intel\" Type=\"Unsigned\" Factor=\"1\" Offset=\"0\"";
    const struct {
        const char* what;
        std::string text;
        std::optional<std::size_t> row;
        std::string reason;
    } cases[] = {
        {"garbage", std::string("\x01\x02\xFF<<", 5), std::nullopt, "Cannot read file"},
        {"another root", "<COBID/>", std::nullopt, "its root element is \"COBID\", not \"Signals\""},
        {"a newer version", "<Signals Version=\"2\"/>", std::nullopt,
         "format version \"2\" is not one this program reads"},
        {"no version", "<Signals/>", std::nullopt, "no attribute \"Version\""},
        {"long stray text", "<Signals Version=\"1\">" + std::string(5000, 'x') + "</Signals>", std::nullopt,
         "text \"" + std::string(40, 'x') + "...\" stands where only elements belong"},
        {"start bit -1", second("StartBit=\"-1\" Length=\"1\" " + sound), 2, "StartBit -1 is outside 0 to 63"},
        {"start bit 70", second("StartBit=\"70\" Length=\"1\" " + sound), 2, "start bit 70 is outside 0 to 63"},
        {"length 0", second("StartBit=\"0\" Length=\"0\" " + sound), 2, "length 0 is outside 1 to 64"},
        {"length 65", second("StartBit=\"0\" Length=\"65\" " + sound), 2, "length 65 is outside 1 to 64"},
        {"past bit 63, Intel", second("StartBit=\"60\" Length=\"8\" " + sound), 2,
         "the signal reaches past bit 63 of the frame (start bit 60, 8 bits, Intel)"},
        {"past bit 63, Motorola",
         second("StartBit=\"56\" Length=\"16\" ByteOrder=\"Motorola\" Type=\"Unsigned\" Factor=\"1\" Offset=\"0\""), 2,
         "the signal reaches past bit 63 of the frame (start bit 56, 16 bits, Motorola)"},
        {"factor 0", second("StartBit=\"0\" Length=\"8\" ByteOrder=\"Intel\" Type=\"Unsigned\" Factor=\"0\" Offset=\"0\""),
         2, "factor 0 would give every raw value the same physical value"},
        {"factor NaN", second("StartBit=\"0\" Length=\"8\" ByteOrder=\"Intel\" Type=\"Unsigned\" Factor=\"nan\" Offset=\"0\""),
         2, "Factor nan is not a finite number"},
        {"offset infinity", second("StartBit=\"0\" Length=\"8\" ByteOrder=\"Intel\" Type=\"Unsigned\" Factor=\"1\" Offset=\"-inf\""),
         2, "Offset -inf is not a finite number"},
        {"maximum 1e999", second("StartBit=\"0\" Length=\"8\" " + sound + " Minimum=\"0\" Maximum=\"1e999\""), 2,
         "Maximum \"1e999\" is not a number"},
        {"a float of 16 bits", second("StartBit=\"0\" Length=\"16\" ByteOrder=\"Intel\" Type=\"Float32\" Factor=\"1\" Offset=\"0\""),
         2, "a Float32 signal has 32 bits, not 16"},
        {"a range upside down", second("StartBit=\"0\" Length=\"8\" " + sound + " Minimum=\"5\" Maximum=\"1\""), 2,
         "minimum 5 lies above maximum 1"},
        {"half a range", second("StartBit=\"0\" Length=\"8\" " + sound + " Minimum=\"5\""), 2,
         "a range needs both Minimum and Maximum"},
        {"a missing attribute", second("StartBit=\"0\" " + sound), 2, "attribute \"Length\" is missing"},
        {"an unknown attribute", second("StartBit=\"0\" Length=\"8\" Lenght=\"9\" " + sound), 2,
         "has an attribute \"Lenght\" that this program does not know"},
        {"a byte order", second("StartBit=\"0\" Length=\"8\" ByteOrder=\"big\" Type=\"Unsigned\" Factor=\"1\" Offset=\"0\""), 2,
         "ByteOrder \"big\" is neither \"Intel\" nor \"Motorola\""},
        {"a signal twice", head + head.substr(head.find("<Signal ")) + tail, 2,
         "a second signal of this name in the frame with COB-ID 0x181"},
        {"a COB-ID beyond 29 bits", "<Signals Version=\"1\"><Receive><Frame CobID=\"0x20000000\" Message=\"X\"/></Receive></Signals>",
         1, "COB-ID \"0x20000000\" is not one of 0 to 0x1FFFFFFF"},
        {"both multiplexor and multiplexed", second("StartBit=\"0\" Length=\"8\" " + sound + " Multiplexor=\"1\" MultiplexValue=\"2\""),
         2, "a signal cannot be both multiplexor and multiplexed"},
        {"a value name that is no number", head.substr(0, head.size() - 2) + "><Value Raw=\"x\" Name=\"A\"/></Signal>" + tail, 1,
         "Raw \"x\" is not a whole number that fits"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const fs::path file = dir / "signals.xml";
        writeText(file, c.text);
        try {
            read(file);
            ADD_FAILURE() << "read without complaint";
        } catch (const FileError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(file.string()), std::string::npos) << message;
            EXPECT_NE(message.find(c.reason), std::string::npos) << message;
            EXPECT_EQ(e.row(), c.row) << message;
            if (c.row) {
                EXPECT_NE(message.find(", signal " + std::to_string(*c.row)), std::string::npos) << message;
            }
        } catch (const Error& e) {
            EXPECT_FALSE(c.row) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
        }
        // Refused, never rewritten: the file keeps its bytes.
        EXPECT_EQ(readText(file), c.text);
    }
}

TEST(SignalFile, AFileBeyondTheBoundIsRefusedUnread)
{
    TempDir dir;
    const fs::path file = dir / "signals.xml";
    writeText(file, "<Signals Version=\"1\"/>");
    fs::resize_file(file, (16ull << 20) + 1);
    EXPECT_THROW(read(file), Error);
}

TEST(SignalFile, SignalsTheCodecCannotReadNeverPassTheFault)
{
    Signal s;
    s.name = "S";
    s.length = 8;
    EXPECT_FALSE(signalFault(s));
    s.factor = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(signalFault(s));
    s.factor = 1;
    s.offset = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(signalFault(s));
    s.offset = 0;
    s.valueType = ValueType::Float64;
    EXPECT_EQ(signalFault(s).value_or(""), "a Float64 signal has 64 bits, not 8");
    s.valueType = ValueType::Signed;
    s.multiplexor = true;
    EXPECT_EQ(signalFault(s).value_or(""), "a multiplexor is an unsigned integer");
}
