// The CAN database reader on the committed fixtures, on statements it cannot read, and on input
// that is no CAN database at all.

#include "core/common/Error.h"
#include "core/dbc/DbcFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <random>

using namespace cravent;
using namespace cravent::dbc;

namespace {

const std::filesystem::path Fixtures = std::filesystem::path(CRAVENT_FIXTURES) / "dbc";

Database fixture(const char* name)
{
    return readDbcFile(Fixtures / name);
}

const Message* messageNamed(const Database& db, std::string_view name)
{
    for (const Message& m : db.messages)
        if (m.name == name)
            return &m;
    return nullptr;
}

const Signal* signalNamed(const Message& m, std::string_view name)
{
    for (const Signal& s : m.signalList)
        if (s.name == name)
            return &s;
    return nullptr;
}

std::string warningsOf(const Database& db)
{
    std::string text;
    for (const Warning& w : db.warnings)
        text += describe(w) + "\n";
    return text;
}

TEST(DbcReader, ReadsTheMessagesOfEveryFixtureInFileOrder)
{
    struct Expected {
        std::uint32_t id;
        bool extended;
        const char* name;
        unsigned dlc;
        const char* transmitter;
        std::size_t signals;
    };
    const struct {
        const char* file;
        std::vector<std::string> nodes;
        std::vector<Expected> messages;
    } cases[] = {
        {"gateway.dbc",
         {"GW", "ECU", "DASH"},
         {{0x181, false, "EngineStatus", 8, "ECU", 6},
          {0x281, false, "Dashboard", 4, "DASH", 4},
          {0x400, false, "GatewayCmd", 8, "GW", 5},
          {0x600, false, "GatewayStatus", 2, "GW", 2},
          {0x701, false, "Diag", 8, "DASH", 1},
          {0x500, false, "Loopback", 1, "GW", 1}}}, // VECTOR__INDEPENDENT_SIG_MSG is not a frame
        {"extended.dbc",
         {"GW", "BMS"},
         {{0x18FEF1FE, true, "CruiseControl", 8, "BMS", 2},
          {0x101, true, "PackVoltage", 4, "BMS", 2},
          {0x100, false, "StandardStatus", 2, "BMS", 1},
          {0x200, true, "GatewayAck", 1, "GW", 1}}},
        {"canfd.dbc",
         {"GW", "ECU"},
         {{0x123, false, "FdBulk", 64, "ECU", 2},
          {0x124, false, "Classic", 8, "ECU", 1},
          {0x125, false, "FdShort", 12, "ECU", 1}}},
        {"cp1252.dbc",
         {"GW", "Motor"},
         {{400, false, "Temp\u00e9rature", 2, "Motor", 2}, {401, false, "Dr\u00fccke\u00c6", 2, "Motor", 1}}},
        {"oddspacing.dbc",
         {"GW", "ECU"},
         {{512, false, "Spaced", 8, "ECU", 3}, {513, false, "Tight", 2, "ECU", 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Database db = fixture(c.file);
        EXPECT_EQ(db.warningCount, 0u) << warningsOf(db);
        EXPECT_EQ(db.nodes, c.nodes);
        ASSERT_EQ(db.messages.size(), c.messages.size());
        for (std::size_t i = 0; i < c.messages.size(); ++i) {
            const Message& m = db.messages[i];
            const Expected& e = c.messages[i];
            SCOPED_TRACE(e.name);
            EXPECT_EQ(m.id, e.id);
            EXPECT_EQ(m.extended, e.extended);
            EXPECT_EQ(m.name, e.name);
            EXPECT_EQ(m.dlc, e.dlc);
            EXPECT_EQ(m.canFd(), e.dlc > 8);
            EXPECT_EQ(m.transmitter, e.transmitter);
            EXPECT_EQ(m.signalList.size(), e.signals);
        }
    }
}

TEST(DbcReader, ReadsSignalsWithByteOrderSignMultiplexingAndReceivers)
{
    const Database gateway = fixture("gateway.dbc");
    const Database odd = fixture("oddspacing.dbc");
    const Database latin = fixture("cp1252.dbc");
    const struct {
        const Database* db;
        const char* message;
        const char* signal;
        unsigned start, length;
        bool littleEndian, isSigned;
        Multiplexing mux;
        unsigned muxValue;
        std::vector<std::string> receivers;
        double factor, offset;
        const char* unit;
    } cases[] = {
        {&gateway, "EngineStatus", "Rpm", 0, 16, true, false, Multiplexing::None, 0, {"GW", "DASH"}, 0.25, 0, "rpm"},
        {&gateway, "EngineStatus", "CoolantTemp", 16, 8, true, true, Multiplexing::None, 0, {"GW"}, 1, -40, "degC"},
        {&gateway, "EngineStatus", "OilPressure", 31, 16, false, false, Multiplexing::None, 0, {"GW"}, 0.1, 0, "kPa"},
        {&gateway, "GatewayCmd", "Mode", 0, 8, true, false, Multiplexing::Multiplexor, 0, {"ECU"}, 1, 0, ""},
        {&gateway, "GatewayCmd", "SetpointB", 8, 16, true, true, Multiplexing::Multiplexed, 1, {"ECU"}, 1, 0, ""},
        {&odd, "Spaced", "Alpha", 0, 8, true, false, Multiplexing::None, 0, {"GW"}, 1, 0, ""},
        {&odd, "Spaced", "Beta", 8, 16, false, false, Multiplexing::None, 0, {"GW", "ECU"}, 1, 0, ""},
        {&odd, "Spaced", "Gamma", 31, 8, false, false, Multiplexing::None, 0, {"GW", "ECU"}, 1, 0, ""},
        {&odd, "Tight", "Eps", 8, 8, true, false, Multiplexing::Multiplexed, 2, {"GW"}, 1, 0, ""},
        {&latin, "Temp\u00e9rature", "Huile", 0, 8, true, true, Multiplexing::None, 0, {"GW"}, 1, -40, "\u00b0C"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.message) + "." + c.signal);
        const Message* m = messageNamed(*c.db, c.message);
        ASSERT_NE(m, nullptr);
        const Signal* s = signalNamed(*m, c.signal);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->startBit, c.start);
        EXPECT_EQ(s->length, c.length);
        EXPECT_EQ(s->littleEndian, c.littleEndian);
        EXPECT_EQ(s->isSigned, c.isSigned);
        EXPECT_EQ(s->multiplexing, c.mux);
        EXPECT_EQ(s->multiplexValue, c.muxValue);
        EXPECT_EQ(s->receivers, c.receivers);
        EXPECT_DOUBLE_EQ(s->factor, c.factor);
        EXPECT_DOUBLE_EQ(s->offset, c.offset);
        EXPECT_EQ(s->unit, c.unit);
    }
}

TEST(DbcReader, KeepsMessageCommentsAlsoOverSeveralLinesAndInWindows1252)
{
    const Database gateway = fixture("gateway.dbc");
    EXPECT_EQ(messageNamed(gateway, "EngineStatus")->comment, "Engine state, every 10 ms");
    EXPECT_EQ(messageNamed(gateway, "GatewayCmd")->comment,
              "Commands of the gateway;\nthe multiplexor selects the setpoint");
    EXPECT_EQ(messageNamed(gateway, "Dashboard")->comment, "");
    EXPECT_EQ(messageNamed(fixture("oddspacing.dbc"), "Spaced")->comment,
              "comment over\n   three lines");
    EXPECT_EQ(messageNamed(fixture("cp1252.dbc"), "Temp\u00e9rature")->comment,
              "Temp\u00e9ratures du moteur, \u20ac co\u00fbt");
    EXPECT_EQ(messageNamed(fixture("extended.dbc"), "CruiseControl")->comment,
              "29-bit frame of the cruise control");
}

TEST(DbcReader, ASyntaxErrorNamesLineAndColumnAndSkipsOnlyItsStatement)
{
    const std::string good = "BO_ 100 Good: 8 ECU\n SG_ G : 0|8@1+ (1,0) [0|255] \"\" GW\n";
    const struct {
        const char* what;
        std::string text;
        std::size_t line, column;
        const char* reason;
        std::vector<std::string> messages; // what is still read
        std::size_t goodSignals;
    } cases[] = {
        {"colon missing after the message name", "BO_ 1 A 8 ECU\n" + good, 1, 9, "expected ':' after the message name",
         {"Good"}, 1},
        {"byte order 2", good + " SG_ B : 8|8@2+ (1,0) [0|1] \"\" GW\n", 3, 14, "byte order is 0 or 1", {"Good"}, 1},
        {"signal of length 0", good + " SG_ B : 8|0@1+ (1,0) [0|1] \"\" GW\n", 3, 12, "1 to 14280 bits", {"Good"}, 1},
        {"unit not closed", good + " SG_ B : 8|8@1+ (1,0) [0|1] \"kPa GW\n", 3, 29, "the quote is not closed",
         {"Good"}, 1},
        {"factor not a number", good + " SG_ B : 8|8@1+ (x,0) [0|1] \"\" GW\n", 3, 18, "expected factor", {"Good"}, 1},
        {"signal before any message", " SG_ B : 8|8@1+ (1,0) [0|1] \"\" GW\n" + good, 1, 2,
         "signal outside a message", {"Good"}, 1},
        {"the signals of an unreadable message go with it",
         "BO_ x A: 8 ECU\n SG_ B : 8|8@1+ (1,0) [0|1] \"\" GW\n" + good, 1, 5, "message identifier", {"Good"}, 1},
        {"identifier beyond 32 bits", "BO_ 99999999999 A: 8 ECU\n" + good, 1, 5, "does not fit 32 bits", {"Good"}, 1},
        {"a comment not ended by ';'", "CM_ BO_ 100 \"open\"\n" + good, 1, 19, "expected ';' after the comment",
         {"Good"}, 1},
        {"a statement not ended by ';'", "BA_ \"GenMsgCycleTime\" BO_ 100 10\n" + good, 1, 1, "not ended by ';'",
         {"Good"}, 1},
        {"binary bytes where a statement starts", "\x01\x02{{\n" + good, 1, 1, "unexpected '\\x01'", {"Good"}, 1},
        {"unknown keyword", "FOO bar\n" + good, 1, 1, "unknown keyword 'FOO'", {"Good"}, 1},
        {"mark that is no multiplexing", good + " SG_ B x7 : 8|8@1+ (1,0) [0|1] \"\" GW\n", 3, 8,
         "multiplexing mark", {"Good"}, 1},
        {"column counts characters, not bytes", "BO_ 1 \xc3\xa9t\xc3\xa9 8 ECU\n" + good, 1, 11,
         "expected ':'", {"Good"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // The node list runs up to the next statement, BS_ here.
        const Database db = parseDbc("BU_: ECU GW\nBS_:\n" + c.text);
        ASSERT_EQ(db.warningCount, 1u) << warningsOf(db);
        EXPECT_EQ(db.warnings[0].line, c.line + 2) << warningsOf(db);
        EXPECT_EQ(db.warnings[0].column, c.column) << warningsOf(db);
        EXPECT_NE(db.warnings[0].text.find(c.reason), std::string::npos) << warningsOf(db);
        std::vector<std::string> names;
        for (const Message& m : db.messages)
            names.push_back(m.name);
        EXPECT_EQ(names, c.messages);
        if (const Message* m = messageNamed(db, "Good")) {
            EXPECT_EQ(m->signalList.size(), c.goodSignals);
        }
    }
    EXPECT_EQ(describe({3, 14, "byte order is 0 or 1"}), "Line 3, column 14: byte order is 0 or 1");
}

TEST(DbcReader, FurtherSendersOfAMessageComeFromBoTxBu)
{
    const std::string messages =
        "BU_: ECU GW DASH\nBO_ 100 A: 8 ECU\nBO_ 2147483848 B: 8 Vector__XXX\nBO_ 300 C: 8 GW\n";
    const struct {
        const char* what;
        std::string statements;
        std::vector<std::string> a, b; // the further senders of A and of B
        std::size_t warnings;
    } cases[] = {
        {"a list over lines, blanks around the commas", "BO_TX_BU_ 100 :GW ,\n DASH ;\n", {"GW", "DASH"}, {}, 0},
        {"an extended identifier as written, the main sender and Vector__XXX left out",
         "BO_TX_BU_ 2147483848 : ECU,Vector__XXX,ECU;\nBO_TX_BU_ 100 : ECU;\n", {}, {"ECU"}, 0},
        {"an identifier no message has", "BO_TX_BU_ 999 : GW;\n", {}, {}, 0},
        {"a list without commas is skipped whole", "BO_TX_BU_ 100 : GW DASH;\n", {}, {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Database db = parseDbc(messages + c.statements);
        EXPECT_EQ(db.warningCount, c.warnings) << warningsOf(db);
        ASSERT_EQ(db.messages.size(), 3u);
        EXPECT_EQ(db.messages[0].otherTransmitters, c.a);
        EXPECT_EQ(db.messages[1].otherTransmitters, c.b);
        EXPECT_TRUE(db.messages[2].otherTransmitters.empty());
    }
    const Database db = parseDbc(messages + "BO_TX_BU_ 100 : GW;\n");
    EXPECT_TRUE(db.messages[0].sentBy("ECU"));
    EXPECT_TRUE(db.messages[0].sentBy("GW"));
    EXPECT_FALSE(db.messages[0].sentBy("DASH"));
}

TEST(DbcReader, InputThatIsNoCanDatabaseIsReadWithinBoundsOrRefused)
{
    test::TempDir dir;
    // Garbage and nested braces: nothing read, warnings kept to a bounded number.
    std::mt19937 random(17);
    std::string garbage;
    for (int i = 0; i < 200000; ++i)
        garbage += static_cast<char>(1 + random() % 255);
    std::string braces(10000, '{');
    braces += std::string(10000, '}');
    std::string bracesOnLines;
    for (int i = 0; i < 10000; ++i)
        bracesOnLines += std::string(static_cast<std::size_t>(i % 50), ' ') + "{\n";
    std::string unclosed = "BO_ 1 A: 8 ECU\n SG_ S : 0|8@1+ (1,0) [0|1] \"";
    unclosed += std::string(100000, 'x');
    for (const std::string* text : {&garbage, &braces, &bracesOnLines, &unclosed}) {
        const Database db = parseDbc(*text);
        EXPECT_LE(db.warnings.size(), MaxWarnings);
        EXPECT_GE(db.warningCount, db.warnings.size());
        for (const Message& m : db.messages)
            EXPECT_TRUE(m.signalList.empty());
    }
    EXPECT_EQ(parseDbc(bracesOnLines).warningCount, 10000u);

    // A binary file and one past the size limit are refused unread, naming the file.
    const auto binary = dir.path() / "firmware.dbc";
    test::writeText(binary, std::string("BO_ 1 A: 8 ECU\n\0\x7f" "ELF", 20));
    const auto huge = dir.path() / "huge.dbc";
    std::filesystem::resize_file((test::writeText(huge, "BO_ 1 A: 8 ECU\n"), huge), 100u * 1024u * 1024u);
    const struct {
        std::filesystem::path file;
        const char* reason;
    } refused[] = {{binary, "NUL byte at offset 15"}, {huge, "104857600 bytes"},
                   {dir.path() / "missing.dbc", "Cannot open file"}, {dir.path(), "Cannot"}};
    for (const auto& r : refused) {
        SCOPED_TRACE(r.file.string());
        try {
            readDbcFile(r.file);
            ADD_FAILURE() << "read";
        } catch (const Error& error) {
            const std::string text = error.what();
            EXPECT_NE(text.find(r.file.string()), std::string::npos) << text;
            EXPECT_NE(text.find(r.reason), std::string::npos) << text;
        }
    }
}

TEST(DbcReader, LineEndsIndentedListsAndUtf16ReadAlike)
{
    test::TempDir dir;
    // Line 6 holds a statement that cannot be read, so that every variant shows its line.
    const std::string lf = "VERSION \"\"\nBU_:\n    GW\n    ECU\nBO_ 100 A: 8 ECU\n SG_ S : 0|8@3+ (1,0) [0|1] \"\" GW\n"
                           "BO_ 101 B: 8 ECU\n SG_ T : 0|8@1+ (1,0) [0|1] \"\" GW\nBO_ 102 C: 2 GW\n";
    const auto replaced = [&](std::string_view by) {
        std::string text;
        for (const char c : lf)
            text += c == '\n' ? std::string(by) : std::string(1, c);
        return text;
    };
    const auto utf16 = [](const std::string& ascii, bool bigEndian) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char c : ascii)
            bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        return bytes;
    };
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"LF", lf},
        {"CR LF", replaced("\r\n")},
        {"CR only (old Mac)", replaced("\r")},
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + lf},
        {"UTF-16LE with a byte order mark", utf16(lf, false)},
        {"UTF-16BE with a byte order mark, CR LF", utf16(replaced("\r\n"), true)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto file = dir.path() / "odd.dbc";
        test::writeText(file, c.bytes);
        for (const Database& db : {parseDbc(c.bytes), readDbcFile(file)}) {
            EXPECT_EQ(db.nodes, (std::vector<std::string>{"GW", "ECU"}));
            ASSERT_EQ(db.messages.size(), 3u);
            EXPECT_EQ(db.messages[2].name, "C");
            EXPECT_EQ(db.messages[2].line, 9u);
            ASSERT_EQ(db.warningCount, 1u) << warningsOf(db);
            EXPECT_EQ(describe(db.warnings[0]), "Line 6, column 14: byte order is 0 or 1, not '3'; statement skipped");
        }
    }

    // UTF-16 that does not decode, and UTF-16 without its mark, are named as such.
    const struct {
        const char* what;
        std::string bytes;
        const char* reason;
    } refused[] = {
        {"a lone surrogate", std::string("\xFF\xFE" "B\0O\0\x00\xD8", 8), "no valid UTF-16"},
        {"no byte order mark", utf16(lf, false).substr(2), "UTF-16 text without a byte order mark"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.what);
        const auto file = dir.path() / "utf16.dbc";
        test::writeText(file, r.bytes);
        try {
            readDbcFile(file);
            ADD_FAILURE() << "read";
        } catch (const Error& error) {
            EXPECT_NE(std::string(error.what()).find(r.reason), std::string::npos) << error.what();
        }
    }
}

TEST(DbcReader, StatementsRunOverLinesAndNamesOutsideBuAreTakenAsNodesWithAWarning)
{
    const Database db = parseDbc("BU_: GW\n\tECU\nBO_\n 100\n A\n :\n 8\n ECU\n"
                                 " SG_ S : 0|8@1+ (1,0) [0|1] \"\" GW,\n   DASH , Vector__XXX\n"
                                 " SG_ T : 8|8@1+ (1,0) [0|1] \"\" GW SENSOR\n"
                                 "BO_ 101 B: 8 BODY\n"
                                 "FUTURE_KEYWORD_ what ever\n");
    ASSERT_EQ(db.messages.size(), 2u);
    const Message& a = db.messages[0];
    EXPECT_EQ(a.transmitter, "ECU");
    ASSERT_EQ(a.signalList.size(), 2u);
    EXPECT_EQ(a.signalList[0].receivers, (std::vector<std::string>{"GW", "DASH"}));
    EXPECT_EQ(a.signalList[1].receivers, (std::vector<std::string>{"GW", "SENSOR"}));
    EXPECT_EQ(db.nodes, (std::vector<std::string>{"GW", "ECU", "DASH", "SENSOR", "BODY"}));
    EXPECT_EQ(warningsOf(db), "Line 10, column 4: node 'DASH' is not declared in BU_; taken as a node\n"
                              "Line 11, column 35: node 'SENSOR' is not declared in BU_; taken as a node\n"
                              "Line 12, column 14: node 'BODY' is not declared in BU_; taken as a node\n"
                              "Line 13, column 1: unknown keyword 'FUTURE_KEYWORD_'; line skipped\n");
}

TEST(DbcReader, LongListsKeepEachNodeOnceAndNamesBeyondTheBoundAreCounted)
{
    // Each list repeats its names: one BO_TX_BU_ of 100,000 senders once took 13 s.
    std::string text = "BU_:";
    for (int i = 0; i < 100000; ++i)
        text += i % 2 ? " A" : " B";
    text += "\nBO_ 100 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|1] \"\" ";
    for (int i = 0; i < 100000; ++i)
        text += i % 3 ? "A," : "B,";
    text += "B\nBO_TX_BU_ 100 : ";
    for (int i = 0; i < 100000; ++i)
        text += i % 2 ? "A," : "B,";
    text += "B;\n";
    const Database repeated = parseDbc(text);
    EXPECT_EQ(repeated.warningCount, 0u) << warningsOf(repeated);
    EXPECT_EQ(repeated.nodes, (std::vector<std::string>{"B", "A"}));
    ASSERT_EQ(repeated.messages.size(), 1u);
    EXPECT_EQ(repeated.messages[0].signalList[0].receivers, (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(repeated.messages[0].otherTransmitters, (std::vector<std::string>{"B"})); // A sends it anyway

    // Made-up names beyond MaxNodes are passed over, each counted.
    std::string many = "BO_ 1 M: 8 N0\nBO_TX_BU_ 1 :";
    for (std::size_t i = 0; i < MaxNodes + 10; ++i)
        many += (i ? ",N" : " N") + std::to_string(i);
    many += ";\n";
    const Database bounded = parseDbc(many);
    EXPECT_EQ(bounded.nodes.size(), MaxNodes);
    EXPECT_EQ(bounded.messages[0].otherTransmitters.size(), MaxNodes - 1);
    EXPECT_EQ(bounded.warningCount, MaxNodes + 10); // each undeclared, and 10 passed over
    EXPECT_EQ(bounded.warnings.size(), MaxWarnings);

    // So are messages and signals beyond theirs; the signals of a message passed over go with it.
    std::string messages = "BU_: A\n";
    for (std::size_t i = 0; i < MaxMessages + 3; ++i)
        messages += "BO_ 1 M: 8 A\n SG_ S : 0|8@1+ (1,0) [0|1] \"\" A\n";
    const Database manyMessages = parseDbc(messages);
    EXPECT_EQ(manyMessages.messages.size(), MaxMessages);
    EXPECT_EQ(manyMessages.warningCount, 3u);
    EXPECT_EQ(describe(manyMessages.warnings[0]), "Line " + std::to_string(2 * MaxMessages + 2) +
                                                      ", column 1: more than 65536 messages; passed over");
    std::string signalLines = "BU_: A\nBO_ 1 M: 8 A\n";
    for (std::size_t i = 0; i < MaxSignals + 2; ++i)
        signalLines += " SG_ S : 0|8@1+ (1,0) [0|1] \"\" A\n";
    const Database manySignals = parseDbc(signalLines);
    EXPECT_EQ(manySignals.messages[0].signalList.size(), MaxSignals);
    EXPECT_EQ(manySignals.warningCount, 2u);
}

TEST(DbcReader, SignalsKeepValueTypeCommentValueNamesAndWhetherARangeIsGiven)
{
    const Database db = parseDbc(
        "BU_: GW\nBO_ 100 M: 8 GW\n"
        " SG_ F : 0|32@1- (1,0) [0|0] \"\" GW\n"
        " SG_ D : 0|64@1- (1,0) [-1E+308|1E+308] \"\" GW\n"
        " SG_ I : 0|16@1+ (1,0) [0|100] \"\" GW\n"
        " SG_ Short : 16|16@1+ (1,0) [0|0] \"\" GW\n"
        "BO_ 2147483848 X: 8 GW\n SG_ E : 0|8@1- (1,0) [-5|0] \"\" GW\n"
        "CM_ SG_ 100 F \"first \\\"float\\\"\nover two lines\";\n"
        "CM_ SG_ 2147483848 E \"of the 29-bit one\";\n"
        "SIG_VALTYPE_ 100 F : 1;\nSIG_VALTYPE_ 100 D : 2;\nSIG_VALTYPE_ 100 I : 0;\n"
        "SIG_VALTYPE_ 100 Short : 1;\n"
        "VAL_ 100 I 2 \"Two\" 0 \"Off\" -1 \"Minus one\" 18446744073709551615 \"All ones\" 2 \"Second two\";\n"
        "VAL_ 2147483848 E -128 \"Lowest\" ;\n"
        "VAL_ EnvironmentVariable 1 \"skipped\";\n"
        "VAL_ 100 Missing 1 \"no such signal\";\n"
        "VAL_ 100 F 1.5 \"not whole\";\n");
    EXPECT_EQ(warningsOf(db),
              "Line 15, column 1: SIG_VALTYPE_ makes Short a 32-bit float, but it is 16 bits long; read as an integer\n"
              "Line 20, column 12: expected a raw value (a whole number) or ';'; statement skipped\n");
    const Message& m = db.messages[0];
    ASSERT_EQ(m.signalList.size(), 4u);
    const Signal &f = m.signalList[0], &d = m.signalList[1], &i = m.signalList[2], &shortOne = m.signalList[3];
    EXPECT_EQ(f.valueType, ValueType::Float32);
    EXPECT_EQ(d.valueType, ValueType::Float64);
    EXPECT_EQ(i.valueType, ValueType::Integer);
    EXPECT_EQ(shortOne.valueType, ValueType::Integer);
    EXPECT_EQ(f.comment, "first \"float\"\nover two lines");
    EXPECT_EQ(db.messages[1].signalList[0].comment, "of the 29-bit one");
    EXPECT_FALSE(f.hasRange());
    EXPECT_TRUE(d.hasRange());
    EXPECT_TRUE(i.hasRange());
    EXPECT_TRUE(db.messages[1].signalList[0].hasRange()); // [-5|0]
    // 2^64 - 1 is the 64 bits of -1; a later name of a value replaces the earlier one.
    EXPECT_EQ(i.valueNames, (std::vector<ValueName>{{-1, "All ones"}, {0, "Off"}, {2, "Second two"}}));
    EXPECT_EQ(db.messages[1].signalList[0].valueNames, (std::vector<ValueName>{{-128, "Lowest"}}));
    EXPECT_TRUE(f.valueNames.empty());
}

TEST(DbcReader, IdentifiersKeepBits29And30ForTheImportToName)
{
    const Database db = parseDbc("BU_: GW\nBO_ 4294967295 All: 8 GW\nBO_ 3221225473 Bit30: 8 GW\n"
                                 "BO_ 2566844926 Fine: 8 GW\nCM_ BO_ 3221225473 \"kept apart\";\n");
    ASSERT_EQ(db.messages.size(), 3u);
    EXPECT_EQ(db.messages[0].id, 0x7FFFFFFFu);
    EXPECT_EQ(db.messages[1].id, 0x40000001u);
    EXPECT_EQ(db.messages[1].comment, "kept apart");
    EXPECT_EQ(db.messages[2].id, 0x18FEF1FEu);
    for (const Message& m : db.messages)
        EXPECT_TRUE(m.extended);
}

} // namespace
