#pragma once

#include "gui/widgets/UiServices.h"

#include <QDialog>

#include <array>
#include <filesystem>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace cravent {
class Workspace;
}

namespace cravent::gui {

class PushButton;

// The Generate Firmware dialog, the last stage of "Up date Device": merges the project's banks
// into a copy of the master firmware and starts the flashing program with the new file and the
// chosen serial port. Created once; it keeps its members and controls between showings.
class TFModifyFileSx : public QDialog {
    Q_OBJECT
public:
    TFModifyFileSx(Workspace& workspace, UiServices& ui, QWidget* parent = nullptr);

    // Prepares the composition's inputs from the current project; runs on every showing.
    void FormShow();
    // "Execute update firmware": the second step of the update sequence, the composition and
    // its read-back, then the flashing program on the chosen port when it succeeded.
    void LbButton2Click();

    const std::string& SourceFirmwareName() const { return sourceFirmwareName_; }
    const std::filesystem::path& BankDir() const { return bankDir_; }
    const std::string& NewFirmwareName() const { return newFirmwareName_; }
    const std::filesystem::path& OutputDir() const { return outputDir_; }
    // One line of what the last composed firmware holds; empty until a composition succeeds.
    QString Summary() const;

    // Called between the write of the new firmware and its read-back: the seam through which a
    // test spoils the file on disk.
    void setBeforeVerify(std::function<void(const std::filesystem::path&)> beforeVerify);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void place();

    Workspace& workspace_;
    UiServices& ui_;

    QLineEdit* newFileSx_;
    QProgressBar* avanzamento_;
    QComboBox* cbport_;
    QGroupBox* gbBank_;
    std::array<QCheckBox*, 5> cbbank_{};
    QFrame* shape1_;
    QLabel* summary_;
    PushButton* lbButton1_;
    PushButton* lbButton2_;

    std::string sourceFirmwareName_;
    std::filesystem::path bankDir_;
    std::string newFirmwareName_;
    std::filesystem::path outputDir_;
    bool shownBefore_ = false;
    std::function<void(const std::filesystem::path&)> beforeVerify_;
};

} // namespace cravent::gui
