#include "gui/widgets/PushButton.h"

#include "gui/widgets/Theme.h"

#include <QKeyEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace cravent::gui {

namespace {

constexpr int FadeMilliseconds = 300;
const QColor RestingFace{0xEC, 0xEA, 0xDF};
const QColor Outline{0x8C, 0x8C, 0x8C};

QColor blend(const QColor& a, const QColor& b, qreal t)
{
    auto mix = [t](int x, int y) { return x + qRound((y - x) * t); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

} // namespace

PushButton::PushButton(const QString& text, QWidget* parent, const QColor& highlight)
    : QPushButton(text, parent)
    , highlight_(highlight)
    , fade_(new QVariantAnimation(this))
{
    setFont(theme::windowFont());
    setCursor(Qt::PointingHandCursor);
    // A dialog would otherwise make the first button that ever had the focus its default, and
    // Enter in any other control would press it: "Cancel" in the frame dialogs.
    setAutoDefault(false);
    fade_->setDuration(FadeMilliseconds);
    fade_->setStartValue(1.0);
    fade_->setEndValue(0.0);
    connect(fade_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        level_ = value.toReal();
        update();
    });
}

void PushButton::setHighlightColor(const QColor& color)
{
    highlight_ = color;
    update();
}

void PushButton::enterEvent(QEnterEvent* event)
{
    fade_->stop();
    level_ = 1.0;
    update();
    QPushButton::enterEvent(event);
}

void PushButton::leaveEvent(QEvent* event)
{
    fade_->stop();
    fade_->setStartValue(level_);
    fade_->start();
    QPushButton::leaveEvent(event);
}

void PushButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor face = isDown() ? theme::PressedFace : blend(RestingFace, highlight_, level_);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(Outline);
    painter.setBrush(isEnabled() ? face : RestingFace);
    painter.drawRoundedRect(box, 3, 3);
    if (hasFocus()) {
        painter.setPen(QPen(theme::FocusRing, theme::FocusRingWidth));
        painter.setBrush(Qt::NoBrush);
        const qreal inset = theme::FocusRingWidth / 2.0;
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 3, 3);
    }
    painter.setPen(isEnabled() ? theme::Text : Outline);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

void PushButton::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (isEnabled())
            click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void PushButton::hideEvent(QHideEvent* event)
{
    // A window that closes under the mouse sends no leave event; the next showing starts at rest.
    fade_->stop();
    level_ = 0.0;
    QPushButton::hideEvent(event);
}

} // namespace cravent::gui
