#include "gui/frames/TFpdoMB.h"

#include "core/common/Error.h"
#include "core/frames/CanType.h"
#include "core/frames/FrameList.h"
#include "gui/frames/DbcNodeChooser.h"
#include "gui/frames/FrameGrid.h"
#include "gui/frames/ImportPlanView.h"
#include "gui/frames/WorkbookChooser.h"
#include "core/sheets/CsvExport.h"
#include "core/sheets/SheetImport.h"
#include "core/sheets/SheetReaderClient.h"
#include "core/sheets/WorkbookPlans.h"
#include "gui/widgets/GuardedCommand.h"
#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"
#include "gui/widgets/WindowPlacement.h"
#include "core/workspace/Workspace.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace cravent::gui {

namespace {

constexpr int InitialWidths[TFpdoMB::Columns] = {64, 115, 91, 139};

} // namespace

TFpdoMB::TFpdoMB(Workspace& workspace, UiServices& ui, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , workspace_(workspace)
    , ui_(ui)
    , sgA_(new FrameGrid(DataRows, Columns))
    , bitbtn1_(new PushButton(QStringLiteral("OK")))
    , bitbtn2_(new PushButton(QStringLiteral("Cancel")))
    , button1_(new PushButton(QStringLiteral("Export")))
    , bitbtn4_(new PushButton(QStringLiteral("Import")))
{
    setObjectName(QStringLiteral("FpdoMB"));
    setWindowTitle(QStringLiteral("RPDO"));
    theme::apply(this);
    resize(480, 520);

    sgA_->setObjectName(QStringLiteral("sgA"));
    sgA_->setHorizontalHeaderLabels(
        {QStringLiteral("N"), QStringLiteral("CobID"), QStringLiteral("Dimension"), QStringLiteral("Mnemonic")});
    sgA_->verticalHeader()->hide();
    sgA_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int column = 0; column < Columns; ++column)
        sgA_->setColumnWidth(column, InitialWidths[column]);
    // The column rule needs the grid's width as the layout gives it, not the dialog's.
    connect(sgA_, &FrameGrid::resized, this, &TFpdoMB::FormResize);
    for (int row = 0; row < DataRows; ++row) {
        // Column "N" is fixed: the row number, shown like a header and never edited.
        auto* number = new QTableWidgetItem;
        number->setFlags(Qt::ItemIsEnabled);
        number->setBackground(palette().button());
        sgA_->setItem(row, ColumnN, number);
        for (int column = ColumnCobId; column < Columns; ++column)
            sgA_->setItem(row, column, new QTableWidgetItem);
    }

    auto* tabs = new QTabWidget;
    tabs->addTab(sgA_, QStringLiteral("Can0-ModBus"));

    const std::pair<PushButton*, const char*> buttons[] = {
        {bitbtn1_, "bitbtn1"}, {bitbtn2_, "bitbtn2"}, {button1_, "button1"}, {bitbtn4_, "bitbtn4"}};
    auto* panel = new QHBoxLayout;
    for (const auto& [button, name] : buttons) {
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedSize(75, 25);
        panel->addWidget(button);
    }
    panel->addStretch();
    connect(bitbtn1_, &QPushButton::clicked, this,
            guarded(ui_.messages, this, &TFpdoMB::BitBtn1Click));
    connect(bitbtn2_, &QPushButton::clicked, this, &QDialog::reject);
    connect(button1_, &QPushButton::clicked, this,
            guarded(ui_.messages, this, &TFpdoMB::Button1Click));
    connect(bitbtn4_, &QPushButton::clicked, this,
            guarded(ui_.messages, this, &TFpdoMB::BitBtn4Click));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(panel);
}

QString TFpdoMB::cellText(int row, int column) const
{
    const QTableWidgetItem* item = sgA_->item(row - 1, column);
    return item ? item->text() : QString();
}

void TFpdoMB::setCellText(int row, int column, const QString& text)
{
    if (QTableWidgetItem* item = sgA_->item(row - 1, column); item && column != ColumnN)
        item->setText(text);
}

void TFpdoMB::clearDataCells()
{
    for (int row = 1; row <= DataRows; ++row)
        for (int column = ColumnCobId; column < Columns; ++column)
            setCellText(row, column, QString());
}

std::vector<project::Frame> TFpdoMB::gridRows() const
{
    std::vector<project::Frame> rows;
    for (int row = 1; row <= DataRows; ++row)
        rows.push_back({cellText(row, ColumnCobId).toStdString(),
                        cellText(row, ColumnDimension).toStdString(),
                        cellText(row, ColumnMnemonic).toStdString()});
    return rows;
}

std::vector<project::Frame> TFpdoMB::listedFrames() const
{
    return frames::listUpToFirstEmptyCobId(gridRows());
}

bool TFpdoMB::dropRowsAfterGap()
{
    const auto gap = frames::rowsAfterGap(gridRows());
    if (!gap)
        return true;
    const std::size_t count = gap->dropped.size();
    QString text =
        QStringLiteral("Row %1 has no CobID, so the frame list ends there. ").arg(gap->gapRow);
    text += count == 1 ? QStringLiteral("Row %1 after it is filled and would not be saved.")
                       : QStringLiteral("Rows %1 after it are filled and would not be saved.");
    text = text.arg(QString::fromStdString(frames::rowRanges(gap->dropped)));
    text += gap->gapRow == 1
                ? QStringLiteral("\n\nSave an empty frame list?")
                : QStringLiteral("\n\nSave only the frames of rows 1 to %1?").arg(gap->gapRow - 1);
    return ui_.messages.ask(this, text);
}

