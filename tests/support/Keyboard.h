#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>

#include <chrono>
#include <functional>

namespace cravent::test {

// Shows the window and makes it the active one, so that keys go where the focus is.
inline bool showActive(QWidget& window)
{
    window.show();
    QApplication::setActiveWindow(&window);
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// A key press and release delivered to whichever widget has the focus, as the keyboard does.
inline void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr)
        target = QApplication::activeWindow();
    QTest::keyClick(target, static_cast<Qt::Key>(k), modifiers);
    QCoreApplication::processEvents(); // what the views queue for themselves, as the edit's commit
}

// Printable characters typed one at a time into whichever widget has the focus.
inline void type(const QString& text)
{
    for (const QChar c : text) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target, c.toLatin1());
        QCoreApplication::processEvents();
    }
}

// Runs the event loop until the condition holds or the time is up; true when it holds.
inline bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limit.count())
            return false;
        QTest::qWait(10);
    }
    return true;
}

// The object name of the widget that has the focus, or of its focus proxy's owner.
inline QString focusName()
{
    const QWidget* focus = QApplication::focusWidget();
    while (focus != nullptr && focus->objectName().isEmpty())
        focus = focus->parentWidget();
    return focus ? focus->objectName() : QString();
}

} // namespace cravent::test
