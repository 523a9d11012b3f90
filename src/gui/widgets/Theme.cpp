#include "gui/widgets/Theme.h"

#include <QPalette>
#include <QWidget>

namespace cravent::gui::theme {

QFont windowFont()
{
    QFont font(QStringLiteral("Verdana"), 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void apply(QWidget* window)
{
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, Background);
    palette.setColor(QPalette::WindowText, Text);
    palette.setColor(QPalette::ButtonText, Text);
    // The style draws the focus frame of edit boxes, lists and choices in the highlight colour.
    palette.setColor(QPalette::Highlight, FocusRing);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setFont(windowFont());
}

} // namespace cravent::gui::theme
