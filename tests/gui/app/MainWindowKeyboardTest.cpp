// The main window and its small dialogs as the keyboard and the screen meet them.
#include "gui/app/TFCraventeFirmWare.h"
#include "gui/ping/TFPing.h"
#include "support/GuiTestSupport.h"
#include "support/Keyboard.h"
#include "support/TempDir.h"
#include "core/workspace/Workspace.h"

#include <QLabel>
#include <QScreen>
#include <gtest/gtest.h>

using namespace cravent;
using cravent::gui::TFCraventeFirmWare;

namespace {

struct MainWindowKeys : ::testing::Test {
    test::TempDir app;
    test::TestUi ui;
    Workspace workspace{app.path()};
};

} // namespace

TEST_F(MainWindowKeys, TabRunsRowByRowAndRoundToTheTopButtons)
{
    TFCraventeFirmWare w(workspace, ui.services);
    ASSERT_TRUE(test::showActive(w));
    QStringList order;
    for (int i = 0; i < 16; ++i) {
        // The link label takes one Tab to be entered and one to leave its link.
        if (order.isEmpty() || order.last() != test::focusName())
            order << test::focusName();
        test::key(Qt::Key_Tab);
    }
    EXPECT_EQ(order.join(' ').toStdString(), "New open btn_Prm_Gen Btn_Ping Edit1 btn_RCOB btn_Info_RCOB btn_TCOB "
                                             "btn_Info_TCOB CreateBin btn_Report Label6 about LbButton1 New");
}

TEST_F(MainWindowKeys, EnterPressesTheFocusedButton)
{
    TFCraventeFirmWare w(workspace, ui.services);
    ASSERT_TRUE(test::showActive(w));
    QString opened;
    const auto aboutWatch = test::whenModalOpens([&](QDialog* dialog) {
        opened = dialog->windowTitle();
        dialog->reject();
    });
    w.findChild<QWidget*>(QStringLiteral("about"))->setFocus();
    test::key(Qt::Key_Return);
    EXPECT_EQ(opened, QStringLiteral("About..."));
}

TEST_F(MainWindowKeys, TheWindowStandsCentredOnTheScreen)
{
    TFCraventeFirmWare w(workspace, ui.services);
    w.show();
    const QRect screen = w.screen()->availableGeometry();
    const QPoint offset = w.frameGeometry().center() - screen.center();
    EXPECT_LE(std::abs(offset.x()), 2);
    // Until a window manager frames it, the frame's height is not known.
    EXPECT_LE(std::abs(offset.y()), 16);
}

TEST(PingResultWindow, EveryOutcomesLabelAndCaptionFitTheWindow)
{
    gui::TFPing dialog;
    for (const auto outcome : {net::PingOutcome::Found, net::PingOutcome::NotFound, net::PingOutcome::Error}) {
        SCOPED_TRACE(net::pingLabel(outcome));
        dialog.SetPingResult(outcome);
        dialog.show();
        const auto* label = dialog.findChild<QLabel*>(QStringLiteral("Label1"));
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
        EXPECT_LE(label->geometry().right(), dialog.width() - 8);
        QFont bold = dialog.font();
        bold.setBold(true);
        EXPECT_GE(dialog.width(), QFontMetrics(bold).horizontalAdvance(dialog.windowTitle()) + 40);
        const auto* ok = dialog.findChild<QWidget*>(QStringLiteral("LbButton1"));
        EXPECT_LE(std::abs(ok->geometry().center().x() - dialog.rect().center().x()), 1);
        dialog.hide();
    }
}
