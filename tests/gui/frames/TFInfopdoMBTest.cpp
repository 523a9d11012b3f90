#include "FrameDialogTest.h"

#include "gui/frames/ChoiceGroup.h"
#include "gui/frames/TFInfopdoMB.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

using namespace cravent;
using cravent::gui::TFInfopdoMB;
using cravent::test::readText;
using cravent::test::writeText;

namespace {

struct MapDialog : test::ProjectFixture {
    TFInfopdoMB dialog{workspace, ui.services};

    void frames(const char* fileName, int count)
    {
        std::string xml = "<COBID>";
        for (int i = 1; i <= count; ++i)
            xml += "<row CobID=\"0x" + std::to_string(180 + i) + "\" Dimensin=\"8\" Mnemonic=\"\"/>";
        writeText(file(fileName), xml + "</COBID>");
    }
    void showIn(int mode)
    {
        dialog.setMode(static_cast<std::uint8_t>(mode));
        dialog.show();
    }
    void pickFrame(int row)
    {
        dialog.frameListBox()->setCurrentRow(row); // runs the click handler as the keyboard does
        dialog.LPdoCanAClick();                    // and once more, as a mouse click on it does
    }
    void pickEntry(int row) { dialog.registerListBox()->setCurrentRow(row); }
    void enter(const char* index, int high, int low)
    {
        dialog.indexEdit()->setText(QString::fromLatin1(index));
        dialog.highByteGroup()->setItemIndex(high);
        dialog.lowByteGroup()->setItemIndex(low);
    }
    void press(const char* name) { pushButton(dialog, name)->click(); }
    QStringList registerItems() const
    {
        QStringList items;
        for (int i = 0; i < dialog.registerListBox()->count(); ++i)
            items << dialog.registerListBox()->item(i)->text();
        return items;
    }
    std::pair<int, int> shownChoices() const
    {
        return {dialog.highByteGroup()->itemIndex(), dialog.lowByteGroup()->itemIndex()};
    }
};

} // namespace

TEST_F(MapDialog, ControlsAndCaptions)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("INFOPDO"));
    for (const char* name : {"LPdoCanA", "LIndMbCanA"})
        EXPECT_NE(dialog.findChild<QListWidget*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("EindexA")), dialog.indexEdit());
    const QStringList items = {"none", "B1", "B2", "B3", "B4", "B5", "B6", "B7", "B8"};
    for (const char* name : {"PoscompMsbA", "PoscompLsbA"}) {
        auto* group = dialog.findChild<gui::ChoiceGroup*>(QString::fromLatin1(name));
        ASSERT_NE(group, nullptr) << name;
        EXPECT_EQ(group->title(), QStringLiteral("Selected Frame Byte"));
        QStringList texts;
        for (int i = 0; i < group->count(); ++i)
            texts << group->item(i)->text();
        EXPECT_EQ(texts, items);
        EXPECT_EQ(group->itemIndex(), 0);
    }
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    for (const char* text : {"Correlated", "COB-ID Frame", "MODBUS", "Index MODBUS", "Tanslate in",
                             "High MODBUS Byte", "Low MODBUS Byte"})
        EXPECT_TRUE(labels.contains(QString::fromLatin1(text))) << text;
    const std::pair<const char*, const char*> buttons[] = {
        {"DELETEa", "Delete"}, {"NewA", "New"},       {"ModifyA", "Modify"},  {"copyA", "Copy"},
        {"PasteA", "Paste"},   {"bitbtn1", "OK"},     {"bitbtn2", "Cancel"},  {"button1", "Export"},
        {"bitbtn4", "Import"}};
    for (const auto& [name, caption] : buttons)
        EXPECT_EQ(pushButton(dialog, name)->text(), QString::fromLatin1(caption)) << name;
    EXPECT_EQ(dialog.findChild<QTabWidget*>()->tabText(0), QStringLiteral("Can0-ModBus"));

    frames("TCobDef.xml", 2);
    showIn(5);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Transmit CAN Frame Info"));
    EXPECT_EQ(dialog.frameListBox()->count(), 2);
    EXPECT_EQ(dialog.frameListBox()->item(1)->text(), QStringLiteral("0x182"));
    EXPECT_EQ(dialog.focusWidget(), pushButton(dialog, "bitbtn1"));
    dialog.reject();
    showIn(1);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Receive CAN Frame Info"));
    EXPECT_EQ(dialog.frameListBox()->count(), 0);
}

