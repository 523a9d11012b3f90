#include "core/report/RegisterReport.h"
#include "core/report/ReportFormats.h"
#include "support/SmallProject.h"

#include <gtest/gtest.h>

using namespace cravent;
using test::SmallProject;

TEST(RegisterReportTest, RegistersAsTheDeviceServesThemInIndexOrder)
{
    test::TempDir dir;
    SmallProject project;
    project.rxMap = {{"20", "2", "0x34"}, {"0x10005", "1", "0x10"}, {"7", "9", "abc"}};
    project.writeTo(dir.path());
    const report::RegisterReport r = report::makeReport(dir.path());

    std::vector<std::vector<std::string>> rows;
    for (const auto& line : r.registersOf(Direction::Receive))
        rows.push_back(report::cellsOf(line));
    const std::string none = "\u2014";
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{
                        {"receive", "5", "0x0005", "1", "0x181", "Speed", "B1", none},
                        {"receive", "7", "0x0007", "9", none, "", "abc", "abc"},
                        {"receive", "20", "0x0014", "2", "0x182", "Torque", "B3", "B4"},
                    }));
    EXPECT_EQ(report::cellsOf(r.framesOf(Direction::Transmit).at(0)),
              (std::vector<std::string>{"1", "0x201", "2", "Command"}));
    EXPECT_FALSE(r.findings.empty()) << "the check's findings belong to the report";
}

TEST(RegisterReportTest, SettingsInWords)
{
    const auto settingsOf = [](const std::function<void(SmallProject&)>& change) {
        test::TempDir dir;
        SmallProject project;
        change(project);
        project.writeTo(dir.path());
        std::vector<std::pair<std::string, std::string>> lines;
        for (const auto& s : report::makeReport(dir.path()).settings)
            lines.emplace_back(s.name, s.value);
        return lines;
    };
    using Lines = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(settingsOf([](SmallProject&) {}),
              (Lines{{"IP address", "192.168.0.30"},
                     {"Subnet mask", "255.255.255.0"},
                     {"Modbus TCP port", "502"},
                     {"CAN bit rate", "500 kbit/s"},
                     {"CAN type", "CAN 2.0A (11-bit COB-IDs)"}}));
    // Values as the device stores them.
    EXPECT_EQ(settingsOf([](SmallProject& p) {
                  p.port = "70000";
                  p.ip[3] = "300";
                  p.baudRate = "-1";
                  p.canType = "1";
              }),
              (Lines{{"IP address", "192.168.0.44"},
                     {"Subnet mask", "255.255.255.0"},
                     {"Modbus TCP port", "4464"},
                     {"CAN bit rate", "none selected"},
                     {"CAN type", "CAN 2.0B (29-bit COB-IDs)"}}));
    EXPECT_EQ(settingsOf([](SmallProject& p) { p.pargenText = ""; }),
              (Lines{{"Settings", "none: the project has no pargen.xml"}}));
}

TEST(RegisterReportTest, FormatsByName)
{
    EXPECT_EQ(report::formatNamed("html"), report::Format::Html);
    EXPECT_EQ(report::formatNamed("md"), report::Format::Markdown);
    EXPECT_EQ(report::formatNamed("csv"), report::Format::Csv);
    EXPECT_EQ(report::formatNamed("json"), report::Format::Json);
    EXPECT_EQ(report::formatNamed("pdf"), std::nullopt);
}

TEST(RegisterReportTest, TextsThatLookLikeMarkupStayText)
{
    test::TempDir dir;
    SmallProject project;
    project.rx[0].mnemonic = "a&lt;b&gt;, &quot;c&quot;|d"; // a<b>, "c"|d once read
    project.writeTo(dir.path());
    const auto r = report::makeReport(dir.path());
    const std::string html = report::renderHtml(r);
    EXPECT_NE(html.find("<td>a&lt;b&gt;, &quot;c&quot;|d</td>"), std::string::npos);
    EXPECT_NE(report::renderCsv(r).find(",\"a<b>, \"\"c\"\"|d\","), std::string::npos);
    EXPECT_NE(report::renderMarkdown(r).find("| a\\<b\\>, \"c\"\\|d |"), std::string::npos);
}

// A mnemonic from a hostile workbook or DBC: no live link, image, HTML or extra column in the
// Markdown, no escape sequence for the terminal that shows it, no formula in the CSV.
TEST(RegisterReportTest, HostileMnemonicsStayTextInMarkdownAndCsv)
{
    const struct {
        const char* mnemonic;
        const char* markdown; // the cell between "| " and " |"
        const char* csv;      // the field
    } cases[] = {
        {"[x](javascript:alert(1))", "\\[x\\]\\(javascript:alert\\(1\\)\\)", "[x](javascript:alert(1))"},
        {"![t](http://evil/t.png)", "\\!\\[t\\]\\(http://evil/t.png\\)", "![t](http://evil/t.png)"},
        {"#Heading", "\\#Heading", "#Heading"},
        {"a|b*c`d", "a\\|b\\*c\\`d", "a|b*c`d"},
        {"back\\slash", "back\\\\slash", "back\\slash"},
        {"<img src=x>", "\\<img src=x\\>", "<img src=x>"},
        {"Motor_speed_1", "Motor_speed_1", "Motor_speed_1"},
        {"bell\x07" "esc\x1b[31m", "bell\\x07esc\\x1B\\[31m", "bell\x07" "esc\x1b[31m"},
        {"=1+2", "=1+2", "\"'=1+2\""},
        {"-cmd", "-cmd", "\"'-cmd\""},
        {"@x", "@x", "\"'@x\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mnemonic);
        report::RegisterReport r;
        r.project = "P1";
        report::RegisterLine line;
        line.registerText = "-5"; // as typed: a number stays a number
        line.mnemonic = c.mnemonic;
        r.registers[0].push_back(line);
        const std::string markdown = report::renderMarkdown(r);
        EXPECT_NE(markdown.find(std::string("| ") + c.markdown + " |"), std::string::npos) << markdown;
        const std::string csv = report::renderCsv(r);
        EXPECT_NE(csv.find(std::string(",-5,")), std::string::npos) << csv;
        EXPECT_NE(csv.find(std::string(",") + c.csv + ","), std::string::npos) << csv;
    }
}
