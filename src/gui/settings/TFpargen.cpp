#include "gui/settings/TFpargen.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"
#include "gui/settings/TRangeEdit.h"
#include "gui/widgets/GuardedCommand.h"
#include "gui/widgets/OkCancelRow.h"
#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"
#include "gui/widgets/WindowPlacement.h"
#include "core/workspace/Workspace.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace cravent::gui {

namespace {

constexpr int OctetWidth = 40;

TRangeEdit* octetEdit(const QString& name, const char* text, QWidget* parent)
{
    auto* edit = new TRangeEdit(0, 255, QString::fromLatin1(text), parent);
    edit->setObjectName(name);
    edit->setFixedWidth(OctetWidth);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

} // namespace

TFpargen::TFpargen(Workspace& workspace, UiServices& ui, PingAddressSetter setPingAddress,
                   QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , workspace_(workspace)
    , ui_(ui)
    , setPingAddress_(std::move(setPingAddress))
{
    setObjectName(QStringLiteral("Fpargen"));
    setWindowTitle(QStringLiteral("SET COMMUNICATION"));
    theme::apply(this);

    auto* canBus = new QGroupBox(QStringLiteral("CAN Bus"), this);
    bitRate_ = new QComboBox(canBus);
    bitRate_->setObjectName(QStringLiteral("CB_BR_CAN"));
    bitRate_->setEditable(true);
    bitRate_->setInsertPolicy(QComboBox::NoInsert);
    // A typed rate stays as typed: completing "12" to "125" would store a rate nobody chose.
    bitRate_->setCompleter(nullptr);
    for (const char* rate : settings::BitRates)
        bitRate_->addItem(QString::fromLatin1(rate));
    bitRate_->setCurrentIndex(0);
    canA_ = new QRadioButton(QStringLiteral("CAN Bus 2.0A (CobID 11Bit)"), canBus);
    canA_->setObjectName(QStringLiteral("RB_CAN_A"));
    canA_->setChecked(true);
    canB_ = new QRadioButton(QStringLiteral("CAN Bus 2.0B (CobID 29Bit)"), canBus);
    canB_->setObjectName(QStringLiteral("RB_CAN_B"));
    auto* canLayout = new QGridLayout(canBus);
    canLayout->addWidget(new QLabel(QStringLiteral("Baud rate"), canBus), 0, 0);
    canLayout->addWidget(bitRate_, 0, 1);
    canLayout->addWidget(canA_, 1, 0, 1, 2);
    canLayout->addWidget(canB_, 2, 0, 1, 2);

    auto* net = new QGroupBox(QStringLiteral("Net config"), this);
    const char* const ipTexts[4] = {"0", "0", "0", "0"};
    const char* const maskTexts[4] = {"255", "255", "255", "0"};
    // Octets in columns 1, 3, 5, 7; the IP's dots between them, so that both rows line up.
    auto* netLayout = new QGridLayout(net);
    netLayout->addWidget(new QLabel(QStringLiteral("IP"), net), 0, 0);
    netLayout->addWidget(new QLabel(QStringLiteral("SubNet Mask"), net), 1, 0);
    for (std::size_t i = 0; i < 4; ++i) {
        const int column = 1 + 2 * static_cast<int>(i);
        ip_[i] = octetEdit(QStringLiteral("re_ipb%1").arg(i + 1), ipTexts[i], net);
        mask_[i] = octetEdit(QStringLiteral("re_smb%1").arg(i + 1), maskTexts[i], net);
        if (i > 0)
            netLayout->addWidget(new QLabel(QStringLiteral("."), net), 0, column - 1);
        netLayout->addWidget(ip_[i], 0, column);
        netLayout->addWidget(mask_[i], 1, column);
    }
    port_ = new QLineEdit(QStringLiteral("502"), net);
    port_->setObjectName(QStringLiteral("E_TimeOut"));
    port_->setFixedWidth(OctetWidth * 2);
    netLayout->addWidget(new QLabel(QStringLiteral("Port"), net), 2, 0);
    netLayout->addWidget(port_, 2, 1, 1, 3, Qt::AlignLeft);

    const OkCancelRow buttons =
        okCancelRow(this, QStringLiteral("bitbtn1"), QStringLiteral("bitbtn2"), QSize(75, 25));
    ok_ = buttons.ok;
    cancel_ = buttons.cancel;
    connect(ok_, &QPushButton::clicked, this,
            guarded(ui_.messages, this, &TFpargen::bitBtn1Click));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(canBus);
    layout->addWidget(net);
    layout->addLayout(buttons.layout);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Tab follows the rows as drawn: the octets were created IP and mask in turn.
    QWidget* previous = bitRate_;
    const auto next = [&previous](QWidget* widget) {
        setTabOrder(previous, widget);
        previous = widget;
    };
    next(canA_);
    next(canB_);
    for (TRangeEdit* octet : ip_)
        next(octet);
    for (TRangeEdit* octet : mask_)
        next(octet);
    next(port_);
    next(ok_);
    next(cancel_);
}

void TFpargen::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (beginsShowing(event)) {
        centreOnScreen(this);
        runGuarded(ui_.messages, this, [this] { FormShow(); });
    }
}

std::filesystem::path TFpargen::pargenFile() const
{
    return workspace_.project().pargen();
}

void TFpargen::FormShow()
{
    const std::filesystem::path file = pargenFile();
    // A file that is there but cannot be looked at fails in the read below.
    if (!file.empty() && pathKind(file) != PathKind::Missing) {
        project::StoredPargen stored;
        try {
            stored = project::readPargen(file);
        } catch (const Error&) {
            // An unreadable or malformed file leaves the controls as they are, without a word.
            return;
        }
        settings::CommunicationForm form = formFromControls();
        settings::applyStored(form, stored);
        showForm(form);
    }
    ok_->setFocus();
}

settings::CommunicationForm TFpargen::formFromControls() const
{
    settings::CommunicationForm form;
    form.bitRate = bitRate_->currentText().toStdString();
    form.can20B = canB_->isChecked();
    for (std::size_t i = 0; i < 4; ++i) {
        form.ip[i] = ip_[i]->rangeValue();
        form.mask[i] = mask_[i]->rangeValue();
    }
    form.port = port_->text().toStdString();
    return form;
}

void TFpargen::showForm(const settings::CommunicationForm& form)
{
    bitRate_->setCurrentIndex(settings::bitRateIndex(form.bitRate));
    // The index alone does not replace a text typed over the selected item.
    bitRate_->setEditText(QString::fromStdString(form.bitRate));
    (form.can20B ? canB_ : canA_)->setChecked(true);
    for (std::size_t i = 0; i < 4; ++i) {
        ip_[i]->setRangeValue(form.ip[i]);
        mask_[i]->setRangeValue(form.mask[i]);
    }
    port_->setText(QString::fromStdString(form.port));
}

void TFpargen::bitBtn1Click()
{
    settings::CommunicationForm form = formFromControls();
    const project::PargenValues values = settings::valuesToStore(form);
    showForm(form); // an empty octet is shown as the "0" it was stored as
    try {
        project::writePargen(pargenFile(), values);
    } catch (const Error& error) {
        ui_.messages.show(this, QString::fromStdString(error.what()), Messages::Icon::Error);
        return;
    }
    setPingAddress_(QString::fromStdString(settings::pingAddress(form)));
    accept();
}

} // namespace cravent::gui
