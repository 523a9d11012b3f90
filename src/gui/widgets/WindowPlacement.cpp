#include "gui/widgets/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QWidget>

namespace cravent::gui {

bool beginsShowing(const QShowEvent* event)
{
    return !event->spontaneous();
}

void centreOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    // The frame is known only once the window manager has framed the window; before that, the
    // frame of the window's parent is the best guess, the manager framing both alike. move()
    // places the frame, except on a window that exists but was never framed: there it places
    // the client area, which then goes by the guessed frame's top and left edges.
    QSize frame = window->frameGeometry().size();
    QPoint clientOffset;
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    if (frame == window->size() && parent != nullptr && parent->isVisible()) {
        frame += parent->frameGeometry().size() - parent->size();
        if (window->testAttribute(Qt::WA_WState_Created))
            clientOffset = parent->geometry().topLeft() - parent->frameGeometry().topLeft();
    }
    const QRect area = screen->availableGeometry();
    window->move(QPoint(area.x() + (area.width() - frame.width()) / 2,
                        area.y() + (area.height() - frame.height()) / 2) +
                 clientOffset);
}

} // namespace cravent::gui
