#pragma once

#include "core/settings/RangeValue.h"

#include <QColor>
#include <QLineEdit>

namespace cravent::gui {

// The numeric range edit field: takes only what can make a number, flashes red while a refused
// key is down, steps with Up and Down (Alt x10, Ctrl x100, both x1000) within its range and
// tidies its number when it loses the focus. Out-of-range text may stay visible; value() then
// answers the last valid value.
class TRangeEdit : public QLineEdit {
    Q_OBJECT
public:
    static inline const QColor RefusedColor{0xFF, 0x00, 0x00};

    TRangeEdit(int minimum, int maximum, const QString& text, QWidget* parent = nullptr);

    // The integer value; an empty field first shows "0".
    int value();
    int LastValidValue() const { return range_.LastValidValue(); }

    // The field's text and last valid value together, as a form copies them.
    const settings::RangeValue& rangeValue() const { return range_; }
    void setRangeValue(const settings::RangeValue& value);

    // True while a refused key is held down.
    bool isFlashing() const { return flashing_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showRangeText();
    void setFlashing(bool on);

    settings::RangeValue range_;
    bool flashing_ = false;
    QPalette restingPalette_;
};

} // namespace cravent::gui
