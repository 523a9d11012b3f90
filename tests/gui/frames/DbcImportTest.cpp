// Import from a CAN database in both frame editors: the filter, the node chooser, refusals that
// leave the editor as it was, and what "OK" then saves, byte selection by byte selection.

#include "FrameDialogTest.h"
#include "gui/frames/DbcNodeChooser.h"
#include "gui/frames/TFInfopdoMB.h"
#include "gui/frames/TFpdoMB.h"

#include <QApplication>
#include <QListWidget>
#include <QTimer>

using namespace cravent;
using cravent::gui::DbcNodeChooser;
using cravent::gui::TFInfopdoMB;
using cravent::gui::TFpdoMB;
using cravent::test::readText;
using cravent::test::writeText;

namespace {

const std::filesystem::path Fixtures = std::filesystem::path(CRAVENT_FIXTURES) / "dbc";
const std::string OldFrames = "<COBID><row CobID=\"0x7FF\" Dimensin=\"1\" Mnemonic=\"old\"/></COBID>";

template <class Dialog> struct DbcEditorFixture : test::ProjectFixture {
    Dialog dialog{workspace, ui.services};
    QStringList offeredNodes;
    bool chooserShown = false;

    void showIn(int mode)
    {
        dialog.setMode(static_cast<std::uint8_t>(mode));
        dialog.show();
    }
    // Imports `file`, answering the node chooser, if it opens, with `node` (nothing cancels
    // it). The watcher lives only as long as the click.
    void importFrom(const std::filesystem::path& file, std::optional<QString> node)
    {
        chooserShown = false;
        QTimer watcher;
        watcher.setInterval(5);
        QObject::connect(&watcher, &QTimer::timeout, [this, node, &watcher] {
            auto* chooser = qobject_cast<DbcNodeChooser*>(QApplication::activeModalWidget());
            if (!chooser)
                return;
            watcher.stop();
            chooserShown = true;
            offeredNodes.clear();
            for (int i = 0; i < chooser->nodeList()->count(); ++i)
                offeredNodes << chooser->nodeList()->item(i)->text();
            const auto found = node ? chooser->nodeList()->findItems(*node, Qt::MatchExactly)
                                    : QList<QListWidgetItem*>();
            if (found.size() != 1) {
                chooser->reject();
                return;
            }
            chooser->nodeList()->setCurrentItem(found.front());
            chooser->accept();
        });
        watcher.start();
        ui.choosers.files << QString::fromStdString(file.string());
        pushButton(dialog, "bitbtn4")->click();
    }
};

struct FrameListDbcImport : DbcEditorFixture<TFpdoMB> {
    QStringList row(int r) const
    {
        return {dialog.cellText(r, TFpdoMB::ColumnCobId), dialog.cellText(r, TFpdoMB::ColumnDimension),
                dialog.cellText(r, TFpdoMB::ColumnMnemonic)};
    }
};

TEST_F(FrameListDbcImport, TheNodeChosenFillsTheGridAndOkSavesIt)
{
    writeText(file("RCobDef.xml"), OldFrames);
    showIn(1);
    importFrom(Fixtures / "gateway.dbc", QStringLiteral("GW"));
    EXPECT_TRUE(ui.choosers.lastFilters.contains(QStringLiteral("CAN database (*.dbc)")));
    EXPECT_EQ(ui.choosers.lastFilters.front(), QStringLiteral("File EXCEL (*.xls)"));
    EXPECT_TRUE(chooserShown);
    EXPECT_EQ(offeredNodes, QStringList({DbcNodeChooser::AllMessages, "GW", "ECU", "DASH"}));
    EXPECT_EQ(row(1), QStringList({"0x181", "8", "EngineStatus"}));
    EXPECT_EQ(row(2), QStringList({"0x281", "4", "Dashboard"}));
    EXPECT_EQ(row(3), QStringList({"", "", ""}));
    EXPECT_TRUE(ui.messages.texts.isEmpty()) << ui.messages.texts.join('|').toStdString();
    EXPECT_EQ(readText(file("RCobDef.xml")), OldFrames) << "saved before OK";
    pushButton(dialog, "bitbtn1")->click();
    EXPECT_EQ(readText(file("RCobDef.xml")),
              "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"EngineStatus\"/>"
              "<row CobID=\"0x281\" Dimensin=\"4\" Mnemonic=\"Dashboard\"/></COBID>");

    // Transmit, every message of the file in file order; Windows-1252 names arrive as text.
    showIn(2);
    importFrom(Fixtures / "cp1252.dbc", QString::fromLatin1(DbcNodeChooser::AllMessages));
    EXPECT_EQ(row(1), QStringList({"0x190", "2", QString::fromUtf8("Temp\u00e9rature")}));
    EXPECT_EQ(row(2), QStringList({"0x191", "2", QString::fromUtf8("Dr\u00fccke\u00c6")}));
}

TEST_F(FrameListDbcImport, RefusalsAndCancelLeaveTheGridAsItWas)
{
    writeText(file("RCobDef.xml"), OldFrames);
    const std::filesystem::path garbage = project / "garbage.dbc";
    writeText(garbage, "{{{{ not a CAN database\n\x01\x02\n");
    const std::filesystem::path binary = project / "binary.dbc";
    writeText(binary, std::string("\x7f" "ELF\0\0\0", 7));
    writeText(project / "extended-only.dbc", "BU_: GW ECU\nBO_ 2566844926 CruiseControl: 8 ECU\n SG_ S : 0|8@1+ (1,0) [0|1] \"\" GW\n");
    const struct {
        const char* what;
        std::filesystem::path file;
        std::optional<QString> node;
        QString lastMessage; // the start of it; empty: no message
    } cases[] = {
        {"only 29-bit identifiers in a 2.0A project", project / "extended-only.dbc", QStringLiteral("GW"),
         QStringLiteral("1 message cannot be a frame of this project, so no message was taken:\n"
                        "  CruiseControl (0x18FEF1FE, 29-bit): a 29-bit identifier in a CAN 2.0A project")},
        {"the chooser cancelled", Fixtures / "gateway.dbc", std::nullopt, QString()},
        {"garbage", garbage, std::nullopt, QString::fromStdString("\"" + garbage.string() + "\" holds no CAN message.")},
        {"a binary file", binary, std::nullopt, QStringLiteral("Cannot read file \"")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ui.messages.texts.clear();
        showIn(1);
        const QStringList before = row(1);
        importFrom(c.file, c.node);
        if (c.lastMessage.isEmpty()) {
            EXPECT_TRUE(ui.messages.texts.isEmpty()) << ui.messages.texts.join('|').toStdString();
        } else {
            ASSERT_FALSE(ui.messages.texts.isEmpty());
            EXPECT_TRUE(ui.messages.texts.back().startsWith(c.lastMessage))
                << ui.messages.texts.back().toStdString();
        }
        EXPECT_EQ(row(1), before);
        EXPECT_EQ(row(1), QStringList({"0x7FF", "1", "old"}));
        dialog.reject();
        EXPECT_EQ(readText(file("RCobDef.xml")), OldFrames);
    }
    writeText(project / "quiet.dbc", "BU_: GW ECU\nBO_ 1 A: 8 ECU\n SG_ S : 0|8@1+ (1,0) [0|1] \"\" GW\n");
    ui.messages.texts.clear();
    showIn(2);
    importFrom(project / "quiet.dbc", QStringLiteral("GW"));
    EXPECT_EQ(ui.messages.texts, QStringList({QStringLiteral("Node \"GW\" transmits no message.")}));
    EXPECT_TRUE(row(1).join("").isEmpty()); // the empty transmit list stays empty
}

TEST_F(FrameListDbcImport, MessagesThatDoNotFitTheProjectAreLeftOutWithTheirReasonAndTheRestTaken)
{
    const struct {
        const char* what;
        std::filesystem::path file;
        QStringList firstRow;
        QString message; // the start of it
    } cases[] = {
        {"29-bit identifiers in a 2.0A project", Fixtures / "extended.dbc", {"0x100", "2", "StandardStatus"},
         QStringLiteral("2 messages do not fit this project and were left out:\n"
                        "  CruiseControl (0x18FEF1FE, 29-bit): a 29-bit identifier in a CAN 2.0A project\n"
                        "  PackVoltage (0x101, 29-bit): a 29-bit identifier in a CAN 2.0A project")},
        {"CAN FD", Fixtures / "canfd.dbc", {"0x124", "8", "Classic"},
         QStringLiteral("2 messages do not fit this project and were left out:\n  FdBulk (0x123): ")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ui.messages.texts.clear();
        showIn(1);
        importFrom(c.file, QStringLiteral("GW"));
        EXPECT_EQ(row(1), c.firstRow);
        ASSERT_FALSE(ui.messages.texts.isEmpty());
        EXPECT_TRUE(ui.messages.texts.back().startsWith(c.message)) << ui.messages.texts.back().toStdString();
        dialog.reject();
    }
}

TEST_F(FrameListDbcImport, ADatabaseWithoutNodesAsksNothingAndSaysWhatItSkipped)
{
    // Vector__XXX names no node; a sender or receiver named anywhere else would be one.
    writeText(project / "plain.dbc",
              "BO_ 291 A: 8 Vector__XXX\n SG_ S : 0|8@1+ (1,0) [0|1] \"\" Vector__XXX\nBO_ oops\n"
              "BO_ 292 B: 2 Vector__XXX\n");
    showIn(1);
    importFrom(project / "plain.dbc", std::nullopt);
    EXPECT_FALSE(chooserShown);
    ASSERT_EQ(ui.messages.texts.size(), 1);
    EXPECT_EQ(ui.messages.texts.front().toStdString(),
              "\"" + (project / "plain.dbc").string() +
                  "\": 1 statements could not be read and were skipped:\n"
                  "Line 3, column 5: expected message identifier (a whole number); statement skipped");
    EXPECT_EQ(row(1), QStringList({"0x123", "8", "A"}));
    EXPECT_EQ(row(2), QStringList({"0x124", "2", "B"}));
}

TEST_F(FrameListDbcImport, MoreThan250MessagesFillTheGridAndSayHowManyWereLeftOut)
{
    std::string text;
    for (int i = 1; i <= 253; ++i)
        text += "BO_ " + std::to_string(i) + " M" + std::to_string(i) + ": 8 Vector__XXX\n";
    writeText(project / "many.dbc", text);
    showIn(1);
    importFrom(project / "many.dbc", std::nullopt);
    EXPECT_EQ(row(250), QStringList({"0xFA", "8", "M250"}));
    EXPECT_EQ(ui.messages.texts,
              QStringList({QStringLiteral("The frame list holds 250 frames: the first 250 messages of the CAN "
                                          "database that fit it were imported and the 3 messages after them were left out.")}));
}

struct MapDbcImport : DbcEditorFixture<TFInfopdoMB> {
    void SetUp() override
    {
        test::ProjectFixture::SetUp();
        // The list holds the frames in another order than the database, and one it lacks.
        writeText(file("RCobDef.xml"), "<COBID><row CobID=\"641\" Dimensin=\"4\" Mnemonic=\"\"/>"
                                       "<row CobID=\"0x123\" Dimensin=\"8\" Mnemonic=\"\"/>"
                                       "<row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"\"/></COBID>");
        writeText(file("RInfoCob.xml"), "<RInfoCob><row Index=\"9\" NrPdo=\"2\" PosComp=\"1\"/></RInfoCob>");
    }
};

TEST_F(MapDbcImport, SignalsBecomeRegistersFromOneAboveTheHighestAndOkSavesTheirByteSelections)
{
    showIn(1);
    importFrom(Fixtures / "gateway.dbc", QStringLiteral("GW"));
    ASSERT_EQ(ui.messages.texts.size(), 1);
    const std::string note = ui.messages.texts.front().toStdString();
    EXPECT_EQ(note.rfind("6 registers were proposed, 10 to 15.\n4 signals were left out:\n"
                         "  Dashboard.Lamp: 1 bit: shorter than a byte\n",
                         0),
              0u)
        << note;
    EXPECT_NE(note.find("A 32-bit signal can be carried in two registers by hand"), std::string::npos);
    EXPECT_EQ(dialog.registerListBox()->count(), 0);
    pushButton(dialog, "bitbtn1")->click();
    // Speed 7|16 big-endian: high B1 low B2 = 18; Fuel byte 2: 3; Rpm 0|16 little-endian: high
    // B2 low B1 = 33; CoolantTemp byte 2: 3; OilPressure 31|16 big-endian: high B4 low B5 = 69;
    // Load 63|8: B8. Frame 2 (0x123) is not in the database and loses its old entry.
    EXPECT_EQ(readText(file("RInfoCob.xml")),
              "<RInfoCob><row Index=\"10\" NrPdo=\"1\" PosComp=\"18\"/>"
              "<row Index=\"11\" NrPdo=\"1\" PosComp=\"3\"/>"
              "<row Index=\"12\" NrPdo=\"3\" PosComp=\"33\"/>"
              "<row Index=\"13\" NrPdo=\"3\" PosComp=\"3\"/>"
              "<row Index=\"14\" NrPdo=\"3\" PosComp=\"69\"/>"
              "<row Index=\"15\" NrPdo=\"3\" PosComp=\"8\"/></RInfoCob>");
}

TEST_F(MapDbcImport, AProposalWithoutRegistersOrACancelledChooserChangesNoEntry)
{
    for (const std::optional<QString>& node : {std::optional<QString>(QStringLiteral("GW")), std::optional<QString>()}) {
        SCOPED_TRACE(node.value_or("cancelled").toStdString());
        ui.messages.texts.clear();
        showIn(1);
        // In a 2.0A project no 29-bit message matches, and 0x100 is not in the list.
        importFrom(Fixtures / "extended.dbc", node);
        EXPECT_EQ(dialog.pdoList().at(1).entries, (std::vector<frames::TClIndMB>{{"9", "1"}}));
        if (node) {
            ASSERT_EQ(ui.messages.texts.size(), 1);
            EXPECT_TRUE(ui.messages.texts.front().startsWith("No signal of the CAN database became a register."));
            EXPECT_TRUE(ui.messages.texts.front().endsWith("The map was not changed."));
        } else {
            EXPECT_TRUE(ui.messages.texts.isEmpty());
        }
        dialog.reject();
    }
}

} // namespace
