#include "gui/workspace/TFsaveproj.h"

#include "gui/widgets/GuardedCommand.h"
#include "gui/widgets/OkCancelRow.h"
#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"
#include "gui/widgets/WindowPlacement.h"
#include "core/workspace/Workspace.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace cravent::gui {

TFsaveproj::TFsaveproj(Workspace& workspace, UiServices& ui, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , workspace_(workspace)
    , ui_(ui)
    , name_(new QLineEdit(this))
{
    setObjectName(QStringLiteral("Fsaveproj"));
    setWindowTitle(QStringLiteral("New project"));
    theme::apply(this);
    name_->setObjectName(QStringLiteral("Edit1"));
    name_->setMinimumWidth(220);

    const OkCancelRow buttons =
        okCancelRow(this, QStringLiteral("OK"), QStringLiteral("Cancel"), QSize(75, 25));
    connect(buttons.ok, &QPushButton::clicked, this,
            guarded(ui_.messages, this, &TFsaveproj::okClicked));
    // Cancel always closes; a close request otherwise asks the may-close flag (reject()).
    disconnect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(buttons.cancel, &QPushButton::clicked, this, &TFsaveproj::cancelClicked);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Project name"), this));
    layout->addWidget(name_);
    layout->addLayout(buttons.layout);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFsaveproj::showEvent(QShowEvent* event)
{
    if (beginsShowing(event)) {
        setWindowTitle(QStringLiteral("New project"));
        name_->clear();
        name_->setFocus();
        mayClose_ = true;
        centreOnScreen(this);
    }
    QDialog::showEvent(event);
}

void TFsaveproj::reject()
{
    if (mayClose_)
        QDialog::reject();
}

void TFsaveproj::cancelClicked()
{
    mayClose_ = true;
    reject();
}

void TFsaveproj::okClicked()
{
    const auto outcome = workspace_.createProject(name_->text().toStdString());
    mayClose_ = outcome == Workspace::NewProjectOutcome::Created;
    if (auto message = newProjectMessage(outcome))
        ui_.messages.show(this, QString::fromStdString(*message));
    if (outcome == Workspace::NewProjectOutcome::Created)
        accept();
}

} // namespace cravent::gui
