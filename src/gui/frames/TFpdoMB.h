#pragma once

#include "core/common/Direction.h"
#include "core/project/FrameFile.h"
#include "gui/widgets/UiServices.h"

#include <QDialog>

#include <cstdint>
#include <vector>


namespace cravent {
class Workspace;
}

namespace cravent::gui {

class FrameGrid;
class PushButton;

// The frame list dialog: the received (mode 1) or transmitted (mode 2) CAN frames of the
// project, one per grid row, checked and saved by "OK".
class TFpdoMB : public QDialog {
    Q_OBJECT
public:
    static constexpr int DataRows = 250;
    enum Column { ColumnN = 0, ColumnCobId = 1, ColumnDimension = 2, ColumnMnemonic = 3, Columns = 4 };

    TFpdoMB(Workspace& workspace, UiServices& ui, QWidget* parent = nullptr);

    // Set by the main window just before showing: 1 receives, any other value transmits.
    void setMode(std::uint8_t mode) { mode_ = mode; }
    int mode() const { return mode_ == 1 ? 1 : 2; }
    Direction direction() const { return directionOfMode(mode_); }

    // The grid's data rows 1 to 250, columns ColumnCobId to ColumnMnemonic (for import and
    // export as well as tests).
    QString cellText(int row, int column) const;
    void setCellText(int row, int column, const QString& text);
    // Empties the three editable columns of every data row; the row numbers stay.
    void clearDataCells();
    // The three editable cells of every data row.
    std::vector<project::Frame> gridRows() const;
    // The frames "OK" would check and save: the rows up to the first empty CobID.
    std::vector<project::Frame> listedFrames() const;
    // Asks before rows after the first empty CobID are dropped; false: keep the dialog open.
    bool dropRowsAfterGap();
    // False after this showing refused the project's file: the grid then stays empty and
    // nothing may replace the file (OK, Import and Export are disabled).
    bool listLoaded() const { return listLoaded_; }
    FrameGrid* grid() const { return sgA_; }

    void FormShow();
    void FormResize();
    void BitBtn1Click(); // "OK": check, save, close
    void Button1Click(); // "Export"
    void BitBtn4Click(); // "Import"

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::filesystem::path listFile() const;
    void setListLoaded(bool loaded);

    Workspace& workspace_;
    UiServices& ui_;
    std::uint8_t mode_ = 1;
    bool listLoaded_ = true;
    FrameGrid* sgA_;
    PushButton* bitbtn1_;
    PushButton* bitbtn2_;
    PushButton* button1_;
    PushButton* bitbtn4_;
};

} // namespace cravent::gui
