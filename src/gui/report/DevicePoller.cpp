#include "gui/report/DevicePoller.h"

#include "core/common/Error.h"

#include <QTimer>

#include <chrono>

namespace cravent::gui {

DevicePoller::DevicePoller(std::vector<std::uint16_t> indexes) : indexes_(std::move(indexes)) {}

DevicePoller::~DevicePoller() = default;

void DevicePoller::start(const QString& host, int port)
{
    host_ = host;
    port_ = port;
    reader_.reset();
    if (!timer_) {
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, &DevicePoller::poll);
    }
    timer_->start(IntervalMs);
    poll();
}

void DevicePoller::stop()
{
    if (timer_)
        timer_->stop();
    reader_.reset();
}

void DevicePoller::poll()
{
    try {
        // Each answer whole before the next poll is due; a reading of many requests has ten
        // times that, however slowly the device sends.
        if (!reader_)
            reader_ = std::make_unique<modbus::RegisterReader>(host_.toStdString(), port_,
                                                               std::chrono::milliseconds(400));
        const std::vector<std::uint16_t> values = reader_->read(indexes_);
        emit answered(QVector<quint16>(values.begin(), values.end()));
    } catch (const std::exception& error) {
        reader_.reset();
        emit failed(QString::fromStdString(error.what()));
    }
}

} // namespace cravent::gui