std::filesystem::path TFpdoMB::listFile() const
{
    return workspace_.project().frameFile(direction());
}

void TFpdoMB::setListLoaded(bool loaded)
{
    listLoaded_ = loaded;
    for (PushButton* button : {bitbtn1_, button1_, bitbtn4_})
        button->setEnabled(loaded);
    sgA_->setEditTriggers(loaded ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                       QAbstractItemView::AnyKeyPressed
                                 : QAbstractItemView::NoEditTriggers);
}

void TFpdoMB::FormShow()
{
    sgA_->setCurrentCell(-1, -1);
    clearDataCells();
    for (int row = 1; row <= DataRows; ++row)
        sgA_->item(row - 1, ColumnN)->setText(QString::number(row));
    setWindowTitle(direction() == Direction::Receive ? QStringLiteral("Receive CAN Frame")
                                                              : QStringLiteral("Transmit CAN Frame"));
    try {
        const std::vector<project::Frame> list = frames::loadList(listFile());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const int row = static_cast<int>(i) + 1;
            setCellText(row, ColumnCobId, QString::fromStdString(list[i].cobId));
            setCellText(row, ColumnDimension, QString::fromStdString(list[i].dimension));
            setCellText(row, ColumnMnemonic, QString::fromStdString(list[i].mnemonic));
        }
        setListLoaded(true);
        bitbtn1_->setFocus();
    } catch (const Error& error) {
        // A file that cannot be shown whole must not be replaced by what the grid holds.
        setListLoaded(false);
        bitbtn2_->setFocus();
        ui_.messages.show(this, QString::fromStdString(error.what()), Messages::Icon::Error);
    }
}

void TFpdoMB::FormResize()
{
    const int width = frames::gridColumnWidth(sgA_->width(), Columns);
    for (int column = 0; column < Columns; ++column)
        sgA_->setColumnWidth(column, width);
}

void TFpdoMB::BitBtn1Click()
{
    if (!listLoaded_)
        return;
    // Rows after the first empty CobID are not part of the list; they are not dropped unasked.
    if (!dropRowsAfterGap())
        return;
    const std::vector<project::Frame> list = listedFrames();
    try {
        const auto canType = frames::readProjectCanType(workspace_.project().pargen());
        if (const auto failure = frames::checkList(list, canType)) {
            ui_.messages.show(this, QString::fromStdString(failure->message()), Messages::Icon::Error);
            return;
        }
        project::writeFrames(listFile(), list);
    } catch (const Error& error) {
        ui_.messages.show(this, QString::fromStdString(error.what()), Messages::Icon::Error);
        return;
    }
    accept();
}

void TFpdoMB::Button1Click()
{
    try {
        sheets::writeExportFile(workspace_.ProjectDir(), sheets::FrameListExportName,
                                sheets::frameListCsv(listedFrames()));
    } catch (const Error& error) {
        ui_.messages.show(this, QString::fromStdString(error.what()), Messages::Icon::Error);
    }
}

void TFpdoMB::BitBtn4Click()
{
    const auto workbook = chooseWorkbook(this, ui_, workspace_.ProjectDir());
    if (!workbook)
        return;
    std::optional<frames::FrameListPlan> plan;
    if (dbc::isDbcFile(*workbook)) {
        plan = planDbcFrames(this, ui_, *workbook, workspace_.ProjectDir(), direction());
    } else {
        const sheets::WorksheetRead read = sheets::readWorksheet(*workbook, sheets::FrameListSheet);
        const auto filled = [this] {
            std::size_t rows = 0;
            for (const project::Frame& row : gridRows())
                if (!row.cobId.empty() || !row.dimension.empty() || !row.mnemonic.empty())
                    ++rows;
            return rows;
        };
        // The editor's list is checked at "OK", against the CAN type of that moment.
        plan = sheets::planFrameList(*workbook, read, {filled, {}}, frames::CanType::A, {});
    }
    // A refused import leaves the grid as it was.
    if (!plan || showRefusal(this, ui_, plan->source, plan->notes, plan->refusal))
        return;
    clearDataCells();
    for (std::size_t k = 0; k < plan->rows.size(); ++k) {
        const int row = static_cast<int>(k) + 1;
        setCellText(row, ColumnCobId, QString::fromStdString(plan->rows[k].cobId));
        setCellText(row, ColumnDimension, QString::fromStdString(plan->rows[k].dimension));
        setCellText(row, ColumnMnemonic, QString::fromStdString(plan->rows[k].mnemonic));
    }
    showNotes(this, ui_, plan->notes);
}

void TFpdoMB::showEvent(QShowEvent* event)
{
    if (beginsShowing(event)) {
        centreOnScreen(this);
        runGuarded(ui_.messages, this, [this] { FormShow(); });
    }
    QDialog::showEvent(event);
}

} // namespace cravent::gui
