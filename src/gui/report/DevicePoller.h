#pragma once

#include "core/modbus/RegisterReader.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <cstdint>
#include <memory>
#include <vector>

class QTimer;

namespace cravent::gui {

// Reads the mapped registers of a gateway every 500 ms, on a thread of its own, so that a
// device that does not answer never holds up the window. It reconnects at the next poll after
// a failure.
class DevicePoller : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 500;

    explicit DevicePoller(std::vector<std::uint16_t> indexes);
    ~DevicePoller() override;

    // Both run on the poller's thread (queued calls from the window).
    Q_INVOKABLE void start(const QString& host, int port);
    Q_INVOKABLE void stop();

Q_SIGNALS:
    // One value per index, in the order given.
    void answered(const QVector<quint16>& values);
    void failed(const QString& reason);

private:
    void poll();

    std::vector<std::uint16_t> indexes_;
    QString host_;
    int port_ = 0;
    QTimer* timer_ = nullptr;
    std::unique_ptr<modbus::RegisterReader> reader_;
};

} // namespace cravent::gui
