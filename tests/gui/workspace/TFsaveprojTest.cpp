#include "gui/workspace/TFsaveproj.h"
#include "support/GuiTestSupport.h"
#include "support/Keyboard.h"
#include "support/TempDir.h"
#include "core/workspace/Workspace.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace cravent;

namespace {

struct NewProjectDialog : ::testing::Test {
    test::TempDir app;
    test::TestUi ui;
    Workspace workspace{app.path()};
    std::unique_ptr<gui::TFsaveproj> dialog;

    void SetUp() override
    {
        workspace.startUp();
        dialog = std::make_unique<gui::TFsaveproj>(workspace, ui.services);
        ASSERT_TRUE(test::showActive(*dialog));
    }
    QPushButton* button(const char* name) { return dialog->findChild<QPushButton*>(QString::fromLatin1(name)); }
    bool closeRequest()
    {
        QCloseEvent event;
        QApplication::sendEvent(dialog.get(), &event);
        return event.isAccepted();
    }
};

} // namespace

TEST_F(NewProjectDialog, EscapeAndTheCloseRequestAreRefusedAfterAFailedOk)
{
    button("OK")->click(); // empty name
    ASSERT_EQ(ui.messages.texts, QStringList{QStringLiteral("Name project not valid")});
    dialog->nameEdit()->setFocus();
    test::key(Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(closeRequest());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);

    button("Cancel")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(NewProjectDialog, EscapeClosesAFreshShowingAsCancel)
{
    button("OK")->click();
    button("Cancel")->click();
    ASSERT_TRUE(test::showActive(*dialog));
    test::key(Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(NewProjectDialog, RestoringFromMinimisedKeepsTheTypedName)
{
    test::type(QStringLiteral("P7"));
    ASSERT_EQ(dialog->nameEdit()->text(), QStringLiteral("P7"));
    dialog->setWindowState(Qt::WindowMinimized);
    dialog->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(dialog->nameEdit()->text(), QStringLiteral("P7"));
    // A new showing starts empty.
    dialog->hide();
    dialog->show();
    EXPECT_TRUE(dialog->nameEdit()->text().isEmpty());
}
