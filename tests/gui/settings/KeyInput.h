#pragma once

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QWidget>

namespace cravent::test {

inline void pressKey(QWidget* widget, int key, const QString& text = {},
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &event);
}

inline void releaseKey(QWidget* widget, int key, const QString& text = {},
                       Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &event);
}

// Types printable characters one key at a time, as the keyboard delivers them.
inline void typeKeys(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        const int key = c.toUpper().unicode();
        pressKey(widget, key, QString(c));
        releaseKey(widget, key, QString(c));
    }
}

inline void leaveField(QWidget* widget)
{
    QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &event);
}

} // namespace cravent::test
