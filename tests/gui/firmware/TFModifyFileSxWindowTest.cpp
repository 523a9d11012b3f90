// The Generate Firmware dialog as the keyboard and the window system meet it.
#include "gui/firmware/TFModifyFileSx.h"
#include "support/GuiTestSupport.h"
#include "support/Keyboard.h"
#include "support/TempDir.h"
#include "core/workspace/Workspace.h"

#include <QComboBox>
#include <fstream>
#include <gtest/gtest.h>

using namespace cravent;

TEST(GenerateFirmwareWindow, TabFollowsTheRowsAsDrawnAndARestoreKeepsThePort)
{
    test::TempDir app;
    test::TestUi ui;
    Workspace workspace{app.path()};
    workspace.startUp();
    ASSERT_EQ(workspace.createProject("P1"), Workspace::NewProjectOutcome::Created);
    std::ofstream(app / "MASTER" / "QF40231.sx") << "S00600004844521B\nS9030000FC\n";
    gui::TFModifyFileSx dialog(workspace, ui.services);
    ASSERT_TRUE(test::showActive(dialog));
    ASSERT_TRUE(ui.messages.texts.isEmpty()) << ui.messages.texts.join(' ').toStdString();

    EXPECT_EQ(test::focusName(), QStringLiteral("LbButton2"));
    dialog.findChild<QWidget*>(QStringLiteral("LbButton1"))->setFocus();
    QStringList order;
    for (int i = 0; i < 4; ++i) {
        order << test::focusName();
        test::key(Qt::Key_Tab);
    }
    EXPECT_EQ(order.join(' ').toStdString(), "LbButton1 LbButton2 cbport LbButton1");

    auto* port = dialog.findChild<QComboBox*>(QStringLiteral("cbport"));
    port->setCurrentIndex(4);
    dialog.setWindowState(Qt::WindowMinimized);
    dialog.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(port->currentText(), QStringLiteral("COM5"));
}