TEST_F(MapDialog, LoadSkipsRowsBeyondTheFramesAndOkOrdersEqualIndexesLaterFirst)
{
    frames("RCobDef.xml", 2);
    writeText(file("RInfoCob.xml"), "<RInfoCob><row Index=\"5\" NrPdo=\"1\" PosComp=\"33\"/>"
                                    "<row Index=\"7\" NrPdo=\"3\" PosComp=\"0\"/>"
                                    "<row Index=\"5\" NrPdo=\"2\" PosComp=\"16\"/></RInfoCob>");
    showIn(1);
    EXPECT_TRUE(ui.messages.texts.isEmpty());
    press("bitbtn1");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(readText(file("RInfoCob.xml")), "<RInfoCob><row Index=\"5\" NrPdo=\"2\" PosComp=\"16\"/>"
                                              "<row Index=\"5\" NrPdo=\"1\" PosComp=\"33\"/></RInfoCob>");

    showIn(2);
    press("bitbtn1");
    EXPECT_EQ(readText(file("TInfoCob.xml")), "<TInfoCob/>");
}

TEST_F(MapDialog, NewModifyAndTheIndexTest)
{
    frames("RCobDef.xml", 2);
    writeText(file("RInfoCob.xml"), "<RInfoCob><row Index=\"16\" NrPdo=\"2\" PosComp=\"33\"/></RInfoCob>");
    showIn(1);

    press("NewA"); // no frame selected: nothing happens
    EXPECT_TRUE(ui.messages.texts.isEmpty());

    pickFrame(0);
    for (const char* index : {"0x10", "", "abc"}) {
        enter(index, 2, 1);
        press("NewA");
    }
    EXPECT_EQ(ui.messages.texts, QStringList({"Index or Subindex Not Valid", "'' is not a valid integer value",
                                              "'abc' is not a valid integer value"}));
    EXPECT_TRUE(registerItems().isEmpty());

    enter("20", 0, 0);
    press("NewA");
    enter("0x3", 8, 1);
    press("NewA");
    EXPECT_EQ(registerItems(), QStringList({"Ind Mb 0", "Ind Mb 1"}));
    EXPECT_EQ(dialog.registerListBox()->currentRow(), 1);
    EXPECT_EQ(dialog.indexEdit()->text(), QStringLiteral("0x3")) << "New keeps the edit box";

    pickFrame(1);
    pickEntry(0);
    EXPECT_EQ(dialog.indexEdit()->text(), QStringLiteral("16"));
    EXPECT_EQ(shownChoices(), std::make_pair(2, 1));
    dialog.lowByteGroup()->setItemIndex(0);
    press("ModifyA"); // the same index passes its own test
    enter("20", 1, 1);
    press("ModifyA");
    EXPECT_EQ(ui.messages.texts.size(), 4);
    EXPECT_EQ(ui.messages.texts.back(), QStringLiteral("Index or Subindex Not Valid"));

    press("bitbtn1");
    EXPECT_EQ(readText(file("RInfoCob.xml")), "<RInfoCob><row Index=\"0x3\" NrPdo=\"1\" PosComp=\"129\"/>"
                                              "<row Index=\"16\" NrPdo=\"2\" PosComp=\"32\"/>"
                                              "<row Index=\"20\" NrPdo=\"1\" PosComp=\"0\"/></RInfoCob>");
    showIn(1);
    pickFrame(0);
    EXPECT_EQ(registerItems(), QStringList({"Ind MB 0", "Ind MB 1"}));
    pickEntry(0);
    EXPECT_EQ(dialog.indexEdit()->text(), QStringLiteral("0x3")) << "reopened in ascending index order";
}

TEST_F(MapDialog, DeleteKeepsTheItemTextsUntilTheFrameIsPickedAgain)
{
    frames("RCobDef.xml", 1);
    writeText(file("RInfoCob.xml"), "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/>"
                                    "<row Index=\"2\" NrPdo=\"1\" PosComp=\"0\"/>"
                                    "<row Index=\"3\" NrPdo=\"1\" PosComp=\"0\"/></RInfoCob>");
    showIn(1);
    pickFrame(0);
    press("DELETEa"); // no entry selected: nothing happens
    EXPECT_EQ(registerItems().size(), 3);
    pickEntry(0);
    press("DELETEa");
    EXPECT_EQ(registerItems(), QStringList({"Ind MB 1", "Ind MB 2"}));
    pickFrame(0);
    EXPECT_EQ(registerItems(), QStringList({"Ind MB 0", "Ind MB 1"}));
    pickEntry(0);
    EXPECT_EQ(dialog.indexEdit()->text(), QStringLiteral("2"));
}

