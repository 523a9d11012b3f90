#pragma once

#include <QGroupBox>

class QButtonGroup;
class QRadioButton;

namespace cravent::gui {

// A titled group of radio buttons of which one is checked, addressed by item position. As radio
// groups do, Tab enters and leaves it at its checked item, and the arrow keys choose.
class ChoiceGroup : public QGroupBox {
    Q_OBJECT
public:
    ChoiceGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    int itemIndex() const;
    // A position beyond the last item checks the last one.
    void setItemIndex(int index);
    int count() const;
    QRadioButton* item(int index) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followCheckedItem();

    QButtonGroup* buttons_;
};

} // namespace cravent::gui
