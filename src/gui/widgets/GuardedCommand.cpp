#include "gui/widgets/GuardedCommand.h"

#include <QString>
#include <exception>
#include <new>

namespace cravent::gui {

void runGuarded(Messages& messages, QWidget* window, const std::function<void()>& command) noexcept
{
    QString reason;
    try {
        command();
        return;
    } catch (const std::bad_alloc&) {
        reason = QStringLiteral("Not enough memory to finish the command.");
    } catch (const std::exception& error) {
        reason = QString::fromStdString(error.what());
    } catch (...) {
        reason = QStringLiteral("The command stopped for an unknown reason.");
    }
    try {
        messages.show(window, reason, Messages::Icon::Error);
    } catch (...) {
        // Nothing is left to tell the user with; the window stays up all the same.
    }
}

} // namespace cravent::gui
