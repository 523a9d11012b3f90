#include "gui/widgets/WindowPlacement.h"

#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QShowEvent>
#include <QWidget>

namespace cravent::gui {

namespace {

// The frame the window manager will give the window: that of its parent window, which is mapped
// and framed while its dialogs come and go, the manager framing both alike. Without one, none.
QMargins expectedFrame(const QWidget* window)
{
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    if (parent == nullptr || !parent->isVisible())
        return {};
    const QRect outer = parent->frameGeometry();
    const QRect inner = parent->geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    // A parent not framed yet, or framed by a manager that reports nonsense: better none.
    if (frame.left() < 0 || frame.top() < 0 || frame.right() < 0 || frame.bottom() < 0)
        return {};
    return frame;
}

} // namespace

bool beginsShowing(const QShowEvent* event)
{
    return !event->spontaneous();
}

void placeFrameAt(QWidget* window, const QPoint& frameTopLeft)
{
    const QMargins frame = expectedFrame(window);
    // setGeometry() places the client area whether or not the window exists yet, and the window
    // manager keeps it there. It marks the window as sized by hand, which would stop the layout
    // from sizing it at later showings: keep that mark as it was.
    const bool sizedByHand = window->testAttribute(Qt::WA_Resized);
    window->setGeometry(QRect(frameTopLeft + QPoint(frame.left(), frame.top()), window->size()));
    window->setAttribute(Qt::WA_Resized, sizedByHand);
}

void centreOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QSize frame = window->size().grownBy(expectedFrame(window));
    const QRect area = screen->availableGeometry();
    placeFrameAt(window, QPoint(area.x() + (area.width() - frame.width()) / 2,
                                area.y() + (area.height() - frame.height()) / 2));
}

} // namespace cravent::gui
