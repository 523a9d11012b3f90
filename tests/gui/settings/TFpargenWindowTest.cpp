// The Set Communication dialog as the keyboard and the window system meet it.
#include "gui/settings/TFpargen.h"
#include "support/GuiTestSupport.h"
#include "support/Keyboard.h"
#include "support/TempDir.h"
#include "core/workspace/Workspace.h"

#include <QLineEdit>

#include <fstream>
#include <gtest/gtest.h>

using namespace cravent;

namespace {

struct SetCommunicationWindow : ::testing::Test {
    test::TempDir app;
    test::TestUi ui;
    Workspace workspace{app.path()};
    gui::TFpargen dialog{workspace, ui.services, [](const QString&) {}};

    void SetUp() override
    {
        workspace.startUp();
        ASSERT_EQ(workspace.createProject("P1"), Workspace::NewProjectOutcome::Created);
        ASSERT_TRUE(test::showActive(dialog));
    }
};

} // namespace

TEST_F(SetCommunicationWindow, TabFollowsTheRowsAsDrawn)
{
    dialog.findChild<QWidget*>(QStringLiteral("CB_BR_CAN"))->setFocus();
    QStringList order;
    for (int i = 0; i < 14; ++i) {
        order << test::focusName();
        test::key(Qt::Key_Tab);
    }
    EXPECT_EQ(order.join(' ').toStdString(), "CB_BR_CAN RB_CAN_A re_ipb1 re_ipb2 re_ipb3 re_ipb4 re_smb1 re_smb2 "
                                             "re_smb3 re_smb4 E_TimeOut bitbtn1 bitbtn2 CB_BR_CAN");
}

TEST_F(SetCommunicationWindow, RestoringFromMinimisedKeepsTheEdits)
{
    auto* port = dialog.findChild<QLineEdit*>(QStringLiteral("E_TimeOut"));
    std::filesystem::path file = workspace.ProjectDir() / "pargen.xml";
    {
        std::ofstream out(file);
        out << "<GeneralParameter><Port>502</Port></GeneralParameter>";
    }
    dialog.hide();
    ASSERT_TRUE(test::showActive(dialog));
    port->setText(QStringLiteral("1502"));
    dialog.setWindowState(Qt::WindowMinimized);
    dialog.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(port->text(), QStringLiteral("1502"));
}
