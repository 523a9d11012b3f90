#include "gui/app/TFCraventeFirmWare.h"
#include "core/project/PargenFile.h"
#include "support/GuiTestSupport.h"
#include "support/TempDir.h"
#include "gui/widgets/PushButton.h"
#include "core/workspace/Workspace.h"

#include <QLineEdit>
#include <gtest/gtest.h>

using namespace cravent;

TEST(MainWindowSetCommunication, OpensTheDialogWhoseOkSetsThePingAddress)
{
    test::TempDir app;
    test::TestUi ui;
    Workspace workspace(app.path());
    gui::TFCraventeFirmWare window(workspace, ui.services);
    ASSERT_EQ(workspace.createProject("P1"), Workspace::NewProjectOutcome::Created);

    QString title;
    const auto setCommunicationWatch = test::whenModalOpens([&title](QDialog* dialog) {
        title = dialog->windowTitle();
        dialog->findChild<QLineEdit*>(QStringLiteral("re_ipb1"))->setText(QStringLiteral("192"));
        dialog->findChild<QLineEdit*>(QStringLiteral("re_ipb2"))->setText(QStringLiteral("168"));
        dialog->findChild<QLineEdit*>(QStringLiteral("re_ipb4"))->setText(QStringLiteral("30"));
        dialog->findChild<gui::PushButton*>(QStringLiteral("bitbtn1"))->click();
    });
    window.findChild<gui::PushButton*>(QStringLiteral("btn_Prm_Gen"))->click();

    EXPECT_EQ(title, QStringLiteral("SET COMMUNICATION"));
    EXPECT_EQ(window.pingAddress()->text(), QStringLiteral("192.168.0.30"));
    EXPECT_EQ(project::readPargen(workspace.PargenPath()).ip[3], "30");
    EXPECT_TRUE(ui.messages.texts.isEmpty());
}
