// The two frame dialogs as the keyboard, the mouse and the window system meet them.
#include "FrameDialogTest.h"

#include "core/frames/FrameList.h"
#include "gui/frames/ChoiceGroup.h"
#include "gui/frames/FrameGrid.h"
#include "gui/frames/TFInfopdoMB.h"
#include "gui/frames/TFpdoMB.h"
#include "support/Keyboard.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollBar>
#include <gtest/gtest.h>

using namespace cravent;
using cravent::gui::TFInfopdoMB;
using cravent::gui::TFpdoMB;
using cravent::test::key;
using cravent::test::readText;
using cravent::test::type;
using cravent::test::writeText;

namespace {

struct FrameGridKeys : test::ProjectFixture {
    TFpdoMB dialog{workspace, ui.services};

    void SetUp() override
    {
        test::ProjectFixture::SetUp();
        dialog.setMode(1);
        ASSERT_TRUE(test::showActive(dialog));
    }
    gui::FrameGrid* grid() { return dialog.grid(); }
    void goTo(int row, int column)
    {
        grid()->setFocus();
        grid()->setCurrentCell(row - 1, column);
    }
    std::pair<int, int> at() { return {grid()->currentRow() + 1, grid()->currentColumn()}; }
    QStringList row(int r)
    {
        return {dialog.cellText(r, TFpdoMB::ColumnCobId), dialog.cellText(r, TFpdoMB::ColumnDimension),
                dialog.cellText(r, TFpdoMB::ColumnMnemonic)};
    }
};

} // namespace

TEST_F(FrameGridKeys, ColumnsFollowTheRuleFromTheFirstShowingWithoutAHorizontalScrollBar)
{
    const int expected = frames::gridColumnWidth(grid()->width(), TFpdoMB::Columns);
    for (int column = 0; column < TFpdoMB::Columns; ++column)
        EXPECT_EQ(grid()->columnWidth(column), expected) << column;
    EXPECT_FALSE(grid()->horizontalScrollBar()->isVisible());
    // Rows of the text's height: far more than a dozen of the 250 show at the dialog's own size.
    const int shown = grid()->viewport()->height() / grid()->rowHeight(0);
    EXPECT_GE(shown, 18);
    EXPECT_GE(grid()->rowHeight(0), grid()->fontMetrics().height() + 4);
}

TEST_F(FrameGridKeys, TabRunsAlongTheRowAndOnToTheNextRowsCobIdNeverIntoN)
{
    goTo(1, TFpdoMB::ColumnCobId);
    type(QStringLiteral("0x201"));
    key(Qt::Key_Tab);
    type(QStringLiteral("8"));
    key(Qt::Key_Tab);
    type(QStringLiteral("Speed"));
    key(Qt::Key_Tab);
    EXPECT_EQ(at(), std::make_pair(2, int(TFpdoMB::ColumnCobId)));
    type(QStringLiteral("0x181"));
    key(Qt::Key_Tab);
    type(QStringLiteral("2"));
    key(Qt::Key_Tab);
    key(Qt::Key_Tab); // the mnemonic stays empty
    EXPECT_EQ(at(), std::make_pair(3, int(TFpdoMB::ColumnCobId)));
    EXPECT_EQ(row(1), QStringList({"0x201", "8", "Speed"}));
    EXPECT_EQ(row(2), QStringList({"0x181", "2", ""}));
    EXPECT_EQ(row(3), QStringList({"", "", ""}));

    // Back-tab runs the other way, into the cell's editor as Tab does; out of the editor, Home
    // and Left stop at CobID.
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(at(), std::make_pair(2, int(TFpdoMB::ColumnMnemonic)));
    key(Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    for (const int k : {Qt::Key_Home, Qt::Key_Left}) {
        key(k);
        EXPECT_EQ(at(), std::make_pair(2, int(TFpdoMB::ColumnCobId))) << k;
    }
}

TEST_F(FrameGridKeys, AClickOnARowNumberPutsTheCursorOnThatRowsCobId)
{
    const QRect number = grid()->visualRect(grid()->model()->index(4, TFpdoMB::ColumnN));
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, number.center());
    EXPECT_EQ(at(), std::make_pair(5, int(TFpdoMB::ColumnCobId)));
    type(QStringLiteral("0x300"));
    key(Qt::Key_Return);
    EXPECT_EQ(dialog.cellText(5, TFpdoMB::ColumnCobId), QStringLiteral("0x300"));
}