TEST_F(MapDialog, SelectingAnEntryShowsItsBytes)
{
    frames("RCobDef.xml", 1);
    writeText(file("RInfoCob.xml"), "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0x9A\"/>"
                                    "<row Index=\"2\" NrPdo=\"1\" PosComp=\"bad\"/></RInfoCob>");
    showIn(1);
    pickFrame(0);
    pickEntry(0);
    EXPECT_EQ(shownChoices(), std::make_pair(8, 8)) << "codes above 8 show as B8";
    pickEntry(1);
    EXPECT_EQ(dialog.indexEdit()->text(), QStringLiteral("2"));
    EXPECT_EQ(shownChoices(), std::make_pair(8, 8));
    EXPECT_EQ(ui.messages.texts, QStringList({"'bad' is not a valid integer value"}));
}

TEST_F(MapDialog, CopyBufferSurvivesClosingAndTheOtherMode)
{
    frames("RCobDef.xml", 1);
    showIn(1);
    enter("7", 3, 4);
    press("PasteA"); // the buffer is still empty
    EXPECT_EQ(dialog.indexEdit()->text(), QString());
    EXPECT_EQ(shownChoices(), std::make_pair(3, 4));
    EXPECT_EQ(ui.messages.texts, QStringList({"'' is not a valid integer value"}));

    enter("0x10", 2, 1);
    press("copyA");
    press("bitbtn2");
    showIn(2);
    EXPECT_EQ(dialog.indexEdit()->text(), QString());
    press("PasteA");
    EXPECT_EQ(dialog.indexEdit()->text(), QStringLiteral("0x10"));
    EXPECT_EQ(shownChoices(), std::make_pair(2, 1));
    EXPECT_EQ(dialog.copyBuffer().posComp, "33");
}

TEST_F(MapDialog, ReadFailuresAreShownAndTheMapFileIsNotReplaced)
{
    writeText(file("RCobDef.xml"), "<COBID><row CobID=\"1\"");
    const std::string map = "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/></RInfoCob>";
    writeText(file("RInfoCob.xml"), map);
    showIn(1);
    ASSERT_EQ(ui.messages.texts.size(), 1);
    EXPECT_TRUE(ui.messages.texts[0].startsWith(QStringLiteral("Error in reading file PDO XML\nCannot read file \"") +
                                                QString::fromStdString(file("RCobDef.xml").string())));
    EXPECT_FALSE(dialog.mapLoaded());
    EXPECT_FALSE(pushButton(dialog, "bitbtn1")->isEnabled());
    dialog.BitBtn1Click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(readText(file("RInfoCob.xml")), map);
    dialog.reject();

    frames("RCobDef.xml", 1);
    writeText(file("RInfoCob.xml"), "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/>"
                                    "<row Index=\"2\" NrPdo=\"0\" PosComp=\"0\"/></RInfoCob>");
    showIn(1);
    EXPECT_TRUE(ui.messages.texts.back().startsWith(QStringLiteral("Error in reading file SDOPDO XML\n")));
    EXPECT_FALSE(pushButton(dialog, "bitbtn1")->isEnabled());
    pickFrame(0);
    EXPECT_EQ(registerItems(), QStringList({"Ind MB 0"})) << "the entries read before stay";
}

TEST_F(MapDialog, MouseAndKeyboardPickFramesAndEntries)
{
    frames("RCobDef.xml", 2);
    writeText(file("RInfoCob.xml"), "<RInfoCob><row Index=\"1\" NrPdo=\"1\" PosComp=\"0\"/>"
                                    "<row Index=\"2\" NrPdo=\"1\" PosComp=\"0\"/>"
                                    "<row Index=\"3\" NrPdo=\"2\" PosComp=\"0\"/></RInfoCob>");
    showIn(1);
    const auto click = [](QListWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    };
    click(dialog.frameListBox(), 0);
    EXPECT_EQ(registerItems(), QStringList({"Ind MB 0", "Ind MB 1"}));
    click(dialog.registerListBox(), 1);
    EXPECT_EQ(dialog.indexEdit()->text(), QStringLiteral("2"));
    press("DELETEa");
    EXPECT_EQ(registerItems(), QStringList({"Ind MB 0"}));
    click(dialog.frameListBox(), 0); // the frame that is already selected
    EXPECT_EQ(registerItems(), QStringList({"Ind MB 0"}));
    EXPECT_EQ(dialog.indexEdit()->text(), QString());

    dialog.frameListBox()->setFocus();
    QTest::keyClick(dialog.frameListBox(), Qt::Key_Down);
    EXPECT_EQ(dialog.frameListBox()->currentRow(), 1);
    EXPECT_EQ(registerItems(), QStringList({"Ind MB 0"}));
    dialog.registerListBox()->setFocus();
    QTest::keyClick(dialog.registerListBox(), Qt::Key_Home);
    EXPECT_EQ(dialog.indexEdit()->text(), QStringLiteral("3"));
}
