#pragma once

#include "core/settings/CommunicationForm.h"
#include "gui/widgets/UiServices.h"

#include <QDialog>

#include <array>
#include <filesystem>
#include <functional>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace cravent {
class Workspace;
}

namespace cravent::gui {

class PushButton;
class TRangeEdit;

// The Set Communication dialog: the device's CAN bit rate and identifier format, IP address,
// subnet mask and Modbus TCP port, kept in the project's "pargen.xml". Each showing reloads the
// controls from the file when there is one; "OK" stores them and hands the IP address to the
// main window's ping box.
class TFpargen : public QDialog {
    Q_OBJECT
public:
    using PingAddressSetter = std::function<void(const QString&)>;

    TFpargen(Workspace& workspace, UiServices& ui, PingAddressSetter setPingAddress,
             QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void bitBtn1Click();

    // The project's settings file as it is found now, whatever its case.
    std::filesystem::path pargenFile() const;
    settings::CommunicationForm formFromControls() const;
    void showForm(const settings::CommunicationForm& form);

    Workspace& workspace_;
    UiServices& ui_;
    PingAddressSetter setPingAddress_;

    QComboBox* bitRate_;
    QRadioButton* canA_;
    QRadioButton* canB_;
    std::array<TRangeEdit*, 4> ip_{};
    std::array<TRangeEdit*, 4> mask_{};
    QLineEdit* port_;
    PushButton* ok_;
    PushButton* cancel_;
};

} // namespace cravent::gui
