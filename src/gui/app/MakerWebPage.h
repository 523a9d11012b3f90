#pragma once

#include <QUrl>

namespace cravent::gui {

inline constexpr const char* MakerWebAddress = "www.velmora.example";

// The maker's page for this product: http://<host>/HOME/default.asp?frompg=QP40231
QUrl makerWebPage();
// Asks the desktop to open it; a failure is of no consequence to the user's work.
void openMakerWebPage();

} // namespace cravent::gui
