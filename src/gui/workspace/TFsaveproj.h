#pragma once

#include "gui/widgets/UiServices.h"

#include <QDialog>

class QLineEdit;

namespace cravent {
class Workspace;
}

namespace cravent::gui {

// The New project dialog: asks for a name and creates the project folder below the projects
// folder. It stays open, keeping the typed name, until a project was created or it is cancelled.
class TFsaveproj : public QDialog {
    Q_OBJECT
public:
    TFsaveproj(Workspace& workspace, UiServices& ui, QWidget* parent = nullptr);

    QLineEdit* nameEdit() const { return name_; }

protected:
    void showEvent(QShowEvent* event) override;

public:
    // Escape and the window manager's close request end here: refused while the may-close flag
    // is clear, that is after an "OK" that created nothing.
    void reject() override;

private:
    void okClicked();
    void cancelClicked();

    Workspace& workspace_;
    UiServices& ui_;
    QLineEdit* name_;
    bool mayClose_ = true;
};

} // namespace cravent::gui
