// Import and Export of both frame editors: workbooks written by other programs, the refusals
// that leave the editor as it was, and a workbook that crashes the reader costing nothing but the import.

#include "FrameDialogTest.h"
#include "core/sheets/Worksheet.h"
#include "gui/frames/ChoiceGroup.h"
#include "gui/frames/TFInfopdoMB.h"
#include "gui/frames/TFpdoMB.h"

#include <QLineEdit>
#include <QListWidget>

using namespace cravent;
using cravent::gui::TFInfopdoMB;
using cravent::gui::TFpdoMB;
using cravent::test::readText;
using cravent::test::writeText;

namespace {

const std::filesystem::path Fixtures = std::filesystem::path(CRAVENT_FIXTURES) / "sheets";
const std::string FrameHeader = "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n";
const std::string TwoFrames = "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"a\"/>"
                              "<row CobID=\"0x281\" Dimensin=\"4\" Mnemonic=\"b\"/></COBID>";

QString path(const std::filesystem::path& file)
{
    return QString::fromStdString(file.string());
}

// One of the two editors, shown in a mode, importing what the file-open dialog answers.
template <class Dialog> struct EditorFixture : test::ProjectFixture {
    Dialog dialog{workspace, ui.services};

    void showIn(int mode)
    {
        dialog.setMode(static_cast<std::uint8_t>(mode));
        dialog.show();
    }
    void importFrom(const std::filesystem::path& workbook)
    {
        ui.choosers.files << path(workbook);
        pushButton(dialog, "bitbtn4")->click();
    }
};

struct FrameListImport : EditorFixture<TFpdoMB> {
    QStringList row(int r) const
    {
        return {dialog.cellText(r, TFpdoMB::ColumnCobId),
                dialog.cellText(r, TFpdoMB::ColumnDimension),
                dialog.cellText(r, TFpdoMB::ColumnMnemonic)};
    }
    bool gridEmpty() const
    {
        for (int r = 1; r <= TFpdoMB::DataRows; ++r) {
            if (row(r) != QStringList({"", "", ""}))
                return false;
        }
        return true;
    }
};

TEST_F(FrameListImport, TheChooserOpensInTheProjectWithTheExcelFilterFirst)
{
    writeText(file("RCobDef.xml"), TwoFrames);
    showIn(1);
    pushButton(dialog, "bitbtn4")->click(); // the chooser is cancelled
    EXPECT_EQ(ui.choosers.lastFolder, path(project));
    ASSERT_FALSE(ui.choosers.lastFilters.isEmpty());
    EXPECT_EQ(ui.choosers.lastFilters.front(), QStringLiteral("File EXCEL (*.xls)"));
    EXPECT_TRUE(ui.choosers.lastFilters.contains(QStringLiteral("Excel workbook (*.xlsx)")));
    EXPECT_TRUE(
        ui.choosers.lastFilters.contains(QStringLiteral("OpenDocument spreadsheet (*.ods)")));
    EXPECT_EQ(row(1), QStringList({"0x181", "8", "a"})); // cancelled: nothing changed
}

TEST_F(FrameListImport, FillsTheGridFromWorksheetRpdodefAndSavesOnlyOnOk)
{
    for (const char* name : {"frames.xls", "frames.xlsx", "frames.ods"}) {
        SCOPED_TRACE(name);
        writeText(file("RCobDef.xml"), TwoFrames);
        showIn(1);
        importFrom(Fixtures / name); // its sheet is named RPDODEF
        EXPECT_EQ(row(1), QStringList({"0x181", "8", "Speed"}));
        EXPECT_EQ(row(2), QStringList({"641", "2", ""}));
        EXPECT_EQ(row(3), QStringList({"385", "8", QString::fromUtf8("\u00d6ldruck \u00b0C")}));
        EXPECT_EQ(row(4), QStringList({"", "", ""}));
        EXPECT_EQ(row(5), QStringList({"1.5", "-3", "x"}));
        EXPECT_TRUE(ui.messages.texts.isEmpty());
        EXPECT_EQ(readText(file("RCobDef.xml")), TwoFrames) << "changed before OK";
        dialog.reject();
    }
    showIn(2);
    importFrom(Fixtures / "frames.xls");
    // Row 5 lies after the empty row 4: saving without it is asked for.
    ui.messages.answers = {true};
    pushButton(dialog, "bitbtn1")->click();
    EXPECT_EQ(
        ui.messages.questions,
        QStringList({"Row 4 has no CobID, so the frame list ends there. Row 5 after it is "
                     "filled and would not be saved.\n\nSave only the frames of rows 1 to 3?"}));
    EXPECT_EQ(readText(file("TCobDef.xml")),
              "<COBID><row CobID=\"0x181\" Dimensin=\"8\" Mnemonic=\"Speed\"/>"
              "<row CobID=\"641\" Dimensin=\"2\" Mnemonic=\"\"/>"
              "<row CobID=\"385\" Dimensin=\"8\" Mnemonic=\"\u00d6ldruck \u00b0C\"/></COBID>");
}

// A formula shows the result its workbook stores; where none is stored the cells are named.
TEST_F(FrameListImport, FormulasShowTheirStoredResultsAndCellsWithoutOneAreNamed)
{
    for (const char* name : {"calc.xls", "calc.xlsx", "gnumeric.xls", "formula.ods"}) {
        SCOPED_TRACE(name);
        showIn(1);
        importFrom(Fixtures / name);
        EXPECT_EQ(row(1), QStringList({"385", "8", "Speed"}));
        EXPECT_EQ(row(2), QStringList({"386", "8", "OilTemp"}));
        EXPECT_EQ(row(3), QStringList({"387", "8", "Flow"}));
        EXPECT_TRUE(ui.messages.texts.isEmpty()) << ui.messages.texts.join('|').toStdString();
        dialog.reject();
    }
    for (const char* name : {"formula.xls", "formula.xlsx"}) {
        SCOPED_TRACE(name);
        ui.messages.texts.clear();
        showIn(1);
        importFrom(Fixtures / name);
        EXPECT_EQ(row(2), QStringList({"", "", ""}));
        EXPECT_EQ(ui.messages.texts,
                  QStringList({"Cells A3, B3, C3 and A4 hold formulas whose results the workbook "
                               "does not store, so they read as empty (a spreadsheet program "
                               "stores the results when it saves the workbook)."}));
        dialog.reject();
    }
}

// The frames after an empty COB-ID would be lost at "OK": the user is asked, "No" keeps the
// dialog and the file, "Yes" saves the frames before the gap.
TEST_F(FrameListImport, OkAsksBeforeDroppingTheFramesAfterAGap)
{
    writeText(file("RCobDef.xml"), TwoFrames);
    writeText(file("rpdodef.csv"), "cobid,dim\n385,8\n,\n386,8\n387,8\n,\n,,m\n");
    showIn(1);
    importFrom(file("rpdodef.csv"));
    pushButton(dialog, "bitbtn1")->click();
    EXPECT_EQ(ui.messages.questions,
              QStringList({"Row 2 has no CobID, so the frame list ends there. Rows 3-4 and 6 "
                           "after it are filled and would not be saved.\n\nSave only the frames "
                           "of rows 1 to 1?"}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(readText(file("RCobDef.xml")), TwoFrames);
    ui.messages.answers = {true};
    pushButton(dialog, "bitbtn1")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(readText(file("RCobDef.xml")),
              "<COBID><row CobID=\"385\" Dimensin=\"8\" Mnemonic=\"\"/></COBID>");
}

// No worksheet "rpdodef", no workbook at all, or one that kills the reader: the import says
// why and leaves the grid as it was, so that "OK" cannot save an emptied list.
TEST_F(FrameListImport, WhatCannotBeImportedIsSaidAndLeavesTheGridAsItWas)
{
    const struct {
        const char* name;
        QString message;
    } cases[] = {
        {"nosheet.xlsx", "Workbook \"" + path(Fixtures / "nosheet.xlsx") +
                             "\" has no worksheet \"rpdodef\" (its worksheets: "},
        {"notes.xls", "Cannot read workbook \"" + path(Fixtures / "notes.xls") + "\""},
        {"truncated.xlsx", "Cannot read workbook \"" + path(Fixtures / "truncated.xlsx") + "\""},
        {"crash.xls", "Cannot read workbook \"" + path(Fixtures / "crash.xls") + "\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.texts.clear();
        writeText(file("RCobDef.xml"), TwoFrames);
        showIn(1);
        importFrom(Fixtures / c.name);
        EXPECT_EQ(row(1), QStringList({"0x181", "8", "a"}));
        EXPECT_EQ(row(2), QStringList({"0x281", "4", "b"}));
        ASSERT_EQ(ui.messages.texts.size(), 1);
        EXPECT_TRUE(ui.messages.texts.front().startsWith(c.message))
            << ui.messages.texts.front().toStdString();
        EXPECT_TRUE(dialog.isVisible());
        pushButton(dialog, "bitbtn2")->click();
        EXPECT_EQ(readText(file("RCobDef.xml")), TwoFrames);
    }
    // The program goes on reading workbooks after the reader crashed.
    showIn(1);
    importFrom(Fixtures / "frames.ods");
    EXPECT_EQ(row(1), QStringList({"0x181", "8", "Speed"}));
}

// A worksheet without frames would empty the list that "OK" then saves: refused, said.
TEST_F(FrameListImport, AnEmptyWorksheetDoesNotEmptyTheList)
{
    writeText(file("RCobDef.xml"), TwoFrames);
    writeText(file("rpdodef.csv"), "cobid,dim,mnemonic\r\n");
    showIn(1);
    importFrom(file("rpdodef.csv"));
    EXPECT_EQ(row(1), QStringList({"0x181", "8", "a"}));
    EXPECT_EQ(ui.messages.texts,
              QStringList({"Workbook \"" + path(file("rpdodef.csv")) +
                           "\", worksheet \"rpdodef\": no frames to import, and saving would "
                           "empty the list of 2 frames."}));
}

TEST_F(FrameListImport, MoreThan250RecordsFillTheGridAndSayHowManyWereLeftOut)
{
    std::string csv = "cobid,dim,mnemonic\r\n";
    for (int i = 1; i <= 260; ++i)
        csv += std::to_string(i) + ",8,m" + std::to_string(i) + "\r\n";
    writeText(file("rpdodef.csv"), csv);
    showIn(1);
    importFrom(file("rpdodef.csv"));
    EXPECT_EQ(row(250), QStringList({"250", "8", "m250"}));
    ASSERT_EQ(ui.messages.texts.size(), 1);
    EXPECT_EQ(ui.messages.texts.front(),
              QStringLiteral("The frame list holds 250 frames: the first 250 rows of the worksheet "
                             "were imported and the 10 rows after them were left out."));
}

TEST_F(FrameListImport, ExportWritesTheGridAsItStandsAndKeepsTheOldFileOnFailure)
{
    showIn(1);
    dialog.setCellText(1, TFpdoMB::ColumnCobId, "0x181");
    dialog.setCellText(1, TFpdoMB::ColumnDimension, "8");
    dialog.setCellText(1, TFpdoMB::ColumnMnemonic, "Speed");
    dialog.setCellText(2, TFpdoMB::ColumnCobId, "641");
    dialog.setCellText(2, TFpdoMB::ColumnDimension, "2");
    dialog.setCellText(3, TFpdoMB::ColumnCobId, "0x301");
    dialog.setCellText(3, TFpdoMB::ColumnDimension, "1");
    pushButton(dialog, "button1")->click();
    EXPECT_EQ(readText(file("rpdodef.csv")),
              FrameHeader + "0x181,8,0,0,0\r\n641,2,0,0,0\r\n0x301,1,0,0,0\r\n");
    EXPECT_FALSE(std::filesystem::exists(file("RCobDef.xml"))) << "export is no save";
    EXPECT_TRUE(ui.messages.texts.isEmpty());

    // Transmit frames exported after the receive ones replace them.
    dialog.reject();
    showIn(2);
    pushButton(dialog, "button1")->click();
    EXPECT_EQ(readText(file("rpdodef.csv")), FrameHeader);

    std::filesystem::permissions(file("rpdodef.csv"), std::filesystem::perms::owner_read);
    dialog.setCellText(1, TFpdoMB::ColumnCobId, "0x181");
    pushButton(dialog, "button1")->click();
    ASSERT_EQ(ui.messages.texts.size(), 1);
    EXPECT_TRUE(ui.messages.texts.front().startsWith("Cannot create file \"" +
                                                     path(file("rpdodef.csv")) + "\". "))
        << ui.messages.texts.front().toStdString();
    EXPECT_EQ(readText(file("rpdodef.csv")), FrameHeader);
}

struct MapImport : EditorFixture<TFInfopdoMB> {
    void SetUp() override
    {
        test::ProjectFixture::SetUp();
        writeText(file("RCobDef.xml"), TwoFrames);
        writeText(file("TCobDef.xml"), TwoFrames);
        writeText(file("RInfoCob.xml"), "<RInfoCob><row Index=\"40\" NrPdo=\"1\" PosComp=\"1\"/>"
                                        "<row Index=\"41\" NrPdo=\"2\" PosComp=\"2\"/></RInfoCob>");
    }
    std::vector<frames::TClIndMB> entries(std::size_t frame)
    {
        return dialog.pdoList().at(frame).entries;
    }
};

using Entries = std::vector<frames::TClIndMB>;

TEST_F(MapImport, Mode1TakesSheetRInfoCobWhateverItsCase)
{
    showIn(1);
    dialog.frameListBox()->setCurrentRow(0);
    dialog.LPdoCanAClick();
    dialog.indexEdit()->setText("77");
    dialog.highByteGroup()->setItemIndex(3);
    importFrom(Fixtures / "frames.xlsx"); // "rinfocob"; frame 3 of two is skipped, 130 is frame 2
    EXPECT_EQ(entries(0), (Entries{{"0", "33"}, {"1", "16"}}));
    EXPECT_EQ(entries(1), (Entries{{"5", "0"}, {"0x10", "18"}}));
    // The selected frame shows its new entries at once; the entry controls are cleared.
    EXPECT_EQ(dialog.registerListBox()->count(), 2);
    EXPECT_TRUE(dialog.indexEdit()->text().isEmpty());
    EXPECT_EQ(dialog.highByteGroup()->itemIndex(), 0);
    // The record of a frame that does not exist is counted, not skipped without a word.
    ASSERT_EQ(ui.messages.texts.size(), 1);
    EXPECT_TRUE(ui.messages.texts.front().startsWith("1 row (row "));
    EXPECT_TRUE(ui.messages.texts.front().endsWith(
        ") named no frame of the list (2 frames) and was skipped."))
        << ui.messages.texts.front().toStdString();
    EXPECT_EQ(readText(file("RInfoCob.xml")).find("Index=\"0\""), std::string::npos)
        << "changed before OK";

    pushButton(dialog, "bitbtn1")->click();
    EXPECT_EQ(
        readText(file("RInfoCob.xml")),
        "<RInfoCob><row Index=\"0\" NrPdo=\"1\" PosComp=\"33\"/>"
        "<row Index=\"1\" NrPdo=\"1\" PosComp=\"16\"/><row Index=\"5\" NrPdo=\"2\" PosComp=\"0\"/>"
        "<row Index=\"0x10\" NrPdo=\"2\" PosComp=\"18\"/></RInfoCob>");
}

TEST_F(MapImport, FormulasGiveTheirStoredResultsAndCellsWithoutOneAreNamed)
{
    showIn(1);
    importFrom(Fixtures / "calc.xls"); // frame =3-2, byte selection =16+17
    EXPECT_EQ(entries(0), (Entries{{"0", "33"}}));
    EXPECT_TRUE(entries(1).empty());
    EXPECT_TRUE(ui.messages.texts.isEmpty());
    dialog.reject();
    showIn(2);
    importFrom(Fixtures / "formula.ods"); // TInfoCob: the index =1+1 has no stored result
    EXPECT_EQ(entries(0), (Entries{{"", "136"}}));
    EXPECT_EQ(ui.messages.texts,
              QStringList({"Cell A2 holds a formula whose result the workbook does not store, so "
                           "it reads as empty (a spreadsheet program stores the results when it "
                           "saves the workbook)."}));
}

// More records than the largest map: what is left out is said, not dropped silently.
TEST_F(MapImport, RecordsBeyondTheLargestMapAreCountedAndSaid)
{
    std::string csv;
    for (std::size_t i = 0; i < sheets::MaxRecordsRead + 2; ++i)
        csv += std::to_string(i) + ",1,1,\r\n";
    writeText(file("RInfoCob.csv"), csv);
    showIn(1);
    importFrom(file("RInfoCob.csv"));
    EXPECT_EQ(entries(0).size(), sheets::MaxRecordsRead);
    EXPECT_EQ(ui.messages.texts, QStringList({"A map holds at most 3721 entries: the 2 records "
                                              "from row 3723 of the worksheet on were left out."}));
}

TEST_F(MapImport, Mode1DoesNotUseSheetTInfoCobAndUnreadableWorkbooksChangeNoEntry)
{
    writeText(file("TInfoCob.csv"), "0,1,33,\r\n");
    for (const auto& workbook : {file("TInfoCob.csv"), Fixtures / "nosheet.ods",
                                 Fixtures / "crash.xls", Fixtures / "notes.xls"}) {
        SCOPED_TRACE(workbook);
        ui.messages.texts.clear();
        showIn(1);
        importFrom(workbook);
        EXPECT_EQ(entries(0), (Entries{{"40", "1"}}));
        EXPECT_EQ(entries(1), (Entries{{"41", "2"}}));
        // Said, naming the workbook, where the map editor used to stay silent.
        ASSERT_EQ(ui.messages.texts.size(), 1);
        EXPECT_TRUE(ui.messages.texts.front().contains(path(workbook)))
            << ui.messages.texts.front().toStdString();
        EXPECT_TRUE(ui.messages.texts.front().endsWith("The map was not changed."));
        dialog.reject();
    }
    // In mode 2 the same file is the transmit sheet.
    showIn(2);
    importFrom(file("TInfoCob.csv"));
    EXPECT_EQ(entries(0), (Entries{{"0", "33"}}));
}

// The map would end at a frame number that is no integer: nothing is taken, the row is named.
TEST_F(MapImport, AFrameNumberThatIsNoIntegerRefusesTheImportNamingItsRow)
{
    writeText(file("RInfoCob.csv"), "0,1,33,\r\n1,x,16,\r\n2,2,17,\r\n");
    showIn(1);
    importFrom(file("RInfoCob.csv"));
    EXPECT_EQ(entries(0), (Entries{{"40", "1"}}));
    EXPECT_EQ(entries(1), (Entries{{"41", "2"}}));
    EXPECT_EQ(ui.messages.texts,
              QStringList({"Workbook \"" + path(file("RInfoCob.csv")) +
                           "\", worksheet \"RInfoCob\", row 3: 'x' is not a valid integer value "
                           "(the frame number).\nThe map was not changed."}));
}

TEST_F(MapImport, ExportWritesTheEntriesInEditorOrder)
{
    showIn(1);
    dialog.pdoList().at(0).entries = {{"0", "33"}, {"1", "16"}};
    dialog.pdoList().at(1).entries.clear();
    pushButton(dialog, "button1")->click();
    EXPECT_EQ(readText(file("RInfoCob.csv")), "0,1,33,\r\n1,1,16,\r\n");
    EXPECT_TRUE(ui.messages.texts.isEmpty());

    dialog.reject();
    writeText(file("TInfoCob.xml"), "<TInfoCob/>");
    showIn(2);
    pushButton(dialog, "button1")->click();
    EXPECT_EQ(readText(file("TInfoCob.csv")), "");

    std::filesystem::permissions(file("TInfoCob.csv"), std::filesystem::perms::owner_read);
    dialog.pdoList().at(0).entries = {{"9", "1"}};
    pushButton(dialog, "button1")->click();
    ASSERT_EQ(ui.messages.texts.size(), 1);
    EXPECT_TRUE(
        ui.messages.texts.front().startsWith("Cannot create file \"" + path(file("TInfoCob.csv"))));
    EXPECT_EQ(readText(file("TInfoCob.csv")), "");
}

} // namespace
