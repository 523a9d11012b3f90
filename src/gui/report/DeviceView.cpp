#include "gui/report/DeviceView.h"

#include "core/firmware/ConfigurationSource.h"
#include "core/image/ConfigurationText.h"
#include "gui/report/DevicePoller.h"

#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace cravent::gui {

namespace {

enum Column { Direction_, Register, RegisterHex, Frame, CobId, High, Low, Value, ValueHex, Columns };

QString hex16(unsigned value)
{
    return QStringLiteral("0x") + QString::number(value & 0xFFFFu, 16).rightJustified(4, QLatin1Char('0')).toUpper();
}

} // namespace

DeviceView::DeviceView(const std::filesystem::path& projectDir, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DeviceView"));
    host_ = new QLineEdit(this);
    host_->setObjectName(QStringLiteral("DeviceHost"));
    port_ = new QSpinBox(this);
    port_->setObjectName(QStringLiteral("DevicePort"));
    port_->setRange(1, 65535);
    port_->setValue(502);
    connect_ = new QPushButton(QStringLiteral("Connect"), this);
    connect_->setObjectName(QStringLiteral("DeviceConnect"));
    state_ = new QLabel(QStringLiteral("Not connected"), this);
    state_->setObjectName(QStringLiteral("DeviceState"));
    state_->setWordWrap(true);
    table_ = new QTableWidget(0, Columns, this);
    table_->setObjectName(QStringLiteral("DeviceRegisters"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Direction"), QStringLiteral("Register"),
                                       QStringLiteral("Hex"), QStringLiteral("Frame"),
                                       QStringLiteral("COB-ID"), QStringLiteral("High byte"),
                                       QStringLiteral("Low byte"), QStringLiteral("Value"),
                                       QStringLiteral("Value (hex)")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);

    auto* fields = new QHBoxLayout;
    fields->addWidget(new QLabel(QStringLiteral("Address"), this));
    fields->addWidget(host_, 1);
    fields->addWidget(new QLabel(QStringLiteral("Port"), this));
    fields->addWidget(port_);
    fields->addWidget(connect_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(state_);
    layout->addWidget(table_, 1);

    try {
        const image::DeviceConfiguration config = firmware::readConfigurationOf(projectDir, true);
        rows_ = modbus::mappedRegisters(config);
        if (config.hasSettings) {
            host_->setText(QString::fromStdString(image::octetsText(config.settings.ip)));
            port_->setValue(config.settings.port == 0 ? 502 : config.settings.port);
        }
    } catch (const std::exception& error) {
        state_->setText(QStringLiteral("The project cannot be built: %1").arg(QString::fromStdString(error.what())));
        connect_->setEnabled(false);
    }
    fillRows();

    std::vector<std::uint16_t> indexes;
    for (const modbus::MappedRegister& row : rows_)
        indexes.push_back(row.index);
    poller_ = new DevicePoller(std::move(indexes));
    thread_ = std::make_unique<WorkerThread<DevicePoller>>(poller_);
    connect(poller_, &DevicePoller::answered, this, &DeviceView::showValues);
    connect(poller_, &DevicePoller::failed, this, &DeviceView::showFailure);

    connect(connect_, &QPushButton::clicked, this, [this] {
        if (polling_)
            disconnectFromDevice();
        else
            connectToDevice();
    });
}

DeviceView::~DeviceView()
{
    QMetaObject::invokeMethod(poller_, &DevicePoller::stop, Qt::BlockingQueuedConnection);
}

void DeviceView::fillRows()
{
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const modbus::MappedRegister& row = rows_[i];
        const auto put = [&](int column, const QString& text) {
            table_->setItem(static_cast<int>(i), column, new QTableWidgetItem(text));
        };
        put(Direction_, row.direction == Direction::Receive ? QStringLiteral("receive") : QStringLiteral("transmit"));
        put(Register, QString::number(row.index));
        put(RegisterHex, hex16(row.index));
        put(Frame, QString::number(row.nrPdo));
        put(CobId, row.cobId ? QString::fromStdString(image::cobIdText(*row.cobId)) : QStringLiteral("(none)"));
        put(High, QString::fromStdString(image::byteChoiceText(row.posComp >> 4u)));
        put(Low, QString::fromStdString(image::byteChoiceText(row.posComp & 0x0Fu)));
        put(Value, QString());
        put(ValueHex, QString());
    }
    table_->resizeColumnsToContents();
}

void DeviceView::connectToDevice()
{
    polling_ = true;
    connect_->setText(QStringLiteral("Disconnect"));
    host_->setEnabled(false);
    port_->setEnabled(false);
    state_->setText(QStringLiteral("Connecting to %1:%2 ...").arg(host_->text()).arg(port_->value()));
    QMetaObject::invokeMethod(poller_, "start", Qt::QueuedConnection, Q_ARG(QString, host_->text()),
                              Q_ARG(int, port_->value()));
}

void DeviceView::disconnectFromDevice()
{
    polling_ = false;
    QMetaObject::invokeMethod(poller_, &DevicePoller::stop, Qt::QueuedConnection);
    connect_->setText(QStringLiteral("Connect"));
    host_->setEnabled(true);
    port_->setEnabled(true);
    state_->setText(QStringLiteral("Not connected"));
}

void DeviceView::showValues(const QVector<quint16>& values)
{
    if (!polling_)
        return; // an answer that was on its way when the user disconnected
    for (int i = 0; i < values.size() && i < table_->rowCount(); ++i) {
        table_->item(i, Value)->setText(QString::number(values[i]));
        table_->item(i, ValueHex)->setText(hex16(values[i]));
    }
    state_->setText(QStringLiteral("Connected to %1:%2, last answer at %3")
                        .arg(host_->text())
                        .arg(port_->value())
                        .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"))));
    state_->setStyleSheet(QString());
}

void DeviceView::showFailure(const QString& reason)
{
    if (!polling_)
        return;
    // The old values stay, marked as old by the state line.
    state_->setText(QStringLiteral("No answer (%1): %2. Values shown are from the last answer.")
                        .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss")), reason));
    state_->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
}

} // namespace cravent::gui
