#pragma once

#include "core/check/BuildGate.h"

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

    // Lists every finding of the gate; "Close" alone when the gate stops the build, else
    // "Build anyway" and "Cancel".
    FindingsWindow(const check::BuildGate& gate, QWidget* parent = nullptr);

    // Shows the window and answers whether to build: true for "Build anyway", false when the gate
    // stops the build. The update sequence asks only when the gate shows something.
    static bool confirmBuild(const check::BuildGate& gate, QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTableWidget* list_ = nullptr;
};

} // namespace cravent::gui
