#pragma once

#include <functional>

class QListWidget;

namespace cravent::gui {

// Runs `handler` whenever the user picks an item of `list`: a mouse click, also on the item that
// is already selected (picking a frame again refreshes its registers), and a move of the
// selection with the keyboard. Selections made by the program itself do not count; make them
// with the list's signals blocked.
void onListBoxClick(QListWidget* list, std::function<void()> handler);

} // namespace cravent::gui