TEST_F(FrameGridKeys, EnterCommitsAndMovesDownAndNeverClosesTheDialog)
{
    goTo(1, TFpdoMB::ColumnCobId);
    type(QStringLiteral("0x201"));
    key(Qt::Key_Return);
    EXPECT_EQ(dialog.cellText(1, TFpdoMB::ColumnCobId), QStringLiteral("0x201"));
    EXPECT_EQ(at(), std::make_pair(2, int(TFpdoMB::ColumnCobId)));
    key(Qt::Key_Enter, Qt::KeypadModifier); // no cell is edited now
    EXPECT_EQ(at(), std::make_pair(3, int(TFpdoMB::ColumnCobId)));
    EXPECT_TRUE(dialog.isVisible());

    // After a button had the focus, Enter in the grid still presses none of them.
    test::ProjectFixture::pushButton(dialog, "bitbtn2")->setFocus();
    goTo(1, TFpdoMB::ColumnDimension);
    key(Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);

    // Escape keeps meaning Cancel; OK, pressed with Enter, saves what was typed.
    key(Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(std::filesystem::exists(file("RCobDef.xml")));
    ASSERT_TRUE(test::showActive(dialog));
    goTo(1, TFpdoMB::ColumnCobId);
    type(QStringLiteral("0x201"));
    key(Qt::Key_Tab);
    type(QStringLiteral("8"));
    key(Qt::Key_Return);
    test::ProjectFixture::pushButton(dialog, "bitbtn1")->setFocus();
    key(Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_NE(readText(file("RCobDef.xml")).find(R"(<row CobID="0x201" Dimensin="8" Mnemonic=""/>)"),
              std::string::npos)
        << readText(file("RCobDef.xml"));
}

TEST_F(FrameGridKeys, RestoringFromMinimisedKeepsTheEditsAndANewShowingReloads)
{
    writeText(file("RCobDef.xml"), "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"A\"/></COBID>");
    dialog.hide();
    ASSERT_TRUE(test::showActive(dialog));
    goTo(2, TFpdoMB::ColumnCobId);
    type(QStringLiteral("0x201"));
    key(Qt::Key_Return);
    dialog.setWindowState(Qt::WindowMinimized);
    dialog.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(dialog.cellText(2, TFpdoMB::ColumnCobId), QStringLiteral("0x201"));
    dialog.hide();
    dialog.show();
    EXPECT_EQ(dialog.cellText(1, TFpdoMB::ColumnCobId), QStringLiteral("0x181"));
    EXPECT_TRUE(dialog.cellText(2, TFpdoMB::ColumnCobId).isEmpty());
}

namespace {

struct MapDialogKeys : test::ProjectFixture {
    TFInfopdoMB dialog{workspace, ui.services};

    void SetUp() override
    {
        test::ProjectFixture::SetUp();
        writeText(file("RCobDef.xml"), "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"\"/></COBID>");
        dialog.setMode(1);
        ASSERT_TRUE(test::showActive(dialog));
        dialog.frameListBox()->setCurrentRow(0);
        dialog.LPdoCanAClick();
    }
};

} // namespace

TEST_F(MapDialogKeys, EnterInTheIndexBoxClosesNothing)
{
    pushButton(dialog, "bitbtn2")->setFocus();
    dialog.indexEdit()->setFocus();
    type(QStringLiteral("5"));
    key(Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    key(Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(MapDialogKeys, TabFollowsTheColumnsAndLandsOnTheCheckedByteWhereArrowsChoose)
{
    dialog.highByteGroup()->setItemIndex(3);
    dialog.lowByteGroup()->setItemIndex(1);
    dialog.frameListBox()->setFocus();
    QStringList order;
    for (int i = 0; i < 6; ++i) {
        order << test::focusName();
        key(Qt::Key_Tab);
    }
    EXPECT_EQ(order.join(' ').toStdString(), "LPdoCanA LIndMbCanA EindexA PoscompMsbA PoscompLsbA DELETEa");

    dialog.indexEdit()->setFocus();
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.highByteGroup()->item(3));
    key(Qt::Key_Down);
    EXPECT_EQ(dialog.highByteGroup()->itemIndex(), 4);
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    EXPECT_EQ(dialog.highByteGroup()->itemIndex(), 2);
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.lowByteGroup()->item(1));
}

TEST_F(MapDialogKeys, RestoringFromMinimisedKeepsANewEntry)
{
    dialog.indexEdit()->setText(QStringLiteral("7"));
    dialog.NewAClick();
    ASSERT_EQ(dialog.pdoList().at(0).entries.size(), 1U);
    dialog.setWindowState(Qt::WindowMinimized);
    dialog.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(dialog.pdoList().at(0).entries.size(), 1U);
    EXPECT_EQ(dialog.registerListBox()->count(), 1);
}
