#include "gui/frames/ChoiceGroup.h"

#include <QButtonGroup>
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
        layout->addWidget(button);
    }
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
