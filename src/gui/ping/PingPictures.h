#pragma once

#include <QPixmap>

namespace cravent::gui {

// The signs of the ping result, drawn rather than shipped so they look the same everywhere.
QPixmap errorSign(int size);       // a white cross on a red disc
QPixmap informationSign(int size); // a blue letter i in a white speech bubble
QPixmap warningSign(int size);     // a black exclamation mark in a yellow triangle

} // namespace cravent::gui
