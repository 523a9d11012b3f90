// Text from files and peers on its way to people: a spreadsheet must not run a CSV cell as a
// formula, and a terminal must not take a name's bytes for commands.

#include "core/common/CsvCell.h"
#include "core/common/TerminalText.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>

using namespace cravent;

TEST(CsvCell, TextThatASpreadsheetWouldRunIsNeutralisedAndNumbersStayNumbers)
{
    const struct {
        const char* text;
        const char* cell;
    } cases[] = {
        {"Speed", "Speed"},
        {"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
        {"=1+2", "\"'=1+2\""},
        {"+cmd|' /C calc'!A0", "\"'+cmd|' /C calc'!A0\""},
        {"-2+3", "\"'-2+3\""},
        {"@SUM(A1:A9)", "\"'@SUM(A1:A9)\""},
        {"\tTab", "\"'\tTab\""},
        {"\rCR", "\"'\rCR\""},
        {"-", "\"'-\""},
        {"-x,y", "\"'-x,y\""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"line\nbreak", "\"line\nbreak\""},
        {"-5", "-5"},
        {"+7", "+7"},
        {"-1.25", "-1.25"},
        {"-.5", "-.5"},
        {"-1e3", "-1e3"},
        {"-1e", "\"'-1e\""},
        {"0x181", "0x181"},
        {"—", "—"},
        {"a=b", "a=b"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(csvCell(c.text), c.cell);
    }
}

TEST(TerminalText, ControlCharactersComeOutAsHexAndTheRestStays)
{
    const struct {
        std::string text;
        std::string shown;
    } cases[] = {
        {"Speed_1", "Speed_1"},
        {"a\x1b]0;owned\x07z", "a\\x1B]0;owned\\x07z"},
        {"\x1b[2J", "\\x1B[2J"},
        {"tab\tand\nline", "tab\tand\nline"},
        {"cr\rdel\x7f", "cr\\x0Ddel\\x7F"},
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"\xc2\x9b" "31m", "\\xC2\\x9B31m"},                 // C1 CSI
        {"Gr\xc3\xbc\xc3\x9f" "e \xc2\xb0" "C", "Gr\xc3\xbc\xc3\x9f" "e \xc2\xb0" "C"}, // ü ß °
        {"end\xc2", "end\xc2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(terminalText(c.text), c.shown);
        // The same through the stream a terminal gets, byte by byte and in one piece.
        std::ostringstream target;
        {
            TerminalTextBuffer buffer(target.rdbuf());
            std::ostream out(&buffer);
            for (const char byte : c.text)
                out.put(byte);
            out << c.text;
        }
        EXPECT_EQ(target.str(), c.shown + c.shown);
    }
}
