#pragma once

#include "core/check/Finding.h"

#include <QDialog>

#include <vector>

class QTableWidget;

namespace cravent::gui {

// The check's findings before "Up date Device": with errors the window only closes and nothing
// is built; with warnings only, the user builds anyway or cancels.
class FindingsWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* Caption = "Project check";
    static constexpr const char* BuildAnyway = "Build anyway";
    static constexpr const char* Cancel = "Cancel";
    static constexpr const char* Close = "Close";

    FindingsWindow(const std::vector<check::Finding>& findings, QWidget* parent = nullptr);

    // True when the build may go on: nothing to show (no findings, or notes only), or the user
    // chose "Build anyway".
    static bool confirmBuild(const std::vector<check::Finding>& findings, QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTableWidget* list_ = nullptr;
};

} // namespace cravent::gui
