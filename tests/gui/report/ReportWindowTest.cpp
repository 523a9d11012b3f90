#include "gui/app/TFCraventeFirmWare.h"
#include "gui/report/ReportWindow.h"
#include "gui/widgets/PushButton.h"
#include "core/report/RegisterReport.h"
#include "core/report/ReportFormats.h"
#include "core/workspace/Workspace.h"
#include "support/GuiTestSupport.h"
#include "support/SmallProject.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sys/wait.h>

using namespace cravent;
using cravent::gui::PushButton;
using cravent::gui::ReportWindow;
namespace fs = std::filesystem;

namespace {

QPushButton* buttonNamed(QWidget* window, const QString& text)
{
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

// What a poppler tool prints about a PDF.
std::string poppler(const char* tool, const fs::path& pdf)
{
    const std::string command = std::string(tool) + " '" + pdf.string() + "' " +
                                (std::string(tool) == "pdfinfo" ? "" : "-");
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {};
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << tool << " failed";
    return text;
}

struct ReportWindowTest : ::testing::Test {
    test::TempDir app;
    test::TestUi ui;
    Workspace workspace{app.path()};
    gui::TFCraventeFirmWare window{workspace, ui.services};
};

} // namespace

TEST_F(ReportWindowTest, TheButtonShowsTheProjectsTablesAndSavesThem)
{
    ASSERT_EQ(workspace.createProject("P1"), Workspace::NewProjectOutcome::Created);
    test::SmallProject project;
    project.rxMap = {{"20", "2", "0x34"}, {"0x10005", "1", "0x10"}};
    project.writeTo(workspace.ProjectDir());
    const fs::path out = app / "out";
    fs::create_directories(out);
    ui.choosers.saveFiles = {QString::fromStdString((out / "r.pdf").string()),
                             QString::fromStdString((out / "r.html").string()),
                             QString::fromStdString((out / "r.csv").string())};

    QStringList tabs;
    QStringList registerRow;
    QString title;
    const auto reportWatch = test::whenModalOpens([&](QDialog* dialog) {
        title = dialog->windowTitle();
        const auto* tabWidget = dialog->findChild<QTabWidget*>(QStringLiteral("Tables"));
        for (int i = 0; i < tabWidget->count(); ++i)
            tabs << tabWidget->tabText(i);
        const auto* registers = qobject_cast<QTableWidget*>(tabWidget->widget(3));
        for (int c = 0; c < registers->columnCount(); ++c)
            registerRow << registers->item(0, c)->text();
        for (const char* caption : {"Save as PDF", "Save as HTML", "Save as CSV"})
            buttonNamed(dialog, QString::fromLatin1(caption))->click();
        buttonNamed(dialog, QStringLiteral("Close"))->click();
    });
    window.findChild<PushButton*>(QStringLiteral("btn_Report"))->click();

    EXPECT_EQ(title, QStringLiteral("Project report :P1"));
    EXPECT_EQ(tabs, (QStringList{"Settings", "Received frames", "Transmitted frames",
                                 "Receive register map", "Transmit register map", "Check", "Device"}));
    EXPECT_EQ(registerRow, (QStringList{"receive", "5", "0x0005", "1", "0x181", "Speed", "B1",
                                        QString::fromUtf8("\u2014")}));
    EXPECT_EQ(ui.messages.texts, QStringList());
    EXPECT_EQ(ui.choosers.lastSuggested,
              QString::fromStdString((workspace.ProjectDir() / "P1-registers.csv").string()));

    const report::RegisterReport expected = report::makeReport(workspace.ProjectDir());
    EXPECT_EQ(test::readText(out / "r.html"), report::renderHtml(expected));
    EXPECT_EQ(test::readText(out / "r.csv"), report::renderCsv(expected));

    const std::string pdf = test::readText(out / "r.pdf");
    ASSERT_EQ(pdf.substr(0, 5), "%PDF-");
    const std::string info = poppler("pdfinfo", out / "r.pdf");
    EXPECT_NE(info.find(" 595 x 842 pts (A4)\n"), std::string::npos) << info;
    const std::string text = poppler("pdftotext -layout", out / "r.pdf");
    EXPECT_NE(text.find("Register map of P1"), std::string::npos) << text;
    // Every register row, its cells in order on one line of the page.
    std::vector<std::string> lines;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    const auto holds = [](const std::string& line, const std::vector<std::string>& cells) {
        std::size_t pos = 0;
        for (const std::string& cell : cells) {
            if (cell.empty())
                continue;
            pos = line.find(cell, pos);
            if (pos == std::string::npos)
                return false;
            pos += cell.size();
        }
        return true;
    };
    ASSERT_EQ(expected.registersOf(Direction::Receive).size(), 2u);
    for (const auto& line : expected.registersOf(Direction::Receive)) {
        const auto cells = report::cellsOf(line);
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [&](const std::string& l) { return holds(l, cells); }))
            << "register " << line.registerText << " in\n" << text;
    }
}

TEST_F(ReportWindowTest, AReportThatCannotBeWrittenSaysWhy)
{
    ASSERT_EQ(workspace.createProject("P1"), Workspace::NewProjectOutcome::Created);
    test::SmallProject().writeTo(workspace.ProjectDir());
    ReportWindow report(report::makeReport(workspace.ProjectDir()), workspace.ProjectDir(),
                        ui.services);
    ui.choosers.saveFiles = {QString::fromStdString((app / "no" / "such" / "r.html").string()),
                             QString()};
    report.saveAsHtml();
    ASSERT_EQ(ui.messages.texts.size(), 1);
    EXPECT_TRUE(ui.messages.texts[0].contains(QStringLiteral("r.html"))) << ui.messages.texts[0].toStdString();
    report.saveAsCsv(); // cancelled: nothing written, nothing said
    EXPECT_EQ(ui.messages.texts.size(), 1);
}
