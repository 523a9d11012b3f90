#include "gui/workspace/TFsaveproj.h"

#include "gui/widgets/GuardedCommand.h"
#include "gui/widgets/OkCancelRow.h"
#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"
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
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Project name"), this));
    layout->addWidget(name_);
    layout->addLayout(buttons.layout);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFsaveproj::showEvent(QShowEvent* event)
{
    setWindowTitle(QStringLiteral("New project"));
    name_->clear();
    name_->setFocus();
    QDialog::showEvent(event);
}

void TFsaveproj::okClicked()
{
    const auto outcome = workspace_.createProject(name_->text().toStdString());
    if (auto message = newProjectMessage(outcome))
        ui_.messages.show(this, QString::fromStdString(*message));
    if (outcome == Workspace::NewProjectOutcome::Created)
        accept();
}

} // namespace cravent::gui
