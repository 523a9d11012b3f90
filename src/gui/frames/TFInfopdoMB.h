#pragma once

#include "core/common/Direction.h"
#include "core/frames/FrameMap.h"
#include "gui/widgets/UiServices.h"

#include <QDialog>

#include <cstdint>
#include <optional>

class QLineEdit;
class QListWidget;

namespace cravent {
class Workspace;
}

namespace cravent::gui {

class ChoiceGroup;
class PushButton;

// The frame-to-register dialog: for each frame of the received (mode 1) or transmitted (mode 2)
// list, the Modbus registers it carries and the frame bytes that form each register.
class TFInfopdoMB : public QDialog {
    Q_OBJECT
public:
    TFInfopdoMB(Workspace& workspace, UiServices& ui, QWidget* parent = nullptr);

    // Set by the main window just before showing: 1 receives, any other value transmits.
    void setMode(std::uint8_t mode) { mode_ = mode; }
    int mode() const { return mode_ == 1 ? 1 : 2; }
    Direction direction() const { return directionOfMode(mode_); }

    // The frames of this showing with their register entries (TClPdo, TClIndMB), in frame order;
    // what "OK" saves. Import replaces entries here, and the register list box shows those of
    // the selected frame at once.
    frames::FrameMap& frameMap() { return map_; }
    std::vector<frames::TClPdo>& pdoList() { return map_.frames(); }
    // Empties the register list box and the index edit box and sets both byte choices to "none".
    void clearRegisterControls();
    // False after this showing could not read the frame file or the map file whole: "OK" and
    // Import are then disabled, so the map file cannot lose the entries that were not read.
    bool mapLoaded() const { return mapLoaded_; }
    const frames::CopyBuffer& copyBuffer() const { return copyBuffer_; }

    QListWidget* frameListBox() const { return LPdoCanA_; }
    QListWidget* registerListBox() const { return LIndMbCanA_; }
    QLineEdit* indexEdit() const { return EindexA_; }
    ChoiceGroup* highByteGroup() const { return PoscompMsbA_; }
    ChoiceGroup* lowByteGroup() const { return PoscompLsbA_; }

    void FormShow();
    void LPdoCanAClick();
    void LIndMbCanAClick();
    void DeleteAClick();
    void NewAClick();
    void ModifyAClick();
    void CopyAClick();
    void PasteAClick();
    void BitBtn1Click(); // "OK": save and close
    void Button1Click(); // "Export"
    void BitBtn4Click(); // "Import"

protected:
    void showEvent(QShowEvent* event) override;

private:
    frames::ByteChoices choices() const;
    void showChoices(frames::ByteChoices choices);
    std::optional<frames::EntryRef> selectedEntry() const;
    void showError(const std::exception& error);

    Workspace& workspace_;
    UiServices& ui_;
    std::uint8_t mode_ = 1;
    bool mapLoaded_ = true;
    frames::FrameMap map_;
    frames::CopyBuffer copyBuffer_; // kept for the whole run, across showings and modes

    QListWidget* LPdoCanA_;
    QListWidget* LIndMbCanA_;
    QLineEdit* EindexA_;
    ChoiceGroup* PoscompMsbA_;
    ChoiceGroup* PoscompLsbA_;
    PushButton* bitbtn1_;
    PushButton* bitbtn2_;
    PushButton* button1_;
    PushButton* bitbtn4_;
};

} // namespace cravent::gui
