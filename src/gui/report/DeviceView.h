#pragma once

#include "core/image/DeviceConfiguration.h"
#include "core/modbus/MappedRegister.h"
#include "gui/widgets/WorkerThread.h"

#include <QWidget>

#include <filesystem>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace cravent::gui {

class DevicePoller;

// The live register view: every mapped register of the project with its frame, COB-ID and
// bytes, and its current value as a running gateway (real or virtual) answers, polled every
// 500 ms off the window's thread.
class DeviceView : public QWidget {
    Q_OBJECT
public:
    // The configuration the project builds to now; address and port start as its settings.
    explicit DeviceView(const std::filesystem::path& projectDir, QWidget* parent = nullptr);
    ~DeviceView() override;

    void connectToDevice();
    void disconnectFromDevice();
    bool polling() const { return polling_; }

private:
    void showValues(const QVector<quint16>& values);
    void showFailure(const QString& reason);
    void fillRows();

    std::vector<modbus::MappedRegister> rows_;
    QLineEdit* host_ = nullptr;
    QSpinBox* port_ = nullptr;
    QPushButton* connect_ = nullptr;
    QLabel* state_ = nullptr;
    QTableWidget* table_ = nullptr;
    DevicePoller* poller_ = nullptr;
    std::unique_ptr<WorkerThread<DevicePoller>> thread_;
    bool polling_ = false;
};

} // namespace cravent::gui
