#include "FrameDialogTest.h"

#include "core/frames/FrameList.h"
#include "gui/frames/FrameGrid.h"
#include "gui/frames/TFpdoMB.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

using namespace cravent;
using cravent::gui::TFpdoMB;
using cravent::test::readText;
using cravent::test::writeText;

namespace {

const QString DimensionText = QStringLiteral("!! The Dimension of CAN frame must between 1 and 8");

struct FrameListDialog : test::ProjectFixture {
    TFpdoMB dialog{workspace, ui.services};

    void showIn(int mode)
    {
        dialog.setMode(static_cast<std::uint8_t>(mode));
        dialog.show();
    }
    void type(int row, const char* cobId, const char* dimension, const char* mnemonic = "")
    {
        dialog.setCellText(row, TFpdoMB::ColumnCobId, QString::fromLatin1(cobId));
        dialog.setCellText(row, TFpdoMB::ColumnDimension, QString::fromLatin1(dimension));
        dialog.setCellText(row, TFpdoMB::ColumnMnemonic, QString::fromLatin1(mnemonic));
    }
    void ok() { pushButton(dialog, "bitbtn1")->click(); }
};

} // namespace

TEST_F(FrameListDialog, GridButtonsAndCaptions)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("RPDO"));
    const QTableWidget* grid = dialog.findChild<QTableWidget*>(QStringLiteral("sgA"));
    ASSERT_EQ(grid, dialog.grid());
    EXPECT_EQ(grid->rowCount(), 250); // with the header row: 251
    EXPECT_EQ(grid->columnCount(), 4);
    QStringList headers;
    for (int column = 0; column < 4; ++column)
        headers << grid->horizontalHeaderItem(column)->text();
    EXPECT_EQ(headers, QStringList({"N", "CobID", "Dimension", "Mnemonic"}));
    auto* tabs = dialog.findChild<QTabWidget*>();
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Can0-ModBus"));
    const std::pair<const char*, const char*> buttons[] = {
        {"bitbtn1", "OK"}, {"bitbtn2", "Cancel"}, {"button1", "Export"}, {"bitbtn4", "Import"}};
    int lastX = -1;
    dialog.show();
    for (const auto& [name, caption] : buttons) {
        EXPECT_EQ(pushButton(dialog, name)->text(), QString::fromLatin1(caption));
        EXPECT_GT(pushButton(dialog, name)->x(), lastX) << name << " stands right of the one before";
        lastX = pushButton(dialog, name)->x();
    }

    dialog.reject();
    showIn(1);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Receive CAN Frame"));
    EXPECT_EQ(dialog.focusWidget(), pushButton(dialog, "bitbtn1"));
    EXPECT_EQ(dialog.cellText(1, TFpdoMB::ColumnN), QStringLiteral("1"));
    EXPECT_EQ(dialog.cellText(250, TFpdoMB::ColumnN), QStringLiteral("250"));
    EXPECT_FALSE(grid->item(0, TFpdoMB::ColumnN)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(grid->item(0, TFpdoMB::ColumnCobId)->flags() & Qt::ItemIsEditable);
    dialog.reject();
    for (int mode : {2, 0, 9}) {
        showIn(mode);
        EXPECT_EQ(dialog.mode(), 2);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Transmit CAN Frame")) << mode;
        dialog.reject();
    }
}

