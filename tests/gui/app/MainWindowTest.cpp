#include "gui/app/MakerWebPage.h"
#include "gui/app/TFCraventeFirmWare.h"
#include "core/project/PargenFile.h"
#include "support/GuiTestSupport.h"
#include "support/TempDir.h"
#include "gui/widgets/PushButton.h"
#include "gui/workspace/TFsaveproj.h"
#include "core/workspace/Workspace.h"

#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace cravent;
using cravent::gui::PushButton;
using cravent::gui::TFCraventeFirmWare;
namespace fs = std::filesystem;

namespace {

const QString Design = QStringLiteral("Velmora Cravent QP40231 CAN TO MODBUS TCP Slave");

struct MainWindowTest : ::testing::Test {
    test::TempDir app;
    test::TestUi ui;
    Workspace workspace{app.path()};

    PushButton* button(TFCraventeFirmWare& w, const char* name)
    {
        auto* b = w.findChild<PushButton*>(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    }
    QString root() const { return QString::fromStdString((app / "PROJECTS").string()); }

    // Opens the project `name` through the browser, then deletes its folder.
    void openThenDelete(TFCraventeFirmWare& w, const char* name)
    {
        fs::create_directories(app / "PROJECTS" / name);
        ui.choosers.folders.push_back(root() + QStringLiteral("/") + QString::fromLatin1(name));
        button(w, "open")->click();
        fs::remove_all(app / "PROJECTS" / name);
    }
};

} // namespace

TEST_F(MainWindowTest, ShowsTheFiveStepsWithTheirCaptions)
{
    TFCraventeFirmWare w(workspace, ui.services);
    EXPECT_EQ(w.windowTitle(), Design);
    EXPECT_EQ(w.size(), QSize(566, 255));
    const std::pair<const char*, const char*> captions[] = {
        {"New", "New project"},          {"open", "Open project"},
        {"btn_Prm_Gen", "Set Communication"}, {"Btn_Ping", "Ping Device"},
        {"btn_RCOB", "Receive COB"},     {"btn_Info_RCOB", "Define COB"},
        {"btn_TCOB", "Transmit COB"},    {"btn_Info_TCOB", "Define COB"},
        {"CreateBin", "Up date Device"}, {"about", "About"},
        {"LbButton1", "X"},
    };
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(button(w, name)->text(), QString::fromLatin1(caption)) << name;
    for (int step = 1; step <= 5; ++step)
        EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("Label%1").arg(step))->text(),
                  QStringLiteral("Step %1").arg(step));
    EXPECT_EQ(w.pingAddress()->text(), QStringLiteral("255.255.255.255"));
    EXPECT_EQ(w.openExcelFolder(), root());
    EXPECT_EQ(gui::makerWebPage().toString(),
              QStringLiteral("http://www.velmora.example/HOME/default.asp?frompg=QP40231"));
}

TEST_F(MainWindowTest, ClosingRemembersTheProjectAndTheNextStartRestoresIt)
{
    {
        TFCraventeFirmWare w(workspace, ui.services);
        ASSERT_EQ(workspace.createProject("P1"), Workspace::NewProjectOutcome::Created);
        w.close();
    }
    EXPECT_EQ(test::readText(app / "Cravent_DUZ2OZIRu.ini"), "[lastproj]\r\nprojectname=\\P1\r\n");
    Workspace next(app.path());
    TFCraventeFirmWare w(next, ui.services);
    EXPECT_EQ(w.windowTitle(), Design + QStringLiteral(" :/P1"));
    EXPECT_EQ(w.openExcelFolder(), root() + QStringLiteral("/P1"));
}

