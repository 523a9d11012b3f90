#include "gui/widgets/PushButton.h"
#include "gui/widgets/Theme.h"
#include "support/Keyboard.h"

#include <QDialog>
#include <QEnterEvent>
#include <QImage>
#include <QLineEdit>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace cravent;
using gui::PushButton;

namespace {

int pixelsOf(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

} // namespace

TEST(PushButton, EnterPressesTheFocusedButtonInAPlainWindowAndInADialog)
{
    for (const bool inDialog : {false, true}) {
        SCOPED_TRACE(inDialog ? "dialog" : "plain window");
        std::unique_ptr<QWidget> window = inDialog ? std::make_unique<QDialog>() : std::make_unique<QWidget>();
        auto* first = new PushButton(QStringLiteral("First"), window.get());
        auto* second = new PushButton(QStringLiteral("Second"), window.get());
        new QVBoxLayout(window.get());
        window->layout()->addWidget(first);
        window->layout()->addWidget(second);
        int firstClicks = 0, secondClicks = 0;
        QObject::connect(first, &QPushButton::clicked, [&] { ++firstClicks; });
        QObject::connect(second, &QPushButton::clicked, [&] { ++secondClicks; });
        ASSERT_TRUE(test::showActive(*window));
        second->setFocus();
        test::key(Qt::Key_Return);
        test::key(Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(secondClicks, 2);
        EXPECT_EQ(firstClicks, 0);
        EXPECT_TRUE(window->isVisible());
    }
}

TEST(PushButton, EnterElsewhereInADialogPressesNoButtonThatOnceHadTheFocus)
{
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    auto* cancel = new PushButton(QStringLiteral("Cancel"), &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(edit);
    layout->addWidget(cancel);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    ASSERT_TRUE(test::showActive(dialog));
    cancel->setFocus();
    edit->setFocus();
    test::key(Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    test::key(Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(PushButton, AWindowClosedUnderTheMouseShowsItsButtonAtRestNextTime)
{
    QWidget window;
    auto* button = new PushButton(QStringLiteral("OK"), &window);
    window.show();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(button, &enter);
    EXPECT_EQ(button->highlightLevel(), 1.0);
    window.hide(); // no leave event comes
    window.show();
    EXPECT_EQ(button->highlightLevel(), 0.0);
}

TEST(PushButton, FocusIsARingInTheThemesFocusColour)
{
    QWidget window;
    auto* button = new PushButton(QStringLiteral("OK"), &window);
    auto* other = new PushButton(QStringLiteral("Other"), &window);
    button->setGeometry(10, 10, 75, 25);
    other->setGeometry(10, 50, 75, 25);
    ASSERT_TRUE(test::showActive(window));
    other->setFocus();
    const int resting = pixelsOf(button->grab().toImage(), gui::theme::FocusRing);
    button->setFocus();
    const int focused = pixelsOf(button->grab().toImage(), gui::theme::FocusRing);
    EXPECT_EQ(resting, 0);
    // Two pixels wide along most of the edge: plainly visible, not a one-pixel shade.
    EXPECT_GT(focused, 2 * (75 + 25) * 2 * 6 / 10);
}