TEST_F(FrameListDialog, OkSavesTheRowsUpToTheFirstEmptyCobIdAsTyped)
{
    showIn(1);
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Return); // the focus is on "OK"
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(readText(file("RCobDef.xml")), "<COBID/>");

    showIn(1);
    type(1, "0x181", "8", "Speed");
    type(2, "641", "2");
    type(4, "0x999", "9", "beyond the gap");
    // Row 4 would be lost: "No" keeps the dialog and the file, "Yes" saves rows 1 and 2.
    ok();
    ASSERT_EQ(ui.messages.questions.size(), 1);
    EXPECT_EQ(
        ui.messages.questions.front(),
        QStringLiteral("Row 3 has no CobID, so the frame list ends there. Row 4 after it is "
                       "filled and would not be saved.\n\nSave only the frames of rows 1 to 2?"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(readText(file("RCobDef.xml")), "<COBID/>");
    ui.messages.answers = {true};
    ok();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(ui.messages.texts.isEmpty());
    EXPECT_EQ(readText(file("RCobDef.xml")),
              "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"Speed\"/>"
              "<row CobID=\"641\" Dimensin=\"2\" Mnemonic=\"\"/></COBID>");
    EXPECT_FALSE(std::filesystem::exists(file("TCobDef.xml")));

    showIn(1);
    EXPECT_EQ(dialog.cellText(1, TFpdoMB::ColumnCobId), QStringLiteral("0x181"));
    EXPECT_EQ(dialog.cellText(2, TFpdoMB::ColumnMnemonic), QString());
    EXPECT_EQ(dialog.cellText(4, TFpdoMB::ColumnCobId), QString()) << "row 4 is gone";
}

TEST_F(FrameListDialog, FailedCheckShowsTheRowAndKeepsTheDialogAndTheFile)
{
    project::writeFrames(file("TCobDef.xml"), {{"1", "8", "kept"}});
    const std::string before = readText(file("TCobDef.xml"));
    showIn(2);
    type(1, "1", "8");
    type(2, "2", "");
    ok();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(ui.messages.texts, QStringList({QStringLiteral("Error in row 2") + DimensionText}));
    EXPECT_EQ(ui.messages.icons.back(), gui::Messages::Icon::Error);
    EXPECT_EQ(dialog.cellText(2, TFpdoMB::ColumnCobId), QStringLiteral("2"));
    EXPECT_EQ(readText(file("TCobDef.xml")), before);
}

TEST_F(FrameListDialog, CobIdRangeFollowsTheProjectCanType)
{
    showIn(1);
    type(1, "536870911", "8");
    ok();
    EXPECT_EQ(ui.messages.texts.value(0),
              QStringLiteral("Error in row 1!! The CobID in CAN 2.0A must between 0 and 2047"));

    writeText(file("pargen.xml"), "<GeneralParameter><CANType>1</CANType></GeneralParameter>");
    ok();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(frames::loadList(file("RCobDef.xml")).at(0).cobId, "536870911");

    writeText(file("pargen.xml"), "<GeneralParameter><CANType>1");
    showIn(1);
    ok();
    EXPECT_TRUE(dialog.isVisible()) << "a settings file that cannot be read leaves the range unknown";
    EXPECT_TRUE(ui.messages.texts.back().contains(QString::fromStdString(file("pargen.xml").string())));
}

TEST_F(FrameListDialog, RefusedFileIsNeitherShownInPartNorReplaced)
{
    std::string big = "<COBID>";
    for (int i = 0; i < 251; ++i)
        big += "<row CobID=\"" + std::to_string(i) + "\" Dimensin=\"8\" Mnemonic=\"\"/>";
    big += "</COBID>";
    writeText(file("RCobDef.xml"), big);

    showIn(1);
    ASSERT_EQ(ui.messages.texts.size(), 1);
    EXPECT_EQ(ui.messages.texts[0], QStringLiteral("Cannot read file \"%1\". It holds 251 frames; a list holds at most 250.")
                                        .arg(QString::fromStdString(file("RCobDef.xml").string())));
    EXPECT_FALSE(dialog.listLoaded());
    EXPECT_EQ(dialog.cellText(1, TFpdoMB::ColumnCobId), QString());
    for (const char* name : {"bitbtn1", "button1", "bitbtn4"})
        EXPECT_FALSE(pushButton(dialog, name)->isEnabled()) << name;
    EXPECT_EQ(dialog.grid()->editTriggers(), QAbstractItemView::NoEditTriggers);
    dialog.BitBtn1Click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(readText(file("RCobDef.xml")), big);
    dialog.reject();

    // The other direction's file is fine: the dialog is usable again.
    showIn(2);
    EXPECT_TRUE(dialog.listLoaded());
    EXPECT_TRUE(pushButton(dialog, "bitbtn1")->isEnabled());
    ok();
    EXPECT_EQ(readText(file("TCobDef.xml")), "<COBID/>");
}

TEST_F(FrameListDialog, SaveFailureIsShownAndTheDialogStaysOpen)
{
    showIn(1);
    type(1, "1", "8");
    std::filesystem::remove_all(project);
    ok();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(ui.messages.texts.size(), 1);
    EXPECT_TRUE(ui.messages.texts[0].contains(QStringLiteral("RCobDef.xml")));
}

TEST_F(FrameListDialog, ResizeGivesEveryColumnTheSameShare)
{
    showIn(1);
    for (const QSize size : {QSize(500, 400), QSize(733, 420)}) {
        dialog.resize(size);
        QCoreApplication::processEvents();
        const int expected = frames::gridColumnWidth(dialog.grid()->width(), 4);
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(dialog.grid()->columnWidth(column), expected) << column;
    }
}