TEST_F(MainWindowTest, ThePingBoxTakesTheAddressOfTheProjectAtStartAndOnOpen)
{
    {
        TFCraventeFirmWare w(workspace, ui.services);
        ASSERT_EQ(workspace.createProject("P1"), Workspace::NewProjectOutcome::Created);
        project::PargenValues settings;
        settings.ip = {192, 168, 0, 30};
        project::writePargen(workspace.PargenPath(), settings);
        w.close();
    }
    Workspace next(app.path());
    TFCraventeFirmWare w(next, ui.services);
    EXPECT_EQ(w.pingAddress()->text(), QStringLiteral("192.168.0.30"));

    // Opening a project: its address when its file holds one, the box as it was otherwise.
    const struct {
        const char* project;
        const char* file; // nullptr: none
        const char* shown;
    } cases[] = {
        {"P2", "<GeneralParameter><ADD_IP IPB1=\"10\" IPB2=\"1\" IPB3=\"2\" IPB4=\"3\"/></GeneralParameter>",
         "10.1.2.3"},
        {"P3", nullptr, "10.1.2.3"},
        {"P4", "<GeneralParameter><Port>502</Port></GeneralParameter>", "10.1.2.3"},
        {"P5", "<GeneralParameter><ADD_IP IPB1=", "10.1.2.3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.project);
        fs::create_directories(app / "PROJECTS" / c.project);
        if (c.file != nullptr)
            test::writeText(app / "PROJECTS" / c.project / "pargen.xml", c.file);
        ui.choosers.folders.push_back(root() + QStringLiteral("/") + QString::fromLatin1(c.project));
        button(w, "open")->click();
        EXPECT_EQ(w.pingAddress()->text(), QString::fromLatin1(c.shown));
    }
    EXPECT_TRUE(ui.messages.texts.isEmpty()) << ui.messages.texts.join('\n').toStdString();
}

TEST_F(MainWindowTest, NewProjectDialogKeepsTheNameUntilAProjectIsCreated)
{
    TFCraventeFirmWare w(workspace, ui.services);
    fs::create_directories(app / "PROJECTS" / "Old");
    const auto newProjectWatch = test::whenModalOpens([](QDialog* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"));
        auto* ok = dialog->findChild<PushButton*>(QStringLiteral("OK"));
        EXPECT_TRUE(edit->text().isEmpty());
        ok->click(); // empty name
        EXPECT_TRUE(dialog->isVisible());
        edit->setText(QStringLiteral("Old"));
        ok->click();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(edit->text(), QStringLiteral("Old"));
        edit->setText(QStringLiteral("../escape"));
        ok->click();
        EXPECT_TRUE(dialog->isVisible());
        edit->setText(QStringLiteral("P2"));
        ok->click();
    });
    button(w, "New")->click();
    EXPECT_EQ(ui.messages.texts,
              QStringList({QStringLiteral("Name project not valid"),
                           QStringLiteral("Name project not valid because directory already exists"),
                           QStringLiteral("Name project not valid")}));
    EXPECT_FALSE(fs::exists(app / "escape"));
    EXPECT_EQ(w.windowTitle(), Design + QStringLiteral(" :/P2"));
    EXPECT_EQ(workspace.ProjectDir(), app / "PROJECTS" / "P2");
}

TEST_F(MainWindowTest, CancelledNewProjectKeepsTheProjectButBlanksTheName)
{
    TFCraventeFirmWare w(workspace, ui.services);
    const auto newProjectWatch = test::whenModalOpens([](QDialog* dialog) { dialog->reject(); });
    button(w, "New")->click();
    EXPECT_EQ(w.windowTitle(), Design + QStringLiteral(" :"));
    EXPECT_EQ(workspace.ProjectDir(), app / "PROJECTS");
}

TEST_F(MainWindowTest, OpenProjectFollowsTheBrowser)
{
    TFCraventeFirmWare w(workspace, ui.services);
    fs::create_directories(app / "PROJECTS" / "A" / "B");

    ui.choosers.folders.push_back(root() + QStringLiteral("/A/B"));
    button(w, "open")->click();
    EXPECT_EQ(ui.choosers.lastTitle, QStringLiteral("Select directory of project"));
    EXPECT_EQ(ui.choosers.lastRoot, root());
    EXPECT_EQ(ui.choosers.lastPreselect, root());
    EXPECT_EQ(w.windowTitle(), Design + QStringLiteral(" :/A/B"));

    // Cancelled in the "none" state keeps the folder; the name is recomputed from it.
    ui.choosers.folders.push_back(root());
    button(w, "open")->click();
    EXPECT_EQ(w.windowTitle(), Design + QStringLiteral(" :"));
}

TEST_F(MainWindowTest, AProjectFolderDeletedWhileOpenIsNamedByTheBuildUntilAnOpenIsCancelled)
{
    TFCraventeFirmWare w(workspace, ui.services);
    openThenDelete(w, "Gone");

    // Without a cancelled Open project the project stays current: the build says which files
    // it could not write, and writes none of them anywhere else.
    button(w, "CreateBin")->click();
    ASSERT_EQ(ui.messages.texts.size(), 1);
    const std::string message = ui.messages.texts.front().toStdString();
    EXPECT_NE(message.find("Cannot create file \"" +
                           (app / "PROJECTS" / "Gone" / "bin" / "bank1.bin").string() +
                           "\". No such file or directory"),
              std::string::npos)
        << message;
    EXPECT_TRUE(workspace.hasValidProject());
    EXPECT_FALSE(fs::exists(app / "PROJECTS" / "Gone"));
}

TEST_F(MainWindowTest, ProjectCommandsAreRefusedAfterTheProjectFolderVanished)
{
    TFCraventeFirmWare w(workspace, ui.services);
    openThenDelete(w, "Gone");

    button(w, "open")->click(); // cancelled: nothing valid is left
    EXPECT_EQ(ui.choosers.lastPreselect, QString());
    EXPECT_EQ(w.windowTitle(), Design + QStringLiteral(" :"));
    EXPECT_FALSE(workspace.hasValidProject());

    for (const char* name : {"Btn_Ping", "btn_Prm_Gen", "btn_RCOB", "btn_Info_RCOB", "btn_TCOB",
                             "btn_Info_TCOB", "CreateBin", "btn_Report"}) {
        ui.messages.texts.clear();
        button(w, name)->click();
        EXPECT_EQ(ui.messages.texts, QStringList{QStringLiteral("Project not valid")}) << name;
    }
    // Nothing was written outside the program folder.
    EXPECT_FALSE(fs::exists("/bin/bank1.bin"));
}
