#pragma once

class QPoint;
class QShowEvent;
class QWidget;

namespace cravent::gui {

// True for the show event that begins a showing (show(), exec()); false for the one the window
// system sends when a minimised window comes back, which must not reload the window.
bool beginsShowing(const QShowEvent* event);

// Places the window, before it is mapped, so that its frame's top-left corner stands at the
// point. The client area is placed, never the frame: what the toolkit believes of the frame of an
// unmapped window depends on how far the window manager has got in letting it go, and a window
// came back a title bar higher, or with its corner at the screen's centre.
void placeFrameAt(QWidget* window, const QPoint& frameTopLeft);

// Moves the window so that its frame stands centred on the screen it is on. Called at every
// showing, so that a window comes back where it was, whatever the window manager did with it.
void centreOnScreen(QWidget* window);

} // namespace cravent::gui
