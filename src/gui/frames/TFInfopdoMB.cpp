#include "gui/frames/TFInfopdoMB.h"

#include "core/common/Error.h"
#include "core/common/IntegerText.h"
#include "gui/frames/ChoiceGroup.h"
#include "gui/frames/DbcNodeChooser.h"
#include "gui/frames/ImportPlanView.h"
#include "gui/frames/ListBoxClicks.h"
#include "gui/frames/WorkbookChooser.h"
#include "core/sheets/CsvExport.h"
#include "core/sheets/SheetImport.h"
#include "core/sheets/WorkbookPlans.h"
#include "core/sheets/SheetReaderClient.h"
#include "gui/widgets/GuardedCommand.h"
#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"
#include "gui/widgets/WindowPlacement.h"
#include "core/workspace/Workspace.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

namespace cravent::gui {

namespace {

QStringList byteItems()
{
    QStringList items{QStringLiteral("none")};
    for (int byte = 1; byte <= frames::LastByte; ++byte)
        items << QStringLiteral("B%1").arg(byte);
    return items;
}

PushButton* button(const char* name, const char* caption)
{
    auto* b = new PushButton(QString::fromLatin1(caption));
    b->setObjectName(QString::fromLatin1(name));
    b->setFixedSize(75, 25);
    return b;
}

QLabel* label(const char* text)
{
    return new QLabel(QString::fromLatin1(text));
}

} // namespace

TFInfopdoMB::TFInfopdoMB(Workspace& workspace, UiServices& ui, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , workspace_(workspace)
    , ui_(ui)
    , LPdoCanA_(new QListWidget)
    , LIndMbCanA_(new QListWidget)
    , EindexA_(new QLineEdit)
    , PoscompMsbA_(new ChoiceGroup(QStringLiteral("Selected Frame Byte"), byteItems()))
    , PoscompLsbA_(new ChoiceGroup(QStringLiteral("Selected Frame Byte"), byteItems()))
    , bitbtn1_(button("bitbtn1", "OK"))
    , bitbtn2_(button("bitbtn2", "Cancel"))
    , button1_(button("button1", "Export"))
    , bitbtn4_(button("bitbtn4", "Import"))
{
    setObjectName(QStringLiteral("FInfopdoMB"));
    setWindowTitle(QStringLiteral("INFOPDO"));
    theme::apply(this);

    LPdoCanA_->setObjectName(QStringLiteral("LPdoCanA"));
    LIndMbCanA_->setObjectName(QStringLiteral("LIndMbCanA"));
    EindexA_->setObjectName(QStringLiteral("EindexA"));
    PoscompMsbA_->setObjectName(QStringLiteral("PoscompMsbA"));
    PoscompLsbA_->setObjectName(QStringLiteral("PoscompLsbA"));
    for (QListWidget* list : {LPdoCanA_, LIndMbCanA_}) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setFixedWidth(120);
    }

    auto* deleteA = button("DELETEa", "Delete");
    auto* newA = button("NewA", "New");
    auto* modifyA = button("ModifyA", "Modify");
    auto* copyA = button("copyA", "Copy");
    auto* pasteA = button("PasteA", "Paste");

    auto* frameColumn = new QVBoxLayout;
    frameColumn->addWidget(label("Correlated"));
    frameColumn->addWidget(label("COB-ID Frame"));
    frameColumn->addWidget(LPdoCanA_);
    auto* registerColumn = new QVBoxLayout;
    registerColumn->addWidget(label("MODBUS"));
    registerColumn->addWidget(LIndMbCanA_);

    auto* entry = new QGridLayout;
    entry->addWidget(label("Index MODBUS"), 0, 0, 1, 2);
    entry->addWidget(EindexA_, 1, 0, 1, 2);
    entry->addWidget(label("Tanslate in"), 2, 0, 1, 2);
    entry->addWidget(label("High MODBUS Byte"), 3, 0);
    entry->addWidget(label("Low MODBUS Byte"), 3, 1);
    entry->addWidget(PoscompMsbA_, 4, 0);
    entry->addWidget(PoscompLsbA_, 4, 1);
    auto* editButtons = new QHBoxLayout;
    for (PushButton* b : {deleteA, newA, modifyA, copyA, pasteA})
        editButtons->addWidget(b);
    entry->addLayout(editButtons, 5, 0, 1, 2);

    auto* page = new QWidget;
    auto* pageLayout = new QHBoxLayout(page);
    pageLayout->addLayout(frameColumn);
    pageLayout->addLayout(registerColumn);
    pageLayout->addLayout(entry);
    auto* tabs = new QTabWidget;
    tabs->addTab(page, QStringLiteral("Can0-ModBus"));

    auto* panel = new QHBoxLayout;
    for (PushButton* b : {bitbtn1_, bitbtn2_, button1_, bitbtn4_})
        panel->addWidget(b);
    panel->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(panel);
    // Tab follows the columns as drawn, then the rows of buttons.
    QWidget* const drawn[] = {LPdoCanA_, LIndMbCanA_, EindexA_, PoscompMsbA_, PoscompLsbA_, deleteA,
                              newA, modifyA, copyA, pasteA, bitbtn1_, bitbtn2_, button1_, bitbtn4_};
    for (std::size_t i = 1; i < std::size(drawn); ++i)
        setTabOrder(drawn[i - 1], drawn[i]);
    // Sized once here: the size the first showing would pick for itself is not kept by later ones.
    resize(sizeHint());

    onListBoxClick(LPdoCanA_, guarded(ui_.messages, this, &TFInfopdoMB::LPdoCanAClick));
    onListBoxClick(LIndMbCanA_, guarded(ui_.messages, this, &TFInfopdoMB::LIndMbCanAClick));
    const std::pair<QAbstractButton*, void (TFInfopdoMB::*)()> commands[] = {
        {deleteA, &TFInfopdoMB::DeleteAClick}, {newA, &TFInfopdoMB::NewAClick},
        {modifyA, &TFInfopdoMB::ModifyAClick}, {copyA, &TFInfopdoMB::CopyAClick},
        {pasteA, &TFInfopdoMB::PasteAClick},   {bitbtn1_, &TFInfopdoMB::BitBtn1Click},
        {button1_, &TFInfopdoMB::Button1Click}, {bitbtn4_, &TFInfopdoMB::BitBtn4Click},
    };
    for (const auto& [button, handler] : commands)
        connect(button, &QAbstractButton::clicked, this, guarded(ui_.messages, this, handler));
    connect(bitbtn2_, &QPushButton::clicked, this, &QDialog::reject);
    clearRegisterControls();
}

void TFInfopdoMB::clearRegisterControls()
{
    const QSignalBlocker blocker(LIndMbCanA_);
    LIndMbCanA_->clear();
    EindexA_->clear();
    PoscompMsbA_->setItemIndex(frames::NoByte);
    PoscompLsbA_->setItemIndex(frames::NoByte);
}

frames::ByteChoices TFInfopdoMB::choices() const
{
    return {std::max(PoscompMsbA_->itemIndex(), 0), std::max(PoscompLsbA_->itemIndex(), 0)};
}

void TFInfopdoMB::showChoices(frames::ByteChoices choices)
{
    PoscompMsbA_->setItemIndex(choices.high);
    PoscompLsbA_->setItemIndex(choices.low);
}

std::optional<frames::EntryRef> TFInfopdoMB::selectedEntry() const
{
    const int frame = LPdoCanA_->currentRow();
    const int position = LIndMbCanA_->currentRow();
    if (frame < 0 || position < 0 ||
        static_cast<std::size_t>(position) >= map_.frames().at(static_cast<std::size_t>(frame)).entries.size())
        return std::nullopt;
    return frames::EntryRef{static_cast<std::size_t>(frame), static_cast<std::size_t>(position)};
}

void TFInfopdoMB::showError(const std::exception& error)
{
    ui_.messages.show(this, QString::fromStdString(error.what()), Messages::Icon::Error);
}

void TFInfopdoMB::FormShow()
{
    {
        const QSignalBlocker blocker(LPdoCanA_);
        LPdoCanA_->clear();
    }
    clearRegisterControls();
    setWindowTitle(direction() == Direction::Receive ? QStringLiteral("Receive CAN Frame Info")
                                                              : QStringLiteral("Transmit CAN Frame Info"));
    const ProjectFolder project = workspace_.project();
    const frames::MapLoadReport report =
        map_.load(project.frameFile(direction()), project.mapFile(direction()));
    {
        const QSignalBlocker blocker(LPdoCanA_);
        for (const frames::TClPdo& frame : map_.frames())
            LPdoCanA_->addItem(QString::fromStdString(frame.cobId));
    }
    mapLoaded_ = report.complete();
    bitbtn1_->setEnabled(mapLoaded_);
    bitbtn4_->setEnabled(mapLoaded_);
    (mapLoaded_ ? bitbtn1_ : bitbtn2_)->setFocus();
    for (const auto& problem : {report.frameFileError, report.mapFileError})
        if (problem)
            ui_.messages.show(this, QString::fromStdString(*problem), Messages::Icon::Error);
}

void TFInfopdoMB::LPdoCanAClick()
{
    const int frame = LPdoCanA_->currentRow();
    if (frame < 0)
        return;
    clearRegisterControls();
    const QSignalBlocker blocker(LIndMbCanA_);
    const auto& entries = map_.frames().at(static_cast<std::size_t>(frame)).entries;
    for (std::size_t i = 0; i < entries.size(); ++i)
        LIndMbCanA_->addItem(QStringLiteral("Ind MB %1").arg(i));
}

void TFInfopdoMB::LIndMbCanAClick()
{
    const auto selected = selectedEntry();
    if (!selected)
        return;
    const frames::TClIndMB& entry = map_.frames()[selected->frame].entries[selected->position];
    EindexA_->setText(QString::fromStdString(entry.index));
    try {
        showChoices(frames::choicesOf(toInteger(entry.posComp)));
    } catch (const Error& error) {
        showError(error);
    }
}

void TFInfopdoMB::NewAClick()
{
    const int frame = LPdoCanA_->currentRow();
    if (frame < 0)
        return;
    try {
        map_.addEntry(static_cast<std::size_t>(frame), EindexA_->text().toStdString(), choices());
    } catch (const Error& error) {
        showError(error);
        return;
    }
    const QSignalBlocker blocker(LIndMbCanA_);
    const int before = LIndMbCanA_->count();
    LIndMbCanA_->addItem(QStringLiteral("Ind Mb %1").arg(before));
    LIndMbCanA_->setCurrentRow(before);
}

void TFInfopdoMB::ModifyAClick()
{
    const auto selected = selectedEntry();
    if (!selected)
        return;
    try {
        map_.modifyEntry(*selected, EindexA_->text().toStdString(), choices());
    } catch (const Error& error) {
        showError(error);
    }
}

void TFInfopdoMB::DeleteAClick()
{
    const auto selected = selectedEntry();
    if (!selected)
        return;
    map_.deleteEntry(*selected);
    const QSignalBlocker blocker(LIndMbCanA_);
    delete LIndMbCanA_->takeItem(static_cast<int>(selected->position));
    LIndMbCanA_->setCurrentRow(-1);
}

void TFInfopdoMB::CopyAClick()
{
    copyBuffer_ = frames::copyOf(EindexA_->text().toStdString(), choices());
}

void TFInfopdoMB::PasteAClick()
{
    EindexA_->setText(QString::fromStdString(copyBuffer_.index));
    try {
        showChoices(frames::pastedChoices(copyBuffer_));
    } catch (const Error& error) {
        showError(error);
    }
}

void TFInfopdoMB::BitBtn1Click()
{
    if (!mapLoaded_)
        return;
    try {
        map_.save(workspace_.project().mapFile(direction()), direction());
    } catch (const Error& error) {
        showError(error);
        return;
    }
    accept();
}

void TFInfopdoMB::Button1Click()
{
    try {
        sheets::writeExportFile(workspace_.ProjectDir(), sheets::mapExportName(direction()),
                                sheets::mapCsv(map_.frames()));
    } catch (const Error& error) {
        showError(error);
    }
}

void TFInfopdoMB::BitBtn4Click()
{
    const auto workbook = chooseWorkbook(this, ui_, workspace_.ProjectDir());
    if (!workbook)
        return;
    std::optional<frames::MapPlan> plan;
    if (dbc::isDbcFile(*workbook)) {
        plan = planDbcMap(this, ui_, *workbook, workspace_.ProjectDir(), direction(),
                          map_.frames());
    } else {
        const sheets::WorksheetRead read =
            sheets::readWorksheet(*workbook, sheets::mapSheetName(direction()));
        plan = sheets::planMap(*workbook, direction(), read, map_.frames(), {}, {});
    }
    // A refused import leaves every entry as it was.
    if (!plan ||
        showRefusal(this, ui_, plan->source, plan->notes, plan->refusal, "The map was not changed."))
        return;
    frames::applyMap(*plan, map_.frames());
    // The frame that stays selected shows its new entries at once.
    LPdoCanAClick();
    if (LPdoCanA_->currentRow() < 0)
        clearRegisterControls();
    showNotes(this, ui_, plan->notes);
}

void TFInfopdoMB::showEvent(QShowEvent* event)
{
    if (beginsShowing(event)) {
        centreOnScreen(this);
        runGuarded(ui_.messages, this, [this] { FormShow(); });
    }
    QDialog::showEvent(event);
}

} // namespace cravent::gui
