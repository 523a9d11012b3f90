#pragma once

#include <QSize>
#include <QString>

class QDialog;
class QHBoxLayout;

namespace cravent::gui {

class PushButton;

// The OK and Cancel buttons at the foot of a dialog, to the right: OK is the default button,
// Cancel rejects the dialog. What OK does is the dialog's to connect.
struct OkCancelRow {
    PushButton* ok;
    PushButton* cancel;
    QHBoxLayout* layout; // for the dialog's own layout to take
};

// Buttons named `okName` and `cancelName` (none when empty), of `size` when it is valid.
OkCancelRow okCancelRow(QDialog* dialog, const QString& okName = {},
                        const QString& cancelName = {}, QSize size = {});

} // namespace cravent::gui
