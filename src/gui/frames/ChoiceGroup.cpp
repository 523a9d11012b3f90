#include "gui/frames/ChoiceGroup.h"

#include <QButtonGroup>
#include <QKeyEvent>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace cravent::gui {

ChoiceGroup::ChoiceGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent)
    , buttons_(new QButtonGroup(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(2);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        buttons_->addButton(button, i);
        button->installEventFilter(this);
        layout->addWidget(button);
    }
    connect(buttons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            followCheckedItem();
    });
}

void ChoiceGroup::followCheckedItem()
{
    for (QAbstractButton* button : buttons_->buttons())
        button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

bool ChoiceGroup::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QGroupBox::eventFilter(watched, event);
    int step = 0;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        step = 1;
        break;
    default:
        return QGroupBox::eventFilter(watched, event);
    }
    const int current = buttons_->id(static_cast<QAbstractButton*>(watched));
    const int next = std::clamp(current + step, 0, count() - 1);
    setItemIndex(next);
    item(next)->setFocus(Qt::OtherFocusReason);
    return true;
}

int ChoiceGroup::itemIndex() const
{
    return buttons_->checkedId();
}

void ChoiceGroup::setItemIndex(int index)
{
    if (QAbstractButton* button = buttons_->button(std::clamp(index, 0, count() - 1)))
        button->setChecked(true);
}

int ChoiceGroup::count() const
{
    return static_cast<int>(buttons_->buttons().size());
}

QRadioButton* ChoiceGroup::item(int index) const
{
    return qobject_cast<QRadioButton*>(buttons_->button(index));
}

} // namespace cravent::gui
