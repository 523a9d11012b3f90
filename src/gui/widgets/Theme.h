#pragma once

#include <QColor>
#include <QFont>

class QWidget;

namespace cravent::gui::theme {

inline constexpr const char* ApplicationTitle = "Firmware Cravent";

inline const QColor Background{0xF8, 0xF7, 0xED};
inline const QColor Text{0x33, 0x33, 0x33};
inline const QColor PressedFace{0xFF, 0x80, 0x00};
inline const QColor HoverYellow{0xFF, 0xFF, 0x80};
inline const QColor HoverSkyBlue{0xA6, 0xCA, 0xF0};
// The keyboard focus: a ring around buttons and the highlight of the other controls.
inline const QColor FocusRing{0x00, 0x5A, 0xD2};
inline constexpr int FocusRingWidth = 2;

// Verdana 8 pt where it is installed, the closest sans-serif otherwise.
QFont windowFont();

// Background, text colour and font of the program's windows.
void apply(QWidget* window);

} // namespace cravent::gui::theme
