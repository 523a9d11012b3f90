#pragma once

#include "core/net/PingOutcome.h"

#include <QDialog>

class QLabel;

namespace cravent::gui {

class PushButton;

// The result of "Ping Device": one of three signs, the outcome's text and "OK". Created once,
// it keeps the last outcome until the next ping sets another.
class TFPing : public QDialog {
    Q_OBJECT
public:
    explicit TFPing(QWidget* parent = nullptr);

    // Prepares the dialog for one outcome (0 found, 1 not found, 2 error); does not show it.
    void SetPingResult(int code, const QString& caption, const QString& label);
    // The same with the outcome's own caption and label.
    void SetPingResult(net::PingOutcome outcome);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* picture(const char* name, const QPixmap& pixmap);

    QLabel* errorPicture_;
    QLabel* foundPicture_;
    QLabel* notFoundPicture_;
    QLabel* label1_;
    PushButton* ok_;
};

} // namespace cravent::gui
