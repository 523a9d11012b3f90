#include "gui/app/TFCraventeFirmWare.h"
#include "gui/check/FindingsWindow.h"
#include "gui/widgets/PushButton.h"
#include "core/workspace/Workspace.h"
#include "support/GuiTestSupport.h"
#include "support/SmallProject.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace cravent;
using cravent::gui::FindingsWindow;
using cravent::gui::PushButton;
namespace fs = std::filesystem;

namespace {

// What "Up date Device" showed, one modal window after another.
struct Shown {
    QStringList windows;             // class names, in order
    QStringList findingButtons;      // the findings window's buttons
    std::vector<QStringList> rows;   // the findings window's rows: severity, file, row, message
};

struct FindingsFlowTest : ::testing::Test {
    test::TempDir app;
    test::TestUi ui;
    Workspace workspace{app.path()};
    gui::TFCraventeFirmWare window{workspace, ui.services};

    void SetUp() override
    {
        ASSERT_EQ(workspace.createProject("P1"), Workspace::NewProjectOutcome::Created);
        test::writeText(app / "MASTER" / "QF40231.sx", "S9030000FC\r\n");
    }
    void write(const std::function<void(test::SmallProject&)>& change)
    {
        test::SmallProject project;
        change(project);
        project.writeTo(workspace.ProjectDir());
    }
    bool built() const { return fs::exists(workspace.ProjectDir() / "bin" / "bank1.bin"); }

    // Clicks "Up date Device"; the findings window is answered with `answer`, every other window
    // is closed at once.
    Shown update(const QString& answer)
    {
        Shown shown;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            shown.windows << QString::fromLatin1(dialog->metaObject()->className());
            auto* findings = qobject_cast<FindingsWindow*>(dialog);
            if (!findings) {
                dialog->reject();
                return;
            }
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Project check"));
            QPushButton* chosen = nullptr;
            for (QPushButton* button : dialog->findChild<QDialogButtonBox*>()->findChildren<QPushButton*>()) {
                shown.findingButtons << button->text();
                if (button->text() == answer)
                    chosen = button;
            }
            const auto* list = dialog->findChild<QTableWidget*>(QStringLiteral("Findings"));
            for (int i = 0; i < list->rowCount(); ++i) {
                EXPECT_FALSE(list->item(i, 0)->icon().isNull()) << "each finding shows its severity's icon";
                shown.rows.push_back({list->item(i, 0)->text(), list->item(i, 1)->text(),
                                      list->item(i, 2)->text(), list->item(i, 3)->text()});
            }
            if (chosen)
                chosen->click();
            else
                dialog->reject();
        });
        watch.start();
        window.findChild<PushButton*>(QStringLiteral("CreateBin"))->click();
        return shown;
    }
};

} // namespace

TEST_F(FindingsFlowTest, WarningsAreShownAndCancelBuildsNothing)
{
    write([](test::SmallProject& p) { p.port = "70000"; });
    const Shown shown = update(QStringLiteral("Cancel"));
    EXPECT_EQ(shown.windows, QStringList{QStringLiteral("cravent::gui::FindingsWindow")});
    EXPECT_EQ(shown.findingButtons, (QStringList{QStringLiteral("Build anyway"), QStringLiteral("Cancel")}));
    ASSERT_EQ(shown.rows.size(), 1u);
    EXPECT_EQ(shown.rows[0].mid(0, 3), (QStringList{QStringLiteral("warning"), QStringLiteral("pargen.xml"), QString()}));
    EXPECT_TRUE(shown.rows[0][3].contains(QStringLiteral("stores 4464"))) << shown.rows[0][3].toStdString();
    EXPECT_FALSE(built());
    EXPECT_TRUE(fs::is_empty(workspace.ProjectDir() / "bin"));
}

TEST_F(FindingsFlowTest, BuildAnywayBuildsAndGoesOnToTheFirmware)
{
    write([](test::SmallProject& p) { p.rxMap[1].index = "0x10000"; });
    const Shown shown = update(QStringLiteral("Build anyway"));
    EXPECT_EQ(shown.windows, (QStringList{QStringLiteral("cravent::gui::FindingsWindow"),
                                          QStringLiteral("cravent::gui::TFModifyFileSx")}));
    ASSERT_EQ(shown.rows.size(), 2u);
    EXPECT_EQ(shown.rows[1].mid(0, 3), (QStringList{QStringLiteral("warning"), QStringLiteral("RInfoCob.xml"), QStringLiteral("2")}));
    EXPECT_TRUE(built());
    EXPECT_EQ(ui.messages.texts, QStringList());
}

TEST_F(FindingsFlowTest, AnErrorOffersOnlyCloseAndBuildsNothing)
{
    write([](test::SmallProject& p) { p.rx[0].cobId = "0x800"; p.port = "0"; });
    const Shown shown = update(QStringLiteral("Close"));
    EXPECT_EQ(shown.windows, QStringList{QStringLiteral("cravent::gui::FindingsWindow")});
    EXPECT_EQ(shown.findingButtons, QStringList{QStringLiteral("Close")});
    ASSERT_EQ(shown.rows.size(), 2u);
    EXPECT_EQ(shown.rows[1].mid(0, 3), (QStringList{QStringLiteral("error"), QStringLiteral("RCobDef.xml"), QStringLiteral("1")}));
    EXPECT_FALSE(built());
    EXPECT_EQ(ui.messages.texts, QStringList()) << "the window said it; no second message";
}

TEST_F(FindingsFlowTest, NotesAloneGoStraightToTheBuild)
{
    // A transmitted frame without a register is a note.
    write([](test::SmallProject& p) { p.txMapText = ""; });
    const Shown shown = update(QStringLiteral("Cancel"));
    EXPECT_EQ(shown.windows, QStringList{QStringLiteral("cravent::gui::TFModifyFileSx")});
    EXPECT_TRUE(built());
}

TEST_F(FindingsFlowTest, TheBuildsOwnRefusalStillShowsInTheFindingsWindow)
{
    write([](test::SmallProject& p) { p.rx[1].length = "eight"; });
    const Shown shown = update(QStringLiteral("Close"));
    EXPECT_EQ(shown.findingButtons, QStringList{QStringLiteral("Close")});
    ASSERT_EQ(shown.rows.size(), 1u);
    EXPECT_TRUE(shown.rows[0][3].contains(QStringLiteral("'eight' is not a valid integer value")));
    EXPECT_FALSE(built());
}
