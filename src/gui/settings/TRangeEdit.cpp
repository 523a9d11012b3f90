#include "gui/settings/TRangeEdit.h"

#include <QKeyEvent>

namespace cravent::gui {

TRangeEdit::TRangeEdit(int minimum, int maximum, const QString& text, QWidget* parent)
    : QLineEdit(text, parent)
    , range_(minimum, maximum, text.toStdString())
{
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString& changed) { range_.setText(changed.toStdString()); });
}

int TRangeEdit::value()
{
    const int result = range_.value();
    showRangeText();
    return result;
}

void TRangeEdit::setRangeValue(const settings::RangeValue& value)
{
    setText(QString::fromStdString(value.text()));
    range_ = value;
}

void TRangeEdit::showRangeText()
{
    const QString text = QString::fromStdString(range_.text());
    if (text != this->text())
        setText(text);
}

void TRangeEdit::setFlashing(bool on)
{
    if (on == flashing_)
        return;
    flashing_ = on;
    if (on) {
        restingPalette_ = palette();
        QPalette red = restingPalette_;
        red.setColor(QPalette::Base, RefusedColor);
        setPalette(red);
    } else {
        setPalette(restingPalette_);
    }
}

void TRangeEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        const int amount = settings::stepAmount(event->modifiers().testFlag(Qt::AltModifier),
                                                event->modifiers().testFlag(Qt::ControlModifier));
        range_.step(event->key() == Qt::Key_Up ? amount : -amount);
        showRangeText();
        event->accept();
        return;
    }

    // Shortcuts (copy, paste, undo, select all) are editing keys, whatever their letter.
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    const QString current = text();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int end = hasSelectedText() ? selectionEnd() : cursorPosition();
    if (!shortcut && !settings::acceptsKey(event->text().toStdString(),
                                           current.left(start).toStdString(),
                                           current.mid(end).toStdString())) {
        setFlashing(true);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TRangeEdit::keyReleaseEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat())
        setFlashing(false);
    QLineEdit::keyReleaseEvent(event);
}

void TRangeEdit::focusOutEvent(QFocusEvent* event)
{
    setFlashing(false);
    range_.leave();
    showRangeText();
    QLineEdit::focusOutEvent(event);
}

} // namespace cravent::gui
