#pragma once

#include "gui/widgets/UiServices.h"

#include <functional>

class QWidget;

namespace cravent::gui {

// Runs one command of a window. Whatever stops it (a file the core refused, memory that ran
// out, a fault of ours) is shown with its reason and the window stays up: an exception must
// never unwind through Qt's event loop, which would end the program with the user's edits.
void runGuarded(Messages& messages, QWidget* window, const std::function<void()>& command) noexcept;

// The slot that runs `handler` of `window` guarded, for connect().
template <typename Window>
auto guarded(Messages& messages, Window* window, void (Window::*handler)())
{
    return [&messages, window, handler] {
        runGuarded(messages, window, [window, handler] { (window->*handler)(); });
    };
}

} // namespace cravent::gui
