#include "gui/firmware/TFModifyFileSx.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"
#include "core/common/Product.h"
#include "core/common/Texts.h"
#include "core/firmware/Composition.h"
#include "core/firmware/UpdateSequence.h"
#include "core/firmware/Flasher.h"
#include "core/workspace/Workspace.h"
#include "gui/widgets/GuardedCommand.h"
#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"
#include "gui/widgets/WindowPlacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace cravent::gui {

namespace {

namespace fs = std::filesystem;

constexpr int ClientWidth = 430;
constexpr int ClientHeight = 224;

} // namespace

TFModifyFileSx::TFModifyFileSx(Workspace& workspace, UiServices& ui, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , workspace_(workspace)
    , ui_(ui)
    , newFileSx_(new QLineEdit(this))
    , avanzamento_(new QProgressBar(this))
    , cbport_(new QComboBox(this))
    , gbBank_(new QGroupBox(this))
    , shape1_(new QFrame(this))
    , summary_(new QLabel(this))
    , lbButton1_(new PushButton(QStringLiteral("X"), this, theme::HoverYellow))
    , lbButton2_(new PushButton(QStringLiteral("Execute update firmware"), this, theme::HoverSkyBlue))
{
    setObjectName(QStringLiteral("FModifyFileSx"));
    setWindowTitle(QStringLiteral("Generate Firmware"));
    theme::apply(this);
    setFixedSize(ClientWidth, ClientHeight);

    newFileSx_->setObjectName(QStringLiteral("NewFileSx"));
    newFileSx_->setGeometry(8, 8, 150, 21);
    newFileSx_->hide();
    connect(newFileSx_, &QLineEdit::textChanged, this,
            [this](const QString& name) { newFirmwareName_ = name.toStdString(); });

    gbBank_->setObjectName(QStringLiteral("GbBank"));
    gbBank_->setGeometry(8, 8, 300, 60);
    auto* banks = new QHBoxLayout(gbBank_);
    for (std::size_t i = 0; i < cbbank_.size(); ++i) {
        cbbank_[i] = new QCheckBox(QStringLiteral("Bank %1").arg(i + 1), gbBank_);
        cbbank_[i]->setObjectName(QStringLiteral("Cbbank%1").arg(i + 1));
        cbbank_[i]->setChecked(true);
        banks->addWidget(cbbank_[i]);
    }

    lbButton2_->setObjectName(QStringLiteral("LbButton2"));
    lbButton2_->setGeometry(8, 118, 153, 23);
    connect(lbButton2_, &QPushButton::clicked, this,
            guarded(ui_.messages, this, &TFModifyFileSx::LbButton2Click));
    // Enter runs the dialog's one working button; Escape closes it like "X".
    lbButton2_->setDefault(true);

    cbport_->setObjectName(QStringLiteral("cbport"));
    for (int port = 1; port <= firmware::PortCount; ++port)
        cbport_->addItem(QStringLiteral("COM%1").arg(port));
    cbport_->setGeometry(169, 119, 89, 21);

    avanzamento_->setObjectName(QStringLiteral("Avanzamento"));
    avanzamento_->setGeometry(6, 156, 417, 24);
    avanzamento_->setTextVisible(false);

    shape1_->setObjectName(QStringLiteral("Shape1"));
    shape1_->setGeometry(6, 190, 417, 10);
    shape1_->setStyleSheet(QStringLiteral("QFrame#Shape1 { background-color: %1; border: 1px solid #404040; }")
                               .arg(theme::HoverSkyBlue.name()));

    // What is about to be flashed, so that a wrong project shows before the flasher runs.
    summary_->setObjectName(QStringLiteral("Summary"));
    summary_->setGeometry(8, 72, 414, 40);
    summary_->setWordWrap(true);

    lbButton1_->setObjectName(QStringLiteral("LbButton1"));
    lbButton1_->setGeometry(ClientWidth - 30, 4, 24, 18);
    connect(lbButton1_, &QPushButton::clicked, this, &QDialog::reject);
    lbButton1_->setAutoDefault(false);
    // Tab follows the rows as drawn: "X" at the top, then "Execute update firmware" and the port.
    setTabOrder(lbButton1_, lbButton2_);
    setTabOrder(lbButton2_, cbport_);
}

void TFModifyFileSx::showEvent(QShowEvent* event)
{
    if (beginsShowing(event)) {
        runGuarded(ui_.messages, this, [this] { FormShow(); });
        // The working button has the focus; without it, "X", the only way out.
        (lbButton2_->isEnabled() ? lbButton2_ : lbButton1_)->setFocus();
    }
    QDialog::showEvent(event);
}

void TFModifyFileSx::place()
{
    const QScreen* screen = this->screen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    // The first showing is centred; later ones stand with their bottom edge at mid-screen.
    if (!shownBefore_)
        placeFrameAt(this, QPoint(area.x() + (area.width() - width()) / 2,
                                  area.y() + (area.height() - height()) / 2));
    else
        placeFrameAt(this, QPoint(area.x() + area.width() / 2 - width() / 2,
                                  area.y() + area.height() / 2 - height()));
    shownBefore_ = true;
}

void TFModifyFileSx::FormShow()
{
    gbBank_->hide();
    place();
    const firmware::BankSelection selection = firmware::banksOfGatewayModel(product::GatewayModel);
    for (std::size_t i = 0; i < cbbank_.size(); ++i) {
        cbbank_[i]->setVisible(selection[i]);
        if (selection[i])
            cbbank_[i]->setChecked(true);
    }
    cbport_->setCurrentIndex(0);
    avanzamento_->setValue(avanzamento_->minimum());
    summary_->clear();
    lbButton2_->setEnabled(false);

    // Every showing starts from the current project alone: a bank folder or output folder kept
    // from an earlier project would merge that project's banks.
    bankDir_.clear();
    outputDir_.clear();

    const fs::path master = workspace_.program().masterFirmware();
    if (!isFile(master)) {
        const QString name = QString::fromLatin1(names::MasterFirmware);
        ui_.messages.show(this, QStringLiteral("Error file %1 not found").arg(name),
                          Messages::Icon::Error);
        return;
    }
    // The flashing program starts in the master folder; the program's own working folder is
    // left alone.
    if (!isFolder(workspace_.MasterDir())) {
        ui_.messages.show(this, QStringLiteral("Error"), Messages::Icon::Error);
        return;
    }
    sourceFirmwareName_ = master.filename().string();
    if (!workspace_.hasValidProject()) {
        ui_.messages.show(this, QString::fromLatin1(text::ProjectNotValid));
        return;
    }
    const firmware::CompositionInputs inputs =
        firmware::projectComposition(workspace_.project(), master, selection);
    bankDir_ = inputs.bankDir;
    outputDir_ = inputs.outputDir;
    newFileSx_->setText(QString::fromStdString(inputs.newFirmwareName));
    lbButton2_->setEnabled(true);
}

void TFModifyFileSx::LbButton2Click()
{
    firmware::CompositionInputs inputs;
    inputs.sourceFirmware = workspace_.MasterDir() / sourceFirmwareName_;
    inputs.bankDir = bankDir_;
    inputs.newFirmwareName = newFirmwareName_;
    inputs.outputDir = outputDir_;
    for (std::size_t i = 0; i < cbbank_.size(); ++i)
        inputs.banks[i] = !cbbank_[i]->isHidden() && cbbank_[i]->isChecked();
    firmware::FinishOptions options;
    options.appDir = workspace_.AppDir();
    options.port = cbport_->currentIndex();
    options.progress = [this](std::size_t position, std::size_t maximum) {
        avanzamento_->setMaximum(static_cast<int>(maximum));
        avanzamento_->setValue(static_cast<int>(position));
        avanzamento_->repaint(); // the merge runs without returning to the event loop
    };
    options.extras.beforeVerify = beforeVerify_;
    summary_->clear();
    try {
        // Only a firmware composed by this press is flashed, never one left from an earlier run.
        const firmware::FinishedUpdate finished = firmware::finishUpdate(inputs, options);
        summary_->setText(QString::fromStdString(finished.summary));
        if (finished.flasherFailure)
            ui_.messages.show(this, QString::fromStdString(*finished.flasherFailure));
    } catch (const Error& error) {
        ui_.messages.show(this, QString::fromStdString(error.what()));
    }
}

QString TFModifyFileSx::Summary() const
{
    return summary_->text();
}

void TFModifyFileSx::setBeforeVerify(std::function<void(const fs::path&)> beforeVerify)
{
    beforeVerify_ = std::move(beforeVerify);
}

} // namespace cravent::gui
