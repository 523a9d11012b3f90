#include "FrameDialogTest.h"

#include "gui/app/TFCraventeFirmWare.h"
#include "gui/frames/TFInfopdoMB.h"
#include "gui/frames/TFpdoMB.h"

#include "gui/frames/ChoiceGroup.h"

#include <QLineEdit>
#include <memory>
#include <QListWidget>

using namespace cravent;
using cravent::gui::TFCraventeFirmWare;
using cravent::gui::TFInfopdoMB;
using cravent::gui::TFpdoMB;
using cravent::test::readText;
using cravent::test::writeText;

namespace {

struct MainWindowFrames : test::ProjectFixture {
    std::unique_ptr<TFCraventeFirmWare> window;
    void startUp() override { window = std::make_unique<TFCraventeFirmWare>(workspace, ui.services); }
};

} // namespace

TEST_F(MainWindowFrames, EachButtonOpensItsDialogInItsMode)
{
    const struct {
        const char* button;
        bool frameList;
        int mode;
        const char* caption;
    } cases[] = {
        {"btn_RCOB", true, 1, "Receive CAN Frame"},
        {"btn_TCOB", true, 2, "Transmit CAN Frame"},
        {"btn_Info_RCOB", false, 1, "Receive CAN Frame Info"},
        {"btn_Info_TCOB", false, 2, "Transmit CAN Frame Info"},
        {"btn_RCOB", true, 1, "Receive CAN Frame"},
    };
    for (const auto& c : cases) {
        QString opened;
        int mode = 0;
        bool frameList = false;
        const auto dialogWatch = test::whenModalOpens([&](QDialog* dialog) {
            opened = dialog->windowTitle();
            if (auto* list = qobject_cast<TFpdoMB*>(dialog)) {
                frameList = true;
                mode = list->mode();
            } else if (auto* map = qobject_cast<TFInfopdoMB*>(dialog)) {
                mode = map->mode();
            }
            dialog->reject();
        });
        pushButton(*window, c.button)->click();
        EXPECT_EQ(opened, QString::fromLatin1(c.caption)) << c.button;
        EXPECT_EQ(frameList, c.frameList) << c.button;
        EXPECT_EQ(mode, c.mode) << c.button;
    }
    EXPECT_TRUE(ui.messages.texts.isEmpty());
}

TEST_F(MainWindowFrames, CancelledReceiveEditsDoNotReachTheTransmitList)
{
    project::writeFrames(file("RCobDef.xml"), {{"0x181", "8", "rx"}});
    project::writeFrames(file("TCobDef.xml"), {{"0x201", "4", "tx"}, {"0x202", "2", ""}});
    const std::string receive = readText(file("RCobDef.xml"));

    const auto receiveListWatch = test::whenModalOpens([](QDialog* dialog) {
        auto* list = qobject_cast<TFpdoMB*>(dialog);
        EXPECT_EQ(list->cellText(1, TFpdoMB::ColumnCobId), QStringLiteral("0x181"));
        list->setCellText(1, TFpdoMB::ColumnCobId, QStringLiteral("0x999"));
        list->setCellText(2, TFpdoMB::ColumnCobId, QStringLiteral("7"));
        ProjectFixture::pushButton(*dialog, "bitbtn2")->click();
    });
    pushButton(*window, "btn_RCOB")->click();

    std::vector<project::Frame> shown;
    const auto transmitListWatch = test::whenModalOpens([&](QDialog* dialog) {
        shown = qobject_cast<TFpdoMB*>(dialog)->listedFrames();
        dialog->reject();
    });
    pushButton(*window, "btn_TCOB")->click();
    EXPECT_EQ(shown, (std::vector<project::Frame>{{"0x201", "4", "tx"}, {"0x202", "2", ""}}));
    EXPECT_EQ(readText(file("RCobDef.xml")), receive);
}

TEST_F(MainWindowFrames, FrameListThenMapThroughTheMainWindow)
{
    const auto frameListWatch = test::whenModalOpens([](QDialog* dialog) {
        auto* list = qobject_cast<TFpdoMB*>(dialog);
        list->setCellText(1, TFpdoMB::ColumnCobId, QStringLiteral("0x181"));
        list->setCellText(1, TFpdoMB::ColumnDimension, QStringLiteral("8"));
        list->setCellText(1, TFpdoMB::ColumnMnemonic, QStringLiteral("Speed"));
        list->setCellText(2, TFpdoMB::ColumnCobId, QStringLiteral("641"));
        list->setCellText(2, TFpdoMB::ColumnDimension, QStringLiteral("2"));
        ProjectFixture::pushButton(*dialog, "bitbtn1")->click();
    });
    pushButton(*window, "btn_RCOB")->click();
    EXPECT_EQ(readText(file("RCobDef.xml")),
              "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"Speed\"/>"
              "<row CobID=\"641\" Dimensin=\"2\" Mnemonic=\"\"/></COBID>");

    const auto frameMapWatch = test::whenModalOpens([](QDialog* dialog) {
        auto* map = qobject_cast<TFInfopdoMB*>(dialog);
        const std::pair<int, const char*> entries[] = {{1, "1"}, {0, "0"}};
        for (const auto& [frame, index] : entries) {
            map->frameListBox()->setCurrentRow(frame);
            map->indexEdit()->setText(QString::fromLatin1(index));
            map->highByteGroup()->setItemIndex(frame == 0 ? 2 : 1);
            map->lowByteGroup()->setItemIndex(frame == 0 ? 1 : 0);
            ProjectFixture::pushButton(*dialog, "NewA")->click();
        }
        ProjectFixture::pushButton(*dialog, "bitbtn1")->click();
    });
    pushButton(*window, "btn_Info_RCOB")->click();
    EXPECT_EQ(readText(file("RInfoCob.xml")), "<RInfoCob><row Index=\"0\" NrPdo=\"1\" PosComp=\"33\"/>"
                                              "<row Index=\"1\" NrPdo=\"2\" PosComp=\"16\"/></RInfoCob>");
    EXPECT_TRUE(ui.messages.texts.isEmpty());
}

TEST_F(MainWindowFrames, NoProjectNoDialog)
{
    workspace.finishOpenProject(std::filesystem::path());
    ASSERT_FALSE(workspace.hasValidProject());
    for (const char* name : {"btn_RCOB", "btn_TCOB", "btn_Info_RCOB", "btn_Info_TCOB"})
        pushButton(*window, name)->click();
    EXPECT_EQ(ui.messages.texts, QStringList(4, QStringLiteral("Project not valid")));
}
