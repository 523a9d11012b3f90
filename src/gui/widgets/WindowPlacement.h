#pragma once

class QShowEvent;
class QWidget;

namespace cravent::gui {

// True for the show event that begins a showing (show(), exec()); false for the one the window
// system sends when a minimised window comes back, which must not reload the window.
bool beginsShowing(const QShowEvent* event);

// Moves the window so that its frame stands centred on the screen it is on. Called at every
// showing: a window manager that frames a window again may otherwise place it a title bar lower
// each time it comes back.
void centreOnScreen(QWidget* window);

} // namespace cravent::gui
