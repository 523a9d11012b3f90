#pragma once

#include <QColor>
#include <QPushButton>

class QVariantAnimation;

namespace cravent::gui {

// The program's push button: it lights up in its highlight colour under the mouse, fades back
// when the mouse leaves, and shows an orange face while pressed. Enter and Space press the
// focused button in every window; it becomes a dialog's default only when told so.
class PushButton : public QPushButton {
    Q_OBJECT
public:
    explicit PushButton(const QString& text, QWidget* parent = nullptr,
                        const QColor& highlight = QColor(0xFF, 0xFF, 0x80));

    void setHighlightColor(const QColor& color);
    QColor highlightColor() const { return highlight_; }
    // 0 = resting face, 1 = fully highlighted.
    qreal highlightLevel() const { return level_; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QColor highlight_;
    qreal level_ = 0.0;
    QVariantAnimation* fade_;
};

} // namespace cravent::gui
