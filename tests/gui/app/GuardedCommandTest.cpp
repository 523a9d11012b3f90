// A window command that throws shows the reason and returns, whatever was thrown.

#include "gui/widgets/GuardedCommand.h"

#include "core/common/Error.h"
#include "support/GuiTestSupport.h"

#include <QWidget>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <new>

namespace cravent::gui {
namespace {

TEST(GuardedCommand, WhateverStopsACommandIsShownWithItsReason)
{
    const struct {
        const char* what;
        std::function<void()> command;
        QString shown; // empty: nothing shown
    } cases[] = {
        {"finishes", [] {}, {}},
        {"file error", [] { throw Error("Cannot read file \"x\". Is a directory"); },
         QStringLiteral("Cannot read file \"x\". Is a directory")},
        {"memory", [] { throw std::bad_alloc(); },
         QStringLiteral("Not enough memory to finish the command.")},
        {"library",
         [] {
             throw std::filesystem::filesystem_error(
                 "cannot open", "/p/a", std::make_error_code(std::errc::permission_denied));
         },
         QStringLiteral("filesystem error: cannot open: Permission denied [/p/a]")},
        {"anything", [] { throw 42; },
         QStringLiteral("The command stopped for an unknown reason.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::RecordingMessages messages;
        QWidget window;
        runGuarded(messages, &window, c.command);
        EXPECT_EQ(messages.texts, c.shown.isEmpty() ? QStringList() : QStringList{c.shown});
        if (!c.shown.isEmpty()) {
            EXPECT_EQ(messages.icons.front(), Messages::Icon::Error);
        }
    }
}

} // namespace
} // namespace cravent::gui
