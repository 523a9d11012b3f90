#include "KeyInput.h"
#include "gui/settings/TRangeEdit.h"

#include <gtest/gtest.h>

using cravent::gui::TRangeEdit;
using namespace cravent::test;

namespace {

QColor baseColour(const TRangeEdit& edit)
{
    return edit.palette().color(QPalette::Base);
}

} // namespace

TEST(TRangeEdit, RefusedKeyFlashesRedWhileDownAndLeavesTheText)
{
    TRangeEdit edit(0, 255, QStringLiteral("12"));
    edit.setCursorPosition(2);
    const QColor resting = baseColour(edit);
    ASSERT_NE(resting, TRangeEdit::RefusedColor);

    const QString refused[] = {QStringLiteral("a"), QStringLiteral(" "), QStringLiteral("+"),
                               QStringLiteral("-")};
    for (const QString& key : refused) {
        pressKey(&edit, key.at(0).toUpper().unicode(), key);
        EXPECT_TRUE(edit.isFlashing()) << key.toStdString();
        EXPECT_EQ(baseColour(edit), TRangeEdit::RefusedColor);
        EXPECT_EQ(edit.text(), QStringLiteral("12"));
        QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, key, true);
        QApplication::sendEvent(&edit, &repeat); // auto-repeat: the key is still down
        EXPECT_TRUE(edit.isFlashing());
        releaseKey(&edit, key.at(0).toUpper().unicode(), key);
        EXPECT_FALSE(edit.isFlashing());
        EXPECT_EQ(baseColour(edit), resting);
    }
}

TEST(TRangeEdit, TakesDigitsOneSeparatorALeadingMinusAndEditingKeys)
{
    TRangeEdit edit(0, 255, QString());
    typeKeys(&edit, QStringLiteral("-1x2.5,3"));
    EXPECT_EQ(edit.text(), QStringLiteral("-12.53"));
    pressKey(&edit, Qt::Key_Backspace, QStringLiteral("\b"));
    pressKey(&edit, Qt::Key_Home);
    pressKey(&edit, Qt::Key_Delete, QStringLiteral("\x7f"));
    EXPECT_EQ(edit.text(), QStringLiteral("12.5"));
    pressKey(&edit, Qt::Key_7, QStringLiteral("7"), Qt::KeypadModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("712.5"));
    // Select all and replace: the separator and the minus are judged against what stays.
    pressKey(&edit, Qt::Key_A, QStringLiteral("\x01"), Qt::ControlModifier);
    typeKeys(&edit, QStringLiteral("-,5"));
    EXPECT_EQ(edit.text(), QStringLiteral("-,5"));
    EXPECT_FALSE(edit.isFlashing());
}

TEST(TRangeEdit, UpAndDownStepWithAltAndCtrlWithinTheRange)
{
    TRangeEdit edit(0, 255, QStringLiteral("30"));
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* expected;
    } steps[] = {
        {Qt::Key_Up, Qt::NoModifier, "31"},
        {Qt::Key_Up, Qt::AltModifier, "41"},
        {Qt::Key_Down, Qt::NoModifier, "40"},
        {Qt::Key_Up, Qt::ControlModifier, "140"},
        {Qt::Key_Up, Qt::ControlModifier, "240"},
        {Qt::Key_Up, Qt::AltModifier, "250"},
        {Qt::Key_Up, Qt::AltModifier, "255"},
        {Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier, "0"},
        {Qt::Key_Down, Qt::NoModifier, "0"},
    };
    for (const auto& s : steps) {
        pressKey(&edit, s.key, {}, s.modifiers);
        EXPECT_EQ(edit.text(), QString::fromLatin1(s.expected));
    }
    edit.setText(QStringLiteral("300"));
    pressKey(&edit, Qt::Key_Down);
    EXPECT_EQ(edit.text(), QStringLiteral("255"));
    EXPECT_EQ(edit.value(), 255);
}

TEST(TRangeEdit, LeavingTidiesTheNumberButKeepsItOutOfRange)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "0"}, {"012.50", "12.5"}, {"1,23456", "1.235"}, {"300", "300"}, {"-", "-"}};
    for (const auto& [typed, expected] : cases) {
        TRangeEdit edit(0, 255, QStringLiteral("7"));
        edit.setText(QString::fromLatin1(typed));
        leaveField(&edit);
        EXPECT_EQ(edit.text(), QString::fromLatin1(expected)) << typed;
    }

    TRangeEdit edit(0, 255, QStringLiteral("3"));
    edit.setCursorPosition(1);
    typeKeys(&edit, QStringLiteral("00"));
    leaveField(&edit);
    EXPECT_EQ(edit.text(), QStringLiteral("300"));
    EXPECT_EQ(edit.LastValidValue(), 30);
    EXPECT_EQ(edit.value(), 30);

    edit.clear();
    EXPECT_EQ(edit.value(), 0);
    EXPECT_EQ(edit.text(), QStringLiteral("0"));
}
